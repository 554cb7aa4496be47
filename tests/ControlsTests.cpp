// The window's nine controls: their classes and order, their packed property
// lists, their first pictures, the Edit-menu bindings of the views and the
// order in which their events are wired.

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/PluginEntries.h"
#include "framework/PropertyList.h"
#include "framework/Runtime.h"
#include "resources/Pictures.h"
#include "tests/TestSupport.h"
#include "window/ControlLists.h"

namespace tambourin::test {
namespace {

using namespace std::string_literals;

struct ControlCase {
  const char* name;
  fw::ControlKind kind;
  bool visible;
  std::vector<std::string> events;  // in the order they are wired
};

// In the order the controls are registered.
const std::vector<ControlCase>& NineControls() {
  using K = fw::ControlKind;
  static const std::vector<ControlCase> controls = {
      {"HTMLViewer1", K::HTMLViewer, true, {"NewWindow", "DocumentComplete"}},
      {"TextField1", K::TextField, false, {}},
      {"PushButton5", K::PushButton, false, {"Action"}},
      {"HTMLViewer2", K::HTMLViewer, false, {"CancelLoad"}},
      {"buttonfront", K::ImageWell, true, {"MouseUp", "MouseDown"}},
      {"buttonback", K::ImageWell, true, {"MouseDown", "MouseUp"}},
      {"Separator1", K::Separator, true, {}},
      {"BevelButton3", K::BevelButton, true, {"Action"}},
      {"buttonhome", K::ImageWell, true, {"MouseUp", "MouseDown"}},
  };
  return controls;
}

bool IsOfItsClass(const fw::RectControl& control, fw::ControlKind kind) {
  switch (kind) {
    case fw::ControlKind::TextField: return dynamic_cast<const fw::TextField*>(&control);
    case fw::ControlKind::PushButton: return dynamic_cast<const fw::PushButton*>(&control);
    case fw::ControlKind::BevelButton: return dynamic_cast<const fw::BevelButton*>(&control);
    case fw::ControlKind::ImageWell: return dynamic_cast<const fw::ImageWell*>(&control);
    case fw::ControlKind::Separator: return dynamic_cast<const fw::Separator*>(&control);
    case fw::ControlKind::HTMLViewer: return dynamic_cast<const fw::HTMLViewer*>(&control);
  }
  return false;
}

std::vector<std::string> RegisteredNames(const fw::Window& window) {
  std::vector<std::string> names;
  for (const auto& entry : window.Controls()) names.push_back(entry.first);
  return names;
}

std::vector<std::string> AllNames() {
  std::vector<std::string> names;
  for (const ControlCase& c : NineControls()) names.push_back(c.name);
  return names;
}

const char* const kEditCommands[] = {"EditClear", "EditCopy", "EditCut", "EditPaste",
                                     "EditSelectAll"};

class ControlsTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    OpenWindow();
  }
};

TEST_F(ControlsTest, TheNineControlsAreRegisteredInOrderEachOfItsClass) {
  EXPECT_EQ(RegisteredNames(*window_), AllNames());
  for (const ControlCase& c : NineControls()) {
    SCOPED_TRACE(c.name);
    auto control = window_->ControlByName(c.name);
    ASSERT_TRUE(control);
    EXPECT_EQ(control->Kind(), c.kind);
    EXPECT_TRUE(IsOfItsClass(*control, c.kind));
    EXPECT_EQ(control->Name(), c.name) << "the list's Name reached the control";
    EXPECT_EQ(&control->ParentWindow(), window_.get());
  }
}

TEST_F(ControlsTest, TheTextFieldTheHelpButtonAndTheSecondViewAreHidden) {
  for (const ControlCase& c : NineControls()) {
    SCOPED_TRACE(c.name);
    const auto& control = *window_->ControlByName(c.name);
    EXPECT_EQ(control.Visible(), c.visible);
    EXPECT_EQ(fw::headless::PeerVisible(control), c.visible);
  }
}

TEST_F(ControlsTest, EachControlsEventsAreWiredInTheirOrder) {
  for (const ControlCase& c : NineControls()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(window_->ControlByName(c.name)->InstalledEvents(), c.events);
  }
}

TEST_F(ControlsTest, TheButtonsAndTheFieldMeasureTextInUnitZero) {
  EXPECT_EQ(Control<fw::TextField>("TextField1").TextUnit(), 0);
  EXPECT_EQ(Control<fw::PushButton>("PushButton5").TextUnit(), 0);
  EXPECT_EQ(Control<fw::BevelButton>("BevelButton3").TextUnit(), 0);
}

