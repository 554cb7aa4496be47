#include "framework/gtk/Placer.h"

#include <algorithm>

#include "framework/gtk/Callbacks.h"

namespace {

struct PlacedChild {
  GtkWidget* widget;
  fw::Rect bounds;
};

struct TambourinPlacer {
  GtkContainer parent;
  GList* children;  // of PlacedChild*, in the order they were added
};

struct TambourinPlacerClass {
  GtkContainerClass parent_class;
};

GType tambourin_placer_get_type();
G_DEFINE_TYPE(TambourinPlacer, tambourin_placer, GTK_TYPE_CONTAINER)

TambourinPlacer* AsPlacer(gpointer widget) {
  return G_TYPE_CHECK_INSTANCE_CAST(widget, tambourin_placer_get_type(), TambourinPlacer);
}

PlacedChild* FindChild(TambourinPlacer* placer, GtkWidget* widget) {
  for (GList* item = placer->children; item != nullptr; item = item->next) {
    auto* child = static_cast<PlacedChild*>(item->data);
    if (child->widget == widget) {
      return child;
    }
  }
  return nullptr;
}

void tambourin_placer_init(TambourinPlacer* placer) {
  gtk_widget_set_has_window(GTK_WIDGET(placer), FALSE);
  placer->children = nullptr;
}

// The placer wants nothing: the window's size is the framework's to set.
void PreferredNothing(GtkWidget*, gint* minimum, gint* natural) {
  *minimum = 1;
  *natural = 1;
}

void SizeAllocate(GtkWidget* widget, GtkAllocation* allocation) {
  gtk_widget_set_allocation(widget, allocation);
  TambourinPlacer* placer = AsPlacer(widget);
  for (GList* item = placer->children; item != nullptr; item = item->next) {
    auto* child = static_cast<PlacedChild*>(item->data);
    if (!gtk_widget_get_visible(child->widget)) {
      continue;
    }
    // GTK expects each child to be asked for its size before it is given one,
    // even though the answer does not change where the child goes.
    GtkRequisition ignored;
    gtk_widget_get_preferred_size(child->widget, &ignored, nullptr);
    GtkAllocation place;
    place.x = allocation->x + child->bounds.left;
    place.y = allocation->y + child->bounds.top;
    place.width = std::max<int>(1, child->bounds.width);
    place.height = std::max<int>(1, child->bounds.height);
    gtk_widget_size_allocate(child->widget, &place);
  }
}

void Add(GtkContainer* container, GtkWidget* widget) {
  fw::gtk::PlacerPut(GTK_WIDGET(container), widget, fw::Rect{});
}

void Remove(GtkContainer* container, GtkWidget* widget) {
  TambourinPlacer* placer = AsPlacer(container);
  PlacedChild* child = FindChild(placer, widget);
  if (child == nullptr) {
    return;
  }
  const bool wasVisible = gtk_widget_get_visible(widget);
  gtk_widget_unparent(widget);
  placer->children = g_list_remove(placer->children, child);
  delete child;
  if (wasVisible && gtk_widget_get_visible(GTK_WIDGET(container))) {
    gtk_widget_queue_resize(GTK_WIDGET(container));
  }
}

void Forall(GtkContainer* container, gboolean, GtkCallback callback, gpointer data) {
  TambourinPlacer* placer = AsPlacer(container);
  // The callback may remove the child it is given (destroying a window does),
  // so step on before calling it.
  GList* item = placer->children;
  while (item != nullptr) {
    auto* child = static_cast<PlacedChild*>(item->data);
    item = item->next;
    callback(child->widget, data);
  }
}

GType ChildType(GtkContainer*) { return GTK_TYPE_WIDGET; }

void tambourin_placer_class_init(TambourinPlacerClass* klass) {
  GtkWidgetClass* widgetClass = GTK_WIDGET_CLASS(klass);
  widgetClass->get_preferred_width = fw::gtk::Guarded<&PreferredNothing>;
  widgetClass->get_preferred_height = fw::gtk::Guarded<&PreferredNothing>;
  widgetClass->size_allocate = fw::gtk::Guarded<&SizeAllocate>;
  GtkContainerClass* containerClass = GTK_CONTAINER_CLASS(klass);
  containerClass->add = fw::gtk::Guarded<&Add>;
  containerClass->remove = fw::gtk::Guarded<&Remove>;
  containerClass->forall = fw::gtk::Guarded<&Forall>;
  containerClass->child_type = fw::gtk::Guarded<&ChildType>;
}

}  // namespace

namespace fw::gtk {

GtkWidget* PlacerNew() {
  return GTK_WIDGET(g_object_new(tambourin_placer_get_type(), nullptr));
}

void PlacerPut(GtkWidget* placerWidget, GtkWidget* widget, const Rect& bounds) {
  TambourinPlacer* placer = AsPlacer(placerWidget);
  auto* child = new PlacedChild{widget, bounds};
  placer->children = g_list_append(placer->children, child);
  gtk_widget_set_parent(widget, placerWidget);
}

void PlacerMove(GtkWidget* placerWidget, GtkWidget* widget, const Rect& bounds) {
  PlacedChild* child = FindChild(AsPlacer(placerWidget), widget);
  if (child == nullptr || child->bounds == bounds) {
    return;
  }
  child->bounds = bounds;
  if (gtk_widget_get_visible(widget)) {
    gtk_widget_queue_resize(placerWidget);
  }
}

}  // namespace fw::gtk
