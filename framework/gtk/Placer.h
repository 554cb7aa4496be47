#pragma once

// The container that holds a window's controls. Each child sits exactly at
// the rectangle the framework gave it, in window coordinates, whatever its
// own minimum size; the container asks for no size of its own, so no child
// (a web view above all) can stop the window from shrinking.

#include <gtk/gtk.h>

#include "framework/Backend.h"

namespace fw::gtk {

GtkWidget* PlacerNew();
// Adds the child at that rectangle.
void PlacerPut(GtkWidget* placer, GtkWidget* child, const Rect& bounds);
// Moves and sizes a child already added.
void PlacerMove(GtkWidget* placer, GtkWidget* child, const Rect& bounds);

}  // namespace fw::gtk
