#pragma once

#include <webkit2/webkit2.h>

#include <cstddef>
#include <deque>
#include <list>
#include <memory>
#include <optional>
#include <string>

#include "framework/gtk/ClickGate.h"
#include "framework/gtk/GtkControlPeer.h"

namespace fw::gtk {

class GtkWindowPeer;

// An HTMLViewer shown by a WebKitWebView of the shared engine context.
class GtkWebViewPeer : public GtkControlPeerBase<WebViewPeer> {
 public:
  // `gate` is the program's one gate for new-window requests; it outlives
  // every peer.
  GtkWebViewPeer(HTMLViewer& viewer, GtkWidget* placer, ClickGate& gate);
  ~GtkWebViewPeer() override;

  void LoadURL(const std::string& url) override;
  void GoBack() override;
  void GoForward() override;
  bool DoEditCommand(const std::string& command) override;

  WebKitWebView* View() const { return WEBKIT_WEB_VIEW(Widget()); }
 private:
  // The real-window tests read what the peer holds; it is defined in their
  // code alone.
  friend struct GtkWebViewPeerProbe;
  class RequestView;

  gboolean OnDecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision,
                          WebKitPolicyDecisionType type);
  void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event);
  gboolean OnLoadFailed(WebKitWebView* view, WebKitLoadEvent event, gchar* uri, GError* error);
  GtkWidget* OnCreate(WebKitWebView* view, WebKitNavigationAction* action);
  void OnUserInput(WebKitUserContentManager* manager, JSCValue* value);
  void OnWebProcessTerminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason);
  gboolean OnScriptDialog(WebKitWebView* view, WebKitScriptDialog* dialog);
  void OnResponsiveChanged(GObject* view, GParamSpec*);
  void OnLoadingChanged(GObject* view, GParamSpec*);

  // A navigation the program asked for (a toolbar button's): it wins over
  // whatever the shown page is doing.
  struct ProgramNavigation {
    enum class Kind { Load, Back, Forward };
    Kind kind;
    std::string url;  // for Load
  };
  void TakeOverFromPage(const ProgramNavigation& navigation);
  void StartNavigation(const ProgramNavigation& navigation);
  void CloseOpenDialog();
  void EndUnansweringPageSoon();
  void EndUnansweringPage();

  // Makes the engine view that takes a page's new-window request on this
  // viewer's behalf; `requester` is the view whose page asked, `declared`
  // the address the request names from the start (empty for a blank one).
  GtkWidget* TakeNewWindowRequest(WebKitWebView* requester, const std::string& declared);
  void ReleaseRequestView(RequestView* request);
  // Opens the address a request view settled on: CancelLoad first, and only
  // an address it allows reaches this viewer's engine view.
  void OpenRequestedAddress(const std::string& address);
  void RecoverFromCrash();
  // After a crash: the navigation the program asked for, or the page again.
  void ResumeTakeover();
  void ReloadPage();
  // Has the page's web process report each press of a mouse button or key.
  void WatchUserInput();

  HTMLViewer& viewer_;
  std::list<std::unique_ptr<RequestView>> requests_;
  ClickGate& gate_;
  // When the web process ended by itself lately, to bound the reloads.
  std::deque<gint64> crashTimes_;
  // A load the engine gave up on because its navigation was refused or
  // replaced does not count as a completed document.
  bool loadAbandoned_ = false;
  // An address CancelLoad has already allowed, so that its navigation is not
  // put to CancelLoad a second time.
  std::string approved_;
  SourceId reload_;
  // The program's navigation that the page has not let go yet; until the new
  // page commits, the old one shows no dialogs.
  std::optional<ProgramNavigation> takeover_;
  // The web process has started the program's navigation: it answers.
  bool takeoverStarted_ = false;
  bool takeoverDialogReported_ = false;
  // How often the page's web process was ended for the current navigation.
  int takeoverTerminations_ = 0;
  SourceId endPage_;
  // Ends the page when it has not started the program's navigation in time.
  SourceId takeoverPatience_;
  // The page's script dialog shown last; it may be answered already.
  WebKitScriptDialog* openDialog_ = nullptr;
  SignalConnection decidePolicy_;
  SignalConnection loadChanged_;
  SignalConnection loadFailed_;
  SignalConnection create_;
  SignalConnection terminated_;
  SignalConnection scriptDialog_;
  SignalConnection responsive_;
  SignalConnection loading_;
  SignalConnection userInput_;
};

}  // namespace fw::gtk
