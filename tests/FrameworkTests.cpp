// The framework's object model on the in-memory backend: property lists, the
// window's event table and registry, the entry table, files and values.

#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "framework/Errors.h"
#include "framework/Files.h"
#include "framework/PluginEntries.h"
#include "framework/PropertyList.h"
#include "framework/Values.h"
#include "resources/Pictures.h"
#include "tests/AddressCases.h"
#include "tests/TestSupport.h"

namespace tambourin::test {
namespace {

// Big-endian helpers for writing expected bytes by hand.
std::string I32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>((v >> 16) & 0xFF),
          static_cast<char>((v >> 8) & 0xFF), static_cast<char>(v & 0xFF)};
}

using FrameworkTest = ProgramTest;

// --- The window's own property list ------------------------------------------

// Its bytes are compared with the other nine lists' in PropertyListsTests.cpp.

TEST_F(FrameworkTest, TheWindowListGivesTheWindowItsTitleLimitsAndBoxes) {
  auto window = OpenWindow();
  EXPECT_EQ(window->Title(), "Tambourin");
  EXPECT_EQ(fw::headless::PeerTitle(*window), "Tambourin");
  const fw::SizeLimits limits = window->Limits();
  EXPECT_EQ(limits.minWidth, 64);
  EXPECT_EQ(limits.minHeight, 64);
  EXPECT_EQ(limits.maxWidth, 32000);
  EXPECT_EQ(limits.maxHeight, 32000);
  const fw::WindowDecorations boxes = window->Decorations();
  EXPECT_TRUE(boxes.closeButton);
  EXPECT_TRUE(boxes.minimizeButton);
  EXPECT_TRUE(boxes.maximizeButton);
  EXPECT_TRUE(boxes.resizeable);
  EXPECT_FALSE(boxes.fullScreen);
  EXPECT_EQ(std::get<int32_t>(window->Property("MacProcId")), 0);
  EXPECT_EQ(std::get<fw::Color>(window->Property("BackColor")), (fw::Color{191, 191, 191}));
  EXPECT_FALSE(window->ContentsChanged());
}

// --- Damaged lists -------------------------------------------------------------

TEST_F(FrameworkTest, ADamagedListIsRefusedWholeNamingTheKeyAndOffset) {
  const std::string good = "Title " + I32(3) + "Abc";  // 13 bytes
  struct Case {
    const char* name;
    std::string bytes;
    std::string key;
    std::size_t offset;
  };
  const Case cases[] = {
      {"unknown key", good + "Colour " + I32(1), "Colour", 13},
      {"key without its space", good + "Visible", "Visible", 13},
      {"integer cut short", good + "Width " + I32(5).substr(0, 3), "Width", 13},
      {"text cut short", good + "Title " + I32(10) + "short", "Title", 13},
      {"Boolean neither 0 nor 1", good + "Visible " + "\x02", "Visible", 13},
      {"bytes left over", good + "\x01\x02", "", 13},
      {"key of another class", good + "Caption " + I32(1) + "x", "Caption", 13},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto window = std::make_shared<class Window1>();
    try {
      fw::SetProperties(*window, c.bytes);
      ADD_FAILURE() << "the list was accepted";
    } catch (const fw::PropertyListException& e) {
      EXPECT_EQ(e.Key(), c.key);
      EXPECT_EQ(e.Offset(), c.offset);
      EXPECT_NE(std::string(e.what()).find("byte " + std::to_string(c.offset)), std::string::npos);
    }
    // Nothing of it was applied, not even the good first entry.
    EXPECT_FALSE(window->HasProperty("Title"));
  }
}

// --- Window events and the implicit window ---------------------------------------

// Records what the accessor answers from inside the window's own handlers,
// and the order in which the five bound events come. (Plain pointers: a
// window holding references to itself would never be freed.)
class WatchedWindow : public Window1 {
 public:
  std::vector<const fw::Window*> seen;
  std::vector<std::string> events;
  void Layout() override {
    events.push_back("Layout");
    Window1::Layout();
  }
  void CreateControls() override {
    events.push_back("CreateControls");
    Window1::CreateControls();
  }
  void Event_Open() override {
    events.push_back("Open");
    seen.push_back(tambourin::Window1().get());
    Window1::Event_Open();
  }
  void Event_Resized() override {
    events.push_back("Resized");
    seen.push_back(tambourin::Window1().get());
    Window1::Event_Resized();
  }
  void Event_Close() override {
    events.push_back("Close");
    seen.push_back(tambourin::Window1().get());
    Window1::Event_Close();
  }
};

