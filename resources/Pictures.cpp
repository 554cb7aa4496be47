#include "resources/Pictures.h"

#include "framework/Errors.h"
#include "framework/Files.h"
#include "resources/PictureSlots.h"

namespace tambourin {
namespace pictures {

Slot gNavBackButton, gNavBackButtonPushed2, gNavForwardButton2, gNavForwardButtonPushed2,
    gToolbarHomepageButton, gToolbarHomepageButtonPushed;

}  // namespace pictures

using namespace pictures;

namespace {

fw::PicturePtr Face(Slot& slot, const char* fileName) {
  if (slot.pic) return slot.pic;
  fw::FolderItemPtr resources = fw::GetApplicationBundleResources();
  if (!resources) return nullptr;
  fw::FolderItemPtr file = resources->Child(fileName);
  if (!file) throw fw::NilObjectException(std::string("no item for picture ") + fileName);
  slot.pic = file->OpenAsPicture();
  return slot.pic;
}

}  // namespace

// The names are irregular on purpose: they are the files' own names.
fw::PicturePtr NavBackButton() { return Face(gNavBackButton, "NavBackButton.png"); }
fw::PicturePtr NavBackButtonPushed2() {
  return Face(gNavBackButtonPushed2, "NavBackButtonPushed2.png");
}
fw::PicturePtr NavForwardButton2() { return Face(gNavForwardButton2, "NavForwardButton2.png"); }
fw::PicturePtr NavForwardButtonPushed2() {
  return Face(gNavForwardButtonPushed2, "NavForwardButtonPushed2.png");
}
fw::PicturePtr ToolbarHomepageButton() {
  return Face(gToolbarHomepageButton, "ToolbarHomepageButton.png");
}
fw::PicturePtr ToolbarHomepageButtonPushed() {
  return Face(gToolbarHomepageButtonPushed, "ToolbarHomepageButtonPushed.png");
}

}  // namespace tambourin
