#include "GtkTesting.h"

#include <set>

#include "framework/gtk/Callbacks.h"
#include "framework/gtk/GtkControlPeer.h"
#include "framework/gtk/GtkWebViewPeer.h"
#include "framework/gtk/GtkWindowPeer.h"

namespace fw::gtk {

// What the tests read of a web view's peer.
struct GtkWebViewPeerProbe {
  static std::size_t HeldRequestViews(const GtkWebViewPeer& peer) { return peer.requests_.size(); }
};

namespace {

// The engine views of new-window requests are seen as they are made, from
// the test's side: the engine makes a request's view with the user content
// manager of the view whose page asked, so a web view built with the manager
// of a tracked viewer's view is one of its request views. Weak references
// count the views until each is finalized, even one someone else still holds.
std::set<WebKitUserContentManager*> trackedManagers;
std::size_t liveRequestViews = 0;
std::size_t requestViewsMade = 0;
void (*engineViewConstructed)(GObject*) = nullptr;

void RequestViewFinalized(gpointer, GObject*) { --liveRequestViews; }

// A manager that is gone leaves the set, so that a new one made at its
// address is not taken for it.
void ManagerFinalized(gpointer, GObject* manager) {
  trackedManagers.erase(reinterpret_cast<WebKitUserContentManager*>(manager));
}

void WebViewConstructed(GObject* object) {
  engineViewConstructed(object);
  WebKitUserContentManager* manager =
      webkit_web_view_get_user_content_manager(WEBKIT_WEB_VIEW(object));
  if (trackedManagers.count(manager) != 0) {
    ++requestViewsMade;
    ++liveRequestViews;
    g_object_weak_ref(object, Guarded<&RequestViewFinalized>, nullptr);
  }
}

// Has every web view made from now on pass through WebViewConstructed.
void WatchWebViewsMade() {
  if (engineViewConstructed != nullptr) return;
  // Kept for the life of the process, like the engine's own reference.
  auto* viewClass = G_OBJECT_CLASS(g_type_class_ref(WEBKIT_TYPE_WEB_VIEW));
  engineViewConstructed = viewClass->constructed;
  viewClass->constructed = Guarded<&WebViewConstructed>;
}

GtkWebViewPeer* WebViewPeerOf(const HTMLViewer& viewer) {
  return dynamic_cast<GtkWebViewPeer*>(viewer.Peer());
}

}  // namespace

bool TrackRequestViews(const HTMLViewer& viewer) {
  if (GtkWebViewPeer* peer = WebViewPeerOf(viewer)) {
    WatchWebViewsMade();
    WebKitUserContentManager* manager = webkit_web_view_get_user_content_manager(peer->View());
    if (trackedManagers.insert(manager).second) {
      g_object_weak_ref(G_OBJECT(manager), Guarded<&ManagerFinalized>, nullptr);
    }
    return true;
  }
  return false;
}

std::size_t RequestViewsMade() { return requestViewsMade; }

std::size_t LiveRequestViewCount() { return liveRequestViews; }

std::size_t PendingRequestViews(const HTMLViewer& viewer) {
  GtkWebViewPeer* peer = WebViewPeerOf(viewer);
  return peer != nullptr ? GtkWebViewPeerProbe::HeldRequestViews(*peer) : 0;
}

WebKitWebView* EngineViewOf(const HTMLViewer& viewer) {
  GtkWebViewPeer* peer = WebViewPeerOf(viewer);
  return peer != nullptr ? peer->View() : nullptr;
}

GtkWidget* WidgetOf(const RectControl& control) {
  if (auto* peer = dynamic_cast<GtkControlPeer*>(control.Peer())) {
    return peer->Widget();
  }
  if (auto* viewer = dynamic_cast<const HTMLViewer*>(&control)) {
    return GTK_WIDGET(EngineViewOf(*viewer));
  }
  return nullptr;
}

GtkWindow* ToplevelOf(const Window& window) {
  auto* peer = dynamic_cast<GtkWindowPeer*>(window.Peer());
  return peer != nullptr ? peer->Widget() : nullptr;
}

}  // namespace fw::gtk
