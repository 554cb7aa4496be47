#pragma once

// The in-memory backend. Windows and controls keep their values here; a test
// raises what a user or the engine would, and reads what each view was asked.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/Backend.h"
#include "framework/Controls.h"
#include "framework/Window.h"

namespace fw::headless {

// Forgets everything recorded, restores one 1440 x 900 screen, a working
// default browser and the real executable path.
void Reset();

void SetScreens(std::vector<Rect> screens);
void SetExecutablePath(std::string path);
// Every address that reached the default browser, in order.
const std::vector<std::string>& BrowserLaunches();
void SetBrowserFails(bool fails);
// How many image files were decoded since Reset.
int DecodeCount();

// The event loop: RunLoop runs posted tasks until Quit, or until none is left.
void Post(std::function<void()> task);
bool LoopRan();
// Runs once, at the moment the program asks to quit, while the handler that
// asked is still running.
void OnQuit(std::function<void()> observer);

// --- Windows ----------------------------------------------------------------
// The desktop's window manager holds every size the program gives a window
// within at most this size, as a real one may hold a window to its work area,
// so that the size read back differs from the size set. 0 for no limit.
void SetWindowManagerMaxSize(int32_t width, int32_t height);
// For each window peer made since Reset, in order: whether an application
// object was registered by the time the peer was asked for.
const std::vector<bool>& ApplicationRegisteredAtWindowPeers();
bool IsShown(const Window& window);
// Bounds at the moment the window was first shown.
Rect BoundsWhenShown(const Window& window);
std::string PeerTitle(const Window& window);
// The user drags the window to a new size (held within its limits).
void UserResize(Window& window, int32_t width, int32_t height);
// Code outside any event sets the size; the change settles as after an event.
void SetSizeFromCode(Window& window, int32_t width, int32_t height);
void UserClose(Window& window);

// --- Controls -----------------------------------------------------------------
struct ViewRequest {
  enum class Kind { Load, Back, Forward, Refresh };
  Kind kind;
  std::string url;          // Load
  bool eraseBackground{};   // Refresh
  bool operator==(const ViewRequest&) const = default;
};
// What a control was asked, in order (web views: loads and history steps;
// every control: refreshes).
std::vector<ViewRequest> Requests(const RectControl& control);
void ClearRequests(const RectControl& control);
// The address the view shows, "" before anything was shown.
std::string CurrentPage(const HTMLViewer& view);
// Every call that reached a control's peer since Reset, across all controls
// and in the order made: "Bounds l t w h", "Visible 1", "Enabled 1",
// "HelpTag text", "Caption text", "Text text", "TextUnit n", "Image <id>"
// (PictureId of the picture), and the web view's "Load url", "Back",
// "Forward", "Refresh 1". Lets a test see which step came first.
struct PeerCall {
  const RectControl* control;  // only compared, never followed
  std::string call;
  bool operator==(const PeerCall&) const = default;
};
const std::vector<PeerCall>& PeerCalls();
// The calls that reached this control's peer, in order.
std::vector<std::string> PeerCallsOf(const RectControl& control);
// How a picture is named in the log: "nil", or a number that is the same for
// the same picture object.
std::string PictureId(const PicturePtr& picture);

// Rect of the control's peer, as last placed.
Rect PeerBounds(const RectControl& control);
bool PeerVisible(const RectControl& control);
PicturePtr PeerImage(const ImageWell& well);

bool MouseDown(ImageWell& well, int32_t x, int32_t y);
void MouseUp(ImageWell& well, int32_t x, int32_t y);
void Click(ButtonBase& button);
// A menu command reaching the control; false when not handled.
bool MenuCommand(RectControl& control, const std::string& command);

// The engine's side of a page asking for a new window: the view's NewWindow
// is raised; an answered view is asked to load the address, through its own
// CancelLoad first. Returns the target, nil when the request was dropped.
std::shared_ptr<HTMLViewer> PageRequestsNewWindow(HTMLViewer& view, const std::string& url);
// A link followed inside the page (CancelLoad first).
void PageNavigates(HTMLViewer& view, const std::string& url);
// Finishes every load under way: DocumentComplete for each, in order.
void FinishLoads();

}  // namespace fw::headless
