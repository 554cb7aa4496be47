#pragma once

#include <gtk/gtk.h>

#include "framework/Backend.h"
#include "framework/gtk/Callbacks.h"
#include "framework/gtk/GObjectPtr.h"

namespace fw::gtk {

// A framework window shown as a GtkWindow whose only child is the placer that
// holds the controls at their own rectangles.
class GtkWindowPeer : public WindowPeer {
 public:
  explicit GtkWindowPeer(Window& window);
  ~GtkWindowPeer() override;
  GtkWindowPeer(const GtkWindowPeer&) = delete;
  GtkWindowPeer& operator=(const GtkWindowPeer&) = delete;

  void SetTitle(const std::string& title) override;
  void SetSizeLimits(const SizeLimits& limits) override;
  void SetDecorations(const WindowDecorations& decorations) override;
  void SetBounds(const Rect& bounds) override;
  Rect Bounds() const override;
  void Show() override;
  void Destroy() override;

  GtkWindow* Widget() const { return GTK_WINDOW(window_.get()); }
  // The container the window's controls go into.
  GtkWidget* Placer() const { return placer_; }

 private:
  gboolean OnConfigure(GtkWidget* widget, GdkEventConfigure* event);
  gboolean OnDelete(GtkWidget* widget, GdkEvent* event);
  gboolean OnKeyPress(GtkWidget* widget, GdkEventKey* event);
  void OnRealize(GtkWidget* widget);
  void ApplyWindowFunctions();

  Window& owner_;
  GObjectPtr<GtkWidget> window_;
  GtkWidget* placer_ = nullptr;  // owned by window_
  // What was last set, until a configure event reports the settled geometry.
  Rect bounds_;
  WindowDecorations decorations_;
  bool destroyed_ = false;
  SignalConnection configure_;
  SignalConnection delete_;
  SignalConnection keyPress_;
  SignalConnection realize_;
};

}  // namespace fw::gtk
