#include "framework/Window.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "framework/Controls.h"
#include "framework/Errors.h"
#include "framework/Values.h"

namespace fw {
namespace {

std::vector<std::shared_ptr<Window>>& WindowList() {
  static std::vector<std::shared_ptr<Window>> windows;
  return windows;
}

bool Intersects(const Rect& a, const Rect& b) {
  const int64_t ax2 = int64_t{a.left} + a.width, ay2 = int64_t{a.top} + a.height;
  const int64_t bx2 = int64_t{b.left} + b.width, by2 = int64_t{b.top} + b.height;
  return a.left < bx2 && b.left < ax2 && a.top < by2 && b.top < ay2;
}

int32_t ToInt32(int64_t value) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                          std::numeric_limits<int32_t>::max()));
}

const ClassRecord& RequireClass(const std::string& name) {
  const ClassRecord* record = FindClassRecord(name);
  if (record == nullptr) throw RuntimeException("class \"" + name + "\" is not registered");
  return *record;
}

}  // namespace

Window::Window(const std::string& className) : class_(&RequireClass(className)) {}

Window::~Window() { TearDownPeers(); }

void Window::TearDownPeers() {
  // Controls' peers live inside the window's; they go first.
  for (const auto& entry : controls_) entry.second->ReleasePeer();
  if (peer_) peer_->Destroy();
  peer_.reset();
}

void Window::Constructor() {
  if (state_ != State::New) throw RuntimeException("a window is constructed only once");
  // Any handler raised from here may close the window and take it off the
  // list; it lives until construction is over all the same.
  const std::shared_ptr<Window> self = shared_from_this();
  state_ = State::Building;
  peer_ = TheBackend().MakeWindowPeer(*this);
  peer_->SetBounds(bounds_);
  WindowList().push_back(self);
  try {
    RaiseEvent(WindowEvent::Layout);
    if (state_ == State::Building) RaiseEvent(WindowEvent::CreateControls);
  } catch (...) {
    if (state_ == State::Building) {
      Unregister();
      state_ = State::Closed;
      TearDownPeers();
    }
    throw;
  }
  if (state_ != State::Building) return;  // a handler closed the window
  contentsChanged_ = false;
  state_ = State::Open;
  DispatchVoid([&] { RaiseEvent(WindowEvent::Open); });
  if (state_ != State::Open) return;  // Open closed the window.
  FitOnDesktop();
  // The controls are laid out for the opening size before the first frame,
  // and the size they settle on is the one the window is placed with.
  notifiedWidth_ = -1;
  SizeMaybeChanged();
  if (state_ != State::Open) return;  // Resized closed the window.
  KeepOnScreen();
  if (Visible()) peer_->Show();
}

int32_t Window::Top() const { return Bounds().top; }
int32_t Window::Left() const { return Bounds().left; }
int32_t Window::Width() const { return Bounds().width; }
int32_t Window::Height() const { return Bounds().height; }

Rect Window::Bounds() const { return peer_ ? peer_->Bounds() : bounds_; }

void Window::SetBounds(const Rect& bounds) {
  bounds_ = bounds;
  if (peer_) peer_->SetBounds(bounds);
}

void Window::SetEdge(int32_t Rect::*edge, int32_t value) {
  Rect r = Bounds();
  r.*edge = value;
  SetBounds(r);
}

void Window::SetTop(int32_t value) { SetEdge(&Rect::top, value); }
void Window::SetLeft(int32_t value) { SetEdge(&Rect::left, value); }
void Window::SetWidth(int32_t value) { SetEdge(&Rect::width, value); }
void Window::SetHeight(int32_t value) { SetEdge(&Rect::height, value); }

std::string Window::Title() const {
  auto it = properties_.find("Title");
  return it == properties_.end() ? std::string() : std::get<std::string>(it->second);
}

void Window::SetTitle(const std::string& title) { ApplyProperty("Title", title); }

bool Window::Visible() const {
  auto it = properties_.find("Visible");
  return it == properties_.end() || std::get<bool>(it->second);
}

const PropertyValue& Window::Property(const std::string& name) const { return properties_.at(name); }

void Window::AddControl(const std::string& name, std::shared_ptr<RectControl> control) {
  if (!control) throw NilObjectException("AddControl was given no control for \"" + name + "\"");
  auto it = std::find_if(controls_.begin(), controls_.end(),
                         [&](const auto& entry) { return entry.first == name; });
  if (it != controls_.end()) {
    it->second = std::move(control);
  } else {
    controls_.emplace_back(name, std::move(control));
  }
}

