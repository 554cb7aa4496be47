#include "framework/ImageWell.h"

#include "framework/PluginEntries.h"

namespace fw {

void ImageWell::SetImage(PicturePtr picture) {
  CallPluginEntry<void(ImageWell&, PicturePtr)>(PluginEntry::ImageWellImageSet, *this,
                                                std::move(picture));
}

void ImageWell::ShowImage(PicturePtr picture) {
  image_ = std::move(picture);
  if (Peer()) Peer()->SetImage(image_);
}

const std::vector<PropertySchemaEntry>& ImageWell::PropertySchema() const {
  static const std::vector<PropertySchemaEntry> schema = CommonSchema();
  return schema;
}

std::optional<HandlerSignature> ImageWell::EventHandlerType(const std::string& event) const {
  if (event == "MouseDown") return SignatureOf<MouseDownHandler>();
  if (event == "MouseUp") return SignatureOf<MouseUpHandler>();
  return std::nullopt;
}

bool ImageWell::PeerMouseDown(int32_t x, int32_t y) {
  // A release while the press is still being decided is not delivered.
  pressClaimed_ = false;
  pressClaimed_ = Raise<MouseDownHandler>("MouseDown", x, y);
  return pressClaimed_;
}

void ImageWell::PeerMouseUp(int32_t x, int32_t y) {
  // Only the release of a press that this well claimed is delivered.
  if (!pressClaimed_) return;
  pressClaimed_ = false;
  Raise<MouseUpHandler>("MouseUp", x, y);
}

}  // namespace fw