// What reaches each control's toolkit peer while it is built: its
// construction, then the font unit or the first picture where it has one,
// and only then its list, whose first entry to show is its Left.
TEST_F(ControlsTest, TheTextUnitAndTheFirstPictureComeBeforeTheList) {
  using fw::headless::PictureId;
  struct Case {
    const char* name;
    std::vector<std::string> beforeList;
    int32_t left;
  };
  const Case cases[] = {
      {"HTMLViewer1", {}, 0},
      {"TextField1", {"TextUnit 0"}, 639},
      {"PushButton5", {"TextUnit 0"}, 985},
      {"HTMLViewer2", {}, 974},
      {"buttonfront", {"Image " + PictureId(NavForwardButton2())}, 35},
      {"buttonback", {"Image " + PictureId(NavBackButton())}, 9},
      {"Separator1", {}, 0},
      {"BevelButton3", {"TextUnit 0"}, 106},
      {"buttonhome", {"Image " + PictureId(ToolbarHomepageButton())}, 69},
  };
  auto count = [](const std::vector<std::string>& calls, const std::string& prefix) {
    return std::count_if(calls.begin(), calls.end(),
                         [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::string> calls =
        fw::headless::PeerCallsOf(*window_->ControlByName(c.name));
    std::vector<std::string> expected = {"Bounds 0 0 0 0"};
    expected.insert(expected.end(), c.beforeList.begin(), c.beforeList.end());
    expected.push_back("Bounds " + std::to_string(c.left) + " 0 0 0");
    ASSERT_GE(calls.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + expected.size()), expected);
    // Set once each, and by nothing else while the window opened.
    EXPECT_EQ(count(calls, "TextUnit "), count(c.beforeList, "TextUnit "));
    EXPECT_EQ(count(calls, "Image "), count(c.beforeList, "Image "));
  }
}

TEST_F(ControlsTest, BothViewsBindTheFiveEditCommandsAndLeaveThemToTheToolkit) {
  for (const ControlCase& c : NineControls()) {
    SCOPED_TRACE(c.name);
    auto& control = *window_->ControlByName(c.name);
    const bool view = c.kind == fw::ControlKind::HTMLViewer;
    for (const char* command : kEditCommands) {
      SCOPED_TRACE(command);
      EXPECT_EQ(control.HasMenuHandler(command), view);
      testing::internal::CaptureStderr();
      EXPECT_FALSE(fw::headless::MenuCommand(control, command)) << "never counted as handled";
      EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }
  }
}

TEST_F(ControlsTest, TheToolbarWellsShowTheirFaces) {
  struct Face {
    const char* well;
    fw::PicturePtr (*face)();
  };
  const Face faces[] = {{"buttonfront", &NavForwardButton2},
                        {"buttonback", &NavBackButton},
                        {"buttonhome", &ToolbarHomepageButton}};
  for (const Face& f : faces) {
    SCOPED_TRACE(f.well);
    auto& well = Control<fw::ImageWell>(f.well);
    ASSERT_TRUE(well.Image());
    EXPECT_EQ(well.Image(), f.face());
    EXPECT_EQ(fw::headless::PeerImage(well), f.face());
  }
  // Only the three normal faces were read: a pressed face waits for its press.
  EXPECT_EQ(fw::headless::DecodeCount(), 3);
}

// The keys of a list in order, read with the class's own schema.
std::vector<std::string> KeysOf(const fw::RectControl& control, const std::string& list) {
  std::vector<std::string> keys;
  for (const auto& p : fw::ParsePropertyList(list, control.PropertySchema(),
                                             control.SchemaClassName())) {
    keys.push_back(p.property);
  }
  return keys;
}

TEST_F(ControlsTest, TheHelpButtonAndViewListsHoldTheirEntriesInOrder) {
  const std::vector<std::string> start = {"Name",     "Index",    "Left",      "Top",
                                          "Width",    "Height",   "LockLeft",  "LockTop",
                                          "LockRight", "LockBottom", "TabPanelIndex"};
  auto then = [&](std::vector<std::string> rest) {
    std::vector<std::string> all = start;
    all.insert(all.end(), rest.begin(), rest.end());
    return all;
  };
  const std::vector<std::string> view =
      then({"InitialParent", "TabIndex", "Visible", "HelpTag", "AutoDeactivate", "Enabled"});
  struct Case {
    const char* name;
    const std::string& list;
    std::vector<std::string> keys;
  };
  const Case cases[] = {
      {"HTMLViewer1", lists::HTMLViewer1(), view},
      {"HTMLViewer2", lists::HTMLViewer2(), view},
      {"PushButton5", lists::PushButton5(),
       then({"TabIndex", "TabStop", "Caption", "Default", "Cancel", "Enabled", "Visible",
             "HelpTag", "AutoDeactivate", "ButtonStyle", "TextFont", "Bold", "Italic",
             "Underline", "InitialParent"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(KeysOf(Control<fw::RectControl>(c.name), c.list), c.keys);
  }

  auto& help = Control<fw::PushButton>("PushButton5");
  EXPECT_EQ(help.Caption(), "?");
  EXPECT_EQ(help.HelpTag(), "About this app");
  EXPECT_EQ(std::get<int32_t>(help.Property("TabIndex")), 5);
  EXPECT_FALSE(std::get<bool>(help.Property("TabStop")));
  for (const char* name : {"HTMLViewer1", "HTMLViewer2"}) {
    SCOPED_TRACE(name);
    auto& v = Control<fw::HTMLViewer>(name);
    EXPECT_EQ(std::get<int32_t>(v.Property("TabIndex")), 0);
    EXPECT_FALSE(v.HasProperty("TabStop"));
    EXPECT_EQ(v.HelpTag(), "");
    EXPECT_TRUE(v.Enabled());
  }
}

TEST_F(ControlsTest, TheBevelButtonKeepsItsMenuSettingAsAnInteger) {
  const auto& bevel = Control<fw::BevelButton>("BevelButton3");
  EXPECT_TRUE(std::holds_alternative<int32_t>(bevel.Property("HasMenu")));
  EXPECT_EQ(bevel.Caption(), "Xtra");
  EXPECT_EQ(bevel.HelpTag(), "More Palavera Stuff");
}

// --- Building the controls when something is missing ------------------------

using ControlsBuildTest = ProgramTest;

TEST_F(ControlsBuildTest, AMissingFaceGivesAnEmptyWellAndEveryLaterControl) {
  fs::remove(resources_ / "NavForwardButton2.png");
  testing::internal::CaptureStderr();
  OpenWindow();
  testing::internal::GetCapturedStderr();
  ASSERT_TRUE(window_);

  auto& front = Control<fw::ImageWell>("buttonfront");
  EXPECT_FALSE(front.Image());
  EXPECT_FALSE(fw::headless::PeerImage(front));
  EXPECT_EQ(front.InstalledEvents(), (std::vector<std::string>{"MouseUp", "MouseDown"}));
  EXPECT_EQ(front.Left(), 35) << "its list was still set";
  EXPECT_EQ(RegisteredNames(*window_), AllNames());
  EXPECT_TRUE(Control<fw::ImageWell>("buttonback").Image());
  EXPECT_TRUE(Control<fw::ImageWell>("buttonhome").Image());
}

// Notes which controls were registered when building them failed.
class RecordingWindow : public Window1 {
 public:
  void CreateControls0() override {
    try {
      Window1::CreateControls0();
    } catch (...) {
      registered = RegisteredNames(*this);
      throw;
    }
  }
  std::vector<std::string> registered;
};

class ControlsFailingStepTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    // Without the picture well's entry, the first face cannot be set.
    fw::WithdrawPluginEntry("ImageWell.Image.Set");
    fw::InitPluginEntrypoints();
  }
  void TearDown() override {
    fw::OfferComponentEntries();
    fw::InitPluginEntrypoints();
    ProgramTest::TearDown();
  }
};

TEST_F(ControlsFailingStepTest, TheExceptionEndsTheBuildAndNoWindowIsLeftRegistered) {
  EXPECT_THROW(OpenWindow(), fw::PluginEntryException);
  EXPECT_FALSE(window_);
  EXPECT_FALSE(fw::GetImplicitWindow(Window1::kClassName));
  EXPECT_TRUE(fw::OpenWindows().empty());
}

TEST_F(ControlsFailingStepTest, TheControlsBeforeTheFailingStepStayRegistered) {
  auto window = std::make_shared<RecordingWindow>();
  {
    fw::DispatchScope scope;
    EXPECT_THROW(window->Constructor(), fw::PluginEntryException);
  }
  // The well was registered before its face was set; nothing after it.
  EXPECT_EQ(window->registered, (std::vector<std::string>{"HTMLViewer1", "TextField1",
                                                          "PushButton5", "HTMLViewer2",
                                                          "buttonfront"}));
  EXPECT_EQ(RegisteredNames(*window), window->registered);
  // The earlier ones were finished, handlers and all.
  EXPECT_EQ(ControlOn<fw::HTMLViewer>(*window, "HTMLViewer2").InstalledEvents(),
            (std::vector<std::string>{"CancelLoad"}));
  EXPECT_TRUE(ControlOn<fw::HTMLViewer>(*window, "HTMLViewer2").HasMenuHandler("EditCopy"));
  EXPECT_TRUE(ControlOn<fw::ImageWell>(*window, "buttonfront").InstalledEvents().empty());
  EXPECT_FALSE(fw::GetImplicitWindow(Window1::kClassName));
}

}  // namespace
}  // namespace tambourin::test
