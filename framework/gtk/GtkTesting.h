#pragma once

// What the real-window tests may look at inside the GTK backend. The program
// itself never includes this.

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstddef>

#include "framework/Controls.h"
#include "framework/Window.h"

namespace fw::gtk {

// Engine views made for new-window requests that are not finalized yet, over
// all viewers.
std::size_t LiveRequestViewCount();
// The viewer's request views whose request is not settled yet.
std::size_t PendingRequestViews(const HTMLViewer& viewer);
// The viewer's own engine view; nil before it has a peer.
WebKitWebView* EngineViewOf(const HTMLViewer& viewer);
// The control's widget; nil before it has a peer.
GtkWidget* WidgetOf(const RectControl& control);
// The window's toplevel; nil before it has a peer.
GtkWindow* ToplevelOf(const Window& window);

}  // namespace fw::gtk
