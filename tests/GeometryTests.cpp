// Opening and closing the main window: its place from the four geometry files
// or centred at 1020 x 700 on the main screen, the home page loading, and the
// place saved at closing before the program ends.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "framework/PluginEntries.h"
#include "framework/Runtime.h"
#include "resources/Pictures.h"
#include "tests/TestSupport.h"
#include "window/GeometryFiles.h"

namespace tambourin::test {
namespace {

constexpr fw::Rect kCentredOnDefaultScreen{210, 100, 1020, 700};  // 1440 x 900

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

struct Geometry {
  std::string top, left, height, width;
};

// A listening Unix socket at that path. It is made under a short name and
// moved there, since a socket's path must fit in 108 bytes.
void MakeSocketAt(const fs::path& path) {
  const std::string shortName = "/tmp/tambourin-socket-" + std::to_string(::getpid());
  ::unlink(shortName.c_str());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", shortName.c_str());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
  ASSERT_EQ(::rename(shortName.c_str(), path.c_str()), 0);
}

// The main window, noting where its opening handler left it before the
// framework had any say.
class RecordingWindow : public Window1 {
 public:
  fw::Rect afterOpen;
  void Event_Open() override {
    Window1::Event_Open();
    afterOpen = Bounds();
  }
};

class GeometryTest : public ProgramTest {
 protected:
  // Opens the main window and gives what it wrote on stderr meanwhile.
  std::string OpenCapturingStderr() {
    testing::internal::CaptureStderr();
    OpenWindow();
    return testing::internal::GetCapturedStderr();
  }

  std::shared_ptr<RecordingWindow> OpenRecordingWindow() {
    auto window = std::make_shared<RecordingWindow>();
    {
      fw::DispatchScope scope;
      window->Constructor();
    }
    window_ = window;
    return window;
  }

  std::string CloseCapturingStderr() {
    testing::internal::CaptureStderr();
    fw::headless::UserClose(*window_);
    return testing::internal::GetCapturedStderr();
  }

  void WriteSet(const Geometry& g) {
    WriteFile(Prefs(kTopSuffix), g.top);
    WriteFile(Prefs(kLeftSuffix), g.left);
    WriteFile(Prefs(kHeightSuffix), g.height);
    WriteFile(Prefs(kWidthSuffix), g.width);
  }

  Geometry ReadSet() const {
    return {ReadFile(Prefs(kTopSuffix)), ReadFile(Prefs(kLeftSuffix)),
            ReadFile(Prefs(kHeightSuffix)), ReadFile(Prefs(kWidthSuffix))};
  }

  fw::Rect Bounds() const { return window_->Bounds(); }

  // A later run of the program: a new runtime, the same folders and files.
  void NewRun() {
    window_.reset();
    fw::ReleaseModuleState();
    fw::headless::Reset();
    ForgetPicturesForTesting();
    fw::headless::SetExecutablePath((root_ / "bin" / "tambourin").string());
    fw::RuntimeInit();
    initialize();
    fw::InitPluginEntrypoints();
  }

  // The program asked to quit: the event loop no longer runs, and the
  // status is 0.
  void ExpectQuitWithZero() {
    bool ran = false;
    fw::headless::Post([&ran] { ran = true; });
    fw::RuntimeRun();
    EXPECT_FALSE(ran) << "the event loop still ran after the window closed";
    EXPECT_EQ(fw::RuntimeExit(), 0);
  }

  void ExpectHomePageLoaded() {
    const auto requests = fw::headless::Requests(Control<fw::HTMLViewer>("HTMLViewer1"));
    std::vector<fw::headless::ViewRequest> loads;
    std::copy_if(requests.begin(), requests.end(), std::back_inserter(loads),
                 [](const auto& r) { return r.kind == fw::headless::ViewRequest::Kind::Load; });
    const std::vector<fw::headless::ViewRequest> expected = {
        {fw::headless::ViewRequest::Kind::Load, std::string("http://") + HomeHost, false}};
    EXPECT_EQ(loads, expected);
  }

  // Names of everything in the preferences folder.
  std::set<std::string> PrefsFolderEntries() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(prefs_)) names.insert(entry.path().filename());
    return names;
  }

  std::set<std::string> TheFourFileNames() const {
    return {Prefs(kTopSuffix).filename(), Prefs(kLeftSuffix).filename(),
            Prefs(kHeightSuffix).filename(), Prefs(kWidthSuffix).filename()};
  }
};

