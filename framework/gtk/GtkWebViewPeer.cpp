#include "framework/gtk/GtkWebViewPeer.h"

#include <cstdio>

#include "framework/Runtime.h"
#include "framework/gtk/Callbacks.h"
#include "framework/gtk/Downloads.h"
#include "framework/gtk/PageRules.h"
#include "framework/gtk/WebEngine.h"

namespace fw::gtk {
namespace {

// How often the web process may die by itself within a minute before the view
// stops reloading its page.
constexpr std::size_t kCrashReloadsPerMinute = 3;
constexpr gint64 kMinute = 60 * G_USEC_PER_SEC;
// The script world and message through which a page's web process tells of
// the user's presses.
#define INPUT_MESSAGE "tambourinInput"
constexpr char kInputMessage[] = INPUT_MESSAGE;
constexpr char kInputWorld[] = "tambourin";

// How many new-window requests may wait for their address at one time. A
// page can open blank windows one click after another and keep each waiting;
// past this the oldest is let go, so their engine views stay few.
constexpr std::size_t kMaxWaitingRequests = 4;
// How often a page that keeps the program's navigation from starting has its
// web process ended for one navigation; the new page's process is fresh.
constexpr int kMaxTakeoverTerminations = 2;
// How long a page may take to start the program's navigation before its web
// process is ended for it. The engine tells of a web process that does not
// answer after about as long, but not of one looping in a page's
// beforeunload handler.
constexpr guint kTakeoverPatienceMs = 3000;

WebKitURIRequest* NavigationRequest(WebKitPolicyDecision* decision) {
  return webkit_navigation_action_get_request(webkit_navigation_policy_decision_get_navigation_action(
      WEBKIT_NAVIGATION_POLICY_DECISION(decision)));
}

std::string NavigationAddress(WebKitPolicyDecision* decision) {
  const char* uri = webkit_uri_request_get_uri(NavigationRequest(decision));
  return uri != nullptr ? uri : "";
}

bool IsPost(WebKitPolicyDecision* decision) {
  const char* method = webkit_uri_request_get_http_method(NavigationRequest(decision));
  return method != nullptr && g_ascii_strcasecmp(method, "POST") == 0;
}

std::string ActionAddress(WebKitNavigationAction* action) {
  if (action == nullptr) return "";
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  const char* uri = request != nullptr ? webkit_uri_request_get_uri(request) : nullptr;
  return uri != nullptr ? uri : "";
}

bool IsBlankPage(const std::string& uri) { return uri.empty() || uri == "about:blank"; }

// The engine's own command for an Edit command; nil for one it has not.
const char* EngineEditingCommand(const std::string& command) {
  if (command == "EditCut") return WEBKIT_EDITING_COMMAND_CUT;
  if (command == "EditCopy") return WEBKIT_EDITING_COMMAND_COPY;
  if (command == "EditPaste") return WEBKIT_EDITING_COMMAND_PASTE;
  if (command == "EditSelectAll") return WEBKIT_EDITING_COMMAND_SELECT_ALL;
  return nullptr;
}

}  // namespace

// --- The engine view of one new-window request --------------------------------

// A page's request for a new window gets an engine view of its own, made for
// the request and never shown. It is related to the page's view, so it lives
// in that page's web process and costs no process of its own. The first real
// address that view is asked to open is handed to the viewer that took the
// request, which puts it to its own CancelLoad like any other address; then
// the view is released. A blank request (window.open() whose address the page
// sets later) waits for as long as the page that opened it is shown, since
// only that page can still name the address. Every request that ends without
// an address says so on stderr.
class GtkWebViewPeer::RequestView {
 public:
  RequestView(GtkWebViewPeer& owner, WebKitWebView* requester, std::string declared)
      : owner_(owner),
        view_(GObjectPtr<GtkWidget>::Adopt(webkit_web_view_new_with_related_view(requester))),
        declared_(std::move(declared)) {
    GtkWidget* view = view_.get();
    decide_ = Connect<&RequestView::OnDecidePolicy>(view, "decide-policy", this);
    create_ = Connect<&RequestView::OnCreate>(view, "create", this);
    close_ = Connect<&RequestView::OnClose>(view, "close", this);
    terminated_ = Connect<&RequestView::OnWebProcessTerminated>(view, "web-process-terminated", this);
    openerLoad_ = Connect<&RequestView::OnOpenerLoad>(requester, "load-changed", this);
  }
  ~RequestView() {
    if (!Settled()) {
      Lost("the window closed before the page named an address");
    }
    decide_.Disconnect();
    create_.Disconnect();
    close_.Disconnect();
    terminated_.Disconnect();
    openerLoad_.Disconnect();
    gtk_widget_destroy(view_.get());
  }
  RequestView(const RequestView&) = delete;
  RequestView& operator=(const RequestView&) = delete;

