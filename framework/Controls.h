#pragma once

// The framework's controls, for code that works with several of them.

#include "framework/BevelButton.h"
#include "framework/ButtonBase.h"
#include "framework/HTMLViewer.h"
#include "framework/ImageWell.h"
#include "framework/PushButton.h"
#include "framework/RectControl.h"
#include "framework/Separator.h"
#include "framework/TextField.h"

namespace fw {

// Offers the picture well's and the HTML view's entry points to the entry
// table (called once by RuntimeInit).
void OfferComponentEntries();

}  // namespace fw
