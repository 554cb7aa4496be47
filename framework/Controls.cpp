#include "framework/Controls.h"

#include "framework/Errors.h"
#include "framework/PluginEntries.h"
#include "framework/Runtime.h"
#include "framework/Window.h"

namespace fw {
namespace {

using T = PropertyType;

std::vector<PropertySchemaEntry> CommonSchema() {
  return {
      {"Name", T::Text, "Name"},
      {"Index", T::Integer, "Index"},
      {"Left", T::Integer, "Left"},
      {"Top", T::Integer, "Top"},
      {"Width", T::Integer, "Width"},
      {"Height", T::Integer, "Height"},
      {"LockLeft", T::Boolean, "LockLeft"},
      {"LockTop", T::Boolean, "LockTop"},
      {"LockRight", T::Boolean, "LockRight"},
      {"LockBottom", T::Boolean, "LockBottom"},
      {"TabPanelIndex", T::Integer, "TabPanelIndex"},
      {"InitialParent", T::Text, "InitialParent"},
      {"TabIndex", T::Integer, "TabIndex"},
      {"TabStop", T::Boolean, "TabStop"},
      {"Visible", T::Boolean, "Visible"},
      {"HelpTag", T::Text, "HelpTag"},
      {"AutoDeactivate", T::Boolean, "AutoDeactivate"},
      {"Enabled", T::Boolean, "Enabled"},
  };
}

std::vector<PropertySchemaEntry> FontSchema() {
  return {{"TextFont", T::Text, "TextFont"},
          {"Bold", T::Boolean, "Bold"},
          {"Italic", T::Boolean, "Italic"},
          {"Underline", T::Boolean, "Underline"}};
}

std::vector<PropertySchemaEntry> Join(std::vector<PropertySchemaEntry> a,
                                      const std::vector<PropertySchemaEntry>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::string MissingPeer(const RectControl& control) {
  return "control \"" + control.Name() + "\" has not been constructed";
}

}  // namespace

const char* HandlerTypeName(const ActionHandler*) { return "Action()"; }
const char* HandlerTypeName(const MouseDownHandler*) { return "MouseDown(x, y) as Boolean"; }
const char* HandlerTypeName(const MouseUpHandler*) { return "MouseUp(x, y)"; }
const char* HandlerTypeName(const NewWindowHandler*) { return "NewWindow() as HTMLViewer"; }
const char* HandlerTypeName(const CancelLoadHandler*) { return "CancelLoad(url) as Boolean"; }
const char* HandlerTypeName(const DocumentCompleteHandler*) { return "DocumentComplete(url)"; }

// --- RectControl -------------------------------------------------------------

RectControl::RectControl(Window& window, ControlKind kind)
    : window_(window), windowRef_(window.weak_from_this()), kind_(kind) {}

RectControl::HandlerHold RectControl::HoldForHandler() {
  return HandlerHold{shared_from_this(), windowRef_.lock()};
}

RectControl::~RectControl() = default;

void RectControl::Constructor() {
  if (peer_) throw RuntimeException("a control is constructed only once");
  WindowPeer* windowPeer = window_.Peer();
  if (windowPeer == nullptr) throw NilObjectException("the control's window has no peer");
  peer_ = TheBackend().MakeControlPeer(kind_, *this, *windowPeer);
  peer_->SetBounds(bounds_);
}

std::string RectControl::Name() const {
  auto it = properties_.find("Name");
  return it == properties_.end() ? std::string() : std::get<std::string>(it->second);
}

void RectControl::SetLeft(int32_t value) { ApplyProperty("Left", value); }
void RectControl::SetTop(int32_t value) { ApplyProperty("Top", value); }
void RectControl::SetWidth(int32_t value) { ApplyProperty("Width", value); }
void RectControl::SetHeight(int32_t value) { ApplyProperty("Height", value); }

bool RectControl::Visible() const {
  auto it = properties_.find("Visible");
  return it == properties_.end() || std::get<bool>(it->second);
}

bool RectControl::Enabled() const {
  auto it = properties_.find("Enabled");
  return it == properties_.end() || std::get<bool>(it->second);
}

std::string RectControl::HelpTag() const {
  auto it = properties_.find("HelpTag");
  return it == properties_.end() ? std::string() : std::get<std::string>(it->second);
}

void RectControl::Refresh(bool eraseBackground) {
  if (!peer_) throw NilObjectException(MissingPeer(*this));
  peer_->Refresh(eraseBackground);
}

const PropertyValue& RectControl::Property(const std::string& name) const {
  return properties_.at(name);
}

std::string_view RectControl::SchemaClassName() const {
  switch (kind_) {
    case ControlKind::TextField: return "TextField";
    case ControlKind::PushButton: return "PushButton";
    case ControlKind::BevelButton: return "BevelButton";
    case ControlKind::ImageWell: return "ImageWell";
    case ControlKind::Separator: return "Separator";
    case ControlKind::HTMLViewer: return "HTMLViewer";
  }
  return "RectControl";
}

void RectControl::ApplyProperty(const std::string& property, const PropertyValue& value) {
  properties_[property] = value;
  const bool geometry = property == "Left" || property == "Top" || property == "Width" ||
                        property == "Height";
  if (geometry) {
    const int32_t v = std::get<int32_t>(value);
    if (property == "Left") bounds_.left = v;
    if (property == "Top") bounds_.top = v;
    if (property == "Width") bounds_.width = v;
    if (property == "Height") bounds_.height = v;
    if (peer_) peer_->SetBounds(bounds_);
  } else if (property == "Visible") {
    if (peer_) peer_->SetVisible(std::get<bool>(value));
  } else if (property == "Enabled") {
    if (peer_) peer_->SetEnabled(std::get<bool>(value));
  } else if (property == "HelpTag") {
    if (peer_) peer_->SetHelpTag(std::get<std::string>(value));
  }
  PropertyChanged(property, value);
}

void RectControl::AddMenuHandler(const std::string& command, MenuHandler handler) {
  if (!handler) throw NilObjectException("no handler given for menu command " + command);
  menuHandlers_[command] = std::move(handler);
}

bool RectControl::HasMenuHandler(const std::string& command) const {
  return menuHandlers_.count(command) != 0;
}

bool RectControl::HandleMenuCommand(const std::string& command) {
  auto it = menuHandlers_.find(command);
  if (it == menuHandlers_.end()) return false;
  const HandlerHold hold = HoldForHandler();
  return Dispatch(false, [&] { return it->second(*this); });
}

const char* RectControl::EventHandlerType(const std::string&) const { return nullptr; }

void RectControl::Install(const std::string& event, std::any handler, const char* expectedType,
                          const char* givenType) {
  if (expectedType == nullptr) {
    throw EventException("a " + std::string(SchemaClassName()) + " raises no event \"" + event +
                         "\"");
  }
  if (std::string(expectedType) != givenType) {
    throw EventException("the handler for \"" + event + "\" must be " + expectedType +
                         ", not " + givenType);
  }
  if (handlers_.count(event) == 0) installOrder_.push_back(event);
  handlers_[event] = std::move(handler);
}

// --- TextField ---------------------------------------------------------------

std::string TextField::Text() const { return Peer() ? Peer()->Text() : text_; }

void TextField::SetText(const std::string& text) { ApplyProperty("Text", text); }

void TextField::PropertyChanged(const std::string& property, const PropertyValue& value) {
  if (property == "Text") {
    text_ = std::get<std::string>(value);
    if (Peer()) Peer()->SetText(text_);
  }
}

const std::vector<PropertySchemaEntry>& TextField::PropertySchema() const {
  static const std::vector<PropertySchemaEntry> schema = Join(
      Join(CommonSchema(),
           {
               {"Border", T::Boolean, "Border"},
               {"Password", T::Boolean, "Password"},
               {"UseFocusRing", T::Boolean, "UseFocusRing"},
               {"TextColor", T::Color, "TextColor"},
               {"BackColor", T::Color, "BackColor"},
               {"Format", T::Text, "Format"},
               {"CueText", T::Text, "CueText"},
               {"Text", T::Text, "Text"},
               {"Mask", T::Text, "Mask"},
               {"ReadOnly", T::Boolean, "ReadOnly"},
               {"LimitText", T::Integer, "LimitText"},
               {"AcceptTabs", T::Boolean, "AcceptTabs"},
               {"Alignment", T::Integer, "Alignment"},
               {"DataSource", T::Text, "DataSource"},
               {"DataField", T::Text, "DataField"},
           }),
      FontSchema());
  return schema;
}

// --- Buttons -----------------------------------------------------------------

std::string ButtonBase::Caption() const {
  return HasProperty("Caption") ? std::get<std::string>(Property("Caption")) : std::string();
}

void ButtonBase::PropertyChanged(const std::string& property, const PropertyValue& value) {
  if (property == "Caption" && Peer()) Peer()->SetCaption(std::get<std::string>(value));
}

const char* ButtonBase::EventHandlerType(const std::string& event) const {
  return event == "Action" ? HandlerTypeName(static_cast<const ActionHandler*>(nullptr)) : nullptr;
}

void ButtonBase::PeerAction() {
  const auto* handler = Handler<ActionHandler>("Action");
  if (handler == nullptr) return;
  const HandlerHold hold = HoldForHandler();
  DispatchVoid([&] { (*handler)(*this); });
}

const std::vector<PropertySchemaEntry>& PushButton::PropertySchema() const {
  static const std::vector<PropertySchemaEntry> schema = Join(Join(CommonSchema(),
                                                                   {
                                                                       {"Caption", T::Text, "Caption"},
                                                                       {"Default", T::Boolean, "Default"},
                                                                       {"Cancel", T::Boolean, "Cancel"},
                                                                       {"ButtonStyle", T::Integer, "ButtonStyle"},
                                                                   }),
                                                              FontSchema());
  return schema;
}

const std::vector<PropertySchemaEntry>& BevelButton::PropertySchema() const {
  static const std::vector<PropertySchemaEntry> schema = Join(
      Join(CommonSchema(),
           {
               {"Caption", T::Text, "Caption"},
               {"CaptionAlign", T::Integer, "CaptionAlign"},
               {"CaptionPlacement", T::Integer, "CaptionPlacement"},
               {"CaptionDelta", T::Integer, "CaptionDelta"},
               {"IconAlign", T::Integer, "IconAlign"},
               {"IconDX", T::Integer, "IconDX"},
               {"IconDY", T::Integer, "IconDY"},
               {"Bevel", T::Integer, "Bevel"},
               {"HasMenu", T::Integer, "HasMenu"},
               {"HasBackColor", T::Boolean, "HasBackColor"},
               {"BackColor", T::Color, "BackColor"},
               {"TextColor", T::Color, "TextColor"},
               {"Value", T::Boolean, "Value"},
               {"MenuValue", T::Integer, "MenuValue"},
               {"ButtonType", T::Integer, "ButtonType"},
               {"AcceptFocus", T::Boolean, "AcceptFocus"},
           }),
      FontSchema());
  return schema;
}

const std::vector<PropertySchemaEntry>& Separator::PropertySchema() const {
  static const std::vector<PropertySchemaEntry> schema = CommonSchema();
  return schema;
}

// --- ImageWell ---------------------------------------------------------------

void ImageWell::SetImage(PicturePtr picture) {
  CallPluginEntry<void(ImageWell&, PicturePtr)>(PluginEntry::ImageWellImageSet, *this,
                                                std::move(picture));
}

void ImageWell::ShowImage(PicturePtr picture) {
  image_ = std::move(picture);
  if (Peer()) Peer()->SetImage(image_);
}

const std::vector<PropertySchemaEntry>& ImageWell::PropertySchema() const {
  static const std::vector<PropertySchemaEntry> schema = CommonSchema();
  return schema;
}

const char* ImageWell::EventHandlerType(const std::string& event) const {
  if (event == "MouseDown") return HandlerTypeName(static_cast<const MouseDownHandler*>(nullptr));
  if (event == "MouseUp") return HandlerTypeName(static_cast<const MouseUpHandler*>(nullptr));
  return nullptr;
}

bool ImageWell::PeerMouseDown(int32_t x, int32_t y) {
  pressClaimed_ = false;
  const auto* handler = Handler<MouseDownHandler>("MouseDown");
  if (handler == nullptr) return false;
  const HandlerHold hold = HoldForHandler();
  pressClaimed_ = Dispatch(false, [&] { return (*handler)(*this, x, y); });
  return pressClaimed_;
}

void ImageWell::PeerMouseUp(int32_t x, int32_t y) {
  // Only the release of a press that this well claimed is delivered.
  if (!pressClaimed_) return;
  pressClaimed_ = false;
  const auto* handler = Handler<MouseUpHandler>("MouseUp");
  if (handler == nullptr) return;
  const HandlerHold hold = HoldForHandler();
  DispatchVoid([&] { (*handler)(*this, x, y); });
}

// --- HTMLViewer --------------------------------------------------------------

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

const char* HTMLViewer::EventHandlerType(const std::string& event) const {
  if (event == "NewWindow") return HandlerTypeName(static_cast<const NewWindowHandler*>(nullptr));
  if (event == "CancelLoad") return HandlerTypeName(static_cast<const CancelLoadHandler*>(nullptr));
  if (event == "DocumentComplete") {
    return HandlerTypeName(static_cast<const DocumentCompleteHandler*>(nullptr));
  }
  return nullptr;
}

std::shared_ptr<HTMLViewer> HTMLViewer::PeerNewWindow() {
  const auto* handler = Handler<NewWindowHandler>("NewWindow");
  if (handler == nullptr) return nullptr;
  const HandlerHold hold = HoldForHandler();
  return Dispatch(std::shared_ptr<HTMLViewer>(), [&] { return (*handler)(*this); });
}

bool HTMLViewer::PeerCancelLoad(const std::string& url) {
  const auto* handler = Handler<CancelLoadHandler>("CancelLoad");
  if (handler == nullptr) return false;
  const HandlerHold hold = HoldForHandler();
  return Dispatch(false, [&] { return (*handler)(*this, url); });
}

void HTMLViewer::PeerDocumentComplete(const std::string& url) {
  const auto* handler = Handler<DocumentCompleteHandler>("DocumentComplete");
  if (handler == nullptr) return;
  const HandlerHold hold = HoldForHandler();
  DispatchVoid([&] { (*handler)(*this, url); });
}

WebViewPeer* HTMLViewer::WebPeer() const { return dynamic_cast<WebViewPeer*>(Peer()); }

// --- The components' entry points ---------------------------------------------

void OfferComponentEntries() {
  OfferPluginEntry("_", std::function<void()>([] {}));
  OfferPluginEntry("ImageWell.Image.Set",
                   std::function<void(ImageWell&, PicturePtr)>(
                       [](ImageWell& well, PicturePtr picture) { well.ShowImage(std::move(picture)); }));
  auto web = [](HTMLViewer& view) -> WebViewPeer& {
    WebViewPeer* peer = view.WebPeer();
    if (peer == nullptr) throw NilObjectException(MissingPeer(view));
    return *peer;
  };
  OfferPluginEntry("_HTMLViewerPlugin.LoadURL(url as String)",
                   std::function<void(HTMLViewer&, const std::string&)>(
                       [web](HTMLViewer& view, const std::string& url) { web(view).LoadURL(url); }));
  OfferPluginEntry("HTMLViewer.GoBackExt", std::function<void(HTMLViewer&)>(
                                               [web](HTMLViewer& view) { web(view).GoBack(); }));
  OfferPluginEntry("HTMLViewer.GoForwardExt",
                   std::function<void(HTMLViewer&)>(
                       [web](HTMLViewer& view) { web(view).GoForward(); }));
}

}  // namespace fw

