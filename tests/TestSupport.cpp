#include "tests/TestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/Startup.h"
#include "framework/PluginEntries.h"
#include "framework/Runtime.h"
#include "resources/Pictures.h"

namespace tambourin::test {

fs::path ShippedPicturesFolder() { return fs::path(TAMBOURIN_SOURCE_DIR) / "resources"; }

void ProgramTest::SetUp() {
  fw::ReleaseModuleState();
  fw::headless::Reset();
  ForgetPicturesForTesting();

  // Parameterised tests are named "Case/label"; keep the folder one level deep
  // so that TearDown removes all of it.
  std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::replace(name.begin(), name.end(), '/', '_');
  root_ = fs::temp_directory_path() /
          ("tambourin-test-" + std::to_string(::getpid()) + "-" + name);
  fs::remove_all(root_);
  prefs_ = root_ / "config";
  resources_ = root_ / "share" / "tambourin";
  fs::create_directories(prefs_);
  fs::create_directories(resources_);
  fs::create_directories(root_ / "bin");
  for (const auto& entry : fs::directory_iterator(ShippedPicturesFolder())) {
    if (entry.path().extension() == ".png") {
      fs::copy_file(entry.path(), resources_ / entry.path().filename());
    }
  }
  ::setenv("XDG_CONFIG_HOME", prefs_.c_str(), 1);
  fw::headless::SetExecutablePath((root_ / "bin" / "tambourin").string());

  fw::RuntimeInit();
  initialize();
  fw::InitPluginEntrypoints();
}

void ProgramTest::TearDown() {
  window_.reset();
  fw::ReleaseModuleState();
  fw::headless::Reset();
  ForgetPicturesForTesting();
  std::error_code ignored;
  fs::permissions(prefs_, fs::perms::owner_all, ignored);
  fs::remove_all(root_, ignored);
}

std::shared_ptr<class Window1> ProgramTest::OpenWindow() {
  {
    fw::DispatchScope scope;
    window_ = tambourin::Window1();
  }
  return window_;
}

std::string ProgramTest::ReadFile(const fs::path& path) const {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void ProgramTest::WriteFile(const fs::path& path, const std::string& content) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

}  // namespace tambourin::test
