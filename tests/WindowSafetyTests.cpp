// The framework's window against its own handlers: a handler that closes the
// window while the framework is still using it, a close asked for from inside
// a close, and the arithmetic that brings a restored window onto the desktop.
// The sanitized build of these tests turns any use of a freed window or any
// overflow into a failure.

#include <climits>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

#include "framework/Runtime.h"
#include "framework/Window.h"
#include "tests/TestSupport.h"

namespace tambourin::test {
namespace {

constexpr const char* kClassName = "SafetyWindow";

// A window whose handlers are whatever the test puts in them, with a count
// of each event raised.
class HandlerWindow : public fw::Window {
 public:
  HandlerWindow() : fw::Window(kClassName) {}
  std::function<void(HandlerWindow&)> onCreateControls, onOpen, onResized, onClose;
  std::function<bool(HandlerWindow&)> onCancelClose;
  int createControls = 0, open = 0, resized = 0, cancelClose = 0, close = 0;
};

template <int HandlerWindow::*Count>
fw::WindowEventHandler Counting(std::function<void(HandlerWindow&)> HandlerWindow::*member) {
  return [member](fw::Window& w) {
    auto& window = static_cast<HandlerWindow&>(w);
    ++(window.*Count);
    if (window.*member) (window.*member)(window);
    return false;
  };
}

class WindowSafetyTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    fw::ClassRecord record{kClassName, "Window", {}, {}};
    auto bind = [&](fw::WindowEvent event, fw::WindowEventHandler handler) {
      record.events[static_cast<std::size_t>(event)] = std::move(handler);
    };
    bind(fw::WindowEvent::CreateControls,
         Counting<&HandlerWindow::createControls>(&HandlerWindow::onCreateControls));
    bind(fw::WindowEvent::Open, Counting<&HandlerWindow::open>(&HandlerWindow::onOpen));
    bind(fw::WindowEvent::Resized, Counting<&HandlerWindow::resized>(&HandlerWindow::onResized));
    bind(fw::WindowEvent::Close, Counting<&HandlerWindow::close>(&HandlerWindow::onClose));
    bind(fw::WindowEvent::CancelClose, [](fw::Window& w) {
      auto& window = static_cast<HandlerWindow&>(w);
      ++window.cancelClose;
      return window.onCancelClose ? window.onCancelClose(window) : false;
    });
    fw::RegisterClassRecord(std::move(record));
  }

  // A window at these bounds whose handlers are set by `prepare` before it is
  // constructed.
  std::shared_ptr<HandlerWindow> Construct(const fw::Rect& bounds,
                                           const std::function<void(HandlerWindow&)>& prepare) {
    auto window = std::make_shared<HandlerWindow>();
    window->SetLeft(bounds.left);
    window->SetTop(bounds.top);
    window->SetWidth(bounds.width);
    window->SetHeight(bounds.height);
    if (prepare) prepare(*window);
    fw::DispatchScope scope;
    window->Constructor();
    return window;
  }
};

// --- Handlers that close the window -------------------------------------------

TEST_F(WindowSafetyTest, AResizedHandlerThatClosesTheWindowIsTheLastThingItSees) {
  auto window = Construct({100, 100, 600, 400}, nullptr);
  ASSERT_TRUE(window->IsOpen());
  window->onResized = [](HandlerWindow& w) { w.Close(); };
  std::weak_ptr<HandlerWindow> watch = window;
  HandlerWindow* peerSide = window.get();
  // Only the framework's list holds the window now, as for the program's own.
  window.reset();
  // As the toolkit reports a new size from its configure event.
  peerSide->SetWidth(500);
  peerSide->SizeMaybeChanged();
  EXPECT_TRUE(watch.expired()) << "the closed window is still held somewhere";
  EXPECT_TRUE(fw::OpenWindows().empty());
}

