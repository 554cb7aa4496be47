// The back, forward and home picture buttons: the pressed face while held,
// the normal face again and the navigation on release.

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "resources/Pictures.h"
#include "tests/TestSupport.h"

namespace tambourin::test {
namespace {

using fw::headless::ViewRequest;
using Kind = ViewRequest::Kind;

struct Button {
  const char* name;
  fw::PicturePtr (*pressed)();
  fw::PicturePtr (*normal)();
};

const Button kButtons[] = {
    {"buttonback", &NavBackButtonPushed2, &NavBackButton},
    {"buttonfront", &NavForwardButtonPushed2, &NavForwardButton2},
    {"buttonhome", &ToolbarHomepageButtonPushed, &ToolbarHomepageButton},
};

const char* const kFaceFiles[] = {
    "NavBackButton.png",         "NavBackButtonPushed2.png",
    "NavForwardButton2.png",     "NavForwardButtonPushed2.png",
    "ToolbarHomepageButton.png", "ToolbarHomepageButtonPushed.png",
};

class NavigationTest : public ProgramTest {
 protected:
  fw::HTMLViewer& View() { return Control<fw::HTMLViewer>("HTMLViewer1"); }
  fw::ImageWell& Well(const char* name) { return Control<fw::ImageWell>(name); }

  // Opens the window and forgets the start-up load, so that only what the
  // buttons ask shows.
  void OpenFresh() {
    OpenWindow();
    fw::headless::FinishLoads();
    fw::headless::ClearRequests(View());
  }

  void PressAndRelease(const char* name, int32_t x, int32_t y) {
    EXPECT_TRUE(fw::headless::MouseDown(Well(name), x, y)) << name << " did not claim the press";
    fw::headless::MouseUp(Well(name), x, y);
  }

