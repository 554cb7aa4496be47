#pragma once

// Helpers of the real-window tests: a private home for each run, a web server
// of the test's own on 127.0.0.1, a main-loop spinner, real pointer and key
// input through xdotool, and a window class that records its events.

#include <gtk/gtk.h>
#include <libsoup/soup.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Window.h"

namespace gtktest {

// The folder that HOME and every XDG folder of this run live in.
const std::string& RunHome();
// The file the stand-in default browser appends each address it gets to.
std::string BrowserLogPath();

// Runs the GLib main loop until `done` answers true or the time is up; says
// whether `done` came true. The limit only keeps a broken test from hanging.
bool SpinUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(20));
// Runs the main loop for a while, for events that may or may not come.
void SpinFor(std::chrono::milliseconds span);

// Runs a program with these arguments (no shell) and waits for it; says
// whether it exited with 0.
bool RunProgram(const std::vector<std::string>& argv);
// The screen point of a spot inside a widget.
void ScreenPointOf(GtkWidget* widget, int x, int y, int& screenX, int& screenY);
// A real click of the first button at a spot inside a widget.
void ClickAt(GtkWidget* widget, int x, int y);
// Gives the widget's toplevel the X input focus and the widget the toolkit's.
void FocusWidget(GtkWidget* widget);
// A real key press, named as xdotool names keys ("ctrl+c", "Delete").
void PressKey(const std::string& keys);

// An HTTP server on 127.0.0.1 with a port of its own, serving fixed pages and
// recording every request's path and Cookie header.
class TestServer {
 public:
  struct Request {
    std::string path;
    std::string cookie;
  };
  struct Page {
    std::string body;
    std::string setCookie;  // a Set-Cookie header to send, if not empty
  };

  TestServer();
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  void Serve(const std::string& path, const std::string& html, const std::string& setCookie = {});
  // "http://127.0.0.1:<port>" followed by the path.
  std::string URL(const std::string& path) const;
  std::vector<Request> Requests() const { return requests_; }
  std::size_t CountRequests(const std::string& path) const;

 private:
  static void Handle(SoupServer* server, SoupServerMessage* message, const char* path,
                     GHashTable* query, gpointer self);
  SoupServer* server_;
  int port_ = 0;
  std::map<std::string, Page> pages_;
  std::vector<Request> requests_;
};

// A window class whose Resized, CancelClose and Close events are bound, so that tests see it raised.
class TestWindow : public fw::Window {
 public:
  TestWindow() : fw::Window("TestWindow") {}
  int resizedCount = 0;
  std::vector<fw::Rect> resizedBounds;
  // CancelClose answers this; Close counts.
  bool refuseClose = false;
  int closeCount = 0;
  // Resized closes the window.
  bool closeOnResized = false;
};

// A window of class TestWindow at these bounds, constructed and shown.
std::shared_ptr<TestWindow> OpenTestWindow(const fw::Rect& bounds);

// What one HTML viewer reported.
struct ViewerLog {
  std::vector<std::string> cancelLoads;
  std::vector<std::string> documentsComplete;
  int newWindowRequests = 0;
};

// Installs CancelLoad and DocumentComplete handlers that record into `log`;
// CancelLoad answers `refuse(url)`.
void RecordViewer(fw::HTMLViewer& viewer, ViewerLog& log,
                  std::function<bool(const std::string&)> refuse = nullptr);

// Makes, constructs and registers an HTML viewer in the window.
std::shared_ptr<fw::HTMLViewer> AddViewer(fw::Window& window, const std::string& name,
                                          const fw::Rect& bounds);

}  // namespace gtktest