TEST_F(WindowSafetyTest, AWindowClosedByItsOwnConstructionHandlersGoesNoFurther) {
  struct Case {
    const char* label;
    void (*prepare)(HandlerWindow&);
    int open, resized;
  };
  const Case cases[] = {
      {"CreateControls closes", [](HandlerWindow& w) {
         w.onCreateControls = [](HandlerWindow& x) { x.Close(); };
       }, 0, 0},
      {"Open closes", [](HandlerWindow& w) { w.onOpen = [](HandlerWindow& x) { x.Close(); }; },
       1, 0},
      {"the first Resized closes",
       [](HandlerWindow& w) { w.onResized = [](HandlerWindow& x) { x.Close(); }; }, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    auto window = Construct({100, 100, 600, 400}, c.prepare);
    EXPECT_TRUE(window->IsClosed());
    EXPECT_FALSE(fw::headless::IsShown(*window));
    EXPECT_EQ(window->Peer(), nullptr);
    EXPECT_EQ(window->open, c.open);
    EXPECT_EQ(window->resized, c.resized);
    EXPECT_EQ(window->close, 1);
    EXPECT_TRUE(fw::OpenWindows().empty());
  }
}

TEST_F(WindowSafetyTest, ACloseAskedForFromInsideACloseIsRefused) {
  struct Case {
    const char* label;
    bool fromCancelClose;
  };
  for (const Case& c : {Case{"from CancelClose", true}, Case{"from Close", false}}) {
    SCOPED_TRACE(c.label);
    auto window = Construct({100, 100, 600, 400}, nullptr);
    if (c.fromCancelClose) {
      window->onCancelClose = [](HandlerWindow& w) {
        w.Close();
        return false;
      };
    } else {
      window->onClose = [](HandlerWindow& w) { w.Close(); };
    }
    fw::headless::UserClose(*window);
    EXPECT_EQ(window->cancelClose, 1);
    EXPECT_EQ(window->close, 1);
    EXPECT_TRUE(window->IsClosed());
    // A closed window stays closed.
    window->Close();
    EXPECT_EQ(window->close, 1);
  }
}

TEST_F(WindowSafetyTest, ARefusedCloseLeavesTheWindowOpenForTheNextOne) {
  auto window = Construct({100, 100, 600, 400}, nullptr);
  bool refuse = true;
  window->onCancelClose = [&refuse](HandlerWindow&) { return refuse; };
  fw::headless::UserClose(*window);
  EXPECT_TRUE(window->IsOpen());
  EXPECT_EQ(window->close, 0);
  // Still open in earnest: a size change is laid out again.
  const int resized = window->resized;
  fw::headless::UserResize(*window, 700, 450);
  EXPECT_EQ(window->resized, resized + 1);
  refuse = false;
  fw::headless::UserClose(*window);
  EXPECT_TRUE(window->IsClosed());
  EXPECT_EQ(window->close, 1);
}

TEST_F(WindowSafetyTest, AControlHandlerThatClosesItsWindowCanStillUseIt) {
  auto window = Construct({100, 100, 600, 400}, nullptr);
  window->SetTitle("held");
  auto button = window->New<fw::PushButton>();
  button->Constructor();
  window->AddControl("Button", button);
  std::string titleAfterClose;
  bool closedAfterClose = false;
  std::weak_ptr<HandlerWindow> watchWindow = window;
  std::weak_ptr<fw::PushButton> watchButton = button;
  // Held while the handler runs, not merely not yet overwritten: without a
  // sanitizer a freed window still reads back its old title.
  bool windowHeldAfterClose = false;
  bool buttonHeldAfterClose = false;
  fw::InstallInstanceEventHandler(
      *button, "Action", fw::ActionHandler([&](fw::RectControl& control) {
        control.ParentWindow().Close();
        windowHeldAfterClose = !watchWindow.expired();
        buttonHeldAfterClose = !watchButton.expired();
        titleAfterClose = control.ParentWindow().Title();
        closedAfterClose = control.ParentWindow().IsClosed();
      }));
  fw::PushButton* clicked = button.get();
  button.reset();
  window.reset();
  fw::headless::Click(*clicked);
  EXPECT_TRUE(windowHeldAfterClose);
  EXPECT_TRUE(buttonHeldAfterClose);
  EXPECT_EQ(titleAfterClose, "held");
  EXPECT_TRUE(closedAfterClose);
  EXPECT_TRUE(watchWindow.expired());
  EXPECT_TRUE(watchButton.expired());
}

TEST_F(WindowSafetyTest, AControlHandlerThatReplacesItsOwnControlIsStillHeld) {
  // The window lets go of a control that another takes the name of; the
  // control whose handler is running (and the handler itself, which the
  // control keeps) must live until the handler has returned.
  auto window = Construct({100, 100, 600, 400}, nullptr);
  auto button = window->New<fw::PushButton>();
  button->Constructor();
  window->AddControl("Button", button);
  auto replacement = window->New<fw::PushButton>();
  replacement->Constructor();
  std::weak_ptr<fw::PushButton> watchButton = button;
  bool heldAfterReplace = false;
  fw::InstallInstanceEventHandler(
      *button, "Action", fw::ActionHandler([&](fw::RectControl& control) {
        control.ParentWindow().AddControl("Button", replacement);
        heldAfterReplace = !watchButton.expired();
      }));
  fw::PushButton* clicked = button.get();
  button.reset();
  fw::headless::Click(*clicked);
  EXPECT_TRUE(heldAfterReplace);
  EXPECT_TRUE(watchButton.expired());
  EXPECT_EQ(window->ControlByName("Button"), replacement);
}

// --- Bringing a restored window onto the desktop --------------------------------

TEST(Desktop, IsTheSmallestRectangleHoldingEveryScreen) {
  struct Case {
    std::vector<fw::Rect> screens;
    fw::Rect desktop;
  };
  const Case cases[] = {
      {{}, {0, 0, 0, 0}},
      {{{0, 0, 1440, 900}}, {0, 0, 1440, 900}},
      {{{0, 0, 1440, 900}, {1440, 0, 1920, 1080}}, {0, 0, 3360, 1080}},
      {{{0, 0, 1440, 900}, {-1920, -200, 1920, 1080}}, {-1920, -200, 3360, 1100}},
      {{{0, 0, 800, 600}, {0, 600, 800, 600}}, {0, 0, 800, 1200}},
  };
  for (const Case& c : cases) EXPECT_EQ(fw::DesktopBounds(c.screens), c.desktop);
}

TEST(Desktop, AWindowLargerThanTheDesktopIsFittedAndOneThatFitsIsLeftAlone) {
  struct Case {
    const char* label;
    fw::Rect window, desktop, fitted;
  };
  const fw::Rect one{0, 0, 1440, 900};
  const fw::Rect two{-1920, 0, 3360, 1080};
  const Case cases[] = {
      {"fits", {100, 50, 800, 600}, one, {100, 50, 800, 600}},
      {"exactly the desktop", {0, 0, 1440, 900}, one, {0, 0, 1440, 900}},
      {"fits, partly off the desktop", {-250, 700, 800, 600}, one, {-250, 700, 800, 600}},
      {"fits, wholly off the desktop", {5000, 5000, 800, 600}, one, {5000, 5000, 800, 600}},
      {"one pixel too wide", {30, 40, 1441, 600}, one, {0, 40, 1440, 600}},
      {"too tall", {30, 40, 800, 20000}, one, {30, 0, 800, 900}},
      {"the largest size a file holds", {30, 40, INT32_MAX, INT32_MAX}, one, {0, 0, 1440, 900}},
      {"far out and too large", {INT32_MIN, INT32_MAX, 20000, 20000}, one, {0, 0, 1440, 900}},
      {"nothing or less is no size to fit", {30, 40, INT32_MIN, -5}, one, {30, 40, INT32_MIN, -5}},
      {"fits across two screens", {-1000, 10, 3000, 1000}, two, {-1000, 10, 3000, 1000}},
      {"wider than two screens", {-1000, 10, 4000, 1000}, two, {-1920, 10, 3360, 1000}},
      {"no screens at all", {30, 40, 20000, 20000}, {0, 0, 0, 0}, {30, 40, 20000, 20000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(fw::FitOnDesktop(c.window, c.desktop), c.fitted);
  }
}

TEST(Desktop, AWindowOffEveryScreenIsCentredOnTheMainOneIn64Bits) {
  struct Case {
    const char* label;
    fw::Rect window, kept;
  };
  const std::vector<fw::Rect> screens = {{0, 0, 1440, 900}, {1440, 0, 1920, 1080}};
  const Case cases[] = {
      {"partly on the second screen", {3000, 1000, 800, 600}, {3000, 1000, 800, 600}},
      {"off to the right", {3360, 100, 800, 600}, {320, 150, 800, 600}},
      {"below", {100, 1080, 800, 600}, {320, 150, 800, 600}},
      {"larger than the main screen", {-5000, 100, 2000, 1000}, {0, 0, 2000, 1000}},
      {"the most negative size", {-5000, 100, INT32_MIN, INT32_MIN}, {720, 450, INT32_MIN, INT32_MIN}},
      {"the most negative place", {INT32_MIN, INT32_MIN, 800, 600}, {320, 150, 800, 600}},
      {"the largest place", {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX}, {0, 0, INT32_MAX, INT32_MAX}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(fw::KeepOnScreen(c.window, screens), c.kept);
  }
  EXPECT_EQ(fw::KeepOnScreen({5000, 5000, 800, 600}, {}), (fw::Rect{5000, 5000, 800, 600}));
}

TEST_F(WindowSafetyTest, AWindowIsCentredAtTheSizeItsResizedHandlerSettledOn) {
  // Off every screen, 150 wide; the Resized handler holds it at least 220
  // wide, as the main window's rule does. It must be centred as 220 wide.
  auto window = Construct({2000, 100, 150, 600}, [](HandlerWindow& w) {
    w.onResized = [](HandlerWindow& x) {
      if (x.Width() < 220) x.SetWidth(220);
    };
  });
  EXPECT_EQ(window->Bounds(), (fw::Rect{610, 150, 220, 600}));
  EXPECT_EQ(fw::headless::BoundsWhenShown(*window), (fw::Rect{610, 150, 220, 600}));
}

TEST_F(WindowSafetyTest, AnOpeningSizeNoDesktopHoldsIsFittedOnItBeforeResized) {
  fw::headless::SetScreens({{0, 0, 1440, 900}, {1440, 0, 1920, 1080}});
  std::vector<fw::Rect> seen;
  auto window = Construct({30, 40, INT32_MAX, 20000}, [&seen](HandlerWindow& w) {
    w.onResized = [&seen](HandlerWindow& x) { seen.push_back(x.Bounds()); };
  });
  const fw::Rect fitted{0, 0, 3360, 1080};
  EXPECT_EQ(window->Bounds(), fitted);
  EXPECT_EQ(fw::headless::BoundsWhenShown(*window), fitted);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], fitted);
}

}  // namespace
}  // namespace tambourin::test
