#pragma once

#include <webkit2/webkit2.h>

namespace fw::gtk {

// Rules that hold for every engine view the program makes, the main view,
// the hidden one and the short-lived views of new-window requests alike:
// - a page's print request is refused (the program does not print), with
//   one line on stderr per page, so that no modal print window can come up
//   and hold the main window's close box;
// - a script dialog of a view nobody can see is answered at once, as if the
//   user had dismissed it, so that no page waits for a click that cannot come.
// Installed once, before the first view is made.
void InstallPageRules();

// Takes down what the engine drew over the view for its page's script
// dialogs: answering a dialog from the program leaves it there, over the
// next page, taking its clicks.
void RemoveDrawnScriptDialogs(WebKitWebView* view);

// Whether the view and its parents are shown inside a window.
bool IsSeenByUser(WebKitWebView* view);

}  // namespace fw::gtk
