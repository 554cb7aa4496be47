#pragma once

#include <cstdint>
#include <string>

#include "framework/RectControl.h"

namespace fw {

// A button that raises Action when clicked.
class ButtonBase : public RectControl {
 public:
  using RectControl::RectControl;
  std::string Caption() const;
  uint8_t TextUnit() const { return textUnit_; }
  void SetTextUnit(uint8_t unit) {
    textUnit_ = unit;
    if (Peer()) Peer()->SetTextUnit(unit);
  }
  // Raised by the peer on a click.
  void PeerAction();

 protected:
  void PropertyChanged(const std::string& property, const PropertyValue& value) override;

 private:
  std::optional<HandlerSignature> EventHandlerType(const std::string& event) const override;
  uint8_t textUnit_ = 0;
};

}  // namespace fw
