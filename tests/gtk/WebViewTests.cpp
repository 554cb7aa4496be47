// The HTML viewer on the real engine: loads, history, the three ways a page
// asks for a new window, a flood of such requests, and a web process that
// dies under the page.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "GtkTestSupport.h"
#include "GtkTesting.h"
#include "framework/gtk/Callbacks.h"

namespace {

using gtktest::AddViewer;
using gtktest::OpenTestWindow;
using gtktest::RecordViewer;
using gtktest::SpinUntil;
using gtktest::TestServer;
using gtktest::ViewerLog;

constexpr fw::Rect kWindowBounds{40, 40, 800, 600};
constexpr fw::Rect kMainViewBounds{0, 35, 800, 565};

// A window holding a visible main viewer and, like the program's, a hidden
// second viewer that takes the main page's new-window requests.
struct BrowserWindow {
  std::shared_ptr<gtktest::TestWindow> window;
  std::shared_ptr<fw::HTMLViewer> main;
  std::shared_ptr<fw::HTMLViewer> target;
  ViewerLog mainLog;
  ViewerLog targetLog;

  explicit BrowserWindow(bool targetRefuses = true) {
    window = OpenTestWindow(kWindowBounds);
    main = AddViewer(*window, "Main", kMainViewBounds);
    target = AddViewer(*window, "Target", fw::Rect{0, 35, 800, 565});
    target->ApplyProperty("Visible", false);
    RecordViewer(*main, mainLog);
    RecordViewer(*target, targetLog, [targetRefuses](const std::string&) { return targetRefuses; });
    // Either viewer's peer may be handed a page's new-window request.
    EXPECT_TRUE(fw::gtk::TrackRequestViews(*main));
    EXPECT_TRUE(fw::gtk::TrackRequestViews(*target));
    fw::InstallInstanceEventHandler(*main, "NewWindow",
                                    fw::NewWindowHandler([this](fw::RectControl&) {
                                      ++mainLog.newWindowRequests;
                                      return target;
                                    }));
  }
  ~BrowserWindow() { window->Close(); }

