#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/RectControl.h"

namespace fw {

class TextField : public RectControl {
 public:
  explicit TextField(Window& window) : RectControl(window, ControlKind::TextField) {}
  std::string Text() const;
  void SetText(const std::string& text);
  uint8_t TextUnit() const { return textUnit_; }
  void SetTextUnit(uint8_t unit) {
    textUnit_ = unit;
    if (Peer()) Peer()->SetTextUnit(unit);
  }
  const std::vector<PropertySchemaEntry>& PropertySchema() const override;

 protected:
  void PropertyChanged(const std::string& property, const PropertyValue& value) override;

 private:
  std::string text_;
  uint8_t textUnit_ = 0;
};

}  // namespace fw