TEST_F(FrameworkTest, TheAccessorGivesTheOneWindowAlsoFromItsOwnHandlers) {
  auto window = std::make_shared<WatchedWindow>();
  {
    fw::DispatchScope scope;
    window->Constructor();
  }
  EXPECT_EQ(tambourin::Window1(), window);
  EXPECT_EQ(tambourin::Window1(), window);
  fw::headless::UserClose(*window);
  ASSERT_GE(window->seen.size(), 3u);  // Open, Resized at least once, Close
  for (const auto* seen : window->seen) EXPECT_EQ(seen, window.get());
  EXPECT_EQ(fw::OpenWindows().size(), 0u);
}

// Layout and CreateControls build the window before Open; Resized comes once
// for the opening size and once for each settled change after it, never
// before the controls exist; Close comes once.
TEST_F(FrameworkTest, TheFiveBoundEventsComeInTheirOrder) {
  auto window = std::make_shared<WatchedWindow>();
  {
    fw::DispatchScope scope;
    window->Constructor();
  }
  EXPECT_EQ(window->events,
            (std::vector<std::string>{"Layout", "CreateControls", "Open", "Resized"}));
  fw::headless::UserResize(*window, 800, 600);
  fw::headless::UserResize(*window, 800, 600);  // no change, no event
  fw::headless::UserClose(*window);
  EXPECT_EQ(window->events, (std::vector<std::string>{"Layout", "CreateControls", "Open",
                                                      "Resized", "Resized", "Close"}));
}

TEST_F(FrameworkTest, OnlyTheFiveBoundEventsRunCodeAndACloseIsNeverRefused) {
  auto window = OpenWindow();
  int bound = 0;
  for (std::size_t i = 0; i < fw::kWindowEventCount; ++i) {
    const auto event = static_cast<fw::WindowEvent>(i);
    if (window->IsBound(event)) {
      ++bound;
      continue;
    }
    SCOPED_TRACE(fw::WindowEventName(event));
    EXPECT_FALSE(window->RaiseEvent(event));
  }
  EXPECT_EQ(bound, 5);
  for (auto event : {fw::WindowEvent::Layout, fw::WindowEvent::CreateControls,
                     fw::WindowEvent::Open, fw::WindowEvent::Close, fw::WindowEvent::Resized}) {
    EXPECT_TRUE(window->IsBound(event)) << fw::WindowEventName(event);
  }
  fw::headless::UserClose(*window);
  EXPECT_TRUE(window->IsClosed());
}

TEST_F(FrameworkTest, ClassRecordsComeParentsFirstAndTheProgramsTwoLast) {
  const auto& records = fw::ClassRecords();
  ASSERT_GE(records.size(), 3u);
  EXPECT_EQ(records[records.size() - 2]->name, "App");
  EXPECT_EQ(records.back()->name, "Window1.Window1");
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (records[i]->parent.empty()) continue;
    bool parentBefore = false;
    for (std::size_t j = 0; j < i; ++j) parentBefore |= records[j]->name == records[i]->parent;
    EXPECT_TRUE(parentBefore) << records[i]->name;
  }
  EXPECT_THROW(fw::RegisterClassRecord({"Orphan", "NoSuchParent", {}, {}}), fw::RuntimeException);
}

TEST_F(FrameworkTest, AnExceptionOutOfAHandlerIsReportedAndTheProgramGoesOn) {
  auto window = OpenWindow();
  auto& button = Control<fw::BevelButton>("BevelButton3");
  fw::InstallInstanceEventHandler(button, "Action", fw::ActionHandler([](fw::RectControl&) {
                                    throw fw::NilObjectException("nothing there");
                                  }));
  testing::internal::CaptureStderr();
  fw::headless::Click(button);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("NilObjectException: nothing there"), std::string::npos) << err;
  EXPECT_TRUE(window->IsOpen());
}

