#pragma once

// The six toolbar faces. Each accessor reads its PNG from the program's
// resources folder on first need and keeps the picture once a load succeeds;
// a load that yields no picture is tried again at the next call.

#include "framework/Picture.h"

namespace tambourin {

fw::PicturePtr NavBackButton();
fw::PicturePtr NavBackButtonPushed2();
fw::PicturePtr NavForwardButton2();
fw::PicturePtr NavForwardButtonPushed2();
fw::PicturePtr ToolbarHomepageButton();
fw::PicturePtr ToolbarHomepageButtonPushed();

// Tests only: empties the six slots, as at the start of a process. Only the
// tests link it (PicturesForTesting.cpp).
void ForgetPicturesForTesting();

}  // namespace tambourin
