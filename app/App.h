#pragma once

#include "framework/Runtime.h"

namespace tambourin {

// The application object. Everything the user sees happens in the main window.
class App : public fw::Application {};

}  // namespace tambourin