  // Loads the address in the main viewer and waits for its DocumentComplete.
  bool Load(const std::string& url) {
    const std::size_t before = mainLog.documentsComplete.size();
    main->LoadURL(url);
    return SpinUntil([&] { return mainLog.documentsComplete.size() > before; });
  }
  GtkWidget* MainWidget() const { return GTK_WIDGET(fw::gtk::EngineViewOf(*main)); }
  std::string MainURI() const {
    const char* uri = webkit_web_view_get_uri(fw::gtk::EngineViewOf(*main));
    return uri != nullptr ? uri : "";
  }
};

// Waits until no engine view made for a new-window request is left.
bool RequestViewsAllReleased() {
  return SpinUntil([] { return fw::gtk::LiveRequestViewCount() == 0; }, std::chrono::seconds(30));
}

TEST(WebView, LoadRaisesCancelLoadThenDocumentCompleteWithTheAddress) {
  TestServer server;
  server.Serve("/first", "<html><body>first</body></html>");
  BrowserWindow browser;
  const std::string url = server.URL("/first");
  ASSERT_TRUE(browser.Load(url));
  EXPECT_EQ(browser.mainLog.cancelLoads, std::vector<std::string>{url});
  EXPECT_EQ(browser.mainLog.documentsComplete, std::vector<std::string>{url});
  EXPECT_EQ(server.CountRequests("/first"), 1u);
}

TEST(WebView, RefusedLoadNeverReachesTheServerNorCompletes) {
  TestServer server;
  BrowserWindow browser;
  ASSERT_TRUE(browser.Load(server.URL("/allowed")));
  fw::InstallInstanceEventHandler(
      *browser.main, "CancelLoad",
      fw::CancelLoadHandler([&](fw::RectControl&, const std::string& url) {
        browser.mainLog.cancelLoads.push_back(url);
        return url.find("/refused") != std::string::npos;
      }));
  browser.main->LoadURL(server.URL("/refused"));
  // A load started after the refused one shows that the refused one left no
  // DocumentComplete behind it.
  ASSERT_TRUE(browser.Load(server.URL("/after")));
  EXPECT_EQ(server.CountRequests("/refused"), 0u);
  EXPECT_EQ(browser.mainLog.documentsComplete,
            (std::vector<std::string>{server.URL("/allowed"), server.URL("/after")}));
  EXPECT_EQ(browser.MainURI(), server.URL("/after"));
}

void CountChild(GtkWidget*, gpointer count) { ++*static_cast<std::size_t*>(count); }

// The widgets inside the view: the engine's own, and its script dialogs.
std::size_t ChildrenOf(GtkWidget* view) {
  std::size_t count = 0;
  gtk_container_forall(GTK_CONTAINER(view), fw::gtk::Guarded<&CountChild>, &count);
  return count;
}

TEST(WebView, ADialogAnsweredForTheUserLeavesNothingOverTheNextPage) {
  TestServer server;
  server.Serve("/alerting", "<html><body><script>alert('stay')</script></body></html>");
  BrowserWindow browser;
  ASSERT_TRUE(browser.Load(server.URL("/first")));
  // The engine's own parts of the view, which stay.
  const std::size_t own = ChildrenOf(browser.MainWidget());
  browser.main->LoadURL(server.URL("/alerting"));
  // The engine draws the page's alert over the view and waits for the user.
  ASSERT_TRUE(SpinUntil([&] { return ChildrenOf(browser.MainWidget()) > own; }));
  // The program's navigation answers it; what was drawn for it goes too, so
  // the next page gets the user's clicks.
  ASSERT_TRUE(browser.Load(server.URL("/after")));
  EXPECT_EQ(ChildrenOf(browser.MainWidget()), own);
  EXPECT_EQ(browser.MainURI(), server.URL("/after"));
}

TEST(WebView, BackAndForwardStepThroughHistoryAndDoNothingAtItsEnds) {
  TestServer server;
  BrowserWindow browser;
  const std::string a = server.URL("/a");
  const std::string b = server.URL("/b");
  ASSERT_TRUE(browser.Load(a));
  ASSERT_TRUE(browser.Load(b));

  auto step = [&](auto go) {
    const std::size_t before = browser.mainLog.documentsComplete.size();
    go();
    return SpinUntil([&] { return browser.mainLog.documentsComplete.size() > before; });
  };
  ASSERT_TRUE(step([&] { browser.main->GoBackExt(); }));
  EXPECT_EQ(browser.mainLog.documentsComplete.back(), a);
  EXPECT_EQ(browser.MainURI(), a);
  ASSERT_TRUE(step([&] { browser.main->GoForwardExt(); }));
  EXPECT_EQ(browser.mainLog.documentsComplete.back(), b);
  EXPECT_EQ(browser.MainURI(), b);

  // At the end of the history a step forward does nothing: the next document
  // to complete is the one loaded after it.
  browser.main->GoForwardExt();
  const std::string c = server.URL("/c");
  ASSERT_TRUE(browser.Load(c));
  EXPECT_EQ(browser.mainLog.documentsComplete,
            (std::vector<std::string>{a, b, a, b, c}));
}

// The three forms in which a page asks for a new window, each set off by a
// real click anywhere on the page.
struct NewWindowCase {
  const char* name;
  const char* body;  // the page's body; `TARGET` stands for the address asked for
};

const NewWindowCase kNewWindowCases[] = {
    {"LinkWithBlankTarget",
     "<a href='TARGET' target='_blank' style='position:fixed;inset:0;display:block'>go</a>"},
    {"WindowOpenWithAddress",
     "<div style='position:fixed;inset:0' onclick=\"window.open('TARGET')\">go</div>"},
    {"WindowOpenThenLocation",
     "<div style='position:fixed;inset:0' onclick=\"var w = window.open(); "
     "w.location = 'TARGET'\">go</div>"},
};

std::string Replace(std::string text, const std::string& what, const std::string& with) {
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
  return text;
}

class NewWindowForms : public ::testing::TestWithParam<NewWindowCase> {};

TEST_P(NewWindowForms, ReachTheTargetsCancelLoadOnceWhileTheMainPageStays) {
  const NewWindowCase& form = GetParam();
  TestServer server;
  const std::string wanted = server.URL("/wanted?from=" + std::string(form.name));
  server.Serve("/page", "<html><body style='margin:0'>" +
                            Replace(form.body, "TARGET", wanted) + "</body></html>");
  BrowserWindow browser(/*targetRefuses=*/true);
  const std::string page = server.URL("/page");
  ASSERT_TRUE(browser.Load(page));

  gtktest::ClickAt(browser.MainWidget(), 400, 280);
  ASSERT_TRUE(SpinUntil([&] { return !browser.targetLog.cancelLoads.empty(); }))
      << "the request never reached the target";
  ASSERT_TRUE(RequestViewsAllReleased());

  EXPECT_EQ(browser.mainLog.newWindowRequests, 1);
  EXPECT_EQ(browser.targetLog.cancelLoads, std::vector<std::string>{wanted});
  EXPECT_TRUE(browser.targetLog.documentsComplete.empty());
  // The main view kept its page and saw nothing of the request.
  EXPECT_EQ(browser.mainLog.cancelLoads, std::vector<std::string>{page});
  EXPECT_EQ(browser.mainLog.documentsComplete, std::vector<std::string>{page});
  EXPECT_EQ(browser.MainURI(), page);
  EXPECT_EQ(server.CountRequests("/wanted"), 0u);
  EXPECT_EQ(fw::gtk::PendingRequestViews(*browser.target), 0u);
}

INSTANTIATE_TEST_SUITE_P(WebView, NewWindowForms, ::testing::ValuesIn(kNewWindowCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WebView, NewWindowRequestThatTheTargetAllowsLoadsThere) {
  TestServer server;
  const std::string wanted = server.URL("/opened");
  server.Serve("/page", "<html><body style='margin:0'><a href='" + wanted +
                            "' target='_blank' style='position:fixed;inset:0'>go</a></body></html>");
  BrowserWindow browser(/*targetRefuses=*/false);
  ASSERT_TRUE(browser.Load(server.URL("/page")));
  gtktest::ClickAt(browser.MainWidget(), 400, 280);
  ASSERT_TRUE(SpinUntil([&] { return !browser.targetLog.documentsComplete.empty(); }));
  EXPECT_EQ(browser.targetLog.cancelLoads, std::vector<std::string>{wanted});
  EXPECT_EQ(browser.targetLog.documentsComplete, std::vector<std::string>{wanted});
  EXPECT_EQ(server.CountRequests("/opened"), 1u);
  EXPECT_EQ(browser.MainURI(), server.URL("/page"));
}

TEST(WebView, NewWindowRequestAnsweredWithNilOpensNothing) {
  TestServer server;
  server.Serve("/page", "<html><body style='margin:0'><div style='position:fixed;inset:0' "
                        "onclick=\"window.open('/dropped')\">go</div></body></html>");
  BrowserWindow browser;
  int asked = 0;
  fw::InstallInstanceEventHandler(*browser.main, "NewWindow",
                                  fw::NewWindowHandler([&asked](fw::RectControl&) {
                                    ++asked;
                                    return std::shared_ptr<fw::HTMLViewer>();
                                  }));
  ASSERT_TRUE(browser.Load(server.URL("/page")));
  gtktest::ClickAt(browser.MainWidget(), 400, 280);
  ASSERT_TRUE(SpinUntil([&] { return asked == 1; }));
  // A later load completing shows the dropped request went nowhere meanwhile.
  ASSERT_TRUE(browser.Load(server.URL("/later")));
  EXPECT_EQ(server.CountRequests("/dropped"), 0u);
  EXPECT_TRUE(browser.targetLog.cancelLoads.empty());
  EXPECT_EQ(fw::gtk::LiveRequestViewCount(), 0u);
}

TEST(WebView, FloodOfNewWindowRequestsLeavesNoEngineViewBehind) {
  // One click is worth one window, so the flood is many real clicks. Every
  // tenth asks for a window without an address, which never navigates: those
  // wait while their page is shown, no more than a few at a time, and are let
  // go when the page is left.
  constexpr int kClicks = 100;
  TestServer server;
  server.Serve("/flood",
               "<html><body style='margin:0'><div style='position:fixed;inset:0' onclick=\""
               "window.n = (window.n || 0) + 1;"
               "if (window.n % 10 == 0) window.open(); else window.open('/flooded' + window.n);"
               "\">go</div></body></html>");
  BrowserWindow browser;
  const std::size_t madeBefore = fw::gtk::RequestViewsMade();
  ASSERT_TRUE(browser.Load(server.URL("/flood")));
  int sx = 0;
  int sy = 0;
  gtktest::ScreenPointOf(browser.MainWidget(), 400, 280, sx, sy);
  ASSERT_TRUE(gtktest::RunProgram({"xdotool", "mousemove", std::to_string(sx), std::to_string(sy),
                                   "click", "--repeat", std::to_string(kClicks), "--delay", "40",
                                   "1"}));
  ASSERT_TRUE(SpinUntil([&] { return browser.mainLog.newWindowRequests == kClicks; }))
      << browser.mainLog.newWindowRequests << " requests seen";
  ASSERT_TRUE(SpinUntil([&] {
    return browser.targetLog.cancelLoads.size() == static_cast<std::size_t>(kClicks - kClicks / 10);
  }));
  // Every click's request got an engine view of its own, each one counted.
  EXPECT_EQ(fw::gtk::RequestViewsMade() - madeBefore, static_cast<std::size_t>(kClicks));
  gtktest::SpinFor(std::chrono::milliseconds(500));
  EXPECT_EQ(fw::gtk::PendingRequestViews(*browser.target), 4u)
      << "the blank requests beyond the last few are let go";
  ASSERT_TRUE(SpinUntil([] { return fw::gtk::LiveRequestViewCount() <= 4; }));
  ASSERT_TRUE(browser.Load(server.URL("/next")));
  ASSERT_TRUE(RequestViewsAllReleased()) << fw::gtk::LiveRequestViewCount() << " left";

  // Each request with an address reached the target exactly once.
  std::multiset<std::string> seen(browser.targetLog.cancelLoads.begin(),
                                  browser.targetLog.cancelLoads.end());
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kClicks - kClicks / 10));
  for (int n = 1; n <= kClicks; ++n) {
    const std::string url = server.URL("/flooded" + std::to_string(n));
    EXPECT_EQ(seen.count(url), n % 10 == 0 ? 0u : 1u) << url;
  }
  EXPECT_EQ(fw::gtk::PendingRequestViews(*browser.target), 0u);
  EXPECT_EQ(browser.MainURI(), server.URL("/next"));
}

