#pragma once

// The six faces' slots, shared by their accessors (Pictures.cpp) and by the
// tests' reset (PicturesForTesting.cpp), which the program never links.

#include "framework/Picture.h"

namespace tambourin::pictures {

// One face's slot: filled by the first load that yields a picture, then kept.
struct Slot {
  fw::PicturePtr pic;
};

extern Slot gNavBackButton, gNavBackButtonPushed2, gNavForwardButton2, gNavForwardButtonPushed2,
    gToolbarHomepageButton, gToolbarHomepageButtonPushed;

}  // namespace tambourin::pictures