  GtkWidget* Widget() const { return view_.get(); }
  // Settled: it has its address or has been let go, and is released soon.
  bool Settled() const { return settled_; }

  // Lets a request go that is still waiting for its address.
  void Drop(const char* why) {
    if (Settled()) return;
    Lost(why);
    Settle();
  }

 private:
  gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                          WebKitPolicyDecisionType type) {
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
      const std::string uri = NavigationAddress(decision);
      // window.open() without an address shows a blank page first and is
      // given its address afterwards; the blank page is no request.
      if (IsBlankPage(uri) && !Settled()) {
        return FALSE;
      }
      webkit_policy_decision_ignore(decision);
      if (Settled()) {
        return TRUE;
      }
      // The browser is given an address only; it would ask for the form's
      // address without the data the user sent, as a different request.
      if (IsPost(decision)) {
        Drop("a form that sends data cannot be handed to the browser");
        return TRUE;
      }
      address_ = uri;
      Settle();
      return TRUE;
    }
    if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
      webkit_policy_decision_ignore(decision);
      return TRUE;
    }
    return FALSE;
  }

  // A page in a request view cannot open windows of its own; what it asks
  // for counts against the click that opened it.
  GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction*) {
    owner_.gate_.Refuse();
    return nullptr;
  }

  void OnClose(WebKitWebView*) { Drop("the page closed the window before it named an address"); }

  void OnWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason) {
    Drop("the page's web process ended before it named an address");
  }

  // The opening page is gone once another page is committed in its view; no
  // one is left who could name the address.
  void OnOpenerLoad(WebKitWebView*, WebKitLoadEvent event) {
    if (event != WEBKIT_LOAD_COMMITTED || Settled()) return;
    if (!IsBlankPage(declared_)) {
      // The request named its address from the start; that one stands.
      address_ = declared_;
      Settle();
      return;
    }
    Drop("the page that opened it was left before it named an address");
  }

  static void Lost(const char* why) {
    std::fprintf(stderr, "tambourin: a new-window request handed no address on: %s\n", why);
  }

  // The engine is still inside the call that settled the request, so the
  // view is let go from the main loop, never from its own signal.
  void Settle() {
    settled_ = true;
    if (!release_.Active()) {
      release_ = RunWhenIdle<&RequestView::release_, &RequestView::OnSettled>(this);
    }
  }

  void OnSettled() {
    GtkWebViewPeer& owner = owner_;
    const std::string address = address_;
    owner.ReleaseRequestView(this);  // deletes the request
    if (!address.empty()) {
      owner.OpenRequestedAddress(address);
    }
  }

  GtkWebViewPeer& owner_;
  GObjectPtr<GtkWidget> view_;
  // What the request named when the page made it; empty for window.open().
  std::string declared_;
  std::string address_;
  bool settled_ = false;
  SignalConnection decide_;
  SignalConnection create_;
  SignalConnection close_;
  SignalConnection terminated_;
  SignalConnection openerLoad_;
  SourceId release_;
};

// --- The viewer's own engine view --------------------------------------------

GtkWebViewPeer::GtkWebViewPeer(HTMLViewer& viewer, GtkWidget* placer, ClickGate& gate)
    : GtkControlPeerBase<WebViewPeer>(viewer, placer,
                                      webkit_web_view_new_with_context(SharedWebContext())),
      viewer_(viewer),
      gate_(gate) {
  GtkWidget* view = Widget();
  decidePolicy_ = Connect<&GtkWebViewPeer::OnDecidePolicy>(view, "decide-policy", this);
  loadChanged_ = Connect<&GtkWebViewPeer::OnLoadChanged>(view, "load-changed", this);
  loadFailed_ = Connect<&GtkWebViewPeer::OnLoadFailed>(view, "load-failed", this);
  create_ = Connect<&GtkWebViewPeer::OnCreate>(view, "create", this);
  terminated_ = Connect<&GtkWebViewPeer::OnWebProcessTerminated>(view, "web-process-terminated", this);
  // A dialog the page asks for while its handler fails is dismissed.
  scriptDialog_ = Connect<&GtkWebViewPeer::OnScriptDialog, TRUE>(view, "script-dialog", this);
  responsive_ = Connect<&GtkWebViewPeer::OnResponsiveChanged>(
      view, "notify::is-web-process-responsive", this);
  loading_ = Connect<&GtkWebViewPeer::OnLoadingChanged>(view, "notify::is-loading", this);
  WatchUserInput();
}