// --- Opening ------------------------------------------------------------------

TEST_F(GeometryTest, OpeningPutsTheHostInTheFieldAndLoadsItsHomePage) {
  const std::string err = OpenCapturingStderr();
  EXPECT_EQ(Control<fw::TextField>("TextField1").Text(), HomeHost);
  ExpectHomePageLoaded();
  EXPECT_EQ(err, "");
}

TEST_F(GeometryTest, AFirstRunIsCentredOnTheMainScreenWithoutClampingOrRounding) {
  // What the opening handler sets is centred with nothing clamped; a window
  // larger than the whole desktop is then fitted onto it by the framework.
  struct Case {
    fw::Rect screen;
    int32_t left, top;
    fw::Rect opened;
  };
  const Case cases[] = {
      {{0, 0, 1440, 900}, 210, 100, {210, 100, 1020, 700}},
      {{0, 0, 800, 600}, -110, -50, {0, 0, 800, 600}},
      // Odd differences: the half is dropped toward zero on both sides of 0.
      {{0, 0, 1441, 901}, 210, 100, {210, 100, 1020, 700}},
      {{0, 0, 801, 601}, -109, -49, {0, 0, 801, 601}},
      {{0, 0, 1023, 703}, 1, 1, {1, 1, 1020, 700}},
      {{0, 0, 1017, 697}, -1, -1, {0, 0, 1017, 697}},
  };
  bool first = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "screen " << c.screen.width << " x " << c.screen.height);
    if (!first) NewRun();
    first = false;
    fw::headless::SetScreens({c.screen});
    testing::internal::CaptureStderr();
    auto window = OpenRecordingWindow();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(window->afterOpen, (fw::Rect{c.left, c.top, 1020, 700}));
    EXPECT_EQ(Bounds(), c.opened);
    EXPECT_EQ(fw::headless::BoundsWhenShown(*window_), c.opened);
    EXPECT_EQ(err, "");
    ExpectHomePageLoaded();
  }
}

TEST_F(GeometryTest, AFirstRunCentresOnTheFirstScreenWhenThereAreSeveral) {
  fw::headless::SetScreens({{0, 0, 800, 600}, {-1920, 0, 1920, 1080}});
  OpenWindow();
  EXPECT_EQ(Bounds(), (fw::Rect{-110, -50, 1020, 700}));
}

TEST_F(GeometryTest, AFirstRunIsCentredAtTheSizeTheWindowTookNotTheSizeItWasGiven) {
  // A window manager that holds the window to 1000 x 600: the centring must
  // use that size, read back from the window. The window fits the 1440 x 900
  // screen, so the framework changes nothing after the handler.
  fw::headless::SetWindowManagerMaxSize(1000, 600);
  auto window = OpenRecordingWindow();
  EXPECT_EQ(window->afterOpen, (fw::Rect{220, 150, 1000, 600}));
  EXPECT_EQ(Bounds(), (fw::Rect{220, 150, 1000, 600}));
}

TEST_F(GeometryTest, ASavedSetIsRestoredAsItWasSaved) {
  WriteSet({"40", "-250", "600", "800"});
  const std::string err = OpenCapturingStderr();
  EXPECT_EQ(Bounds(), (fw::Rect{-250, 40, 800, 600}));
  EXPECT_EQ(fw::headless::BoundsWhenShown(*window_), (fw::Rect{-250, 40, 800, 600}));
  EXPECT_EQ(err, "");
  ExpectHomePageLoaded();
  // Opening reads the files and leaves them as they were.
  const Geometry after = ReadSet();
  EXPECT_EQ(after.top, "40");
  EXPECT_EQ(after.left, "-250");
}

TEST_F(GeometryTest, TheExtremesOfTheIntegerRangeAreAcceptedValues) {
  // Accepted, so there is no complaint and the size comes back; a window
  // that far out is then brought onto the main screen by the framework.
  struct Case {
    Geometry files;
    fw::Rect expected;
  };
  const Case cases[] = {
      {{"-2147483648", "100", "600", "800"}, {320, 150, 800, 600}},
      {{"100", "2147483647", "600", "800"}, {320, 150, 800, 600}},
      {{"0", "0", "600", "800"}, {0, 0, 800, 600}},
  };
  bool first = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "top \"" << c.files.top << "\", left \"" << c.files.left
                                    << "\"");
    if (!first) NewRun();
    first = false;
    WriteSet(c.files);
    const std::string err = OpenCapturingStderr();
    EXPECT_EQ(err, "");
    EXPECT_EQ(Bounds(), c.expected);
  }
}

