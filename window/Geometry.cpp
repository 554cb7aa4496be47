// Opening and closing the window: its place comes back from the four geometry
// files (or it is centred at 1020 x 700 on the main screen), the site's home
// page loads, and at closing the place is saved and the program ends.

#include <cstdio>

#include "framework/Files.h"
#include "framework/Values.h"
#include "window/GeometryFiles.h"
#include "window/Window1.h"

namespace tambourin {
namespace {

constexpr int32_t kDefaultWidth = 1020;
constexpr int32_t kDefaultHeight = 700;

void Complain(const std::string& fileName, const std::string& what) {
  std::fprintf(stderr, "tambourin: %s %s; the window opens at its default place\n",
               fileName.c_str(), what.c_str());
}

// A stored set that cannot be read as a whole is no error for the user: the
// window falls back to its defaults. This carries the reason there.
struct DamagedSet {
  std::string fileName;
  std::string what;
};

std::shared_ptr<class Window1> MainWindow() {
  std::shared_ptr<class Window1> window = tambourin::Window1();
  if (!window) throw fw::NilObjectException("there is no main window");
  return window;
}

fw::FolderItemPtr GeometryFile(const std::string& name) {
  fw::FolderItemPtr preferences = fw::SpecialFolder::Preferences();
  if (!preferences) throw DamagedSet{name, "has no preferences folder to live in"};
  fw::FolderItemPtr item = preferences->Child(name);
  if (!item) throw DamagedSet{name, "is not a usable file name"};
  return item;
}

// Opens a geometry file for reading no more than the longest value that can be
// in it, and one byte more.
std::shared_ptr<fw::TextInputStream> OpenValue(const fw::FolderItemPtr& item) {
  return item->OpenAsTextFile(kLongestGeometryValue);
}

int32_t ReadValue(const std::string& name, const std::shared_ptr<fw::TextInputStream>& stream) {
  if (!stream) throw DamagedSet{name, "is missing, is not a plain file or cannot be read"};
  const std::string text = stream->ReadAll(nullptr);
  stream->Close();
  if (stream->Truncated()) throw DamagedSet{name, "is longer than any saved value"};
  std::string why;
  if (!ReadGeometryValue(text, why)) throw DamagedSet{name, why};
  return fw::DoubleToInt32(fw::CDbl(text));
}

}  // namespace

std::optional<int32_t> ReadGeometryValue(const std::string& text, std::string& why) {
  std::size_t at = 0;
  if (!text.empty() && text[0] == '-') at = 1;
  if (at == text.size()) {
    why = text.empty() ? "is empty" : "holds a sign without digits";
    return std::nullopt;
  }
  int64_t value = 0;
  for (std::size_t i = at; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') {
      why = "holds something other than a whole number";
      return std::nullopt;
    }
    value = value * 10 + (c - '0');
    if (value > int64_t{2147483648}) {
      why = "holds a number too large for a window";
      return std::nullopt;
    }
  }
  if (at == 1) value = -value;
  if (value > 2147483647) {
    why = "holds a number too large for a window";
    return std::nullopt;
  }
  return static_cast<int32_t>(value);
}

void Window1::Event_Open() {
  Find<fw::TextField>("TextField1").SetText(HomeHost);

  bool restored = false;
  try {
    const std::string host = Find<fw::TextField>("TextField1").Text();
    fw::FolderItemPtr top = GeometryFile(host + kTopSuffix);
    // Opened before the existence test, as the set's first file.
    std::shared_ptr<fw::TextInputStream> stream = OpenValue(top);
    if (top->Exists()) {
      if (!stream) {
        throw DamagedSet{host + kTopSuffix, "exists but is not a plain file or cannot be opened"};
      }
      MainWindow()->SetTop(ReadValue(host + kTopSuffix, stream));
      struct Entry {
        const char* suffix;
        void (fw::Window::*set)(int32_t);
      };
      for (const Entry& e : {Entry{kLeftSuffix, &fw::Window::SetLeft},
                             Entry{kHeightSuffix, &fw::Window::SetHeight},
                             Entry{kWidthSuffix, &fw::Window::SetWidth}}) {
        const std::string name = Find<fw::TextField>("TextField1").Text() + e.suffix;
        const int32_t value = ReadValue(name, OpenValue(GeometryFile(name)));
        ((*MainWindow()).*e.set)(value);
      }
      restored = true;
    }
  } catch (const DamagedSet& damaged) {
    Complain(damaged.fileName, damaged.what);
  }

  if (!restored) {
    std::shared_ptr<class Window1> window = MainWindow();
    window->SetWidth(kDefaultWidth);
    window->SetHeight(kDefaultHeight);
    std::shared_ptr<fw::ScreenInfo> screen = fw::Screen(0);
    if (screen) {
      window->SetLeft(fw::DoubleToInt32(static_cast<double>(screen->Width()) / 2.0 -
                                        static_cast<double>(window->Width()) / 2.0));
      window->SetTop(fw::DoubleToInt32(static_cast<double>(screen->Height()) / 2.0 -
                                       static_cast<double>(window->Height()) / 2.0));
    } else {
      std::fprintf(stderr, "tambourin: no screen to centre the window on\n");
    }
  }

  Find<fw::HTMLViewer>("HTMLViewer1").LoadURL(std::string("http://") + HomeHost);
}

void Window1::Event_Close() {
  std::shared_ptr<class Window1> window = MainWindow();
  const int32_t top = window->Top();
  const int32_t left = window->Left();
  const int32_t height = window->Height();
  const int32_t width = window->Width();

  struct Entry {
    const char* suffix;
    int32_t value;
  };
  // All four new files are written before any old one is replaced; the batch
  // then puts them in place one after another. A kill while they are written
  // leaves the old set whole (and temporaries that the next save removes).
  fw::FileBatch save;
  // Files that cannot be created share one cause as a rule (the folder is
  // gone, read-only or below a file): they are named together on one line.
  std::string notCreated;
  for (const Entry& e : {Entry{kTopSuffix, top}, Entry{kLeftSuffix, left},
                         Entry{kHeightSuffix, height}, Entry{kWidthSuffix, width}}) {
    // A file that cannot be written is reported and the others are still
    // written: closing the window always ends the program.
    const std::string name = Find<fw::TextField>("TextField1").Text() + e.suffix;
    fw::FolderItemPtr preferences = fw::SpecialFolder::Preferences();
    fw::FolderItemPtr item = preferences ? preferences->Child(name) : nullptr;
    std::shared_ptr<fw::TextOutputStream> out = item ? item->CreateTextFile(save) : nullptr;
    if (!out) {
      notCreated += (notCreated.empty() ? "" : ", ") + name;
      continue;
    }
    out->Write(fw::Str(e.value));
    out->Close();
  }
  if (!notCreated.empty()) {
    const fw::FolderItemPtr preferences = fw::SpecialFolder::Preferences();
    const std::string folder = preferences ? preferences->NativePath() : "no preferences folder";
    std::fprintf(stderr,
                 "tambourin: could not save the window's place: %s cannot be created in %s\n",
                 notCreated.c_str(), folder.c_str());
  }
  save.Commit();

  fw::Quit(0);
}

}  // namespace tambourin
