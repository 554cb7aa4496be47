#pragma once

// The narrow interface between the framework's object model and a toolkit.
// The framework owns every property; a peer only makes the toolkit show it and
// reports what the user did by calling the framework object's Peer* members.
// Exactly one backend is linked into a program: it defines fw::TheBackend().

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fw {

class Window;
class RectControl;
class Picture;

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const Rect&) const = default;
};

struct WindowDecorations {
  bool closeButton = true;
  bool minimizeButton = true;
  bool maximizeButton = true;
  bool resizeable = true;
  bool fullScreen = false;
};

struct SizeLimits {
  int32_t minWidth = 64;
  int32_t minHeight = 64;
  int32_t maxWidth = 32000;
  int32_t maxHeight = 32000;
};

class WindowPeer {
 public:
  virtual ~WindowPeer() = default;
  virtual void SetTitle(const std::string& title) = 0;
  virtual void SetSizeLimits(const SizeLimits& limits) = 0;
  virtual void SetDecorations(const WindowDecorations& decorations) = 0;
  // Moves and sizes the window. Bounds() reads back what was set until the
  // toolkit reports a different settled geometry (Window::PeerGeometryChanged).
  virtual void SetBounds(const Rect& bounds) = 0;
  virtual Rect Bounds() const = 0;
  // Shows the window the first time; called once Open has returned.
  virtual void Show() = 0;
  // Takes the window off the screen for good; the peer is destroyed after it.
  virtual void Destroy() = 0;
};

enum class ControlKind { TextField, PushButton, BevelButton, ImageWell, Separator, HTMLViewer };

class ControlPeer {
 public:
  virtual ~ControlPeer() = default;
  // Window coordinates, absolute placement.
  virtual void SetBounds(const Rect& bounds) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual void SetHelpTag(const std::string& text) = 0;
  virtual void Refresh(bool eraseBackground) = 0;
  // Kind-specific; a peer ignores what does not apply to its kind.
  virtual void SetCaption(const std::string&) {}
  virtual void SetText(const std::string&) {}
  virtual std::string Text() const { return {}; }
  virtual void SetImage(const std::shared_ptr<Picture>&) {}
  // The unit in which the control's font size is given (0 is the toolkit's
  // default).
  virtual void SetTextUnit(uint8_t) {}
  // Carries out an Edit command ("EditCopy", ...) that the control's own
  // handlers left alone. False when the peer has nothing of its own for it,
  // and the toolkit then does what the key does.
  virtual bool DoEditCommand(const std::string&) { return false; }
};

// The engine behind an HTMLViewer. Navigation requests are reported back to
// the framework through HTMLViewer::PeerCancelLoad, PeerDocumentComplete and
// PeerNewWindow; a view answered by PeerNewWindow becomes the target of the
// page's request, and every address it is then asked to load goes through its
// own PeerCancelLoad first.
class WebViewPeer : public ControlPeer {
 public:
  virtual void LoadURL(const std::string& url) = 0;
  virtual void GoBack() = 0;
  virtual void GoForward() = 0;
};

class Backend {
 public:
  virtual ~Backend() = default;

  virtual std::unique_ptr<WindowPeer> MakeWindowPeer(Window& window) = 0;
  virtual std::unique_ptr<ControlPeer> MakeControlPeer(ControlKind kind, RectControl& control,
                                                       WindowPeer& window) = 0;

  // Runs the event loop on the calling thread until QuitLoop.
  virtual void RunLoop() = 0;
  virtual void QuitLoop() = 0;

  // Called by the framework after each event that it dispatched from the
  // outermost level has returned.
  virtual void EventDispatched() {}

  // The screens, main screen first.
  virtual std::vector<Rect> Screens() = 0;

  // Hands an address that the framework has already judged safe to the
  // desktop's default browser. Returns false and fills `error` on failure.
  virtual bool OpenInDefaultBrowser(const std::string& url, std::string& error) = 0;

  // Decodes an image file; nil when the file is not a picture.
  virtual std::shared_ptr<Picture> DecodePicture(const std::string& path) = 0;

  // The running program's executable file.
  virtual std::string ExecutablePath() = 0;
};

Backend& TheBackend();

}  // namespace fw
