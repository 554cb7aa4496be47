#pragma once

#include <gtk/gtk.h>

#include <string>

#include "framework/Backend.h"
#include "framework/Controls.h"
#include "framework/gtk/Callbacks.h"
#include "framework/gtk/GObjectPtr.h"
#include "framework/gtk/Placer.h"

namespace fw::gtk {

// The framework control that a widget stands for, found from the widget or
// from any widget inside it; nil when the widget belongs to no control.
RectControl* ControlOfWidget(GtkWidget* widget);

// What every control's peer does alike: its widget sits in the window's
// placer at the control's rectangle and follows Visible, Enabled and HelpTag.
// `Interface` is ControlPeer or one of its refinements.
template <typename Interface>
class GtkControlPeerBase : public Interface {
 public:
  GtkControlPeerBase(RectControl& control, GtkWidget* placer, GtkWidget* widget)
      : control_(control), widget_(GObjectPtr<GtkWidget>::Adopt(widget)) {
    g_object_set_data(G_OBJECT(widget), kControlKey, &control_);
    PlacerPut(placer, widget, Rect{});
    // A control takes the values its properties held before it had a peer.
    SetVisible(control.Visible());
    SetEnabled(control.Enabled());
    SetHelpTag(control.HelpTag());
  }
  ~GtkControlPeerBase() override {
    g_object_set_data(G_OBJECT(widget_.get()), kControlKey, nullptr);
    // The window may already be gone with its placer; the widget is only
    // destroyed here when it is still inside one.
    if (gtk_widget_get_parent(widget_.get()) != nullptr) {
      gtk_widget_destroy(widget_.get());
    }
  }
  GtkControlPeerBase(const GtkControlPeerBase&) = delete;
  GtkControlPeerBase& operator=(const GtkControlPeerBase&) = delete;

  void SetBounds(const Rect& bounds) override {
    if (GtkWidget* placer = gtk_widget_get_parent(widget_.get())) {
      PlacerMove(placer, widget_.get(), bounds);
    }
  }
  void SetVisible(bool visible) override { gtk_widget_set_visible(widget_.get(), visible); }
  void SetEnabled(bool enabled) override { gtk_widget_set_sensitive(widget_.get(), enabled); }
  void SetHelpTag(const std::string& text) override {
    gtk_widget_set_tooltip_text(widget_.get(), text.empty() ? nullptr : text.c_str());
  }
  void Refresh(bool) override { gtk_widget_queue_draw(widget_.get()); }

  GtkWidget* Widget() const { return widget_.get(); }
  RectControl& Control() const { return control_; }

  static constexpr const char* kControlKey = "tambourin-control";

 private:
  RectControl& control_;
  GObjectPtr<GtkWidget> widget_;
};

using GtkControlPeer = GtkControlPeerBase<ControlPeer>;

class GtkButtonPeer : public GtkControlPeer {
 public:
  GtkButtonPeer(ButtonBase& button, GtkWidget* placer);
  void SetCaption(const std::string& caption) override;

 private:
  void OnClicked(GtkButton* button);
  ButtonBase& button_;
  SignalConnection clicked_;
};

class GtkTextFieldPeer : public GtkControlPeer {
 public:
  GtkTextFieldPeer(TextField& field, GtkWidget* placer);
  void SetText(const std::string& text) override;
  std::string Text() const override;
};

class GtkSeparatorPeer : public GtkControlPeer {
 public:
  GtkSeparatorPeer(RectControl& control, GtkWidget* placer);
};

// A picture well: an event box, so that it gets the pointer's presses, with
// the picture inside it.
class GtkImageWellPeer : public GtkControlPeer {
 public:
  GtkImageWellPeer(ImageWell& well, GtkWidget* placer);
  void SetImage(const PicturePtr& picture) override;

 private:
  gboolean OnPress(GtkWidget* widget, GdkEventButton* event);
  gboolean OnRelease(GtkWidget* widget, GdkEventButton* event);
  ImageWell& well_;
  GtkWidget* image_;  // owned by the event box
  SignalConnection press_;
  SignalConnection release_;
};

}  // namespace fw::gtk
