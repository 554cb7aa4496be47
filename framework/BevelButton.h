#pragma once

#include <vector>

#include "framework/ButtonBase.h"

namespace fw {

class BevelButton : public ButtonBase {
 public:
  explicit BevelButton(Window& window) : ButtonBase(window, ControlKind::BevelButton) {}
  const std::vector<PropertySchemaEntry>& PropertySchema() const override;
};

}  // namespace fw
