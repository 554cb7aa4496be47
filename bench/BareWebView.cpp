// The benchmark's reference browser: one GTK window holding one WebKitGTK view
// and nothing else, loading the address it is given. What it costs to start
// and to hold a page is the engine's own cost, the floor for any browser made
// of these two libraries. Its pages run sandboxed, as tambourin's do, so that
// the two are compared on the same footing.

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdio>

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: bare_webview ADDRESS\n");
    return 2;
  }
  WebKitWebContext* context = webkit_web_context_new();
  webkit_web_context_set_sandbox_enabled(context, TRUE);

  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "bare");
  gtk_window_set_default_size(GTK_WINDOW(window), 1020, 700);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);

  GtkWidget* view = webkit_web_view_new_with_context(context);
  gtk_container_add(GTK_CONTAINER(window), view);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[1]);
  gtk_widget_show_all(window);
  gtk_main();
  g_object_unref(context);
  return 0;
}
