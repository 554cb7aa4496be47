#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "framework/Picture.h"
#include "framework/gtk/GObjectPtr.h"

namespace fw::gtk {

// A decoded picture, kept as the pixbuf GTK draws.
class GtkPicture : public Picture {
 public:
  explicit GtkPicture(GObjectPtr<GdkPixbuf> pixbuf)
      : Picture(gdk_pixbuf_get_width(pixbuf.get()), gdk_pixbuf_get_height(pixbuf.get())),
        pixbuf_(std::move(pixbuf)) {}
  GdkPixbuf* Pixbuf() const { return pixbuf_.get(); }

 private:
  GObjectPtr<GdkPixbuf> pixbuf_;
};

}  // namespace fw::gtk
