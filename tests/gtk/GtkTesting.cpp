#include "GtkTesting.h"

#include "framework/gtk/GtkControlPeer.h"
#include "framework/gtk/GtkWebViewPeer.h"
#include "framework/gtk/GtkWindowPeer.h"

namespace fw::gtk {
namespace {

// Request views of the tracked viewers not finalized yet, counted through
// weak references so that the count also shows a view someone else holds.
std::size_t liveRequestViews = 0;
std::size_t requestViewsMade = 0;

void RequestViewFinalized(gpointer, GObject*) { --liveRequestViews; }

GtkWebViewPeer* WebViewPeerOf(const HTMLViewer& viewer) {
  return dynamic_cast<GtkWebViewPeer*>(viewer.Peer());
}

}  // namespace

bool TrackRequestViews(const HTMLViewer& viewer) {
  if (GtkWebViewPeer* peer = WebViewPeerOf(viewer)) {
    peer->WatchRequestViews([](GtkWidget* view) {
      ++requestViewsMade;
      ++liveRequestViews;
      g_object_weak_ref(G_OBJECT(view), RequestViewFinalized, nullptr);
    });
    return true;
  }
  return false;
}

std::size_t RequestViewsMade() { return requestViewsMade; }

std::size_t LiveRequestViewCount() { return liveRequestViews; }

std::size_t PendingRequestViews(const HTMLViewer& viewer) {
  GtkWebViewPeer* peer = WebViewPeerOf(viewer);
  return peer != nullptr ? peer->PendingRequestViews() : 0;
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
