// The resize rule: the web view fills the window below the toolbar, the
// separator spans it, the hidden "?" button keeps 35 pixels from the right
// edge, the window is held at least 220 pixels wide, and the other toolbar
// controls stay where they were designed.

#include <climits>
#include <map>
#include <string>
#include <vector>

#include "framework/Runtime.h"
#include "tests/TestSupport.h"

namespace tambourin::test {
namespace {

struct Box {
  int32_t left, top, width, height;
  bool operator==(const Box&) const = default;
};

void PrintTo(const Box& b, std::ostream* os) {
  *os << "{" << b.left << ", " << b.top << ", " << b.width << ", " << b.height << "}";
}

Box BoxOf(const fw::RectControl& c) { return {c.Left(), c.Top(), c.Width(), c.Height()}; }
Box BoxOf(const fw::Rect& r) { return {r.left, r.top, r.width, r.height}; }

// The toolbar controls that the rule never moves, at their design places.
const std::map<std::string, Box>& FixedControls() {
  static const std::map<std::string, Box> fixed = {
      {"buttonback", {9, 6, 27, 23}},    {"buttonfront", {35, 6, 27, 23}},
      {"buttonhome", {69, 6, 28, 23}},   {"BevelButton3", {106, 6, 42, 23}},
      {"TextField1", {639, 2, 334, 28}}, {"HTMLViewer2", {974, 35, 36, 19}},
  };
  return fixed;
}

class ResizeTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    OpenWindow();
  }

  fw::HTMLViewer& View() { return Control<fw::HTMLViewer>("HTMLViewer1"); }
  fw::PushButton& Help() { return Control<fw::PushButton>("PushButton5"); }
  fw::Separator& Rule() { return Control<fw::Separator>("Separator1"); }

  // The three controls the rule places, and the window's width.
  void ExpectLayout(int32_t windowWidth, int32_t viewWidth, int32_t viewHeight, int32_t helpLeft,
                    int32_t ruleWidth) {
    EXPECT_EQ(window_->Width(), windowWidth);
    EXPECT_EQ(View().Width(), viewWidth);
    EXPECT_EQ(View().Height(), viewHeight);
    EXPECT_EQ(Help().Left(), helpLeft);
    EXPECT_EQ(Rule().Width(), ruleWidth);
  }

  void ExpectFixedControlsUnmoved() {
    for (const auto& [name, box] : FixedControls()) {
      SCOPED_TRACE(name);
      const auto& control = Control<fw::RectControl>(name.c_str());
      EXPECT_EQ(BoxOf(control), box);
      EXPECT_EQ(BoxOf(fw::headless::PeerBounds(control)), box);
    }
  }
};

TEST_F(ResizeTest, TheOpeningSizeIsLaidOutWithoutAnyUserAction) {
  // First run on a 1440 x 900 screen: the window opens at 1020 x 700.
  ASSERT_EQ(window_->Width(), 1020);
  ASSERT_EQ(window_->Height(), 700);
  ExpectLayout(1020, 1020, 665, 985, 1020);
  // The toolkit's widgets were placed too, not only the framework's values.
  EXPECT_EQ(BoxOf(fw::headless::PeerBounds(View())), (Box{0, 35, 1020, 665}));
  EXPECT_EQ(fw::headless::PeerBounds(Help()).left, 985);
  EXPECT_EQ(fw::headless::PeerBounds(Rule()).width, 1020);
  ExpectFixedControlsUnmoved();
}

