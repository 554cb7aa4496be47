#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "framework/Controls.h"
#include "framework/headless/Headless.h"
#include "window/Window1.h"

namespace fw {
// Readable failure messages for rectangles.
inline void PrintTo(const Rect& r, std::ostream* os) {
  *os << "{left " << r.left << ", top " << r.top << ", width " << r.width << ", height "
      << r.height << "}";
}
}  // namespace fw

namespace tambourin::test {

namespace fs = std::filesystem;

// A fresh run of the program's world for each test: the runtime started, the
// classes registered, the entry table resolved, a preferences folder and a
// resources folder (holding copies of the real faces) of the test's own.
class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates the main window as start-up does.
  std::shared_ptr<class Window1> OpenWindow();

  template <typename C>
  C& Control(const char* name) {
    return ControlOn<C>(*window_, name);
  }

  std::string ReadFile(const fs::path& path) const;
  void WriteFile(const fs::path& path, const std::string& content) const;
  // The geometry file of that suffix in the preferences folder.
  fs::path Prefs(const std::string& suffix) const { return prefs_ / (std::string(HomeHost) + suffix); }

  fs::path root_;
  fs::path prefs_;
  fs::path resources_;
  std::shared_ptr<class Window1> window_;
};

// The faces as shipped, for copying into a test's resources folder.
fs::path ShippedPicturesFolder();

}  // namespace tambourin::test
