// The GTK backend: the toolkit's start, its event loop, the screens, the
// desktop's browser, pictures, and the peers of windows and controls.

#include <gtk/gtk.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "framework/Backend.h"
#include "framework/Controls.h"
#include "framework/DesktopFolders.h"
#include "framework/Window.h"
#include "framework/gtk/Callbacks.h"
#include "framework/gtk/ClickGate.h"
#include "framework/gtk/GtkControlPeer.h"
#include "framework/gtk/GtkPicture.h"
#include "framework/gtk/GtkWebViewPeer.h"
#include "framework/gtk/GtkWindowPeer.h"

namespace fw::gtk {
namespace {

class GtkBackend : public Backend {
 public:
  GtkBackend() {
    // Before anything asks GLib for the desktop's folders: it reads them once,
    // and the engine's sandbox cannot start below a folder that is unusable.
    std::vector<std::string> privateBases;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) privateBases.emplace_back(runtime);
    privateBases.emplace_back(g_get_tmp_dir());
    privateBases.emplace_back("/tmp");
    SettleDesktopFolders(std::move(privateBases));
    WatchEndSignals();

    // Window positions can only be set and read back through X11; on a
    // Wayland desktop the program runs through XWayland. The program's name
    // is set before any engine view exists, since the engine takes it then.
    gdk_set_allowed_backends("x11");
    g_set_prgname("tambourin");
    if (!gtk_init_check(nullptr, nullptr)) {
      std::fprintf(stderr, "tambourin: cannot open the display\n");
      std::exit(1);
    }
  }

  std::unique_ptr<WindowPeer> MakeWindowPeer(Window& window) override {
    return std::make_unique<GtkWindowPeer>(window);
  }

  std::unique_ptr<ControlPeer> MakeControlPeer(ControlKind kind, RectControl& control,
                                               WindowPeer& window) override {
    GtkWidget* placer = static_cast<GtkWindowPeer&>(window).Placer();
    switch (kind) {
      case ControlKind::TextField:
        return std::make_unique<GtkTextFieldPeer>(static_cast<TextField&>(control), placer);
      case ControlKind::PushButton:
      case ControlKind::BevelButton:
        return std::make_unique<GtkButtonPeer>(static_cast<ButtonBase&>(control), placer);
      case ControlKind::ImageWell:
        return std::make_unique<GtkImageWellPeer>(static_cast<ImageWell&>(control), placer);
      case ControlKind::Separator:
        return std::make_unique<GtkSeparatorPeer>(control, placer);
      case ControlKind::HTMLViewer:
        return std::make_unique<GtkWebViewPeer>(static_cast<HTMLViewer&>(control), placer,
                                                clickGate_);
    }
    return nullptr;
  }

  ~GtkBackend() override { RemovePrivatePlace(); }

  void RunLoop() override {
    // A quit asked for before the loop ran ends it at once.
    if (quitRequested_) {
      quitRequested_ = false;
      return;
    }
    gtk_main();
    // The refusals of a click the page was still making go out now, while
    // there is a loop and an error stream, not after the program has ended.
    clickGate_.Report();
  }

  void QuitLoop() override {
    if (gtk_main_level() > 0) {
      gtk_main_quit();
    } else {
      quitRequested_ = true;
    }
  }

  std::vector<Rect> Screens() override {
    std::vector<Rect> screens;
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr) {
      return screens;
    }
    GdkMonitor* primary = gdk_display_get_primary_monitor(display);
    const int count = gdk_display_get_n_monitors(display);
    if (primary == nullptr && count > 0) {
      primary = gdk_display_get_monitor(display, 0);
    }
    auto add = [&screens](GdkMonitor* monitor) {
      GdkRectangle area;
      gdk_monitor_get_geometry(monitor, &area);
      screens.push_back(Rect{area.x, area.y, area.width, area.height});
    };
    if (primary != nullptr) {
      add(primary);
    }
    for (int i = 0; i < count; ++i) {
      GdkMonitor* monitor = gdk_display_get_monitor(display, i);
      if (monitor != primary) {
        add(monitor);
      }
    }
    return screens;
  }

  bool OpenInDefaultBrowser(const std::string& url, std::string& error) override {
    // GIO hands the address to the handler as one argument; no shell sees it.
    GError* failure = nullptr;
    if (g_app_info_launch_default_for_uri(url.c_str(), nullptr, &failure)) {
      return true;
    }
    error = failure != nullptr ? failure->message : "no default browser";
    g_clear_error(&failure);
    return false;
  }

  std::shared_ptr<Picture> DecodePicture(const std::string& path) override {
    GError* failure = nullptr;
    GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(path.c_str(), &failure);
    g_clear_error(&failure);
    if (pixbuf == nullptr) {
      return nullptr;
    }
    return std::make_shared<GtkPicture>(GObjectPtr<GdkPixbuf>::Adopt(pixbuf));
  }

  std::string ExecutablePath() override {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof path) {
      return {};
    }
    return std::string(path, static_cast<size_t>(length));
  }

 private:
  // A desktop logging out, `kill` and Ctrl+C in a terminal end the program as
  // its close box does, so that the window's place is saved. GLib turns each
  // signal into an event of the loop; nothing runs inside a signal handler.
  // A signal that was ignored when the program started (nohup, a background
  // job) stays ignored.
  void WatchEndSignals() {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
      struct sigaction current {};
      if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) {
        continue;
      }
      // Kept, so that a second signal while the window closes changes nothing.
      endSignals_.push_back(RunOnUnixSignal<&GtkBackend::OnEndSignal>(signal, this));
    }
  }

  void OnEndSignal() {
    if (!endPending_.Active()) {
      CloseWhenSettledSoon();
    }
  }

  void CloseWhenSettledSoon() {
    endPending_ = RunAfter<&GtkBackend::endPending_, &GtkBackend::CloseWhenSettled>(kSettleCheckMs, this);
  }

  // The window is closed from the event loop's own level, once start-up has
  // built it and once no modal dialog runs a loop of its own inside an
  // event: the page's file chooser does, and the engine's code below it
  // must not find its view gone. Such a dialog is cancelled first, and the
  // check made again a moment later.
  void CloseWhenSettled() {
    if (gtk_main_level() == 0 || g_main_depth() > 1) {
      CancelModalDialogs();
      CloseWhenSettledSoon();
      return;
    }
    CloseWindows();
  }

  static void CancelModalDialogs() {
    GList* toplevels = gtk_window_list_toplevels();
    for (GList* item = toplevels; item != nullptr; item = item->next) {
      GtkWindow* window = GTK_WINDOW(item->data);
      if (GTK_IS_DIALOG(window) && gtk_window_get_modal(window) &&
          gtk_widget_get_visible(GTK_WIDGET(window))) {
        gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_CANCEL);
      }
    }
    g_list_free(toplevels);
  }

  void CloseWindows() {
    for (const std::shared_ptr<Window>& window : OpenWindows()) {
      if (window->IsOpen()) {
        window->PeerCloseRequested();
      }
    }
  }

  bool quitRequested_ = false;
  // Shared by every web view for the program's whole run.
  ClickGate clickGate_;
  static constexpr guint kSettleCheckMs = 50;
  std::vector<SourceId> endSignals_;
  SourceId endPending_;  // the source that closes the window after a signal
};

}  // namespace
}  // namespace fw::gtk

fw::Backend& fw::TheBackend() {
  static fw::gtk::GtkBackend backend;
  return backend;
}
