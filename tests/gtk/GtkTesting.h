#pragma once

// What the real-window tests may look at inside the GTK backend. Only the
// tests link these hooks; they reach the peers through their own accessors.

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstddef>

#include "framework/Controls.h"
#include "framework/Window.h"

namespace fw::gtk {

// Counts, from now on, the engine views the viewer makes for new-window
// requests until each is finalized, even one someone else still holds;
// false when the viewer has no peer yet.
bool TrackRequestViews(const HTMLViewer& viewer);
// Engine views made for new-window requests of the tracked viewers so far.
std::size_t RequestViewsMade();
// Engine views made for new-window requests of the tracked viewers that are
// not finalized yet.
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