// The engine's web processes started by this test program, found as
// descendants of it.
std::vector<pid_t> WebProcesses() {
  std::map<pid_t, pid_t> parents;
  std::map<pid_t, std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    const auto open = line.find('(');
    const auto close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos) continue;
    std::istringstream rest(line.substr(close + 2));
    char state;
    pid_t parent;
    rest >> state >> parent;
    const pid_t pid = std::stoi(name);
    parents[pid] = parent;
    names[pid] = line.substr(open + 1, close - open - 1);
  }
  std::vector<pid_t> found;
  for (const auto& [pid, name] : names) {
    if (name.rfind("WebKitWebProces", 0) != 0) continue;
    for (pid_t p = parents[pid]; p > 1; p = parents.count(p) ? parents[p] : 0) {
      if (p == getpid()) {
        found.push_back(pid);
        break;
      }
    }
  }
  return found;
}

std::string ProcessName(pid_t pid, pid_t* parent) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  const auto open = line.find('(');
  const auto close = line.rfind(')');
  if (open == std::string::npos || close == std::string::npos) return {};
  std::istringstream rest(line.substr(close + 2));
  char state;
  rest >> state >> *parent;
  return line.substr(open + 1, close - open - 1);
}

TEST(WebView, PagesRunInsideTheSandbox) {
  TestServer server;
  BrowserWindow browser;
  ASSERT_TRUE(browser.Load(server.URL("/boxed")));
  const std::vector<pid_t> processes = WebProcesses();
  ASSERT_FALSE(processes.empty());
  for (pid_t pid : processes) {
    bool boxed = false;
    for (pid_t p = pid; p > 1 && p != getpid();) {
      pid_t parent = 0;
      if (ProcessName(p, &parent) == "bwrap") boxed = true;
      p = parent;
    }
    EXPECT_TRUE(boxed) << "web process " << pid << " runs outside bubblewrap";
  }
}