TEST_F(GeometryTest, ElevenCharactersAndALinkToAPlainFileAreReadAsSaved) {
  struct Case {
    const char* label;
    Geometry files;
    fw::Rect expected;
  };
  const Case cases[] = {
      {"eleven characters with a sign", {"-0000000040", "30", "500", "800"}, {30, -40, 800, 500}},
      {"eleven digits", {"00000000040", "30", "500", "800"}, {30, 40, 800, 500}},
  };
  bool first = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    if (!first) NewRun();
    first = false;
    WriteSet(c.files);
    EXPECT_EQ(OpenCapturingStderr(), "");
    EXPECT_EQ(Bounds(), c.expected);
  }
  // Someone who keeps the settings elsewhere and links them in.
  NewRun();
  WriteSet({"40", "30", "500", "800"});
  const fs::path kept = root_ / "kept-left.txt";
  WriteFile(kept, "-250");
  fs::remove(Prefs(kLeftSuffix));
  fs::create_symlink(kept, Prefs(kLeftSuffix));
  EXPECT_EQ(OpenCapturingStderr(), "");
  EXPECT_EQ(Bounds(), (fw::Rect{-250, 40, 800, 500}));
}

TEST_F(GeometryTest, ASavedSizeNoDesktopHoldsOpensWithinIt) {
  struct Case {
    const char* label;
    std::vector<fw::Rect> screens;
    Geometry files;
    fw::Rect expected;
  };
  const Case cases[] = {
      {"the largest value", {{0, 0, 1440, 900}}, {"40", "30", "2147483647", "2147483647"},
       {0, 0, 1440, 900}},
      {"too wide only", {{0, 0, 1440, 900}}, {"40", "30", "600", "20000"}, {0, 40, 1440, 600}},
      {"too tall only", {{0, 0, 1440, 900}}, {"40", "-30", "20000", "800"}, {-30, 0, 800, 900}},
      {"wider than one screen, within two", {{0, 0, 1440, 900}, {1440, 0, 1920, 1080}},
       {"40", "30", "1000", "3000"}, {30, 40, 3000, 1000}},
      {"wider than two screens", {{0, 0, 1440, 900}, {1440, 0, 1920, 1080}},
       {"40", "30", "1000", "20000"}, {0, 40, 3360, 1000}},
      {"exactly the screen", {{0, 0, 1440, 900}}, {"0", "0", "900", "1440"}, {0, 0, 1440, 900}},
  };
  bool first = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    if (!first) NewRun();
    first = false;
    fw::headless::SetScreens(c.screens);
    WriteSet(c.files);
    EXPECT_EQ(OpenCapturingStderr(), "");
    EXPECT_EQ(Bounds(), c.expected);
    EXPECT_EQ(fw::headless::BoundsWhenShown(*window_), c.expected);
    // The view fills the fitted window.
    EXPECT_EQ(Control<fw::HTMLViewer>("HTMLViewer1").Width(), c.expected.width);
    EXPECT_EQ(Control<fw::HTMLViewer>("HTMLViewer1").Height(), c.expected.height - 35);
    EXPECT_EQ(ReadFile(Prefs(kWidthSuffix)), c.files.width) << "opening changes no file";
  }
}

TEST_F(GeometryTest, ARestoredWidthBelowTheNarrowestIsWidenedButTheFileIsKept) {
  WriteSet({"40", "30", "500", "150"});
  const std::string err = OpenCapturingStderr();
  EXPECT_EQ(err, "");
  EXPECT_EQ(Bounds(), (fw::Rect{30, 40, 220, 500}));
  EXPECT_EQ(ReadFile(Prefs(kWidthSuffix)), "150");
}

TEST_F(GeometryTest, WithoutTheTopFileTheOtherThreeAreNotRead) {
  WriteFile(Prefs(kLeftSuffix), "abc");
  WriteFile(Prefs(kHeightSuffix), "1.5");
  fs::create_directory(Prefs(kWidthSuffix));
  const std::string err = OpenCapturingStderr();
  EXPECT_EQ(Bounds(), kCentredOnDefaultScreen);
  EXPECT_EQ(err, "") << "a first run is no error";
  ExpectHomePageLoaded();
}