TEST_F(FrameworkTest, AHandlerMustFitItsEvent) {
  OpenWindow();
  auto& well = Control<fw::ImageWell>("buttonhome");
  EXPECT_THROW(fw::InstallInstanceEventHandler(well, "Action", fw::ActionHandler([](auto&) {})),
               fw::EventException);
  EXPECT_THROW(fw::InstallInstanceEventHandler(
                   well, "MouseDown", fw::MouseUpHandler([](auto&, int32_t, int32_t) {})),
               fw::EventException);
}

// The refusal names the handler the event takes and the one it was given.
TEST_F(FrameworkTest, AMisfittingHandlerIsNamedInTheError) {
  OpenWindow();
  auto& view = Control<fw::HTMLViewer>("HTMLViewer2");
  try {
    fw::InstallInstanceEventHandler(
        view, "CancelLoad", fw::DocumentCompleteHandler([](auto&, const std::string&) {}));
    FAIL() << "a DocumentComplete handler was taken for CancelLoad";
  } catch (const fw::EventException& e) {
    EXPECT_STREQ(e.what(), "the handler for \"CancelLoad\" must be CancelLoad(url) as Boolean, "
                           "not DocumentComplete(url)");
  }
  EXPECT_TRUE(view.InstalledEvents() == std::vector<std::string>({"CancelLoad"}))
      << "the handler bound before stays bound";
}

