#include "framework/gtk/GtkControlPeer.h"

#include <cmath>
#include <memory>

#include "framework/gtk/GtkPicture.h"

namespace fw::gtk {

RectControl* ControlOfWidget(GtkWidget* widget) {
  for (GtkWidget* w = widget; w != nullptr; w = gtk_widget_get_parent(w)) {
    if (auto* control = static_cast<RectControl*>(
            g_object_get_data(G_OBJECT(w), GtkControlPeer::kControlKey))) {
      return control;
    }
  }
  return nullptr;
}

// --- Buttons -------------------------------------------------------------------

GtkButtonPeer::GtkButtonPeer(ButtonBase& button, GtkWidget* placer)
    : GtkControlPeer(button, placer, gtk_button_new_with_label(button.Caption().c_str())),
      button_(button) {
  clicked_ = Connect<&GtkButtonPeer::OnClicked>(Widget(), "clicked", this);
}

void GtkButtonPeer::SetCaption(const std::string& caption) {
  gtk_button_set_label(GTK_BUTTON(Widget()), caption.c_str());
}

void GtkButtonPeer::OnClicked(GtkButton*) { button_.PeerAction(); }

// --- Text field ----------------------------------------------------------------

GtkTextFieldPeer::GtkTextFieldPeer(TextField& field, GtkWidget* placer)
    : GtkControlPeer(field, placer, gtk_entry_new()) {
  // The field's text is the framework's until the peer exists; from then on
  // the entry holds it, since the user edits it there.
  SetText(field.Text());
}

void GtkTextFieldPeer::SetText(const std::string& text) {
  gtk_entry_set_text(GTK_ENTRY(Widget()), text.c_str());
}

std::string GtkTextFieldPeer::Text() const {
  const char* text = gtk_entry_get_text(GTK_ENTRY(Widget()));
  return text != nullptr ? text : "";
}

// --- Separator -----------------------------------------------------------------

GtkSeparatorPeer::GtkSeparatorPeer(RectControl& control, GtkWidget* placer)
    : GtkControlPeer(control, placer, gtk_separator_new(GTK_ORIENTATION_HORIZONTAL)) {}

// --- Picture well --------------------------------------------------------------

GtkImageWellPeer::GtkImageWellPeer(ImageWell& well, GtkWidget* placer)
    : GtkControlPeer(well, placer, gtk_event_box_new()), well_(well), image_(gtk_image_new()) {
  gtk_widget_set_halign(image_, GTK_ALIGN_CENTER);
  gtk_widget_set_valign(image_, GTK_ALIGN_CENTER);
  gtk_container_add(GTK_CONTAINER(Widget()), image_);
  gtk_widget_show(image_);
  gtk_widget_add_events(Widget(), GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
  // A press or release the well took stays taken, even when its handler fails.
  press_ = Connect<&GtkImageWellPeer::OnPress, TRUE>(Widget(), "button-press-event", this);
  release_ = Connect<&GtkImageWellPeer::OnRelease, TRUE>(Widget(), "button-release-event", this);
  SetImage(well.Image());
}

void GtkImageWellPeer::SetImage(const PicturePtr& picture) {
  auto* ours = dynamic_cast<GtkPicture*>(picture.get());
  if (ours == nullptr) {
    gtk_image_clear(GTK_IMAGE(image_));
    return;
  }
  gtk_image_set_from_pixbuf(GTK_IMAGE(image_), ours->Pixbuf());
}

gboolean GtkImageWellPeer::OnPress(GtkWidget*, GdkEventButton* event) {
  // Double and triple clicks arrive as extra events after the plain presses;
  // the well counts each physical press once.
  if (event->type != GDK_BUTTON_PRESS || event->button != GDK_BUTTON_PRIMARY) {
    return FALSE;
  }
  well_.PeerMouseDown(static_cast<int32_t>(std::floor(event->x)),
                      static_cast<int32_t>(std::floor(event->y)));
  return TRUE;
}

gboolean GtkImageWellPeer::OnRelease(GtkWidget*, GdkEventButton* event) {
  if (event->button != GDK_BUTTON_PRIMARY) {
    return FALSE;
  }
  well_.PeerMouseUp(static_cast<int32_t>(std::floor(event->x)),
                    static_cast<int32_t>(std::floor(event->y)));
  return TRUE;
}

}  // namespace fw::gtk
