#include "framework/headless/Headless.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <fstream>
#include <map>

#include "framework/Errors.h"
#include "framework/Picture.h"
#include "framework/Runtime.h"

namespace fw::headless {
namespace {

class HeadlessWindowPeer;
class HeadlessControlPeer;

struct World {
  std::vector<Rect> screens{{0, 0, 1440, 900}};
  std::string executable;
  std::vector<std::string> launches;
  bool browserFails = false;
  int decodes = 0;
  std::deque<std::function<void()>> tasks;
  bool quit = false;
  std::function<void()> quitObserver;
  bool loopRan = false;
  bool settling = false;
  std::vector<std::pair<std::weak_ptr<RectControl>, std::string>> pendingLoads;
  std::vector<PeerCall> peerCalls;
  int32_t maxWindowWidth = 0;
  int32_t maxWindowHeight = 0;
  std::vector<bool> appAtWindowPeers;
};

World& TheWorld() {
  static World world;
  return world;
}

std::string RealExecutable() {
  char buf[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

class HeadlessWindowPeer : public WindowPeer {
 public:
  void SetTitle(const std::string& title) override { title_ = title; }
  void SetSizeLimits(const SizeLimits& limits) override { limits_ = limits; }
  void SetDecorations(const WindowDecorations& d) override { decorations_ = d; }
  void SetBounds(const Rect& bounds) override {
    bounds_ = bounds;
    const World& w = TheWorld();
    if (w.maxWindowWidth > 0) bounds_.width = std::min(bounds_.width, w.maxWindowWidth);
    if (w.maxWindowHeight > 0) bounds_.height = std::min(bounds_.height, w.maxWindowHeight);
  }
  Rect Bounds() const override { return bounds_; }
  void Show() override {
    if (!shown_) boundsWhenShown_ = bounds_;
    shown_ = true;
  }
  void Destroy() override { shown_ = false; }

  std::string title_;
  SizeLimits limits_;
  WindowDecorations decorations_;
  Rect bounds_;
  Rect boundsWhenShown_;
  bool shown_ = false;
};

class HeadlessControlPeer : public WebViewPeer {
 public:
  explicit HeadlessControlPeer(RectControl& control) : control_(control) {}

  void SetBounds(const Rect& bounds) override {
    Note("Bounds " + std::to_string(bounds.left) + " " + std::to_string(bounds.top) + " " +
         std::to_string(bounds.width) + " " + std::to_string(bounds.height));
    bounds_ = bounds;
  }
  void SetVisible(bool visible) override {
    Note(std::string("Visible ") + (visible ? "1" : "0"));
    visible_ = visible;
  }
  void SetEnabled(bool enabled) override { Note(std::string("Enabled ") + (enabled ? "1" : "0")); }
  void SetHelpTag(const std::string& text) override { Note("HelpTag " + text); }
  void Refresh(bool erase) override {
    Note(std::string("Refresh ") + (erase ? "1" : "0"));
    requests_.push_back({ViewRequest::Kind::Refresh, {}, erase});
  }
  void SetCaption(const std::string& caption) override { Note("Caption " + caption); }
  void SetText(const std::string& text) override {
    Note("Text " + text);
    text_ = text;
  }
  std::string Text() const override { return text_; }
  void SetImage(const PicturePtr& picture) override {
    Note("Image " + PictureId(picture));
    image_ = picture;
  }
  void SetTextUnit(uint8_t unit) override { Note("TextUnit " + std::to_string(unit)); }

  void LoadURL(const std::string& url) override {
    Note("Load " + url);
    requests_.push_back({ViewRequest::Kind::Load, url, false});
    Navigate(url);
  }
  void GoBack() override {
    Note("Back");
    requests_.push_back({ViewRequest::Kind::Back, {}, false});
    if (position_ > 0) Step(-1);
  }
  void GoForward() override {
    Note("Forward");
    requests_.push_back({ViewRequest::Kind::Forward, {}, false});
    if (position_ + 1 < static_cast<int>(history_.size())) Step(+1);
  }

  void Note(std::string call) { TheWorld().peerCalls.push_back({&control_, std::move(call)}); }

  // A navigation of this view: refused by CancelLoad, or shown once loaded.
  void Navigate(const std::string& url) {
    auto& view = static_cast<HTMLViewer&>(control_);
    if (view.PeerCancelLoad(url)) return;
    history_.resize(static_cast<std::size_t>(position_ + 1));
    history_.push_back(url);
    position_ = static_cast<int>(history_.size()) - 1;
    TheWorld().pendingLoads.emplace_back(control_.weak_from_this(), url);
  }
  void Step(int delta) {
    const std::string& url = history_[static_cast<std::size_t>(position_ + delta)];
    auto& view = static_cast<HTMLViewer&>(control_);
    if (view.PeerCancelLoad(url)) return;
    position_ += delta;
    TheWorld().pendingLoads.emplace_back(control_.weak_from_this(), url);
  }
  std::string Current() const {
    return position_ < 0 ? std::string() : history_[static_cast<std::size_t>(position_)];
  }

  RectControl& control_;
  Rect bounds_;
  bool visible_ = true;
  std::string text_;
  PicturePtr image_;
  std::vector<ViewRequest> requests_;
  std::vector<std::string> history_;
  int position_ = -1;
};

class HeadlessPicture : public Picture {
 public:
  using Picture::Picture;
};

uint32_t BigEndian32(const unsigned char* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

class HeadlessBackend : public Backend {
 public:
  std::unique_ptr<WindowPeer> MakeWindowPeer(Window&) override {
    TheWorld().appAtWindowPeers.push_back(TheApplication() != nullptr);
    return std::make_unique<HeadlessWindowPeer>();
  }
  std::unique_ptr<ControlPeer> MakeControlPeer(ControlKind, RectControl& control,
                                               WindowPeer&) override {
    return std::make_unique<HeadlessControlPeer>(control);
  }
  void RunLoop() override {
    World& w = TheWorld();
    w.loopRan = true;
    while (!w.quit && !w.tasks.empty()) {
      auto task = std::move(w.tasks.front());
      w.tasks.pop_front();
      DispatchVoid(task);
    }
  }
  void QuitLoop() override {
    World& w = TheWorld();
    w.quit = true;
    // Moved out first: the observer may set a new one or reset the world.
    if (auto observer = std::move(w.quitObserver)) observer();
  }
  void EventDispatched() override {
    // As a toolkit would after the handler that changed a size has returned.
    World& w = TheWorld();
    if (w.settling) return;
    w.settling = true;
    for (const auto& window : OpenWindows()) window->SizeMaybeChanged();
    w.settling = false;
  }
  std::vector<Rect> Screens() override { return TheWorld().screens; }
  bool OpenInDefaultBrowser(const std::string& url, std::string& error) override {
    if (TheWorld().browserFails) {
      error = "no default browser";
      return false;
    }
    TheWorld().launches.push_back(url);
    return true;
  }
  PicturePtr DecodePicture(const std::string& path) override {
    // Enough of a decoder for tests: a PNG signature and its header chunk.
    ++TheWorld().decodes;
    std::ifstream in(path, std::ios::binary);
    unsigned char head[24] = {};
    if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return nullptr;
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (std::memcmp(head, kSignature, 8) != 0 || std::memcmp(head + 12, "IHDR", 4) != 0) {
      return nullptr;
    }
    const auto width = static_cast<int32_t>(BigEndian32(head + 16));
    const auto height = static_cast<int32_t>(BigEndian32(head + 20));
    if (width <= 0 || height <= 0) return nullptr;
    return std::make_shared<HeadlessPicture>(width, height);
  }
  std::string ExecutablePath() override {
    World& w = TheWorld();
    return w.executable.empty() ? RealExecutable() : w.executable;
  }
};

HeadlessWindowPeer& WindowPeerOf(const Window& window) {
  auto* peer = dynamic_cast<HeadlessWindowPeer*>(window.Peer());
  if (peer == nullptr) throw NilObjectException("the window has no headless peer");
  return *peer;
}

HeadlessControlPeer& ControlPeerOf(const RectControl& control) {
  auto* peer = dynamic_cast<HeadlessControlPeer*>(control.Peer());
  if (peer == nullptr) throw NilObjectException("the control has no headless peer");
  return *peer;
}

}  // namespace

void Reset() {
  World& w = TheWorld();
  w = World{};
}

void SetScreens(std::vector<Rect> screens) { TheWorld().screens = std::move(screens); }
void SetExecutablePath(std::string path) { TheWorld().executable = std::move(path); }
const std::vector<std::string>& BrowserLaunches() { return TheWorld().launches; }
void SetBrowserFails(bool fails) { TheWorld().browserFails = fails; }
int DecodeCount() { return TheWorld().decodes; }
void Post(std::function<void()> task) { TheWorld().tasks.push_back(std::move(task)); }
bool LoopRan() { return TheWorld().loopRan; }
void OnQuit(std::function<void()> observer) { TheWorld().quitObserver = std::move(observer); }

void SetWindowManagerMaxSize(int32_t width, int32_t height) {
  TheWorld().maxWindowWidth = width;
  TheWorld().maxWindowHeight = height;
}
const std::vector<bool>& ApplicationRegisteredAtWindowPeers() {
  return TheWorld().appAtWindowPeers;
}

bool IsShown(const Window& window) { return window.Peer() && WindowPeerOf(window).shown_; }
Rect BoundsWhenShown(const Window& window) { return WindowPeerOf(window).boundsWhenShown_; }
std::string PeerTitle(const Window& window) { return WindowPeerOf(window).title_; }

void UserResize(Window& window, int32_t width, int32_t height) {
  auto& peer = WindowPeerOf(window);
  const SizeLimits& l = peer.limits_;
  Rect r = peer.bounds_;
  r.width = std::clamp(width, l.minWidth, l.maxWidth);
  r.height = std::clamp(height, l.minHeight, l.maxHeight);
  peer.bounds_ = r;
  DispatchScope scope;  // settles when it ends
}

void SetSizeFromCode(Window& window, int32_t width, int32_t height) {
  DispatchScope scope;
  window.SetWidth(width);
  window.SetHeight(height);
}

void UserClose(Window& window) {
  DispatchScope scope;
  window.PeerCloseRequested();
}

std::vector<ViewRequest> Requests(const RectControl& control) {
  return ControlPeerOf(control).requests_;
}
void ClearRequests(const RectControl& control) { ControlPeerOf(control).requests_.clear(); }
std::string CurrentPage(const HTMLViewer& view) { return ControlPeerOf(view).Current(); }
const std::vector<PeerCall>& PeerCalls() { return TheWorld().peerCalls; }

std::vector<std::string> PeerCallsOf(const RectControl& control) {
  std::vector<std::string> calls;
  for (const PeerCall& c : TheWorld().peerCalls) {
    if (c.control == &control) calls.push_back(c.call);
  }
  return calls;
}

std::string PictureId(const PicturePtr& picture) {
  return picture ? std::to_string(reinterpret_cast<std::uintptr_t>(picture.get())) : "nil";
}

Rect PeerBounds(const RectControl& control) { return ControlPeerOf(control).bounds_; }
bool PeerVisible(const RectControl& control) { return ControlPeerOf(control).visible_; }
PicturePtr PeerImage(const ImageWell& well) { return ControlPeerOf(well).image_; }

bool MouseDown(ImageWell& well, int32_t x, int32_t y) { return well.PeerMouseDown(x, y); }
void MouseUp(ImageWell& well, int32_t x, int32_t y) { well.PeerMouseUp(x, y); }
void Click(ButtonBase& button) { button.PeerAction(); }
bool MenuCommand(RectControl& control, const std::string& command) {
  return control.HandleMenuCommand(command);
}

std::shared_ptr<HTMLViewer> PageRequestsNewWindow(HTMLViewer& view, const std::string& url) {
  DispatchScope scope;
  auto target = view.PeerNewWindow();
  if (target) ControlPeerOf(*target).Navigate(url);
  return target;
}

void PageNavigates(HTMLViewer& view, const std::string& url) {
  DispatchScope scope;
  ControlPeerOf(view).Navigate(url);
}

void FinishLoads() {
  auto pending = std::move(TheWorld().pendingLoads);
  TheWorld().pendingLoads.clear();
  for (auto& [weak, url] : pending) {
    if (auto control = weak.lock()) static_cast<HTMLViewer&>(*control).PeerDocumentComplete(url);
  }
}

}  // namespace fw::headless

namespace fw {

Backend& TheBackend() {
  static headless::HeadlessBackend backend;
  return backend;
}

}  // namespace fw