void GtkWebViewPeer::WatchUserInput() {
  // The press is reported by the page's own web process, in a script world
  // of ours that the page cannot see, so that it reaches this process in
  // order with the page's requests that follow it. A press seen in GTK could
  // be counted long before a busy page gets to it. Only the engine's trusted
  // events count; a page cannot make those up.
  WebKitUserContentManager* manager = webkit_web_view_get_user_content_manager(View());
  webkit_user_content_manager_register_script_message_handler_in_world(manager, kInputMessage,
                                                                       kInputWorld);
  static const char kWatch[] =
      "(function () {"
      "  var report = function (e) {"
      "    if (e.isTrusted && !e.repeat) window.webkit.messageHandlers." INPUT_MESSAGE
      ".postMessage(0);"
      "  };"
      "  window.addEventListener('pointerdown', report, true);"
      "  window.addEventListener('keydown', report, true);"
      "})();";
  WebKitUserScript* script = webkit_user_script_new_for_world(
      kWatch, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES, WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START,
      kInputWorld, nullptr, nullptr);
  webkit_user_content_manager_add_script(manager, script);
  webkit_user_script_unref(script);
  userInput_ = Connect<&GtkWebViewPeer::OnUserInput>(
      manager, "script-message-received::" INPUT_MESSAGE, this);
}

GtkWebViewPeer::~GtkWebViewPeer() {
  // The request views first: each may still point back at this viewer.
  requests_.clear();
  if (openDialog_ != nullptr) {
    webkit_script_dialog_unref(openDialog_);
  }
}

void GtkWebViewPeer::LoadURL(const std::string& url) {
  TakeOverFromPage({ProgramNavigation::Kind::Load, url});
}

void GtkWebViewPeer::GoBack() {
  if (webkit_web_view_can_go_back(View())) {
    TakeOverFromPage({ProgramNavigation::Kind::Back, {}});
  }
}

void GtkWebViewPeer::GoForward() {
  if (webkit_web_view_can_go_forward(View())) {
    TakeOverFromPage({ProgramNavigation::Kind::Forward, {}});
  }
}

// --- What the program asks for wins over the page ------------------------------

// A page may sit in a script dialog, show one after another, or run a script
// that never returns; none of that may keep the user on it. The page's open
// dialog is answered, its further dialogs until the new page commits are
// answered at once, and when its web process does not take the navigation
// (it stops answering, or keeps asking for dialogs instead) the process is
// ended and the navigation made again in a new one.
void GtkWebViewPeer::TakeOverFromPage(const ProgramNavigation& navigation) {
  // A view nobody sees shows no page the user could be held on.
  if (!IsSeenByUser(View())) {
    StartNavigation(navigation);
    return;
  }
  // A reload of the old page after a crash must not replace what was asked for.
  reload_.Remove();
  takeover_ = navigation;
  takeoverStarted_ = false;
  takeoverDialogReported_ = false;
  takeoverTerminations_ = 0;
  CloseOpenDialog();
  StartNavigation(navigation);
  // A page inside a loop of refused window requests will not take the
  // navigation before the loop ends; the engine would not call it
  // unresponsive for seconds, and the user should not wait for either.
  if (!webkit_web_view_get_is_web_process_responsive(View()) ||
      gate_.RefusingLately()) {
    EndUnansweringPageSoon();
  }
  takeoverPatience_ = RunAfter<&GtkWebViewPeer::takeoverPatience_,
                               &GtkWebViewPeer::EndUnansweringPageSoon>(kTakeoverPatienceMs, this);
}

void GtkWebViewPeer::StartNavigation(const ProgramNavigation& navigation) {
  switch (navigation.kind) {
    case ProgramNavigation::Kind::Load:
      webkit_web_view_load_uri(View(), navigation.url.c_str());
      break;
    case ProgramNavigation::Kind::Back:
      webkit_web_view_go_back(View());
      break;
    case ProgramNavigation::Kind::Forward:
      webkit_web_view_go_forward(View());
      break;
  }
}