  // The request a release of that button should make, with the field as it is.
  ViewRequest Expected(const std::string& name) {
    if (name == "buttonback") return {Kind::Back, {}, false};
    if (name == "buttonfront") return {Kind::Forward, {}, false};
    return {Kind::Load, "http://" + Control<fw::TextField>("TextField1").Text(), false};
  }
};

TEST_F(NavigationTest, APressShowsThePressedFaceAndClaimsThePress) {
  OpenFresh();
  for (const Button& b : kButtons) {
    SCOPED_TRACE(b.name);
    fw::ImageWell& well = Well(b.name);
    ASSERT_TRUE(b.pressed());
    EXPECT_TRUE(fw::headless::MouseDown(well, 5, 5));
    EXPECT_EQ(fw::headless::PeerImage(well), b.pressed());
    EXPECT_EQ(well.Image(), b.pressed());
    // A press alone navigates nowhere.
    EXPECT_TRUE(fw::headless::Requests(View()).empty());
  }
}

TEST_F(NavigationTest, AReleaseShowsTheNormalFaceAndMakesOneRequestWhereverThePointerIs) {
  struct Point {
    int32_t x, y;
  };
  // A release outside the well counts as inside.
  const Point points[] = {{5, 5}, {0, 0}, {-50, 999}, {INT_MIN, INT_MAX}};
  OpenFresh();
  for (const Button& b : kButtons) {
    for (const Point& p : points) {
      SCOPED_TRACE(testing::Message() << b.name << " at (" << p.x << ", " << p.y << ")");
      fw::headless::ClearRequests(View());
      fw::ImageWell& well = Well(b.name);
      EXPECT_TRUE(fw::headless::MouseDown(well, p.x, p.y));
      fw::headless::MouseUp(well, p.x, p.y);
      ASSERT_TRUE(b.normal());
      EXPECT_EQ(fw::headless::PeerImage(well), b.normal());
      EXPECT_EQ(well.Image(), b.normal());
      EXPECT_EQ(fw::headless::Requests(View()), std::vector<ViewRequest>{Expected(b.name)});
    }
  }
}

// The peer calls made since `from`, each naming its control.
std::vector<fw::headless::PeerCall> CallsSince(std::size_t from) {
  const auto& all = fw::headless::PeerCalls();
  return {all.begin() + static_cast<std::ptrdiff_t>(from), all.end()};
}

TEST_F(NavigationTest, APressSetsOnlyThePressedFaceAndAReleaseTheNormalFaceBeforeNavigating) {
  using fw::headless::PeerCall;
  using fw::headless::PictureId;
  OpenFresh();
  for (const Button& b : kButtons) {
    SCOPED_TRACE(b.name);
    fw::ImageWell& well = Well(b.name);
    std::size_t from = fw::headless::PeerCalls().size();
    EXPECT_TRUE(fw::headless::MouseDown(well, 5, 5));
    EXPECT_EQ(CallsSince(from),
              (std::vector<PeerCall>{{&well, "Image " + PictureId(b.pressed())}}));

    const ViewRequest expected = Expected(b.name);
    const std::string step = expected.kind == Kind::Back      ? "Back"
                             : expected.kind == Kind::Forward ? "Forward"
                                                              : "Load " + expected.url;
    from = fw::headless::PeerCalls().size();
    fw::headless::MouseUp(well, 5, 5);
    EXPECT_EQ(CallsSince(from), (std::vector<PeerCall>{{&well, "Image " + PictureId(b.normal())},
                                                       {&View(), step}}));
  }
}

// A release whose handler cannot find a control it needs: the normal face is
// back already, since it is set before any control is fetched, and nothing
// navigates.
TEST_F(NavigationTest, TheNormalFaceIsBackEvenWhenAControlTheReleaseNeedsIsMissing) {
  struct Case {
    const char* button;
    const char* missing;
  };
  const Case cases[] = {{"buttonback", "HTMLViewer1"},
                        {"buttonfront", "HTMLViewer1"},
                        {"buttonhome", "HTMLViewer1"},
                        {"buttonhome", "TextField1"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.button << " without " << c.missing);
    TearDown();
    SetUp();
    OpenFresh();
    const Button& b = *std::find_if(std::begin(kButtons), std::end(kButtons), [&](const Button& x) {
      return std::string(x.name) == c.button;
    });
    fw::HTMLViewer& view = View();
    std::shared_ptr<fw::RectControl> kept = window_->ControlByName(c.missing);
    // A control of another class under the name: the lookup finds no control
    // of the class the handler needs.
    window_->AddControl(c.missing, window_->New<fw::Separator>());
    EXPECT_TRUE(fw::headless::MouseDown(Well(b.name), 1, 1));
    testing::internal::CaptureStderr();
    fw::headless::MouseUp(Well(b.name), 1, 1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("NilObjectException"), std::string::npos) << err;
    EXPECT_EQ(fw::headless::PeerImage(Well(b.name)), b.normal());
    EXPECT_TRUE(fw::headless::Requests(view).empty());
    window_->AddControl(c.missing, kept);
  }
}

TEST_F(NavigationTest, EachPressedFaceIsReadAtItsButtonsFirstPressAndNeverAgain) {
  OpenFresh();
  int decodes = fw::headless::DecodeCount();
  for (const Button& b : kButtons) {
    SCOPED_TRACE(b.name);
    PressAndRelease(b.name, 1, 1);
    EXPECT_EQ(fw::headless::DecodeCount(), ++decodes);
    PressAndRelease(b.name, 1, 1);
    EXPECT_EQ(fw::headless::DecodeCount(), decodes);
  }
}

// An exception out of a face accessor ends the handler where it is raised:
// the press is not claimed, the release neither sets a face nor navigates.
TEST_F(NavigationTest, AFaceAccessorThatRaisesEndsTheHandlerBeforeTheFace) {
  // The normal face of back is missing, so its release tries to load it.
  fs::remove(resources_ / "NavBackButton.png");
  OpenFresh();
  fw::ImageWell& back = Well("buttonback");
  fw::ImageWell& front = Well("buttonfront");
  EXPECT_TRUE(fw::headless::MouseDown(back, 1, 1));
  // From now on every load raises: the executable has no parent folders.
  fw::headless::SetExecutablePath("/tambourin");

  testing::internal::CaptureStderr();
  fw::headless::MouseUp(back, 1, 1);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("NilObjectException"), std::string::npos) << err;
  EXPECT_EQ(fw::headless::PeerImage(back), NavBackButtonPushed2()) << "the face stays pressed";
  EXPECT_TRUE(fw::headless::Requests(View()).empty());

  // The forward button's pressed face was never loaded: its press raises,
  // claims nothing, and its release is not delivered.
  testing::internal::CaptureStderr();
  EXPECT_FALSE(fw::headless::MouseDown(front, 1, 1));
  fw::headless::MouseUp(front, 1, 1);
  err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("NilObjectException"), std::string::npos) << err;
  EXPECT_EQ(fw::headless::PeerImage(front), NavForwardButton2());
  EXPECT_TRUE(fw::headless::Requests(View()).empty());
}

