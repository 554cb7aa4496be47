#include "framework/gtk/GtkWebViewPeer.h"

#include <cstdio>

#include "framework/Runtime.h"
#include "framework/gtk/GtkTesting.h"
#include "framework/gtk/WebEngine.h"

namespace fw::gtk {
namespace {

// How often the web process may die by itself within a minute before the view
// stops reloading its page.
constexpr std::size_t kCrashReloadsPerMinute = 3;
constexpr gint64 kMinute = 60 * G_USEC_PER_SEC;
// How long a new-window request may wait for its page to name an address.
constexpr guint kRequestTimeoutSeconds = 5;

// Request views not yet finalized, counted through weak references so that
// the count also shows a view someone else still holds.
std::size_t liveRequestViews = 0;

void RequestViewFinalized(gpointer, GObject*) { --liveRequestViews; }

std::string NavigationAddress(WebKitPolicyDecision* decision) {
  WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
      WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  return uri != nullptr ? uri : "";
}

bool IsBlankPage(const std::string& uri) { return uri.empty() || uri == "about:blank"; }

}  // namespace

// --- The engine view of one new-window request --------------------------------

// A page's request for a new window gets an engine view of its own, made for
// the request and never shown. The first real address that view is asked to
// open is handed to the viewer that took the request, which loads it through
// its own CancelLoad like any other address; then the view is released. A
// view whose page never names an address is released after a while.
class GtkWebViewPeer::RequestView {
 public:
  RequestView(GtkWebViewPeer& owner, WebKitWebView* requester)
      : owner_(owner),
        view_(GObjectPtr<GtkWidget>::Adopt(webkit_web_view_new_with_related_view(requester))) {
    ++liveRequestViews;
    g_object_weak_ref(G_OBJECT(view_.get()), RequestViewFinalized, nullptr);
    decide_ = SignalConnection(view_.get(), g_signal_connect(view_.get(), "decide-policy",
                                                             G_CALLBACK(OnDecidePolicy), this));
    create_ = SignalConnection(view_.get(),
                               g_signal_connect(view_.get(), "create", G_CALLBACK(OnCreate), this));
    close_ = SignalConnection(view_.get(),
                              g_signal_connect(view_.get(), "close", G_CALLBACK(OnClose), this));
    timeout_ = SourceId(g_timeout_add_seconds(kRequestTimeoutSeconds, OnTimeout, this));
  }
  ~RequestView() {
    decide_.Disconnect();
    create_.Disconnect();
    close_.Disconnect();
    gtk_widget_destroy(view_.get());
  }
  RequestView(const RequestView&) = delete;
  RequestView& operator=(const RequestView&) = delete;

  GtkWidget* Widget() const { return view_.get(); }

 private:
  static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer self) {
    try {
      auto* request = static_cast<RequestView*>(self);
      if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
        const std::string uri = NavigationAddress(decision);
        // window.open() without an address shows a blank page first and is
        // given its address afterwards; the blank page is no request.
        if (IsBlankPage(uri) && request->address_.empty()) {
          return FALSE;
        }
        webkit_policy_decision_ignore(decision);
        if (request->address_.empty()) {
          request->address_ = uri;
          request->Settle();
        }
        return TRUE;
      }
      if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
        webkit_policy_decision_ignore(decision);
        return TRUE;
      }
    } catch (...) {
      ReportException(std::current_exception());
    }
    return FALSE;
  }

  // A page in a request view cannot open windows of its own.
  static GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction*, gpointer) {
    return nullptr;
  }

  static void OnClose(WebKitWebView*, gpointer self) {
    try {
      static_cast<RequestView*>(self)->Settle();
    } catch (...) {
      ReportException(std::current_exception());
    }
  }

  static gboolean OnTimeout(gpointer self) {
    auto* request = static_cast<RequestView*>(self);
    request->timeout_.Finished();
    try {
      request->Settle();
    } catch (...) {
      ReportException(std::current_exception());
    }
    return G_SOURCE_REMOVE;
  }

  // The engine is still inside the call that settled the request, so the
  // view is let go from the main loop, never from its own signal.
  void Settle() {
    timeout_.Remove();
    if (!release_.Active()) {
      release_ = SourceId(g_idle_add(OnSettled, this));
    }
  }

  static gboolean OnSettled(gpointer self) {
    auto* request = static_cast<RequestView*>(self);
    request->release_.Finished();
    GtkWebViewPeer& owner = request->owner_;
    const std::string address = request->address_;
    owner.ReleaseRequestView(request);  // deletes the request
    try {
      if (!address.empty()) {
        owner.LoadURL(address);
      }
    } catch (...) {
      ReportException(std::current_exception());
    }
    return G_SOURCE_REMOVE;
  }

  GtkWebViewPeer& owner_;
  GObjectPtr<GtkWidget> view_;
  std::string address_;
  SignalConnection decide_;
  SignalConnection create_;
  SignalConnection close_;
  SourceId timeout_;
  SourceId release_;
};

// --- The viewer's own engine view --------------------------------------------

GtkWebViewPeer::GtkWebViewPeer(HTMLViewer& viewer, GtkWidget* placer)
    : GtkControlPeerBase<WebViewPeer>(viewer, placer,
                                      webkit_web_view_new_with_context(SharedWebContext())),
      viewer_(viewer) {
  GtkWidget* view = Widget();
  decidePolicy_ = SignalConnection(
      view, g_signal_connect(view, "decide-policy", G_CALLBACK(OnDecidePolicy), this));
  loadChanged_ = SignalConnection(
      view, g_signal_connect(view, "load-changed", G_CALLBACK(OnLoadChanged), this));
  loadFailed_ = SignalConnection(
      view, g_signal_connect(view, "load-failed", G_CALLBACK(OnLoadFailed), this));
  create_ = SignalConnection(view, g_signal_connect(view, "create", G_CALLBACK(OnCreate), this));
  terminated_ = SignalConnection(view, g_signal_connect(view, "web-process-terminated",
                                                        G_CALLBACK(OnWebProcessTerminated), this));
}

