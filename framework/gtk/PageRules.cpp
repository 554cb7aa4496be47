#include "framework/gtk/PageRules.h"

#include <webkit2/webkit2.h>

#include <cstdio>
#include <string>

#include "framework/Values.h"
#include "framework/gtk/Callbacks.h"

namespace fw::gtk {
namespace {

constexpr const char* kPrintReportedKey = "tambourin-print-refused-page";
constexpr const char* kDialogReportedKey = "tambourin-dialog-dismissed-page";

std::string PageAddress(WebKitWebView* view) {
  const char* uri = webkit_web_view_get_uri(view);
  return uri != nullptr ? uri : "";
}

// Whether the view's page has not been reported under `key` yet; a page that
// asks again and again is reported once, so that it cannot flood stderr.
bool FirstReportOfPage(WebKitWebView* view, const char* key) {
  const std::string page = PageAddress(view);
  auto* reported = static_cast<std::string*>(g_object_get_data(G_OBJECT(view), key));
  if (reported != nullptr && *reported == page) {
    return false;
  }
  SetOwnedData(view, key, new std::string(page));
  return true;
}

// Replaces the engine's own handler, which shows the toolkit's modal print
// window.
gboolean RefusePrint(WebKitWebView* view, WebKitPrintOperation*) {
  if (FirstReportOfPage(view, kPrintReportedKey)) {
    std::fprintf(stderr, "tambourin: refused a print request of the page %s\n",
                 OnOneLine(PageAddress(view)).c_str());
  }
  return TRUE;
}

gboolean AnswerScriptDialog(WebKitWebView* view, WebKitScriptDialog* dialog) {
  if (!IsSeenByUser(view)) {
    // Not confirmed, no text: what a dismissed dialog answers.
    if (FirstReportOfPage(view, kDialogReportedKey)) {
      std::fprintf(stderr, "tambourin: dismissed the dialogs of a page nobody can see: %s\n",
                   OnOneLine(PageAddress(view)).c_str());
    }
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
