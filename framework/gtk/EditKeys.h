#pragma once

// Which Edit command a key press stands for. The window hands the command to
// the focused control first; only when the control leaves it unhandled does
// the toolkit's own behaviour for that key happen.

#include <string>

namespace fw::gtk {

// `keyval` is a GDK key value, `modifiers` the event's state. Answers the
// command name ("EditCopy", ...) or an empty string for any other key.
std::string EditCommandForKey(unsigned keyval, unsigned modifiers);

}  // namespace fw::gtk