std::shared_ptr<RectControl> Window::ControlByName(const std::string& name) const {
  for (const auto& [controlName, control] : controls_) {
    if (controlName == name) return control;
  }
  return nullptr;
}

bool Window::IsBound(WindowEvent event) const {
  return static_cast<bool>(class_->events[static_cast<std::size_t>(event)]);
}

bool Window::RaiseEvent(WindowEvent event) {
  const auto& handler = class_->events[static_cast<std::size_t>(event)];
  if (!handler) return false;
  return handler(*this);
}

void Window::Close() {
  // A close under way refuses another, asked for by its own CancelClose or
  // Close handler: each is raised once.
  if (state_ == State::Closing || state_ == State::Closed) return;
  // Keep the window alive while its handlers run, even once it is unlisted.
  const std::shared_ptr<Window> self = shared_from_this();
  const State before = state_;
  state_ = State::Closing;
  const bool refused = Dispatch(false, [&] { return RaiseEvent(WindowEvent::CancelClose); });
  if (refused) {
    state_ = before;
    return;
  }
  DispatchVoid([&] { RaiseEvent(WindowEvent::Close); });
  state_ = State::Closed;
  Unregister();
  TearDownPeers();
}

void Window::PeerCloseRequested() { Close(); }

void Window::SizeMaybeChanged() {
  if (state_ != State::Open || resizing_) return;
  // A Resized handler may close the window, and nothing else may hold it:
  // it is held here until the loop below is done with it.
  const std::shared_ptr<Window> self = weak_from_this().lock();
  if (!self) return;
  // Settle in a loop: a Resized handler may change the size again, and that
  // change is laid out too. The bound keeps a handler that never settles
  // from hanging the program.
  resizing_ = true;
  for (int round = 0; round < 8 && state_ == State::Open; ++round) {
    const Rect r = Bounds();
    if (r.width == notifiedWidth_ && r.height == notifiedHeight_) break;
    notifiedWidth_ = r.width;
    notifiedHeight_ = r.height;
    DispatchVoid([&] { RaiseEvent(WindowEvent::Resized); });
  }
  resizing_ = false;
}

Rect DesktopBounds(const std::vector<Rect>& screens) {
  if (screens.empty()) return {};
  int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
  for (const Rect& s : screens) {
    left = std::min<int64_t>(left, s.left);
    top = std::min<int64_t>(top, s.top);
    right = std::max(right, int64_t{s.left} + std::max(0, s.width));
    bottom = std::max(bottom, int64_t{s.top} + std::max(0, s.height));
  }
  return Rect{ToInt32(left), ToInt32(top), ToInt32(right - left), ToInt32(bottom - top)};
}

Rect FitOnDesktop(const Rect& window, const Rect& desktop) {
  // Along an axis where the window is larger than the whole desktop it takes
  // the desktop's size and lies wholly on it; that is the nearest it can
  // come to where it was. A size that fits is left exactly as it is.
  Rect fitted = window;
  if (desktop.width > 0 && window.width > desktop.width) {
    fitted.width = desktop.width;
    fitted.left = desktop.left;
  }
  if (desktop.height > 0 && window.height > desktop.height) {
    fitted.height = desktop.height;
    fitted.top = desktop.top;
  }
  return fitted;
}

Rect KeepOnScreen(const Rect& window, const std::vector<Rect>& screens) {
  // A window restored onto a monitor that is gone would be out of reach:
  // bring it back to the main screen. A window partly on a screen stays put.
  if (screens.empty()) return window;
  for (const Rect& s : screens) {
    if (Intersects(window, s)) return window;
  }
  // Centred in 64 bits: a saved size may be anything a file can hold. A size
  // of nothing or less counts as none.
  const Rect& main = screens.front();
  auto centred = [](int32_t origin, int32_t screenSize, int32_t size) {
    const int64_t room = int64_t{screenSize} - std::max<int64_t>(0, size);
    return ToInt32(int64_t{origin} + std::max<int64_t>(0, room / 2));
  };
  Rect moved = window;
  moved.left = centred(main.left, main.width, window.width);
  moved.top = centred(main.top, main.height, window.height);
  return moved;
}

void Window::FitOnDesktop() {
  const Rect r = Bounds();
  const Rect fitted = fw::FitOnDesktop(r, DesktopBounds(TheBackend().Screens()));
  if (!(fitted == r)) SetBounds(fitted);
}

