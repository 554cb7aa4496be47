#pragma once

#include <vector>

#include "framework/ButtonBase.h"

namespace fw {

class PushButton : public ButtonBase {
 public:
  explicit PushButton(Window& window) : ButtonBase(window, ControlKind::PushButton) {}
  const std::vector<PropertySchemaEntry>& PropertySchema() const override;
};

}  // namespace fw
