// Pages that ask for a new window go to the desktop's default browser, every
// finished page is redrawn, and the "Xtra" and "?" buttons load the maker's
// product page.

#include <string>
#include <vector>

#include "framework/Runtime.h"
#include "tests/TestSupport.h"

namespace tambourin::test {
namespace {

using fw::headless::ViewRequest;

ViewRequest Load(const std::string& url) { return {ViewRequest::Kind::Load, url, false}; }
ViewRequest Refresh(bool erase) { return {ViewRequest::Kind::Refresh, {}, erase}; }

std::string HomePage() { return std::string("http://") + HomeHost; }

class PageActionsTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    OpenWindow();
  }
  fw::HTMLViewer& Main() { return Control<fw::HTMLViewer>("HTMLViewer1"); }
  fw::HTMLViewer& Hidden() { return Control<fw::HTMLViewer>("HTMLViewer2"); }
};

// The handler passes on the very address the engine reports, changing
// nothing. (The in-memory engine reports what the page asked for; the real
// one canonicalises first, so that a page's "HTTP://Host/a/../b" reaches the
// handler as "http://host/b": the program tests check that road.)
TEST_F(PageActionsTest, ANewWindowRequestHandsTheAddressOnUnchangedToTheDefaultBrowser) {
  const std::string addresses[] = {
      "http://example.org/a/page.html?x=1&y=%20#part",
      "https://example.org/",
      // The site's own pages that ask for a window go out too.
      std::string("http://") + HomeHost + "/u/12?tab=photos",
      std::string("https://") + HomeHost + "/",
      "HTTPS://Example.ORG/Mixed",
  };
  ASSERT_EQ(fw::headless::CurrentPage(Main()), HomePage());
  std::vector<std::string> expected;
  for (const std::string& url : addresses) {
    SCOPED_TRACE(url);
    testing::internal::CaptureStderr();
    auto target = fw::headless::PageRequestsNewWindow(Main(), url);
    const std::string err = testing::internal::GetCapturedStderr();
    expected.push_back(url);
    EXPECT_EQ(fw::headless::BrowserLaunches(), expected);
    EXPECT_EQ(err, "");
    EXPECT_EQ(target.get(), &Hidden());
    // Neither view shows the page: the main one keeps its own.
    EXPECT_EQ(fw::headless::CurrentPage(Main()), HomePage());
    EXPECT_EQ(fw::headless::CurrentPage(Hidden()), "");
  }
  EXPECT_EQ(fw::headless::Requests(Main()), (std::vector<ViewRequest>{Load(HomePage())}));
}

TEST_F(PageActionsTest, AnAddressThatIsNotHttpReachesNothing) {
  const char* addresses[] = {
      "file:///etc/passwd",
      "javascript:alert(1)",
      "smb://x/y",
      "custom:thing",
  };
  for (const char* url : addresses) {
    SCOPED_TRACE(url);
    testing::internal::CaptureStderr();
    fw::headless::PageRequestsNewWindow(Main(), url);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(fw::headless::BrowserLaunches().empty());
    EXPECT_NE(err.find(url), std::string::npos) << err;
    EXPECT_EQ(fw::headless::CurrentPage(Main()), HomePage());
    EXPECT_EQ(fw::headless::CurrentPage(Hidden()), "");
  }
}

TEST_F(PageActionsTest, AFailingLaunchIsReportedAndTheProgramGoesOn) {
  fw::headless::SetBrowserFails(true);
  testing::internal::CaptureStderr();
  fw::headless::PageRequestsNewWindow(Main(), "https://example.org/first");
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("https://example.org/first"), std::string::npos) << err;
  EXPECT_TRUE(fw::headless::BrowserLaunches().empty());
  EXPECT_EQ(fw::headless::CurrentPage(Main()), HomePage());

  // The window still works: the next request, with a browser, goes out.
  fw::headless::SetBrowserFails(false);
  fw::headless::PageRequestsNewWindow(Main(), "https://example.org/second");
  EXPECT_EQ(fw::headless::BrowserLaunches(),
            (std::vector<std::string>{"https://example.org/second"}));
  fw::headless::Click(Control<fw::BevelButton>("BevelButton3"));
  EXPECT_EQ(fw::headless::CurrentPage(Main()), ProductPageURL);
}