void GtkWebViewPeer::CloseOpenDialog() {
  if (openDialog_ != nullptr) {
    // Answering an already answered dialog does nothing.
    webkit_script_dialog_close(openDialog_);
    webkit_script_dialog_unref(openDialog_);
    openDialog_ = nullptr;
  }
  // The engine takes its drawn dialog down only when the dialog's own
  // buttons answer it.
  RemoveDrawnScriptDialogs(View());
}

// The process is ended from the main loop, never from inside the engine's
// own signal.
void GtkWebViewPeer::EndUnansweringPageSoon() {
  if (takeover_ && !takeoverStarted_ && takeoverTerminations_ < kMaxTakeoverTerminations &&
      !endPage_.Active()) {
    endPage_ = RunWhenIdle<&GtkWebViewPeer::endPage_, &GtkWebViewPeer::EndUnansweringPage>(this);
  }
}

void GtkWebViewPeer::EndUnansweringPage() {
  if (!takeover_ || takeoverStarted_) {
    return;
  }
  const ProgramNavigation navigation = *takeover_;
  ++takeoverTerminations_;
  std::fprintf(stderr,
               "tambourin: the page does not let go; ending its web process to load what was "
               "asked for\n");
  CloseOpenDialog();
  // Raises "web-process-terminated" with BY_API, which is no crash to
  // recover from: the navigation is made again here instead.
  webkit_web_view_terminate_web_process(View());
  takeover_ = navigation;
  takeoverStarted_ = false;
  StartNavigation(navigation);
}

gboolean GtkWebViewPeer::OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog) {
  if (!takeover_) {
    // Shown by the engine; kept so that the program can answer it.
    if (openDialog_ != nullptr) {
      webkit_script_dialog_unref(openDialog_);
    }
    openDialog_ = webkit_script_dialog_ref(dialog);
    return FALSE;
  }
  if (webkit_script_dialog_get_dialog_type(dialog) == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM) {
    // The user asked to leave the page.
    webkit_script_dialog_confirm_set_confirmed(dialog, TRUE);
    return TRUE;
  }
  if (!takeoverDialogReported_) {
    takeoverDialogReported_ = true;
    std::fprintf(stderr, "tambourin: dismissed the dialogs of the page being left\n");
  }
  // A page still asking for dialogs has not taken the navigation.
  EndUnansweringPageSoon();
  // Not confirmed, no text: what a dismissed dialog answers.
  return TRUE;
}

void GtkWebViewPeer::OnResponsiveChanged(GObject* view, GParamSpec*) {
  if (!webkit_web_view_get_is_web_process_responsive(WEBKIT_WEB_VIEW(view))) {
    EndUnansweringPageSoon();
  }
}

// A step back or forward within one document (a page's pushState entries)
// and a navigation refused before it started load no new document: the view
// stops loading with no load started. Nothing is left to take over then; the
// page stays, and its dialogs are its own again. A web process that ended
// leaves the view without an address, and is no such end.
void GtkWebViewPeer::OnLoadingChanged(GObject*, GParamSpec*) {
  const char* uri = webkit_web_view_get_uri(View());
  if (takeover_ && !takeoverStarted_ && !webkit_web_view_is_loading(View()) && uri != nullptr &&
      *uri != '\0') {
    takeover_.reset();
  }
}

gboolean GtkWebViewPeer::OnDecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision,
                                        WebKitPolicyDecisionType type) {
  // A target=_blank link asks for a new window here first; letting it go on
  // brings the "create" signal, where the request takes its road.
  if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
    return FALSE;
  }
  const std::string uri = NavigationAddress(decision);
  // Only a navigation the user's own click (or key) started may become a
  // download; a redirect of it carries the gesture on.
  if (webkit_navigation_action_is_user_gesture(webkit_navigation_policy_decision_get_navigation_action(
          WEBKIT_NAVIGATION_POLICY_DECISION(decision)))) {
    GrantDownloadFromClick(view, uri);
  }
  const bool approved = !approved_.empty() && uri == approved_;
  approved_.clear();
  if (approved) {
    return FALSE;
  }
  // The handler may close the window and this peer with it; nothing of the
  // peer is touched after it.
  if (viewer_.PeerCancelLoad(uri)) {
    webkit_policy_decision_ignore(decision);
    return TRUE;
  }
  return FALSE;
}

