#include "framework/gtk/PageRules.h"

#include <webkit2/webkit2.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/Values.h"
#include "framework/gtk/Callbacks.h"

namespace fw::gtk {
namespace {

constexpr const char* kPrintReportedKey = "tambourin-print-refused-page";
constexpr const char* kDialogReportedKey = "tambourin-dialog-dismissed-page";
constexpr const char* kDrawnDialogsKey = "tambourin-drawn-dialogs";

// The widgets the engine drew over a view for its page's script dialogs,
// each forgotten as it goes away. The engine takes one down only when the
// dialog's own buttons answer it.
class DrawnDialogs {
 public:
  DrawnDialogs() = default;
  DrawnDialogs(const DrawnDialogs&) = delete;
  DrawnDialogs& operator=(const DrawnDialogs&) = delete;
  ~DrawnDialogs() {
    for (const auto& slot : slots_) Forget(*slot);
  }

  void Add(GtkWidget* widget) {
    std::erase_if(slots_, [](const auto& slot) { return *slot == nullptr; });
    slots_.push_back(std::make_unique<gpointer>(widget));
    g_object_add_weak_pointer(G_OBJECT(widget), slots_.back().get());
  }

  void DestroyAll() {
    const std::vector<std::unique_ptr<gpointer>> slots = std::move(slots_);
    slots_.clear();
    for (const auto& slot : slots) {
      if (GtkWidget* widget = static_cast<GtkWidget*>(*slot)) {
        Forget(*slot);
        gtk_widget_destroy(widget);
      }
    }
  }

 private:
  static void Forget(gpointer& slot) {
    if (slot != nullptr) g_object_remove_weak_pointer(G_OBJECT(slot), &slot);
    slot = nullptr;
  }

  // Each slot keeps its address, which GLib clears when its widget goes.
  std::vector<std::unique_ptr<gpointer>> slots_;
};

void CollectChild(GtkWidget* child, gpointer children) {
  static_cast<std::vector<GtkWidget*>*>(children)->push_back(child);
}

std::vector<GtkWidget*> ChildrenOf(WebKitWebView* view) {
  std::vector<GtkWidget*> children;
  gtk_container_forall(GTK_CONTAINER(view), Guarded<&CollectChild>, &children);
  return children;
}

// Shows the dialog as the engine does, and remembers what the engine added
// to the view for it.
gboolean ShowScriptDialog(WebKitWebView* view, WebKitScriptDialog* dialog) {
  const std::vector<GtkWidget*> before = ChildrenOf(view);
  gboolean handled = FALSE;
  g_signal_chain_from_overridden_handler(view, dialog, &handled);
  for (GtkWidget* child : ChildrenOf(view)) {
    if (std::find(before.begin(), before.end(), child) != before.end()) continue;
    auto* drawn = static_cast<DrawnDialogs*>(g_object_get_data(G_OBJECT(view), kDrawnDialogsKey));
    if (drawn == nullptr) {
      drawn = new DrawnDialogs;
      SetOwnedData(view, kDrawnDialogsKey, drawn);
    }
    drawn->Add(child);
  }
  return handled;
}

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
  return ShowScriptDialog(view, dialog);
}

}  // namespace

void RemoveDrawnScriptDialogs(WebKitWebView* view) {
  if (auto* drawn = static_cast<DrawnDialogs*>(g_object_get_data(G_OBJECT(view), kDrawnDialogsKey))) {
    drawn->DestroyAll();
  }
}

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