GtkWebViewPeer::~GtkWebViewPeer() {
  // The request views first: each may still point back at this viewer.
  requests_.clear();
}

void GtkWebViewPeer::LoadURL(const std::string& url) {
  webkit_web_view_load_uri(View(), url.c_str());
}

void GtkWebViewPeer::GoBack() {
  if (webkit_web_view_can_go_back(View())) {
    webkit_web_view_go_back(View());
  }
}

void GtkWebViewPeer::GoForward() {
  if (webkit_web_view_can_go_forward(View())) {
    webkit_web_view_go_forward(View());
  }
}

gboolean GtkWebViewPeer::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                        WebKitPolicyDecisionType type, gpointer self) {
  try {
    // A target=_blank link asks for a new window here first; letting it go on
    // brings the "create" signal, where the request takes its road.
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
      const std::string uri = NavigationAddress(decision);
      // The handler may close the window and this peer with it; nothing of
      // the peer is touched after it.
      if (static_cast<GtkWebViewPeer*>(self)->viewer_.PeerCancelLoad(uri)) {
        webkit_policy_decision_ignore(decision);
        return TRUE;
      }
    }
  } catch (...) {
    ReportException(std::current_exception());
  }
  return FALSE;
}

void GtkWebViewPeer::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self) {
  try {
    auto* peer = static_cast<GtkWebViewPeer*>(self);
    if (event == WEBKIT_LOAD_STARTED) {
      peer->loadAbandoned_ = false;
    } else if (event == WEBKIT_LOAD_FINISHED && !peer->loadAbandoned_) {
      const char* uri = webkit_web_view_get_uri(view);
      peer->viewer_.PeerDocumentComplete(uri != nullptr ? uri : "");
    }
  } catch (...) {
    ReportException(std::current_exception());
  }
}

gboolean GtkWebViewPeer::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError* error,
                                      gpointer self) {
  try {
    if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
        g_error_matches(error, WEBKIT_POLICY_ERROR,
                        WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE)) {
      static_cast<GtkWebViewPeer*>(self)->loadAbandoned_ = true;
    }
  } catch (...) {
    ReportException(std::current_exception());
  }
  // The engine shows its own error page for every other failure.
  return FALSE;
}

GtkWidget* GtkWebViewPeer::OnCreate(WebKitWebView* view, WebKitNavigationAction*, gpointer self) {
  try {
    std::shared_ptr<HTMLViewer> target = static_cast<GtkWebViewPeer*>(self)->viewer_.PeerNewWindow();
    if (!target) {
      return nullptr;  // the request is dropped and nothing opens
    }
    auto* targetPeer = dynamic_cast<GtkWebViewPeer*>(target->WebPeer());
    if (targetPeer == nullptr) {
      return nullptr;
    }
    return targetPeer->TakeNewWindowRequest(view);
  } catch (...) {
    ReportException(std::current_exception());
  }
  return nullptr;
}

GtkWidget* GtkWebViewPeer::TakeNewWindowRequest(WebKitWebView* requester) {
  requests_.push_back(std::make_unique<RequestView>(*this, requester));
  return requests_.back()->Widget();
}

void GtkWebViewPeer::ReleaseRequestView(RequestView* request) {
  requests_.remove_if([request](const auto& held) { return held.get() == request; });
}

void GtkWebViewPeer::OnWebProcessTerminated(WebKitWebView*,
                                            WebKitWebProcessTerminationReason reason,
                                            gpointer self) {
  try {
    if (reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API) {
      return;  // the program ended it on purpose
    }
    static_cast<GtkWebViewPeer*>(self)->RecoverFromCrash();
  } catch (...) {
    ReportException(std::current_exception());
  }
}

void GtkWebViewPeer::RecoverFromCrash() {
  const gint64 now = g_get_monotonic_time();
  while (!crashTimes_.empty() && now - crashTimes_.front() > kMinute) {
    crashTimes_.pop_front();
  }
  if (crashTimes_.size() >= kCrashReloadsPerMinute) {
    std::fprintf(stderr,
                 "tambourin: the page's web process ended again; not reloading it any more\n");
    return;
  }
  crashTimes_.push_back(now);
  std::fprintf(stderr, "tambourin: the page's web process ended; reloading the page\n");
  reload_ = SourceId(g_idle_add(
      [](gpointer self) -> gboolean {
        auto* peer = static_cast<GtkWebViewPeer*>(self);
        peer->reload_.Finished();
        webkit_web_view_reload(peer->View());
        return G_SOURCE_REMOVE;
      },
      this));
}

// --- Test hooks ----------------------------------------------------------------

std::size_t LiveRequestViewCount() { return liveRequestViews; }

std::size_t PendingRequestViews(const HTMLViewer& viewer) {
  auto* peer = dynamic_cast<GtkWebViewPeer*>(viewer.Peer());
  return peer != nullptr ? peer->PendingRequestViews() : 0;
}

WebKitWebView* EngineViewOf(const HTMLViewer& viewer) {
  auto* peer = dynamic_cast<GtkWebViewPeer*>(viewer.Peer());
  return peer != nullptr ? peer->View() : nullptr;
}

}  // namespace fw::gtk
