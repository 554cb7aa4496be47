#pragma once

#include <vector>

#include "framework/RectControl.h"

namespace fw {

class Separator : public RectControl {
 public:
  explicit Separator(Window& window) : RectControl(window, ControlKind::Separator) {}
  const std::vector<PropertySchemaEntry>& PropertySchema() const override;
};

}  // namespace fw