TEST(WebView, CertificateTheEngineCannotTrustEndsTheLoad) {
  // A server of our own with a certificate nobody signed.
  const std::string key = gtktest::RunHome() + "/untrusted.key";
  const std::string cert = gtktest::RunHome() + "/untrusted.crt";
  ASSERT_TRUE(gtktest::RunProgram({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                                   "-keyout", key, "-out", cert, "-days", "1", "-subj",
                                   "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"}));
  GError* error = nullptr;
  GTlsCertificate* certificate = g_tls_certificate_new_from_files(cert.c_str(), key.c_str(), &error);
  ASSERT_NE(certificate, nullptr) << error->message;
  SoupServer* https = soup_server_new("tls-certificate", certificate, nullptr);
  g_object_unref(certificate);
  int served = 0;
  soup_server_add_handler(
      https, nullptr,
      [](SoupServer*, SoupServerMessage* message, const char*, GHashTable*, gpointer count) {
        ++*static_cast<int*>(count);
        soup_server_message_set_status(message, 200, nullptr);
        soup_server_message_set_response(message, "text/html", SOUP_MEMORY_STATIC, "secret", 6);
      },
      &served, nullptr);
  ASSERT_TRUE(soup_server_listen_local(
      https, 0,
      static_cast<SoupServerListenOptions>(SOUP_SERVER_LISTEN_IPV4_ONLY | SOUP_SERVER_LISTEN_HTTPS),
      &error));
  GSList* uris = soup_server_get_uris(https);
  const int port = g_uri_get_port(static_cast<GUri*>(uris->data));
  g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));

  BrowserWindow browser;
  bool tlsFailed = false;
  g_signal_connect(fw::gtk::EngineViewOf(*browser.main), "load-failed-with-tls-errors",
                   G_CALLBACK(+[](WebKitWebView*, char*, GTlsCertificate*, GTlsCertificateFlags,
                                  gpointer flag) -> gboolean {
                     *static_cast<bool*>(flag) = true;
                     return FALSE;
                   }),
                   &tlsFailed);
  browser.main->LoadURL("https://127.0.0.1:" + std::to_string(port) + "/secret");
  EXPECT_TRUE(SpinUntil([&] { return tlsFailed; }));
  gtktest::SpinFor(std::chrono::milliseconds(300));
  EXPECT_EQ(served, 0) << "the page was fetched over a connection nobody could trust";
  g_signal_handlers_disconnect_by_data(fw::gtk::EngineViewOf(*browser.main), &tlsFailed);
  soup_server_disconnect(https);
  g_object_unref(https);
}