TEST_F(PageActionsTest, TheNewWindowHandlerAnswersTheHiddenView) {
  auto answer = window_->HTMLViewer1_NewWindow(Main());
  EXPECT_EQ(answer, window_->ControlByName("HTMLViewer2"));
  EXPECT_EQ(answer.get(), &Hidden());
}

// A window of the program's class whose controls lack the hidden view.
class NoHiddenView : public Window1 {
 public:
  void CreateControls0() override {
    auto view = New<fw::HTMLViewer>();
    view->Constructor();
    AddControl("HTMLViewer1", view);
    fw::InstallInstanceEventHandler(
        *view, "NewWindow", fw::NewWindowHandler([](fw::RectControl& control) {
          auto& window = static_cast<NoHiddenView&>(control.ParentWindow());
          return window.HTMLViewer1_NewWindow(static_cast<fw::HTMLViewer&>(control));
        }));
  }
  // The window's other handlers need controls this one does not have.
  void Event_Open() override {}
  void Event_Resized() override {}
};

using PageActionsWithoutHiddenViewTest = ProgramTest;

TEST_F(PageActionsWithoutHiddenViewTest, ANewWindowRequestIsDroppedQuietly) {
  auto window = std::make_shared<NoHiddenView>();
  {
    fw::DispatchScope scope;
    window->Constructor();
  }
  window_ = window;
  auto& view = ControlOn<fw::HTMLViewer>(*window, "HTMLViewer1");

  EXPECT_EQ(window->HTMLViewer1_NewWindow(view), nullptr);

  testing::internal::CaptureStderr();
  auto target = fw::headless::PageRequestsNewWindow(view, "https://example.org/");
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(target, nullptr);
  EXPECT_EQ(err, "");
  EXPECT_TRUE(fw::headless::BrowserLaunches().empty());
}

TEST_F(PageActionsTest, EveryFinishedPageIsRedrawnOnceWithItsBackgroundErased) {
  // The home page from the opening is still loading.
  fw::headless::ClearRequests(Main());
  fw::headless::FinishLoads();
  EXPECT_EQ(fw::headless::Requests(Main()), (std::vector<ViewRequest>{Refresh(true)}));

  // Two links followed before either finished: two redraws.
  fw::headless::ClearRequests(Main());
  fw::headless::PageNavigates(Main(), HomePage() + "/one");
  fw::headless::PageNavigates(Main(), HomePage() + "/two");
  EXPECT_TRUE(fw::headless::Requests(Main()).empty()) << "no redraw before a page is complete";
  fw::headless::FinishLoads();
  EXPECT_EQ(fw::headless::Requests(Main()),
            (std::vector<ViewRequest>{Refresh(true), Refresh(true)}));

  // Nothing under way: nothing completes, nothing is redrawn.
  fw::headless::ClearRequests(Main());
  fw::headless::FinishLoads();
  EXPECT_TRUE(fw::headless::Requests(Main()).empty());
  EXPECT_TRUE(fw::headless::Requests(Hidden()).empty());
}

TEST_F(PageActionsTest, EachPressOfXtraOrTheHelpButtonLoadsTheProductPage) {
  const char* buttons[] = {"BevelButton3", "PushButton5"};
  for (const char* name : buttons) {
    SCOPED_TRACE(name);
    fw::headless::PageNavigates(Main(), HomePage() + "/elsewhere");
    fw::headless::FinishLoads();
    fw::headless::ClearRequests(Main());
    auto& button = Control<fw::ButtonBase>(name);
    fw::headless::Click(button);
    fw::headless::Click(button);
    EXPECT_EQ(fw::headless::Requests(Main()),
              (std::vector<ViewRequest>{Load(ProductPageURL), Load(ProductPageURL)}));
    EXPECT_EQ(fw::headless::CurrentPage(Main()), ProductPageURL);
    EXPECT_TRUE(fw::headless::Requests(Hidden()).empty());
    EXPECT_TRUE(fw::headless::BrowserLaunches().empty());
    // Each load, once complete, is redrawn like any other page.
    fw::headless::ClearRequests(Main());
    fw::headless::FinishLoads();
    EXPECT_EQ(fw::headless::Requests(Main()),
              (std::vector<ViewRequest>{Refresh(true), Refresh(true)}));
  }
}

}  // namespace
}  // namespace tambourin::test