void GtkWebViewPeer::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event) {
  if (event == WEBKIT_LOAD_STARTED) {
    loadAbandoned_ = false;
    takeoverStarted_ = true;
  } else if (event == WEBKIT_LOAD_COMMITTED) {
    // The page that was left is gone.
    takeover_.reset();
  } else if (event == WEBKIT_LOAD_FINISHED && !loadAbandoned_) {
    const char* uri = webkit_web_view_get_uri(view);
    viewer_.PeerDocumentComplete(uri != nullptr ? uri : "");
  }
}

gboolean GtkWebViewPeer::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError* error) {
  if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
      g_error_matches(error, WEBKIT_POLICY_ERROR,
                      WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE)) {
    loadAbandoned_ = true;
  } else {
    // The program's navigation ended in an error page: nothing is pending.
    takeover_.reset();
  }
  // The engine shows its own error page for every other failure.
  return FALSE;
}

void GtkWebViewPeer::OnUserInput(WebKitUserContentManager*, JSCValue*) {
  gate_.UserInput();
}

GtkWidget* GtkWebViewPeer::OnCreate(WebKitWebView* view, WebKitNavigationAction* action) {
  // Refused here, the request costs no engine view and reaches no handler:
  // the page's window.open answers null, as under the engine's popup rule.
  if (!gate_.Admit()) {
    // A page still asking for windows has not taken the program's navigation.
    EndUnansweringPageSoon();
    return nullptr;
  }
  std::shared_ptr<HTMLViewer> target = viewer_.PeerNewWindow();
  auto* targetPeer = target ? dynamic_cast<GtkWebViewPeer*>(target->WebPeer()) : nullptr;
  if (targetPeer == nullptr) {
    std::fprintf(stderr, "tambourin: a new-window request handed no address on: "
                         "no view takes new windows\n");
    return nullptr;  // the request is dropped and nothing opens
  }
  return targetPeer->TakeNewWindowRequest(view, ActionAddress(action));
}

GtkWidget* GtkWebViewPeer::TakeNewWindowRequest(WebKitWebView* requester,
                                                const std::string& declared) {
  std::size_t waiting = 0;
  for (const auto& request : requests_) {
    waiting += request->Settled() ? 0 : 1;
  }
  for (const auto& request : requests_) {
    if (waiting < kMaxWaitingRequests) break;
    if (!request->Settled()) {
      request->Drop("too many new-window requests were waiting; the oldest was let go");
      --waiting;
    }
  }
  requests_.push_back(std::make_unique<RequestView>(*this, requester, declared));
  return requests_.back()->Widget();
}

void GtkWebViewPeer::OpenRequestedAddress(const std::string& address) {
  // The handler may close the window and this peer with it.
  std::shared_ptr<RectControl> keep = viewer_.shared_from_this();
  if (viewer_.PeerCancelLoad(address) || keep->Peer() != this) {
    return;
  }
  approved_ = address;
  webkit_web_view_load_uri(View(), address.c_str());
}

void GtkWebViewPeer::ReleaseRequestView(RequestView* request) {
  requests_.remove_if([request](const auto& held) { return held.get() == request; });
}

void GtkWebViewPeer::OnWebProcessTerminated(WebKitWebView*,
                                            WebKitWebProcessTerminationReason reason) {
  if (reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API) {
    return;  // the program ended it on purpose
  }
  RecoverFromCrash();
}

void GtkWebViewPeer::RecoverFromCrash() {
  if (takeover_) {
    // The page was being left anyway: what the program asked for is loaded,
    // not the old page again, and that is no reload to count.
    std::fprintf(stderr, "tambourin: the page's web process ended; loading what was asked for\n");
    takeoverStarted_ = false;
    reload_ = RunWhenIdle<&GtkWebViewPeer::reload_, &GtkWebViewPeer::ResumeTakeover>(this);
    return;
  }
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
  reload_ = RunWhenIdle<&GtkWebViewPeer::reload_, &GtkWebViewPeer::ReloadPage>(this);
}

void GtkWebViewPeer::ResumeTakeover() {
  if (takeover_) {
    StartNavigation(*takeover_);
  }
}

void GtkWebViewPeer::ReloadPage() { webkit_web_view_reload(View()); }

bool GtkWebViewPeer::DoEditCommand(const std::string& command) {
  const char* engineCommand = EngineEditingCommand(command);
  if (engineCommand == nullptr) {
    return false;
  }
  webkit_web_view_execute_editing_command(View(), engineCommand);
  return true;
}

}  // namespace fw::gtk