TEST(WebView, PageComesBackAfterItsWebProcessIsKilled) {
  TestServer server;
  server.Serve("/survivor", "<html><head><title>survivor</title></head><body>x</body></html>");
  BrowserWindow browser;
  const std::string url = server.URL("/survivor");
  ASSERT_TRUE(browser.Load(url));
  const std::vector<pid_t> processes = WebProcesses();
  ASSERT_FALSE(processes.empty()) << "no web process found under this program";
  for (pid_t pid : processes) kill(pid, SIGKILL);

  ASSERT_TRUE(SpinUntil([&] { return browser.mainLog.documentsComplete.size() >= 2; }))
      << "the page did not come back";
  EXPECT_EQ(browser.mainLog.documentsComplete.back(), url);
  EXPECT_EQ(browser.MainURI(), url);
  EXPECT_EQ(server.CountRequests("/survivor"), 2u);
  const std::vector<pid_t> after = WebProcesses();
  EXPECT_FALSE(after.empty());
  for (pid_t pid : after) {
    EXPECT_EQ(std::count(processes.begin(), processes.end(), pid), 0) << "old process " << pid;
  }
}

TEST(WebView, ReloadsAfterCrashesAreBoundedWithinAMinute) {
  TestServer server;
  server.Serve("/fragile", "<html><body>fragile</body></html>");  // never cached
  BrowserWindow browser;
  const std::string url = server.URL("/fragile");
  ASSERT_TRUE(browser.Load(url));
  auto killAll = [] {
    const std::vector<pid_t> processes = WebProcesses();
    for (pid_t pid : processes) kill(pid, SIGKILL);
    return !processes.empty();
  };
  // Three deaths within a minute each bring the page back.
  for (int crash = 1; crash <= 3; ++crash) {
    ASSERT_TRUE(killAll()) << "crash " << crash;
    ASSERT_TRUE(SpinUntil([&] { return server.CountRequests("/fragile") == 1u + crash; }))
        << "no reload after crash " << crash;
    ASSERT_TRUE(SpinUntil([&] { return browser.mainLog.documentsComplete.size() == 1u + crash; }));
  }
  // The fourth is one too many: the view stops reloading.
  ASSERT_TRUE(killAll());
  gtktest::SpinFor(std::chrono::seconds(2));
  EXPECT_EQ(server.CountRequests("/fragile"), 4u);
  EXPECT_EQ(browser.mainLog.documentsComplete.size(), 4u);
  // A load asked for by the program still works.
  EXPECT_TRUE(browser.Load(server.URL("/fresh")));
}

