#include "framework/gtk/GtkWindowPeer.h"

#include <algorithm>

#include "framework/Controls.h"
#include "framework/Window.h"
#include "framework/gtk/EditKeys.h"
#include "framework/gtk/GtkControlPeer.h"
#include "framework/gtk/Placer.h"

namespace fw::gtk {
namespace {

// GTK cannot make a window of no size; what the framework asked for is still
// what Bounds() reports until the toolkit says otherwise.
gint AtLeastOne(int32_t value) { return std::max<int32_t>(1, value); }

}  // namespace

GtkWindowPeer::GtkWindowPeer(Window& window)
    : owner_(window),
      window_(GObjectPtr<GtkWidget>::Share(gtk_window_new(GTK_WINDOW_TOPLEVEL))),
      placer_(PlacerNew()),
      bounds_(window.Bounds()) {
  gtk_container_add(GTK_CONTAINER(window_.get()), placer_);
  gtk_widget_show(placer_);
  GtkWidget* w = window_.get();
  configure_ = Connect<&GtkWindowPeer::OnConfigure>(w, "configure-event", this);
  // The window only closes when the framework closes it, even when its
  // handlers fail.
  delete_ = Connect<&GtkWindowPeer::OnDelete, TRUE>(w, "delete-event", this);
  keyPress_ = Connect<&GtkWindowPeer::OnKeyPress>(w, "key-press-event", this);
  realize_ = Connect<&GtkWindowPeer::OnRealize>(w, "realize", this);
  SetTitle(window.Title());
  SetSizeLimits(window.Limits());
  SetDecorations(window.Decorations());
}

GtkWindowPeer::~GtkWindowPeer() { Destroy(); }

void GtkWindowPeer::SetTitle(const std::string& title) {
  gtk_window_set_title(Widget(), title.c_str());
}

void GtkWindowPeer::SetSizeLimits(const SizeLimits& limits) {
  GdkGeometry geometry{};
  geometry.min_width = AtLeastOne(limits.minWidth);
  geometry.min_height = AtLeastOne(limits.minHeight);
  geometry.max_width = std::max(geometry.min_width, limits.maxWidth);
  geometry.max_height = std::max(geometry.min_height, limits.maxHeight);
  gtk_window_set_geometry_hints(Widget(), nullptr, &geometry,
                                static_cast<GdkWindowHints>(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
}

void GtkWindowPeer::SetDecorations(const WindowDecorations& decorations) {
  decorations_ = decorations;
  gtk_window_set_deletable(Widget(), decorations.closeButton);
  gtk_window_set_resizable(Widget(), decorations.resizeable);
  if (decorations.fullScreen) {
    gtk_window_fullscreen(Widget());
  } else {
    gtk_window_unfullscreen(Widget());
  }
  ApplyWindowFunctions();
}

// GTK has no switch of its own for the minimize and maximize buttons; the
// window manager is told through the window's functions and decorations,
// which need the window's GdkWindow and so wait for it to be realized.
void GtkWindowPeer::ApplyWindowFunctions() {
  GdkWindow* gdkWindow = gtk_widget_get_window(window_.get());
  if (gdkWindow == nullptr) {
    return;
  }
  int functions = GDK_FUNC_MOVE;
  int decorations = GDK_DECOR_BORDER | GDK_DECOR_TITLE | GDK_DECOR_MENU;
  if (decorations_.resizeable) {
    functions |= GDK_FUNC_RESIZE;
    decorations |= GDK_DECOR_RESIZEH;
  }
  if (decorations_.minimizeButton) {
    functions |= GDK_FUNC_MINIMIZE;
    decorations |= GDK_DECOR_MINIMIZE;
  }
  if (decorations_.maximizeButton && decorations_.resizeable) {
    functions |= GDK_FUNC_MAXIMIZE;
    decorations |= GDK_DECOR_MAXIMIZE;
  }
  if (decorations_.closeButton) {
    functions |= GDK_FUNC_CLOSE;
  }
  gdk_window_set_functions(gdkWindow, static_cast<GdkWMFunction>(functions));
  gdk_window_set_decorations(gdkWindow, static_cast<GdkWMDecoration>(decorations));
}

void GtkWindowPeer::SetBounds(const Rect& bounds) {
  bounds_ = bounds;
  if (destroyed_) {
    return;
  }
  gtk_window_move(Widget(), bounds.left, bounds.top);
  gtk_window_resize(Widget(), AtLeastOne(bounds.width), AtLeastOne(bounds.height));
}

Rect GtkWindowPeer::Bounds() const { return bounds_; }

void GtkWindowPeer::Show() {
  if (destroyed_) {
    return;
  }
  // Placed and sized before it is first mapped, so that nobody sees it jump.
  // Only the window and its placer are shown here: each control is already
  // shown or hidden as its Visible property says.
  gtk_window_move(Widget(), bounds_.left, bounds_.top);
  gtk_window_resize(Widget(), AtLeastOne(bounds_.width), AtLeastOne(bounds_.height));
  gtk_widget_show(window_.get());
}

void GtkWindowPeer::Destroy() {
  if (destroyed_) {
    return;
  }
  destroyed_ = true;
  configure_.Disconnect();
  delete_.Disconnect();
  keyPress_.Disconnect();
  realize_.Disconnect();
  gtk_widget_destroy(window_.get());
}

void GtkWindowPeer::OnRealize(GtkWidget*) { ApplyWindowFunctions(); }

gboolean GtkWindowPeer::OnConfigure(GtkWidget* widget, GdkEventConfigure* event) {
  // The event's size is the new one (get_size still lags here); the
  // position comes from get_position, which under a window manager is the
  // frame's origin, the same point that gtk_window_move places.
  gint left = 0;
  gint top = 0;
  gtk_window_get_position(GTK_WINDOW(widget), &left, &top);
  bounds_ = Rect{left, top, event->width, event->height};
  // A Resized handler may close the window, which destroys this peer and
  // may free the window: the window is held for the whole dispatch, and
  // nothing of the peer is touched after it.
  const std::shared_ptr<Window> window = owner_.weak_from_this().lock();
  if (window) window->SizeMaybeChanged();
  return FALSE;
}

gboolean GtkWindowPeer::OnDelete(GtkWidget*, GdkEvent*) {
  // The framework decides; when it closes the window it destroys this peer
  // itself, so nothing of the peer is touched after the call.
  const std::shared_ptr<Window> window = owner_.weak_from_this().lock();
  if (window) window->PeerCloseRequested();
  return TRUE;
}

gboolean GtkWindowPeer::OnKeyPress(GtkWidget* widget, GdkEventKey* event) {
  const std::string command = EditCommandForKey(event->keyval, event->state);
  if (command.empty()) {
    return FALSE;
  }
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(widget));
  RectControl* control = focus != nullptr ? ControlOfWidget(focus) : nullptr;
  if (control == nullptr) {
    return FALSE;
  }
  if (control->HandleMenuCommand(command)) {
    return TRUE;
  }
  // Not handled: the toolkit does what the key does, unless the control's
  // peer carries the command out itself (a web view does).
  ControlPeer* peer = control->Peer();
  return peer != nullptr && peer->DoEditCommand(command) ? TRUE : FALSE;
}

}  // namespace fw::gtk
