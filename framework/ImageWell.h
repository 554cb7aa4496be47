#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/Picture.h"
#include "framework/RectControl.h"

namespace fw {

// A picture well. A MouseDown handler that answers True claims the press, so
// the MouseUp that ends it reaches this same well wherever it is released.
class ImageWell : public RectControl {
 public:
  explicit ImageWell(Window& window) : RectControl(window, ControlKind::ImageWell) {}
  PicturePtr Image() const { return image_; }
  // Goes through the picture-well component; nil shows nothing.
  void SetImage(PicturePtr picture);
  const std::vector<PropertySchemaEntry>& PropertySchema() const override;

  bool PeerMouseDown(int32_t x, int32_t y);
  void PeerMouseUp(int32_t x, int32_t y);

  // The component's own setter, reached through the entry table.
  void ShowImage(PicturePtr picture);

 private:
  std::optional<HandlerSignature> EventHandlerType(const std::string& event) const override;
  PicturePtr image_;
  bool pressClaimed_ = false;
};

}  // namespace fw