// --- Cookies across a restart -----------------------------------------------------

// The half of the restart test that runs in a child process: one start of the
// program, which loads the address it is given and ends.
TEST(CookieChild, DISABLED_LoadTheGivenAddress) {
  const char* url = std::getenv("TAMBOURIN_TEST_CHILD_URL");
  ASSERT_NE(url, nullptr);
  BrowserWindow browser;
  ASSERT_TRUE(browser.Load(url));
}

TEST(WebView, CookieSetInOneRunIsSentInTheNext) {
  TestServer server;
  server.Serve("/login", "<html><body>welcome</body></html>",
               "session=tambourin-42; Max-Age=86400; Path=/");
  server.Serve("/home", "<html><body>home</body></html>");
  const std::string profile = gtktest::RunHome() + "/restarted-profile";
  std::filesystem::create_directories(profile);

  // Each start runs in a process of its own, as the program does, while this
  // process serves the pages.
  auto runChild = [&](const std::string& url) -> bool {
    std::string self = std::filesystem::read_symlink("/proc/self/exe");
    std::vector<std::string> env = {"TAMBOURIN_TEST_HOME=" + profile,
                                    "TAMBOURIN_TEST_CHILD_URL=" + url};
    gchar** childEnv = g_get_environ();
    for (const auto& setting : env) {
      const auto eq = setting.find('=');
      childEnv = g_environ_setenv(childEnv, setting.substr(0, eq).c_str(),
                                  setting.substr(eq + 1).c_str(), TRUE);
    }
    const char* argv[] = {self.c_str(), "--gtest_filter=CookieChild.*",
                          "--gtest_also_run_disabled_tests", nullptr};
    GPid pid = 0;
    GError* error = nullptr;
    const bool started = g_spawn_async(nullptr, const_cast<char**>(argv), childEnv,
                                       G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &pid, &error);
    g_strfreev(childEnv);
    if (!started) {
      ADD_FAILURE() << error->message;
      g_error_free(error);
      return false;
    }
    struct Exit {
      bool done = false;
      gint status = -1;
    } exit;
    g_child_watch_add(
        pid,
        [](GPid child, gint status, gpointer data) {
          auto* e = static_cast<Exit*>(data);
          e->done = true;
          e->status = status;
          g_spawn_close_pid(child);
        },
        &exit);
    if (!SpinUntil([&] { return exit.done; }, std::chrono::seconds(60))) {
      kill(pid, SIGKILL);
      SpinUntil([&] { return exit.done; }, std::chrono::seconds(5));
      ADD_FAILURE() << "the child run did not end";
      return false;
    }
    return g_spawn_check_wait_status(exit.status, nullptr) != FALSE;
  };

  ASSERT_TRUE(runChild(server.URL("/login")));
  ASSERT_TRUE(runChild(server.URL("/home")));
  std::vector<std::string> homeCookies;
  for (const auto& request : server.Requests()) {
    if (request.path == "/login") {
      EXPECT_EQ(request.cookie, "") << "the profile was not fresh";
    }
    if (request.path == "/home") {
      homeCookies.push_back(request.cookie);
    }
  }
  ASSERT_EQ(homeCookies.size(), 1u);
  EXPECT_EQ(homeCookies[0], "session=tambourin-42");
  EXPECT_TRUE(std::filesystem::exists(profile + "/data/tambourin/cookies.sqlite"));
}

}  // namespace