// An incomplete or damaged set opens at the defaults, with one line on stderr
// naming the file at fault.
struct DamagedCase {
  const char* label;
  const char* suffix;  // the damaged file
  enum class Kind { Text, Missing, Folder, Fifo, Socket, LinkToDevZero, LinkToURandom, Huge } kind;
  const char* text;  // for Text
};

[[maybe_unused]] void PrintTo(const DamagedCase& c, std::ostream* os) { *os << c.label; }

class GeometryDamagedSetTest : public GeometryTest,
                               public testing::WithParamInterface<DamagedCase> {};

TEST_P(GeometryDamagedSetTest, OpensAtTheDefaultsWithOneLineNamingTheFile) {
  const DamagedCase& c = GetParam();
  // Values unlike the defaults, so that any value applied would show.
  WriteSet({"40", "30", "500", "800"});
  const fs::path damaged = Prefs(c.suffix);
  switch (c.kind) {
    case DamagedCase::Kind::Text:
      WriteFile(damaged, c.text);
      break;
    case DamagedCase::Kind::Missing:
      fs::remove(damaged);
      break;
    case DamagedCase::Kind::Folder:
      fs::remove(damaged);
      fs::create_directory(damaged);
      break;
    case DamagedCase::Kind::Fifo:
      fs::remove(damaged);
      ASSERT_EQ(::mkfifo(damaged.c_str(), 0600), 0);
      break;
    case DamagedCase::Kind::Socket:
      fs::remove(damaged);
      MakeSocketAt(damaged);
      break;
    case DamagedCase::Kind::LinkToDevZero:
      fs::remove(damaged);
      fs::create_symlink("/dev/zero", damaged);
      break;
    case DamagedCase::Kind::LinkToURandom:
      fs::remove(damaged);
      fs::create_symlink("/dev/urandom", damaged);
      break;
    case DamagedCase::Kind::Huge:
      // 200 MB that start like a value; only the start may ever be read.
      WriteFile(damaged, "40");
      fs::resize_file(damaged, 200u << 20);
      break;
  }

  const std::string err = OpenCapturingStderr();

  EXPECT_EQ(Bounds(), kCentredOnDefaultScreen);
  ExpectHomePageLoaded();
  const auto lines = Lines(err);
  ASSERT_EQ(lines.size(), 1u) << err;
  EXPECT_NE(lines[0].find(damaged.filename().string()), std::string::npos) << err;
  // Opening leaves the damaged file as it found it.
  if (c.kind == DamagedCase::Kind::Text) {
    EXPECT_EQ(ReadFile(damaged), c.text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, GeometryDamagedSetTest,
    testing::Values(
        DamagedCase{"TopEmpty", kTopSuffix, DamagedCase::Kind::Text, ""},
        DamagedCase{"TopLeadingSpace", kTopSuffix, DamagedCase::Kind::Text, " 12"},
        DamagedCase{"TopTrailingSpace", kTopSuffix, DamagedCase::Kind::Text, "12 "},
        DamagedCase{"TopLineEnd", kTopSuffix, DamagedCase::Kind::Text, "12\n"},
        DamagedCase{"TopLetters", kTopSuffix, DamagedCase::Kind::Text, "abc"},
        DamagedCase{"TopDigitsThenLetters", kTopSuffix, DamagedCase::Kind::Text, "12abc"},
        DamagedCase{"TopFraction", kTopSuffix, DamagedCase::Kind::Text, "1.5"},
        DamagedCase{"TopExponent", kTopSuffix, DamagedCase::Kind::Text, "1e3"},
        DamagedCase{"TopPlusSign", kTopSuffix, DamagedCase::Kind::Text, "+12"},
        DamagedCase{"TopTooLarge", kTopSuffix, DamagedCase::Kind::Text, "2147483648"},
        DamagedCase{"TopFarTooLarge", kTopSuffix, DamagedCase::Kind::Text,
                    "99999999999999999999999"},
        DamagedCase{"TopTooSmall", kTopSuffix, DamagedCase::Kind::Text, "-2147483649"},
        DamagedCase{"TopSignAlone", kTopSuffix, DamagedCase::Kind::Text, "-"},
        DamagedCase{"TopTwoNumbers", kTopSuffix, DamagedCase::Kind::Text, "12 34"},
        DamagedCase{"TopIsAFolder", kTopSuffix, DamagedCase::Kind::Folder, nullptr},
        DamagedCase{"LeftMissing", kLeftSuffix, DamagedCase::Kind::Missing, nullptr},
        DamagedCase{"HeightMissing", kHeightSuffix, DamagedCase::Kind::Missing, nullptr},
        DamagedCase{"WidthMissing", kWidthSuffix, DamagedCase::Kind::Missing, nullptr},
        DamagedCase{"LeftIsAFolder", kLeftSuffix, DamagedCase::Kind::Folder, nullptr},
        DamagedCase{"LeftFraction", kLeftSuffix, DamagedCase::Kind::Text, "30.0"},
        DamagedCase{"HeightTooLarge", kHeightSuffix, DamagedCase::Kind::Text, "4294967296"},
        DamagedCase{"WidthEmpty", kWidthSuffix, DamagedCase::Kind::Text, ""},
        DamagedCase{"WidthLineEnd", kWidthSuffix, DamagedCase::Kind::Text, "800\r\n"},
        // Not a plain small file: never opened in a way that blocks, never
        // read past one byte more than the longest saved value.
        DamagedCase{"TopIsAFifo", kTopSuffix, DamagedCase::Kind::Fifo, nullptr},
        DamagedCase{"LeftIsAFifo", kLeftSuffix, DamagedCase::Kind::Fifo, nullptr},
        DamagedCase{"TopIsASocket", kTopSuffix, DamagedCase::Kind::Socket, nullptr},
        DamagedCase{"TopLinksToDevZero", kTopSuffix, DamagedCase::Kind::LinkToDevZero, nullptr},
        DamagedCase{"WidthLinksToDevZero", kWidthSuffix, DamagedCase::Kind::LinkToDevZero,
                    nullptr},
        DamagedCase{"HeightLinksToURandom", kHeightSuffix, DamagedCase::Kind::LinkToURandom,
                    nullptr},
        DamagedCase{"TopIsHuge", kTopSuffix, DamagedCase::Kind::Huge, nullptr},
        DamagedCase{"WidthIsHuge", kWidthSuffix, DamagedCase::Kind::Huge, nullptr},
        DamagedCase{"TopTwelveDigits", kTopSuffix, DamagedCase::Kind::Text, "000000000040"},
        DamagedCase{"WidthTwelveCharacters", kWidthSuffix, DamagedCase::Kind::Text,
                    "-00000000800"},
        DamagedCase{"TopManyDigits", kTopSuffix, DamagedCase::Kind::Text,
                    "40404040404040404040404040404040404040404040"}),
    [](const testing::TestParamInfo<DamagedCase>& info) { return std::string(info.param.label); });

TEST_F(GeometryTest, TheFilesAreReadInOrderAndTheFirstFaultIsTheOneReported) {
  // Left is read before Height and Width: it alone is named.
  WriteSet({"40", "abc", "", "x"});
  const std::string err = OpenCapturingStderr();
  EXPECT_EQ(Bounds(), kCentredOnDefaultScreen);
  const auto lines = Lines(err);
  ASSERT_EQ(lines.size(), 1u) << err;
  EXPECT_NE(lines[0].find(Prefs(kLeftSuffix).filename().string()), std::string::npos) << err;
}

TEST_F(GeometryTest, ADamagedSetIsCentredOnASmallScreenLikeAFirstRun) {
  // The values applied before the fault must not leak into the defaults.
  fw::headless::SetScreens({{0, 0, 800, 600}});
  WriteSet({"40", "30", "300", "1.5"});
  testing::internal::CaptureStderr();
  auto window = OpenRecordingWindow();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(window->afterOpen, (fw::Rect{-110, -50, 1020, 700}));
  EXPECT_EQ(Bounds(), (fw::Rect{0, 0, 800, 600}));
  EXPECT_EQ(Lines(err).size(), 1u) << err;
}

// --- Keeping the window on a screen ------------------------------------------

TEST_F(GeometryTest, ARestoredWindowWhollyOffEveryScreenComesBackToTheMainOne) {
  struct Case {
    const char* label;
    Geometry files;
    fw::Rect expected;
  };
  const Case cases[] = {
      // Saved on a second monitor that is gone.
      {"right of the screen", {"100", "2000", "600", "800"}, {320, 150, 800, 600}},
      {"touching the right edge", {"100", "1440", "600", "800"}, {320, 150, 800, 600}},
      {"above the screen", {"-600", "100", "600", "800"}, {320, 150, 800, 600}},
      {"left of the screen", {"100", "-800", "600", "800"}, {320, 150, 800, 600}},
      // Partly on the screen: left exactly where it was saved.
      {"overlapping the right edge", {"100", "1439", "600", "800"}, {1439, 100, 800, 600}},
      {"overlapping the left edge", {"100", "-799", "600", "800"}, {-799, 100, 800, 600}},
      {"overlapping the top edge", {"-599", "100", "600", "800"}, {100, -599, 800, 600}},
      // Centred at the size it settles on: widened to 220 by the resize rule.
      {"150 wide", {"100", "2000", "600", "150"}, {610, 150, 220, 600}},
      {"the most negative size", {"100", "100", "-2147483648", "-2147483648"},
       {610, 450, 220, -2147483647 - 1}},
  };
  bool first = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    if (!first) NewRun();
    first = false;
    WriteSet(c.files);
    const std::string err = OpenCapturingStderr();
    EXPECT_EQ(err, "");
    EXPECT_EQ(Bounds(), c.expected);
    EXPECT_EQ(fw::headless::BoundsWhenShown(*window_), c.expected);
    // The files keep what was saved.
    EXPECT_EQ(ReadFile(Prefs(kLeftSuffix)), c.files.left);
    EXPECT_EQ(ReadFile(Prefs(kTopSuffix)), c.files.top);
  }
}

TEST_F(GeometryTest, AWindowOnASecondScreenStaysThere) {
  fw::headless::SetScreens({{0, 0, 1440, 900}, {1440, 0, 1920, 1080}});
  WriteSet({"100", "2000", "600", "800"});
  OpenWindow();
  EXPECT_EQ(Bounds(), (fw::Rect{2000, 100, 800, 600}));
}

// --- Closing ------------------------------------------------------------------

TEST_F(GeometryTest, ClosingSavesThePlaceAndANewRunOpensThere) {
  OpenWindow();
  window_->SetLeft(-250);
  window_->SetTop(30);
  fw::headless::UserResize(*window_, 800, 500);
  const std::string closeErr = CloseCapturingStderr();
  EXPECT_EQ(closeErr, "");
  EXPECT_FALSE(fw::GetImplicitWindow(Window1::kClassName));
  ExpectQuitWithZero();

  const Geometry saved = ReadSet();
  EXPECT_EQ(saved.top, "30");
  EXPECT_EQ(saved.left, "-250");
  EXPECT_EQ(saved.height, "500");
  EXPECT_EQ(saved.width, "800");
  // Replaced whole: nothing but the four files is left in the folder.
  EXPECT_EQ(PrefsFolderEntries(), TheFourFileNames());

  NewRun();
  const std::string openErr = OpenCapturingStderr();
  EXPECT_EQ(openErr, "");
  EXPECT_EQ(Bounds(), (fw::Rect{-250, 30, 800, 500}));
  ExpectHomePageLoaded();
}

TEST_F(GeometryTest, TheProgramAsksToQuitOnlyOnceTheFourFilesAreInPlace) {
  WriteSet({"1", "2", "3", "4"});
  OpenWindow();
  window_->SetTop(30);
  window_->SetLeft(40);
  fw::headless::UserResize(*window_, 800, 500);
  // What the folder holds at the very moment of the request to quit: a
  // program that quit first could be ended before its save was complete.
  bool quit = false;
  Geometry atQuit;
  std::set<std::string> entriesAtQuit;
  fw::headless::OnQuit([&] {
    quit = true;
    atQuit = ReadSet();
    entriesAtQuit = PrefsFolderEntries();
  });
  EXPECT_EQ(CloseCapturingStderr(), "");
  ASSERT_TRUE(quit);
  EXPECT_EQ(atQuit.top, "30");
  EXPECT_EQ(atQuit.left, "40");
  EXPECT_EQ(atQuit.height, "500");
  EXPECT_EQ(atQuit.width, "800");
  EXPECT_EQ(entriesAtQuit, TheFourFileNames());
}

TEST_F(GeometryTest, AFirstRunClosedUnchangedSavesTheDefaultsAndComesBackToThem) {
  OpenWindow();
  CloseCapturingStderr();
  const Geometry saved = ReadSet();
  EXPECT_EQ(saved.top, "100");
  EXPECT_EQ(saved.left, "210");
  EXPECT_EQ(saved.height, "700");
  EXPECT_EQ(saved.width, "1020");

  NewRun();
  EXPECT_EQ(OpenCapturingStderr(), "");
  EXPECT_EQ(Bounds(), kCentredOnDefaultScreen);
}

TEST_F(GeometryTest, ASavedFileIsReplacedWholeWithNoLineEnd) {
  // Longer old contents: a write that did not truncate would leave a tail.
  WriteSet({"1000", "-1000", "7000", "1020"});
  fw::headless::SetScreens({{-2000, -2000, 10000, 10000}});
  OpenWindow();
  fw::headless::UserResize(*window_, 800, 500);
  window_->SetTop(5);
  window_->SetLeft(-7);
  CloseCapturingStderr();
  const Geometry saved = ReadSet();
  EXPECT_EQ(saved.width, "800");
  EXPECT_EQ(saved.height, "500");
  EXPECT_EQ(saved.top, "5");
  EXPECT_EQ(saved.left, "-7");
  EXPECT_EQ(PrefsFolderEntries(), TheFourFileNames());
}

TEST_F(GeometryTest, AllFourNewFilesAreWrittenBeforeAnyOldOneIsReplaced) {
  WriteSet({"1", "2", "3", "4"});
  OpenWindow();
  // What the folder sees during the save, in order.
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(::inotify_add_watch(watch, prefs_.c_str(), IN_CREATE | IN_MOVED_TO), 0);
  EXPECT_EQ(CloseCapturingStderr(), "");
  std::vector<std::string> seen;
  alignas(inotify_event) char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(watch, buffer, sizeof buffer);
    if (n <= 0) break;
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      const std::string name = event->len > 0 ? event->name : "";
      seen.push_back(((event->mask & IN_CREATE) ? "create " : "rename to ") + name);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  ::close(watch);
  ASSERT_EQ(seen.size(), 8u) << testing::PrintToString(seen);
  const char* suffixes[] = {kTopSuffix, kLeftSuffix, kHeightSuffix, kWidthSuffix};
  for (int i = 0; i < 4; ++i) {
    const std::string name = Prefs(suffixes[i]).filename().string();
    EXPECT_EQ(seen[i].rfind("create " + name + ".", 0), 0u) << seen[i];
    EXPECT_EQ(seen[4 + i], "rename to " + name);
  }
  EXPECT_EQ(ReadSet().width, "220");
}

TEST_F(GeometryTest, ASaveRemovesTheTemporariesAnInterruptedSaveLeftAndNothingElse) {
  OpenWindow();
  const std::string top = Prefs(kTopSuffix).filename().string();
  const std::string left = Prefs(kLeftSuffix).filename().string();
  const std::string height = Prefs(kHeightSuffix).filename().string();
  const std::string width = Prefs(kWidthSuffix).filename().string();
  // Left by saves that were killed: each of the four names, the save's mark
  // and any six letters and digits.
  const std::string mark = ".tambourin-save-";
  for (const std::string& name : {top + mark + "aB3xY9", top + mark + "000000",
                                  left + mark + "zzzzzz", height + mark + "Q1w2E3",
                                  width + mark + "a1b2c3"}) {
    WriteFile(prefs_ / name, "12");
  }
  // Not ours, or not a temporary that a gone save left: all stay. The user's
  // own copies come first: a dot and six letters or digits is a name people
  // give backups.
  const fs::path outside = root_ / "outside.txt";
  WriteFile(outside, "mine");
  const std::vector<std::string> kept = {
      top + ".backup",     top + ".ABCDEF",         top + ".000000",
      top + mark + "abc12", top + mark + "abc1234", top + mark + "ab-123",
      top + mark + "ab c1", top + mark.substr(1) + "abcdef", top + ".ABCDEF1",
      top + mark + "XXXXXX.txt", "other-top.txt" + mark + "abc123",
      "www.example.com-top.txt" + mark + "abc123",
  };
  for (const std::string& name : kept) WriteFile(prefs_ / name, "keep");
  fs::create_directory(prefs_ / (height + mark + "dir123"));
  fs::create_symlink(outside, prefs_ / (left + mark + "link12"));
  ASSERT_EQ(::mkfifo((prefs_ / (width + mark + "fifo12")).c_str(), 0600), 0);
  // A save under way in another run of the program holds its lock.
  const fs::path live = prefs_ / (width + mark + "live12");
  WriteFile(live, "8");
  const int liveFd = ::open(live.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(liveFd, 0);
  ASSERT_EQ(::flock(liveFd, LOCK_EX), 0);

  EXPECT_EQ(CloseCapturingStderr(), "");
  ::close(liveFd);

  std::set<std::string> expected = TheFourFileNames();
  for (const std::string& name : kept) expected.insert(name);
  expected.insert(height + mark + "dir123");
  expected.insert(left + mark + "link12");
  expected.insert(width + mark + "fifo12");
  expected.insert(width + mark + "live12");
  EXPECT_EQ(PrefsFolderEntries(), expected);
  for (const std::string& name : kept) EXPECT_EQ(ReadFile(prefs_ / name), "keep") << name;
  EXPECT_EQ(ReadFile(outside), "mine");
  EXPECT_EQ(ReadFile(Prefs(kTopSuffix)), "100");
  ExpectQuitWithZero();
}

TEST_F(GeometryTest, ANegativeAndAnExtremeValueAreSavedAsPlainDecimals) {
  OpenWindow();
  window_->SetTop(-2147483647 - 1);
  window_->SetLeft(2147483647);
  CloseCapturingStderr();
  EXPECT_EQ(ReadFile(Prefs(kTopSuffix)), "-2147483648");
  EXPECT_EQ(ReadFile(Prefs(kLeftSuffix)), "2147483647");
}

TEST_F(GeometryTest, AFileThatCannotBeReplacedIsReportedAndTheOthersAreStillSaved) {
  OpenWindow();
  window_->SetLeft(12);
  window_->SetTop(34);
  fs::create_directory(Prefs(kLeftSuffix));  // in the way of the left file

  const std::string err = CloseCapturingStderr();

  const auto lines = Lines(err);
  ASSERT_EQ(lines.size(), 1u) << err;
  EXPECT_NE(lines[0].find(Prefs(kLeftSuffix).filename().string()), std::string::npos) << err;
  EXPECT_EQ(ReadFile(Prefs(kTopSuffix)), "34");
  EXPECT_EQ(ReadFile(Prefs(kHeightSuffix)), "700");
  EXPECT_EQ(ReadFile(Prefs(kWidthSuffix)), "1020");
  EXPECT_TRUE(fs::is_directory(Prefs(kLeftSuffix)));
  EXPECT_EQ(PrefsFolderEntries(), TheFourFileNames()) << "a temporary file was left behind";
  EXPECT_FALSE(fw::GetImplicitWindow(Window1::kClassName));
  ExpectQuitWithZero();
}

TEST_F(GeometryTest, APreferencesFolderThatIsAFileStillLetsTheProgramQuit) {
  OpenWindow();
  fs::remove_all(prefs_);
  WriteFile(prefs_, "not a folder");

  const std::string err = CloseCapturingStderr();

  // One line names the four files and the folder: one cause, said once.
  const auto lines = Lines(err);
  ASSERT_EQ(lines.size(), 1u) << err;
  EXPECT_NE(lines[0].find("could not save the window's place"), std::string::npos) << err;
  EXPECT_NE(lines[0].find(prefs_.string()), std::string::npos) << err;
  for (const char* suffix : {kTopSuffix, kLeftSuffix, kHeightSuffix, kWidthSuffix}) {
    EXPECT_NE(lines[0].find(Prefs(suffix).filename().string()), std::string::npos) << suffix;
  }
  EXPECT_EQ(ReadFile(prefs_), "not a folder");
  EXPECT_FALSE(fw::GetImplicitWindow(Window1::kClassName));
  ExpectQuitWithZero();
}

TEST_F(GeometryTest, AMissingPreferencesFolderIsMadeAtClosing) {
  OpenWindow();
  fs::remove_all(prefs_);
  EXPECT_EQ(CloseCapturingStderr(), "");
  EXPECT_EQ(ReadFile(Prefs(kWidthSuffix)), "1020");
  ExpectQuitWithZero();
}

}  // namespace
}  // namespace tambourin::test
