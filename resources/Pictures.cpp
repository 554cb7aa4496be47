#include "resources/Pictures.h"

#include "framework/Errors.h"
#include "framework/Files.h"

namespace tambourin {
namespace {

// One face's slot: filled by the first load that yields a picture, then kept.
struct Slot {
  fw::PicturePtr pic;
};

Slot gNavBackButton, gNavBackButtonPushed2, gNavForwardButton2, gNavForwardButtonPushed2,
    gToolbarHomepageButton, gToolbarHomepageButtonPushed;

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

void ForgetPicturesForTesting() {
  for (Slot* slot : {&gNavBackButton, &gNavBackButtonPushed2, &gNavForwardButton2,
                     &gNavForwardButtonPushed2, &gToolbarHomepageButton,
                     &gToolbarHomepageButtonPushed}) {
    slot->pic.reset();
  }
}

}  // namespace tambourin
