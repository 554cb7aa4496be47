// Kept apart from the accessors so that only the tests, which call it, link
// it: the program's archive member holding it is never pulled into tambourin.

#include "resources/PictureSlots.h"
#include "resources/Pictures.h"

namespace tambourin {

void ForgetPicturesForTesting() {
  using namespace pictures;
  for (Slot* slot : {&gNavBackButton, &gNavBackButtonPushed2, &gNavForwardButton2,
                     &gNavForwardButtonPushed2, &gToolbarHomepageButton,
                     &gToolbarHomepageButtonPushed}) {
    slot->pic.reset();
  }
}

}  // namespace tambourin