// What the layout settles on once every Resized the change caused has run.
TEST_F(ResizeTest, EverySettledSizeLaysOutTheViewTheButtonAndTheSeparator) {
  enum class By { User, Code };
  struct Case {
    const char* what;
    By by;
    int32_t width, height;
    int32_t windowWidth, windowHeight, viewWidth, viewHeight, helpLeft, ruleWidth;
  };
  const Case cases[] = {
      {"the default size", By::User, 1020, 700, 1020, 700, 1020, 665, 985, 1020},
      {"a large window", By::User, 1600, 1200, 1600, 1200, 1600, 1165, 1565, 1600},
      {"exactly the narrowest width", By::User, 220, 400, 220, 400, 220, 365, 185, 220},
      {"one pixel too narrow", By::User, 219, 500, 220, 500, 220, 465, 185, 220},
      {"the toolkit's smallest window", By::User, 64, 64, 220, 64, 220, 29, 185, 220},
      {"narrower than the toolkit allows", By::User, 10, 300, 220, 300, 220, 265, 185, 220},
      {"beyond the toolkit's largest", By::User, 40000, 700, 32000, 700, 32000, 665, 31965,
       32000},
      {"a width of zero from code", By::Code, 0, 500, 220, 500, 220, 465, 185, 220},
      {"a negative width from code", By::Code, -300, 500, 220, 500, 220, 465, 185, 220},
      {"the most negative width from code", By::Code, INT32_MIN, 500, 220, 500, 220, 465, 185,
       220},
      {"a short window", By::User, 1020, 300, 1020, 300, 1020, 265, 985, 1020},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // Start each case from a different size, so that every case is a change.
    fw::headless::UserResize(*window_, 800, 600);
    ASSERT_EQ(View().Width(), 800);
    if (c.by == By::User) {
      fw::headless::UserResize(*window_, c.width, c.height);
    } else {
      fw::headless::SetSizeFromCode(*window_, c.width, c.height);
    }
    EXPECT_EQ(window_->Height(), c.windowHeight);
    ExpectLayout(c.windowWidth, c.viewWidth, c.viewHeight, c.helpLeft, c.ruleWidth);
    EXPECT_EQ(View().Left(), 0);
    EXPECT_EQ(View().Top(), 35);
    ExpectFixedControlsUnmoved();
  }
}

// One run of the handler on its own, inside no dispatch: nothing raises
// Resized again, so the clamping branch's own values stay visible.
TEST_F(ResizeTest, TheClampingBranchPlacesTheViewTenPixelsNarrowerThanTheNewWidth) {
  struct Case {
    const char* what;
    int32_t width, height;
    int32_t windowWidth, viewWidth, viewHeight, helpLeft, ruleWidth;
  };
  const Case cases[] = {
      {"exactly the narrowest width: no correction", 220, 400, 220, 220, 365, 185, 220},
      {"the default size: no correction", 1020, 700, 1020, 1020, 665, 985, 1020},
      {"one pixel too narrow", 219, 500, 220, 210, 465, 185, 220},
      {"the toolkit's smallest window", 64, 64, 220, 210, 29, 185, 220},
      {"zero", 0, 500, 220, 210, 465, 185, 220},
      {"minus one, which is not a large unsigned width", -1, 500, 220, 210, 465, 185, 220},
      {"the most negative width", INT32_MIN, 500, 220, 210, 465, 185, 220},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    window_->SetWidth(c.width);
    window_->SetHeight(c.height);
    window_->Event_Resized();
    ExpectLayout(c.windowWidth, c.viewWidth, c.viewHeight, c.helpLeft, c.ruleWidth);
    ExpectFixedControlsUnmoved();
  }
}

TEST_F(ResizeTest, TheFrameworkLaysOutTheCorrectedWidthOnceTheEventIsOver) {
  window_->SetWidth(219);
  window_->SetHeight(500);
  window_->Event_Resized();
  ASSERT_EQ(View().Width(), 210);
  { fw::DispatchScope scope; }  // the end of an outermost event settles sizes
  ExpectLayout(220, 220, 465, 185, 220);
}

// Counts the handler's runs and the widths it saw.
class CountingWindow : public Window1 {
 public:
  void Event_Resized() override {
    widths.push_back(Width());
    Window1::Event_Resized();
  }
  std::vector<int32_t> widths;
};

class ResizeCountTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    counting_ = std::make_shared<CountingWindow>();
    fw::DispatchScope scope;
    counting_->Constructor();
  }
  void TearDown() override {
    counting_.reset();
    ProgramTest::TearDown();
  }
  std::shared_ptr<CountingWindow> counting_;
};

TEST_F(ResizeCountTest, TheHandlerRunsOnceForTheOpeningSizeAndAgainForACorrectedWidth) {
  EXPECT_EQ(counting_->widths, (std::vector<int32_t>{1020}));

  counting_->widths.clear();
  fw::headless::UserResize(*counting_, 219, 500);
  // The second run lays out the width the first one set.
  EXPECT_EQ(counting_->widths, (std::vector<int32_t>{219, 220}));
  EXPECT_EQ(ControlOn<fw::HTMLViewer>(*counting_, "HTMLViewer1").Width(), 220);

  counting_->widths.clear();
  fw::headless::UserResize(*counting_, 220, 500);
  EXPECT_TRUE(counting_->widths.empty()) << "no change, no run";
}

}  // namespace
}  // namespace tambourin::test
