#include "GtkTestSupport.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macros would clash with its names.
#include <gdk/gdkx.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "framework/Backend.h"
#include "framework/PluginEntries.h"
#include "framework/Runtime.h"
#include "tests/AddressCases.h"

namespace gtktest {
namespace {

std::string& HomeFolder() {
  static std::string home;
  return home;
}

void WriteFile(const std::filesystem::path& path, const std::string& content) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

// Every folder a run may write to lies inside one temporary home, so runs
// cannot see each other's cookies, caches or settings, nor the user's.
// A child run (the restart half of a test) is given its parent's profile.
void MakePrivateHome() {
  std::string home;
  if (const char* given = std::getenv("TAMBOURIN_TEST_HOME")) {
    home = given;
  } else {
    char pattern[] = "/tmp/tambourin-gtk-tests-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
      std::perror("mkdtemp");
      std::exit(2);
    }
    home = pattern;
  }
  HomeFolder() = home;
  const std::filesystem::path base(home);
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_DATA_HOME", (base / "data").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (base / "config").c_str(), 1);
  setenv("XDG_CACHE_HOME", (base / "cache").c_str(), 1);
  setenv("XDG_STATE_HOME", (base / "state").c_str(), 1);
  std::filesystem::create_directories(base / "runtime");
  std::filesystem::permissions(base / "runtime", std::filesystem::perms::owner_all);
  setenv("XDG_RUNTIME_DIR", (base / "runtime").c_str(), 1);
  // The GPU shader cache would outlive the run and its folder.
  setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);

  // The stand-in default browser: it appends each address it is handed to a
  // log. It is the default for every scheme of the shared address table and
  // for the types a leaked local file could have, so that a refused address
  // which got out anyway would show.
  const std::filesystem::path script = base / "record-browser.sh";
  WriteFile(script, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + BrowserLogPath() + "'\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  std::vector<std::string> types = {"text/html", "text/plain"};
  for (const std::string& scheme : tambourin::test::SchemesOfAddressCases()) {
    types.push_back("x-scheme-handler/" + scheme);
  }
  std::string mimeTypes;
  std::string defaults = "[Default Applications]\n";
  for (const std::string& type : types) {
    mimeTypes += type + ";";
    defaults += type + "=tambourin-test-browser.desktop\n";
  }
  WriteFile(base / "data" / "applications" / "tambourin-test-browser.desktop",
            "[Desktop Entry]\nType=Application\nName=Recording browser\nExec=" + script.string() +
                " %u\nMimeType=" + mimeTypes + "\nNoDisplay=true\n");
  WriteFile(base / "config" / "mimeapps.list", defaults);
}

gboolean WakeUp(gpointer) { return G_SOURCE_CONTINUE; }

}  // namespace

const std::string& RunHome() { return HomeFolder(); }

std::string BrowserLogPath() { return HomeFolder() + "/browser.log"; }

bool SpinUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  // A short timer keeps the loop from sleeping past the deadline.
  const guint wake = g_timeout_add(20, WakeUp, nullptr);
  bool reached = done();
  while (!reached && std::chrono::steady_clock::now() < deadline) {
    g_main_context_iteration(nullptr, TRUE);
    reached = done();
  }
  g_source_remove(wake);
  return reached;
}

void SpinFor(std::chrono::milliseconds span) {
  SpinUntil([] { return false; }, span);
}

bool RunProgram(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  gint status = -1;
  GError* error = nullptr;
  if (!g_spawn_sync(nullptr, args.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr,
                    nullptr, nullptr, &status, &error)) {
    ADD_FAILURE() << "cannot run " << argv[0] << ": " << error->message;
    g_error_free(error);
    return false;
  }
  return g_spawn_check_wait_status(status, nullptr) != FALSE;
}

void ScreenPointOf(GtkWidget* widget, int x, int y, int& screenX, int& screenY) {
  GtkWidget* toplevel = gtk_widget_get_toplevel(widget);
  int inWindowX = 0;
  int inWindowY = 0;
  gtk_widget_translate_coordinates(widget, toplevel, x, y, &inWindowX, &inWindowY);
  int originX = 0;
  int originY = 0;
  gdk_window_get_origin(gtk_widget_get_window(toplevel), &originX, &originY);
  screenX = originX + inWindowX;
  screenY = originY + inWindowY;
}

void ClickAt(GtkWidget* widget, int x, int y) {
  int sx = 0;
  int sy = 0;
  ScreenPointOf(widget, x, y, sx, sy);
  EXPECT_TRUE(RunProgram({"xdotool", "mousemove", std::to_string(sx),
                          std::to_string(sy), "click", "1"}));
}

void FocusWidget(GtkWidget* widget) {
  GtkWidget* toplevel = gtk_widget_get_toplevel(widget);
  const auto xid = gdk_x11_window_get_xid(gtk_widget_get_window(toplevel));
  int sx = 0;
  int sy = 0;
  ScreenPointOf(widget, 2, 2, sx, sy);
  EXPECT_TRUE(RunProgram({"xdotool", "mousemove", std::to_string(sx),
                          std::to_string(sy)}));
  EXPECT_TRUE(RunProgram({"xdotool", "windowfocus", std::to_string(xid)}));
  gtk_widget_grab_focus(widget);
  SpinUntil([toplevel] { return gtk_window_has_toplevel_focus(GTK_WINDOW(toplevel)); },
            std::chrono::seconds(5));
}

void PressKey(const std::string& keys) {
  EXPECT_TRUE(RunProgram({"xdotool", "key", "--clearmodifiers", keys}));
}

