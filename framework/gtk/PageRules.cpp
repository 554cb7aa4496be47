#include "framework/gtk/PageRules.h"

#include <webkit2/webkit2.h>

#include <cstdio>
#include <string>

#include "framework/gtk/Callbacks.h"

namespace fw::gtk {
namespace {

constexpr const char* kPrintReportedKey = "tambourin-print-refused-page";

std::string PageAddress(WebKitWebView* view) {
  const char* uri = webkit_web_view_get_uri(view);
  return uri != nullptr ? uri : "";
}

// Replaces the engine's own handler, which shows the toolkit's modal print
// window. A page that asks again and again is reported once.
gboolean RefusePrint(WebKitWebView* view, WebKitPrintOperation*) {
  const std::string page = PageAddress(view);
  auto* reported = static_cast<std::string*>(g_object_get_data(G_OBJECT(view), kPrintReportedKey));
  if (reported == nullptr || *reported != page) {
    std::fprintf(stderr, "tambourin: refused a print request of the page %s\n", page.c_str());
    SetOwnedData(view, kPrintReportedKey, new std::string(page));
  }
  return TRUE;
}

gboolean AnswerScriptDialog(WebKitWebView* view, WebKitScriptDialog* dialog) {
  if (!IsSeenByUser(view)) {
    // Not confirmed, no text: what a dismissed dialog answers.
    std::fprintf(stderr, "tambourin: dismissed a dialog of a page nobody can see: %s\n",
                 PageAddress(view).c_str());
    return TRUE;
  }
  gboolean handled = FALSE;
  g_signal_chain_from_overridden_handler(view, dialog, &handled);
  return handled;
}

}  // namespace

bool IsSeenByUser(WebKitWebView* view) {
  GtkWidget* widget = GTK_WIDGET(view);
  return gtk_widget_is_visible(widget) && gtk_widget_is_toplevel(gtk_widget_get_toplevel(widget));
}

void InstallPageRules() {
  // The class must exist before its handlers can be replaced; it is kept for
  // the life of the process, like the engine itself.
  g_type_class_ref(WEBKIT_TYPE_WEB_VIEW);
  // A print request stays refused even when reporting it fails.
  g_signal_override_class_handler("print", WEBKIT_TYPE_WEB_VIEW,
                                  G_CALLBACK((Guarded<&RefusePrint, TRUE>)));
  g_signal_override_class_handler("script-dialog", WEBKIT_TYPE_WEB_VIEW,
                                  G_CALLBACK((Guarded<&AnswerScriptDialog>)));
}

}  // namespace fw::gtk
