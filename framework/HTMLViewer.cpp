#include "framework/HTMLViewer.h"

#include "framework/Errors.h"
#include "framework/PluginEntries.h"

namespace fw {

void HTMLViewer::LoadURL(const std::string& url) {
  CallPluginEntry<void(HTMLViewer&, const std::string&)>(PluginEntry::HTMLViewerLoadURL, *this,
                                                         url);
}

void HTMLViewer::GoBackExt() {
  CallPluginEntry<void(HTMLViewer&)>(PluginEntry::GoBackExt, *this);
}

void HTMLViewer::GoForwardExt() {
  CallPluginEntry<void(HTMLViewer&)>(PluginEntry::GoForwardExt, *this);
}

bool HTMLViewer::EditClear_Action(HTMLViewer&) { return false; }
bool HTMLViewer::EditCopy_Action(HTMLViewer&) { return false; }
bool HTMLViewer::EditCut_Action(HTMLViewer&) { return false; }
bool HTMLViewer::EditPaste_Action(HTMLViewer&) { return false; }
bool HTMLViewer::EditSelectAll_Action(HTMLViewer&) { return false; }

const std::vector<PropertySchemaEntry>& HTMLViewer::PropertySchema() const {
  static const std::vector<PropertySchemaEntry> schema = CommonSchema();
  return schema;
}

std::optional<HandlerSignature> HTMLViewer::EventHandlerType(const std::string& event) const {
  if (event == "NewWindow") return SignatureOf<NewWindowHandler>();
  if (event == "CancelLoad") return SignatureOf<CancelLoadHandler>();
  if (event == "DocumentComplete") return SignatureOf<DocumentCompleteHandler>();
  return std::nullopt;
}

std::shared_ptr<HTMLViewer> HTMLViewer::PeerNewWindow() {
  return Raise<NewWindowHandler>("NewWindow");
}

bool HTMLViewer::PeerCancelLoad(const std::string& url) {
  return Raise<CancelLoadHandler>("CancelLoad", url);
}

void HTMLViewer::PeerDocumentComplete(const std::string& url) {
  Raise<DocumentCompleteHandler>("DocumentComplete", url);
}

WebViewPeer* HTMLViewer::WebPeer() const { return dynamic_cast<WebViewPeer*>(Peer()); }

WebViewPeer& HTMLViewer::RequireWebPeer() const {
  WebViewPeer* peer = WebPeer();
  if (peer == nullptr) throw NilObjectException(NotConstructedMessage());
  return *peer;
}

}  // namespace fw
