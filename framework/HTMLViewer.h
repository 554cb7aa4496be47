#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/RectControl.h"

namespace fw {

// A web view. Its engine raises NewWindow, CancelLoad and DocumentComplete.
class HTMLViewer : public RectControl {
 public:
  explicit HTMLViewer(Window& window) : RectControl(window, ControlKind::HTMLViewer) {}

  // Starts loading the address and returns at once.
  void LoadURL(const std::string& url);
  // One step back or forward in the history; nothing when no step is possible.
  void GoBackExt();
  void GoForwardExt();

  // The view's own Edit-menu handlers: each does nothing and answers false,
  // so the command counts as not handled and the toolkit acts as usual.
  static bool EditClear_Action(HTMLViewer& view);
  static bool EditCopy_Action(HTMLViewer& view);
  static bool EditCut_Action(HTMLViewer& view);
  static bool EditPaste_Action(HTMLViewer& view);
  static bool EditSelectAll_Action(HTMLViewer& view);

  const std::vector<PropertySchemaEntry>& PropertySchema() const override;

  // Reports from the engine. PeerNewWindow answers the view that takes the
  // page that asked for a new window, nil to drop the request. PeerCancelLoad
  // answers true to refuse a navigation.
  std::shared_ptr<HTMLViewer> PeerNewWindow();
  bool PeerCancelLoad(const std::string& url);
  void PeerDocumentComplete(const std::string& url);

  WebViewPeer* WebPeer() const;
  // The peer, or NilObjectException for a view never constructed.
  WebViewPeer& RequireWebPeer() const;

 private:
  std::optional<HandlerSignature> EventHandlerType(const std::string& event) const override;
};

}  // namespace fw