TEST_F(NavigationTest, BackAndForwardAreAskedForEvenWithNoHistory) {
  // The view has shown only the home page: there is nothing to go back or
  // forward to, yet each release still asks the view.
  OpenFresh();
  const std::string home = fw::headless::CurrentPage(View());
  ASSERT_EQ(home, std::string("http://") + HomeHost);
  PressAndRelease("buttonback", 3, 3);
  PressAndRelease("buttonfront", 3, 3);
  PressAndRelease("buttonback", 3, 3);
  const std::vector<ViewRequest> expected = {
      {Kind::Back, {}, false}, {Kind::Forward, {}, false}, {Kind::Back, {}, false}};
  EXPECT_EQ(fw::headless::Requests(View()), expected);
  EXPECT_EQ(fw::headless::CurrentPage(View()), home);
}

TEST_F(NavigationTest, BackAndForwardStepThroughTheViewsHistory) {
  OpenFresh();
  const std::string home = std::string("http://") + HomeHost;
  fw::headless::PageNavigates(View(), "http://example.test/one");
  fw::headless::PageNavigates(View(), "http://example.test/two");
  fw::headless::FinishLoads();

  PressAndRelease("buttonback", 1, 1);
  EXPECT_EQ(fw::headless::CurrentPage(View()), "http://example.test/one");
  PressAndRelease("buttonback", 1, 1);
  EXPECT_EQ(fw::headless::CurrentPage(View()), home);
  PressAndRelease("buttonfront", 1, 1);
  EXPECT_EQ(fw::headless::CurrentPage(View()), "http://example.test/one");
  PressAndRelease("buttonfront", 1, 1);
  EXPECT_EQ(fw::headless::CurrentPage(View()), "http://example.test/two");
  // At the end of the history a step forward changes nothing.
  PressAndRelease("buttonfront", 1, 1);
  EXPECT_EQ(fw::headless::CurrentPage(View()), "http://example.test/two");
}

TEST_F(NavigationTest, TheHomeButtonLoadsWhatTheFieldHoldsAtTheRelease) {
  struct Case {
    const char* field;
    const char* address;
  };
  // Built from the field as it is, without checking or adding anything.
  const Case cases[] = {
      {"www.example.test", "http://www.example.test"},
      {"", "http://"},
      {"example.test/some/page?x=1", "http://example.test/some/page?x=1"},
      {"http://already.test", "http://http://already.test"},
      {" spaced ", "http:// spaced "},
  };
  OpenFresh();
  fw::TextField& field = Control<fw::TextField>("TextField1");
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "field \"" << c.field << "\"");
    fw::headless::ClearRequests(View());
    // Changed between the press and the release: the release reads it.
    EXPECT_TRUE(fw::headless::MouseDown(Well("buttonhome"), 2, 2));
    field.SetText(c.field);
    fw::headless::MouseUp(Well("buttonhome"), 2, 2);
    EXPECT_EQ(fw::headless::Requests(View()),
              (std::vector<ViewRequest>{{Kind::Load, c.address, false}}));
    EXPECT_EQ(fw::headless::CurrentPage(View()), c.address);
  }
}

TEST_F(NavigationTest, TheButtonsStillWorkWhenAFaceIsMissingOrDamaged) {
  enum class Damage { Missing, NotAPicture };
  for (const char* face : kFaceFiles) {
    for (const Damage damage : {Damage::Missing, Damage::NotAPicture}) {
      SCOPED_TRACE(testing::Message()
                   << face << (damage == Damage::Missing ? " missing" : " not a picture"));
      // A fresh world for each: the faces are loaded anew.
      TearDown();
      SetUp();
      if (damage == Damage::Missing) {
        fs::remove(resources_ / face);
      } else {
        WriteFile(resources_ / face, "this is not a PNG file");
      }
      testing::internal::CaptureStderr();
      OpenFresh();
      testing::internal::GetCapturedStderr();
      ASSERT_TRUE(window_);
      for (const Button& b : kButtons) {
        SCOPED_TRACE(b.name);
        fw::headless::ClearRequests(View());
        EXPECT_TRUE(fw::headless::MouseDown(Well(b.name), 4, 4));
        EXPECT_EQ(fw::headless::PeerImage(Well(b.name)), b.pressed());
        fw::headless::MouseUp(Well(b.name), 4, 4);
        EXPECT_EQ(fw::headless::PeerImage(Well(b.name)), b.normal());
        EXPECT_EQ(fw::headless::Requests(View()), std::vector<ViewRequest>{Expected(b.name)});
      }
    }
  }
}

}  // namespace
}  // namespace tambourin::test