// --- Server ------------------------------------------------------------------

TestServer::TestServer() : server_(soup_server_new(nullptr, nullptr)) {
  soup_server_add_handler(server_, nullptr, Handle, this, nullptr);
  GError* error = nullptr;
  if (!soup_server_listen_local(server_, 0, SOUP_SERVER_LISTEN_IPV4_ONLY, &error)) {
    ADD_FAILURE() << "the test server cannot listen: " << error->message;
    g_error_free(error);
    return;
  }
  GSList* uris = soup_server_get_uris(server_);
  if (uris != nullptr) {
    port_ = g_uri_get_port(static_cast<GUri*>(uris->data));
  }
  g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
}

TestServer::~TestServer() {
  soup_server_disconnect(server_);
  g_object_unref(server_);
}

void TestServer::Serve(const std::string& path, const std::string& html,
                       const std::string& setCookie) {
  pages_[path] = Page{html, setCookie};
}

std::string TestServer::URL(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::size_t TestServer::CountRequests(const std::string& path) const {
  std::size_t count = 0;
  for (const auto& request : requests_) count += request.path == path ? 1 : 0;
  return count;
}

void TestServer::Handle(SoupServer*, SoupServerMessage* message, const char* path, GHashTable*,
                        gpointer self) {
  auto* server = static_cast<TestServer*>(self);
  const char* cookie =
      soup_message_headers_get_one(soup_server_message_get_request_headers(message), "Cookie");
  server->requests_.push_back(Request{path, cookie != nullptr ? cookie : ""});
  auto it = server->pages_.find(path);
  if (it == server->pages_.end()) {
    // Any other page is a plain one naming its own path, so that navigations
    // in the tests can go anywhere on this server.
    const std::string body =
        std::string("<html><head><title>") + path + "</title></head><body>" + path +
        "</body></html>";
    soup_server_message_set_status(message, 200, nullptr);
    soup_server_message_set_response(message, "text/html", SOUP_MEMORY_COPY, body.data(),
                                     body.size());
    return;
  }
  if (!it->second.setCookie.empty()) {
    soup_message_headers_append(soup_server_message_get_response_headers(message), "Set-Cookie",
                                it->second.setCookie.c_str());
  }
  soup_message_headers_append(soup_server_message_get_response_headers(message), "Cache-Control",
                              "no-store");
  soup_server_message_set_status(message, 200, nullptr);
  soup_server_message_set_response(message, "text/html", SOUP_MEMORY_COPY,
                                   it->second.body.data(), it->second.body.size());
}

// --- Windows and viewers -----------------------------------------------------------

std::shared_ptr<TestWindow> OpenTestWindow(const fw::Rect& bounds) {
  auto window = std::make_shared<TestWindow>();
  window->SetLeft(bounds.left);
  window->SetTop(bounds.top);
  window->SetWidth(bounds.width);
  window->SetHeight(bounds.height);
  window->Constructor();
  return window;
}

void RecordViewer(fw::HTMLViewer& viewer, ViewerLog& log,
                  std::function<bool(const std::string&)> refuse) {
  fw::InstallInstanceEventHandler(
      viewer, "CancelLoad",
      fw::CancelLoadHandler([&log, refuse](fw::RectControl&, const std::string& url) {
        log.cancelLoads.push_back(url);
        return refuse ? refuse(url) : false;
      }));
  fw::InstallInstanceEventHandler(
      viewer, "DocumentComplete",
      fw::DocumentCompleteHandler([&log](fw::RectControl&, const std::string& url) {
        log.documentsComplete.push_back(url);
      }));
}

std::shared_ptr<fw::HTMLViewer> AddViewer(fw::Window& window, const std::string& name,
                                          const fw::Rect& bounds) {
  auto viewer = window.New<fw::HTMLViewer>();
  viewer->SetLeft(bounds.left);
  viewer->SetTop(bounds.top);
  viewer->SetWidth(bounds.width);
  viewer->SetHeight(bounds.height);
  viewer->Constructor();
  window.AddControl(name, viewer);
  return viewer;
}

}  // namespace gtktest

int main(int argc, char** argv) {
  gtktest::MakePrivateHome();
  ::testing::InitGoogleTest(&argc, argv);

  fw::RuntimeInit();
  fw::InitPluginEntrypoints();
  fw::InitializeFrameworkClasses();
  fw::ClassRecord record{"TestWindow", "Window", {}, {}};
  record.events[static_cast<std::size_t>(fw::WindowEvent::Resized)] = [](fw::Window& window) {
    auto& test = static_cast<gtktest::TestWindow&>(window);
    ++test.resizedCount;
    test.resizedBounds.push_back(window.Bounds());
    if (test.closeOnResized) window.Close();
    return false;
  };
  record.events[static_cast<std::size_t>(fw::WindowEvent::CancelClose)] = [](fw::Window& window) {
    return static_cast<gtktest::TestWindow&>(window).refuseClose;
  };
  record.events[static_cast<std::size_t>(fw::WindowEvent::Close)] = [](fw::Window& window) {
    ++static_cast<gtktest::TestWindow&>(window).closeCount;
    return false;
  };
  fw::RegisterClassRecord(std::move(record));
  // The toolkit starts before any test makes a window.
  fw::TheBackend();

  const int result = RUN_ALL_TESTS();
  if (std::getenv("TAMBOURIN_TEST_HOME") == nullptr) {
    std::error_code ignored;
    std::filesystem::remove_all(gtktest::RunHome(), ignored);
  }
  return result;
}
