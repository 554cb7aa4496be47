#include "framework/RectControl.h"

#include "framework/Errors.h"
#include "framework/Window.h"

namespace fw {
namespace {
using T = PropertyType;
}  // namespace

const char* HandlerTypeName(const ActionHandler*) { return "Action()"; }
const char* HandlerTypeName(const MouseDownHandler*) { return "MouseDown(x, y) as Boolean"; }
const char* HandlerTypeName(const MouseUpHandler*) { return "MouseUp(x, y)"; }
const char* HandlerTypeName(const NewWindowHandler*) { return "NewWindow() as HTMLViewer"; }
const char* HandlerTypeName(const CancelLoadHandler*) { return "CancelLoad(url) as Boolean"; }
const char* HandlerTypeName(const DocumentCompleteHandler*) { return "DocumentComplete(url)"; }

RectControl::RectControl(Window& window, ControlKind kind)
    : window_(window), windowRef_(window.weak_from_this()), kind_(kind) {}

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
  if (!peer_) throw NilObjectException(NotConstructedMessage());
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
  return RunHeld<bool>([&] { return it->second(*this); });
}

std::optional<HandlerSignature> RectControl::EventHandlerType(const std::string&) const {
  return std::nullopt;
}

void RectControl::Install(const std::string& event, std::any handler, const char* givenType) {
  const std::optional<HandlerSignature> expected = EventHandlerType(event);
  if (!expected) {
    throw EventException("a " + std::string(SchemaClassName()) + " raises no event \"" + event +
                         "\"");
  }
  if (expected->type != std::type_index(handler.type())) {
    throw EventException("the handler for \"" + event + "\" must be " + expected->name +
                         ", not " + givenType);
  }
  if (handlers_.count(event) == 0) installOrder_.push_back(event);
  handlers_[event] = std::move(handler);
}

std::vector<PropertySchemaEntry> RectControl::CommonSchema() {
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

std::vector<PropertySchemaEntry> RectControl::FontSchema() {
  return {{"TextFont", T::Text, "TextFont"},
          {"Bold", T::Boolean, "Bold"},
          {"Italic", T::Boolean, "Italic"},
          {"Underline", T::Boolean, "Underline"}};
}

std::vector<PropertySchemaEntry> RectControl::Join(std::vector<PropertySchemaEntry> a,
                                                   const std::vector<PropertySchemaEntry>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::string RectControl::NotConstructedMessage() const {
  return "control \"" + Name() + "\" has not been constructed";
}

}  // namespace fw