void Window::KeepOnScreen() {
  const Rect r = Bounds();
  const Rect kept = fw::KeepOnScreen(r, TheBackend().Screens());
  if (!(kept == r)) SetBounds(kept);
}

void Window::Unregister() {
  auto& list = WindowList();
  list.erase(std::remove_if(list.begin(), list.end(),
                            [&](const std::shared_ptr<Window>& w) { return w.get() == this; }),
             list.end());
}

const std::vector<PropertySchemaEntry>& Window::PropertySchema() const {
  using T = PropertyType;
  static const std::vector<PropertySchemaEntry> schema = {
      {"Placement", T::Integer, "Placement"},   {"Width", T::Integer, "Width"},
      {"Height", T::Integer, "Height"},         {"MinWidth", T::Integer, "MinWidth"},
      {"MinHeight", T::Integer, "MinHeight"},   {"MaxWidth", T::Integer, "MaxWidth"},
      {"MaxHeight", T::Integer, "MaxHeight"},   {"Frame", T::Integer, "Frame"},
      {"Composite", T::Boolean, "Composite"},   {"HasBackColor", T::Boolean, "HasBackColor"},
      {"BackColor", T::Color, "BackColor"},     {"Title", T::Text, "Title"},
      {"Visible", T::Boolean, "Visible"},       {"FullScreen", T::Boolean, "FullScreen"},
      {"MenuBarVisible", T::Boolean, "MenuBarVisible"},
      {"CloseButton", T::Boolean, "CloseButton"},
      {"Resizeable", T::Boolean, "Resizeable"}, {"LiveResize", T::Boolean, "LiveResize"},
      {"MaximizeButton", T::Boolean, "MaximizeButton"},
      {"MinimizeButton", T::Boolean, "MinimizeButton"},
      // The list's key ends in a capital D; the window's property does not.
      {"MacProcID", T::Integer, "MacProcId"},
      {"Left", T::Integer, "Left"},             {"Top", T::Integer, "Top"},
  };
  return schema;
}

void Window::ApplyProperty(const std::string& property, const PropertyValue& value) {
  properties_[property] = value;
  auto asInt = [&] { return std::get<int32_t>(value); };
  auto asBool = [&] { return std::get<bool>(value); };
  if (property == "Width") {
    SetWidth(asInt());
  } else if (property == "Height") {
    SetHeight(asInt());
  } else if (property == "Left") {
    SetLeft(asInt());
  } else if (property == "Top") {
    SetTop(asInt());
  } else if (property == "MinWidth" || property == "MinHeight" || property == "MaxWidth" ||
             property == "MaxHeight") {
    if (property == "MinWidth") limits_.minWidth = asInt();
    if (property == "MinHeight") limits_.minHeight = asInt();
    if (property == "MaxWidth") limits_.maxWidth = asInt();
    if (property == "MaxHeight") limits_.maxHeight = asInt();
    if (peer_) peer_->SetSizeLimits(limits_);
  } else if (property == "Title") {
    if (peer_) peer_->SetTitle(std::get<std::string>(value));
  } else if (property == "CloseButton" || property == "MinimizeButton" ||
             property == "MaximizeButton" || property == "Resizeable" ||
             property == "FullScreen") {
    if (property == "CloseButton") decorations_.closeButton = asBool();
    if (property == "MinimizeButton") decorations_.minimizeButton = asBool();
    if (property == "MaximizeButton") decorations_.maximizeButton = asBool();
    if (property == "Resizeable") decorations_.resizeable = asBool();
    if (property == "FullScreen") decorations_.fullScreen = asBool();
    if (peer_) peer_->SetDecorations(decorations_);
  }
}

std::shared_ptr<Window> GetImplicitWindow(const std::string& className) {
  for (const auto& window : WindowList()) {
    if (window->ClassName() == className) return window;
  }
  return nullptr;
}

std::vector<std::shared_ptr<Window>> OpenWindows() { return WindowList(); }

void ReleaseWindowList() {
  // Moved out first: a window's destructor must not find itself half-listed.
  auto windows = std::move(WindowList());
  WindowList().clear();
  windows.clear();
}

std::shared_ptr<RectControl> RuntimeWindowControlByName(const Window& window,
                                                        const std::string& name) {
  return window.ControlByName(name);
}

}  // namespace fw