// A well's MouseUp is raised only for a press that its MouseDown claimed by
// answering True; a press nobody claimed ends without a release event.
TEST_F(FrameworkTest, AReleaseReachesAWellOnlyAfterAPressItClaimed) {
  OpenWindow();
  struct Case {
    const char* name;
    int mouseDown;  // -1: no MouseDown handler; 0 or 1: its answer
    int releases;   // MouseUps delivered for one press and two releases
  };
  const Case cases[] = {
      {"claimed", 1, 1},
      {"refused", 0, 0},
      {"no MouseDown handler", -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto well = window_->New<fw::ImageWell>();
    well->Constructor();
    window_->AddControl(std::string("well ") + c.name, well);
    int downs = 0;
    int ups = 0;
    if (c.mouseDown >= 0) {
      const bool answer = c.mouseDown == 1;
      fw::InstallInstanceEventHandler(*well, "MouseDown",
                                      fw::MouseDownHandler([&downs, answer](auto&, int32_t, int32_t) {
                                        ++downs;
                                        return answer;
                                      }));
    }
    fw::InstallInstanceEventHandler(*well, "MouseUp",
                                    fw::MouseUpHandler([&ups](auto&, int32_t, int32_t) { ++ups; }));
    EXPECT_EQ(fw::headless::MouseDown(*well, 3, 3), c.mouseDown == 1);
    fw::headless::MouseUp(*well, 3, 3);
    // A second release without a new press was never claimed.
    fw::headless::MouseUp(*well, 3, 3);
    EXPECT_EQ(downs, c.mouseDown >= 0 ? 1 : 0);
    EXPECT_EQ(ups, c.releases);
  }
  // A press claimed by one well is no claim on another.
  auto& back = Control<fw::ImageWell>("buttonback");
  auto& home = Control<fw::ImageWell>("buttonhome");
  auto& view = Control<fw::HTMLViewer>("HTMLViewer1");
  fw::headless::FinishLoads();
  fw::headless::ClearRequests(view);
  EXPECT_TRUE(fw::headless::MouseDown(back, 1, 1));
  fw::headless::MouseUp(home, 1, 1);
  EXPECT_TRUE(fw::headless::Requests(view).empty());
  EXPECT_EQ(fw::headless::PeerImage(home), ToolbarHomepageButton());
}

// --- The entry table ------------------------------------------------------------

TEST_F(FrameworkTest, AnEntryNotResolvedIsNeverCalled) {
  auto window = OpenWindow();
  auto& view = Control<fw::HTMLViewer>("HTMLViewer1");
  fw::headless::ClearRequests(view);
  fw::WithdrawPluginEntry("_HTMLViewerPlugin.LoadURL(url as String)");
  fw::InitPluginEntrypoints();
  EXPECT_FALSE(fw::IsPluginEntryResolved(fw::PluginEntry::HTMLViewerLoadURL));
  EXPECT_TRUE(fw::IsPluginEntryResolved(fw::PluginEntry::GoBackExt));
  EXPECT_THROW(view.LoadURL("http://127.0.0.1/"), fw::PluginEntryException);
  EXPECT_TRUE(fw::headless::Requests(view).empty());
  fw::OfferComponentEntries();
  fw::InitPluginEntrypoints();
}

// --- Values -----------------------------------------------------------------------

TEST(Values, StrAndCDblRoundTripEveryInteger) {
  for (int32_t v : {0, 1, -1, 1020, -250, 2147483647, -2147483647 - 1}) {
    EXPECT_EQ(fw::DoubleToInt32(fw::CDbl(fw::Str(v))), v) << v;
  }
  EXPECT_EQ(fw::Str(-250), "-250");
  EXPECT_EQ(fw::CDbl("12.5"), 12.5);
  EXPECT_EQ(fw::CDbl("words"), 0.0);
  EXPECT_EQ(fw::DoubleToInt32(209.5), 209);
  EXPECT_EQ(fw::DoubleToInt32(-110.5), -110);
  EXPECT_EQ(fw::DoubleToInt32(1e12), 2147483647);
  EXPECT_EQ(fw::DoubleToInt32(-1e12), -2147483647 - 1);
}

TEST(Values, OnlyHttpAndHttpsAddressesMayLeaveTheProgram) {
  fw::headless::Reset();
  std::vector<std::string> leaving;
  for (const AddressCase& c : kAddressCases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(fw::IsAddressForDefaultBrowser(c.url), c.leaves);
    testing::internal::CaptureStderr();
    fw::ShowURL(c.url);
    const std::string err = testing::internal::GetCapturedStderr();
    if (c.leaves) {
      leaving.push_back(c.url);
      EXPECT_EQ(err, "");
    } else {
      // Refused with one line, even for an address with a line break in it,
      // that names the address.
      EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
      EXPECT_EQ(err.back(), '\n');
      const std::string url = c.url;
      const bool printable = std::none_of(url.begin(), url.end(), [](unsigned char ch) {
        return ch < 0x20 || ch == 0x7F;
      });
      if (printable) {
        EXPECT_NE(err.find("\"" + url + "\""), std::string::npos) << err;
      }
    }
    // What leaves, leaves exactly as given.
    EXPECT_EQ(fw::headless::BrowserLaunches(), leaving);
  }
  fw::headless::Reset();
}

TEST(Values, AReportShowsAPagesTextOnOneLine) {
  struct Case {
    std::string text;
    std::string shown;
  };
  const Case cases[] = {
      {"http://a.test/plain?q=1#x", "http://a.test/plain?q=1#x"},
      {"a\nb", "a\\x0ab"},
      {"a\r\ntambourin: forged", "a\\x0d\\x0atambourin: forged"},
      {"\x1b[2Kgone", "\\x1b[2Kgone"},
      {"tab\there", "tab\\x09here"},
      {"del\x7f", "del\\x7f"},
      {std::string("nul\0end", 7), "nul\\x00end"},
      {"caf\xc3\xa9 space", "caf\xc3\xa9 space"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fw::OnOneLine(c.text), c.shown) << c.text;
  }
}

// --- Files --------------------------------------------------------------------------

TEST_F(FrameworkTest, AFileIsReplacedOnlyWhenItsStreamCloses) {
  auto prefs = fw::SpecialFolder::Preferences();
  ASSERT_TRUE(prefs);
  EXPECT_EQ(prefs->NativePath(), prefs_.string());
  auto item = prefs->Child("value.txt");
  WriteFile(prefs_ / "value.txt", "old");
  {
    auto out = item->CreateTextFile();
    ASSERT_TRUE(out);
    out->Write("new");
    EXPECT_EQ(ReadFile(prefs_ / "value.txt"), "old");
    // Dropped without Close: nothing replaces the old file.
  }
  EXPECT_EQ(ReadFile(prefs_ / "value.txt"), "old");
  auto out = item->CreateTextFile();
  out->Write("new");
  out->Close();
  EXPECT_TRUE(out->Succeeded());
  EXPECT_EQ(ReadFile(prefs_ / "value.txt"), "new");
  int files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(prefs_)) ++files;
  EXPECT_EQ(files, 1);  // no temporary file left behind
}

