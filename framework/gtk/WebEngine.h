#pragma once

#include <webkit2/webkit2.h>

namespace fw::gtk {

// The one engine context that every web view of the program shares. Its
// website data (cookies above all, so that a user who logged in stays logged
// in at the next start) lives in $XDG_DATA_HOME/tambourin, its cache in
// $XDG_CACHE_HOME/tambourin. Made on first use.
WebKitWebContext* SharedWebContext();

}  // namespace fw::gtk