// A saved file gets the permissions the user's file-creation mask gives any
// new file, not ones of the program's choosing.
TEST_F(FrameworkTest, ASavedFileFollowsTheUsersMask) {
  auto item = fw::SpecialFolder::Preferences()->Child("masked.txt");
  const struct {
    mode_t mask;
    mode_t expected;
  } cases[] = {{022, 0644}, {077, 0600}, {002, 0664}, {0, 0666}};
  const mode_t before = ::umask(022);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mask);
    ::umask(c.mask);
    auto out = item->CreateTextFile();
    ASSERT_TRUE(out);
    out->Write("x");
    out->Close();
    EXPECT_TRUE(out->Succeeded());
    struct stat st {};
    ASSERT_EQ(::stat((prefs_ / "masked.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, c.expected);
  }
  ::umask(before);
}

TEST_F(FrameworkTest, ABatchReplacesNothingUntilItIsCommitted) {
  auto prefs = fw::SpecialFolder::Preferences();
  const char* names[] = {"a.txt", "b.txt", "c.txt"};
  auto entries = [&] {
    int n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(prefs_)) ++n;
    return n;
  };
  for (const char* name : names) WriteFile(prefs_ / name, "old");
  {
    // A save that never reaches its commit (the program ends first).
    fw::FileBatch batch;
    for (const char* name : names) {
      auto out = prefs->Child(name)->CreateTextFile(batch);
      ASSERT_TRUE(out);
      out->Write("new");
      out->Close();
      EXPECT_FALSE(out->Succeeded());
    }
    for (const char* name : names) EXPECT_EQ(ReadFile(prefs_ / name), "old");
    EXPECT_EQ(entries(), 6) << "the three new files wait beside the old";
  }
  for (const char* name : names) EXPECT_EQ(ReadFile(prefs_ / name), "old");
  EXPECT_EQ(entries(), 3);

  fw::FileBatch batch;
  std::vector<std::shared_ptr<fw::TextOutputStream>> streams;
  for (const char* name : names) {
    streams.push_back(prefs->Child(name)->CreateTextFile(batch));
    streams.back()->Write(std::string("new ") + name);
  }
  streams[0]->Close();
  streams[2]->Close();
  // The second was never closed: it is incomplete, and not put in place.
  EXPECT_FALSE(batch.Commit());
  EXPECT_EQ(ReadFile(prefs_ / "a.txt"), "new a.txt");
  EXPECT_EQ(ReadFile(prefs_ / "b.txt"), "old");
  EXPECT_EQ(ReadFile(prefs_ / "c.txt"), "new c.txt");
  EXPECT_TRUE(streams[0]->Succeeded());
  EXPECT_FALSE(streams[1]->Succeeded());
  EXPECT_EQ(entries(), 3);
}

TEST_F(FrameworkTest, OpeningWhatIsNotAReadableFileGivesNil) {
  auto prefs = fw::SpecialFolder::Preferences();
  EXPECT_FALSE(prefs->Child("missing.txt")->OpenAsTextFile());
  EXPECT_FALSE(prefs->Child("missing.txt")->Exists());
  fs::create_directories(prefs_ / "folder.txt");
  EXPECT_FALSE(prefs->Child("folder.txt")->OpenAsTextFile());
  EXPECT_FALSE(prefs->Child("../escape"));
  EXPECT_FALSE(prefs->Child(""));
  WriteFile(prefs_ / "whole.txt", "12\n34");
  EXPECT_EQ(prefs->Child("whole.txt")->OpenAsTextFile()->ReadAll(), "12\n34");
  EXPECT_FALSE(prefs->Child("whole.txt")->OpenAsTextFile()->Truncated());
  // Read up to a bound: the first bytes, and word that there was more.
  auto part = prefs->Child("whole.txt")->OpenAsTextFile(3);
  EXPECT_EQ(part->ReadAll(), "12\n");
  EXPECT_TRUE(part->Truncated());
  auto exact = prefs->Child("whole.txt")->OpenAsTextFile(5);
  EXPECT_EQ(exact->ReadAll(), "12\n34");
  EXPECT_FALSE(exact->Truncated());
  fs::create_symlink("/dev/zero", prefs_ / "zero.txt");
  EXPECT_FALSE(prefs->Child("zero.txt")->OpenAsTextFile());
  fs::create_symlink(prefs_ / "whole.txt", prefs_ / "link.txt");
  EXPECT_EQ(prefs->Child("link.txt")->OpenAsTextFile()->ReadAll(), "12\n34");
}

}  // namespace
}  // namespace tambourin::test
