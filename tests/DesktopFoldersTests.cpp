// Which of the desktop's folders the program can use, and what stands in for
// one it cannot: checked on folders of the test's own, damaged on purpose.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/DesktopFolders.h"

namespace {

namespace fs = std::filesystem;

class DesktopFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tambourin-folders-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    fs::create_directories(root_ / "home");
    fs::create_directories(root_ / "tmp");
    std::ofstream(root_ / "file") << "x";
    fs::create_directories(root_ / "d2");
    std::ofstream(root_ / "d2" / "tambourin") << "x";
    fs::create_symlink(root_ / "nowhere", root_ / "dangling");
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  std::string At(const std::string& path) const { return (root_ / path).string(); }

  // A desktop whose home is "home" and whose three folders lie in it.
  fw::DesktopEnvironment Usable() const {
    fw::DesktopEnvironment environment;
    environment.home = At("home");
    environment.configHome = At("home/config");
    environment.dataHome = At("home/data");
    environment.cacheHome = At("home/cache");
    environment.privateBases = {At("tmp")};
    return environment;
  }

  fs::path root_;
};

TEST_F(DesktopFoldersTest, AUsableDesktopIsUsedAsItIsAndTheProgramsFoldersAreMade) {
  const fw::DesktopFolders folders = fw::PlanDesktopFolders(Usable());
  EXPECT_EQ(folders.preferences, At("home/config"));
  EXPECT_EQ(folders.engineData, At("home/data/tambourin"));
  EXPECT_EQ(folders.engineCache, At("home/cache/tambourin"));
  EXPECT_TRUE(folders.placeKept);
  EXPECT_TRUE(folders.cookiesKept);
  EXPECT_TRUE(folders.cacheKept);
  EXPECT_TRUE(folders.variables.empty());
  EXPECT_TRUE(folders.notices.empty());
  EXPECT_TRUE(folders.privatePlace.empty());
  EXPECT_TRUE(fs::is_directory(At("home/config")));
  EXPECT_TRUE(fs::is_directory(At("home/data/tambourin")));
  EXPECT_TRUE(fs::is_directory(At("home/cache/tambourin")));
}

struct DamageCase {
  const char* name;
  // Changes to the usable desktop: a variable and its value within the root
  // ("" for a variable left unset).
  std::vector<std::pair<std::string, std::string>> changes;
  // Variables the process must set: to a folder in the private place ("@sub")
  // or to one within the root.
  std::vector<std::pair<std::string, std::string>> variables;
  bool placeKept;
  bool cookiesKept;
  bool cacheKept;
  // What the one notice must name, within the root.
  std::vector<std::string> named;
};

TEST_F(DesktopFoldersTest, AnUnusableFolderIsReplacedOnlyWhereTheSandboxNeedsItAndTheLossIsSaid) {
  const std::vector<DamageCase> cases = {
      {"config below a file", {{"XDG_CONFIG_HOME", "file/config"}},
       {{"XDG_CONFIG_HOME", "@config"}}, false, true, true, {"file/config"}},
      {"data below a file", {{"XDG_DATA_HOME", "file/data"}}, {{"XDG_DATA_HOME", "@data"}},
       true, false, true, {"file/data"}},
      {"cache below a file", {{"XDG_CACHE_HOME", "file/cache"}}, {{"XDG_CACHE_HOME", "@cache"}},
       true, true, false, {"file/cache"}},
      {"config is a file", {{"XDG_CONFIG_HOME", "file"}}, {{"XDG_CONFIG_HOME", "@config"}},
       false, true, true, {"file"}},
      // Below a missing folder the sandbox finds nothing, which it accepts:
      // the desktop's folder is kept in the environment, but holds nothing.
      {"config a dangling link", {{"XDG_CONFIG_HOME", "dangling"}}, {}, false, true, true,
       {"dangling"}},
      {"data's own folder is a file", {{"XDG_DATA_HOME", "d2"}}, {}, true, false, true,
       {"d2/tambourin"}},
      {"home below a file, folders set", {{"HOME", "file/home"}}, {{"HOME", "@home"}}, true,
       true, true, {"file/home"}},
      {"home below a file, folders unset",
       {{"HOME", "file/home"}, {"XDG_CONFIG_HOME", ""}, {"XDG_DATA_HOME", ""},
        {"XDG_CACHE_HOME", ""}},
       {{"HOME", "@home"},
        {"XDG_CONFIG_HOME", "@config"},
        {"XDG_DATA_HOME", "@data"},
        {"XDG_CACHE_HOME", "@cache"}},
       false, false, false,
       {"file/home", "file/home/.config", "file/home/.local/share", "file/home/.cache"}},
      {"runtime below a file", {{"XDG_RUNTIME_DIR", "file/run"}},
       {{"XDG_RUNTIME_DIR", "@runtime"}}, true, true, true, {"file/run"}},
      {"all three below a file",
       {{"XDG_CONFIG_HOME", "file/c"}, {"XDG_DATA_HOME", "file/d"}, {"XDG_CACHE_HOME", "file/k"}},
       {{"XDG_CONFIG_HOME", "@config"}, {"XDG_DATA_HOME", "@data"}, {"XDG_CACHE_HOME", "@cache"}},
       false, false, false, {"file/c", "file/d", "file/k"}},
  };
  for (const DamageCase& c : cases) {
    SCOPED_TRACE(c.name);
    fw::DesktopEnvironment environment = Usable();
    for (const auto& [variable, value] : c.changes) {
      std::optional<std::string> set;
      if (!value.empty()) set = At(value);
      if (variable == "HOME") environment.home = set;
      if (variable == "XDG_CONFIG_HOME") environment.configHome = set;
      if (variable == "XDG_DATA_HOME") environment.dataHome = set;
      if (variable == "XDG_CACHE_HOME") environment.cacheHome = set;
      if (variable == "XDG_RUNTIME_DIR") environment.runtimeDir = set;
    }
    const fw::DesktopFolders folders = fw::PlanDesktopFolders(environment);

    std::vector<std::pair<std::string, std::string>> expected;
    for (const auto& [variable, value] : c.variables) {
      expected.emplace_back(variable, value[0] == '@' ? folders.privatePlace + "/" + value.substr(1)
                                                      : At(value));
    }
    EXPECT_EQ(folders.variables, expected);
    EXPECT_EQ(folders.placeKept, c.placeKept);
    EXPECT_EQ(folders.cookiesKept, c.cookiesKept);
    EXPECT_EQ(folders.cacheKept, c.cacheKept);

    // The preferences folder stays the desktop's own, whatever its state.
    const std::string config = environment.configHome.value_or(*environment.home + "/.config");
    EXPECT_EQ(folders.preferences, config);
    // The engine's folders are usable and, where not kept, private.
    EXPECT_EQ(fw::FolderProblem(folders.engineData), "");
    EXPECT_EQ(fw::FolderProblem(folders.engineCache), "");
    auto isPrivate = [&folders](const std::string& path) {
      return !folders.privatePlace.empty() && path.rfind(folders.privatePlace + "/", 0) == 0;
    };
    EXPECT_EQ(isPrivate(folders.engineData), !c.cookiesKept);
    EXPECT_EQ(isPrivate(folders.engineCache), !c.cacheKept);
    if (!folders.privatePlace.empty()) {
      EXPECT_EQ(folders.privatePlace.rfind(At("tmp/tambourin-"), 0), 0u);
      struct stat st {};
      ASSERT_EQ(::stat(folders.privatePlace.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 0777, 0700u) << "only the user may look into it";
    }

    ASSERT_EQ(folders.notices.size(), 1u);
    const std::string& line = folders.notices[0];
    EXPECT_EQ(line.rfind("tambourin: cannot use ", 0), 0u) << line;
    for (const std::string& path : c.named) {
      EXPECT_NE(line.find(At(path) + " ("), std::string::npos) << line;
    }
    EXPECT_EQ(line.find("window's place is not kept") != std::string::npos, !c.placeKept) << line;
    EXPECT_EQ(line.find("cookies are not kept") != std::string::npos, !c.cookiesKept) << line;
    EXPECT_EQ(line.find("web cache is not kept") != std::string::npos, !c.cacheKept) << line;
    EXPECT_EQ(line.find('\n'), std::string::npos);
  }
}

TEST_F(DesktopFoldersTest, ARelativePathIsIgnoredForTheDefaultWhichIsSetForEveryReader) {
  fw::DesktopEnvironment environment = Usable();
  environment.configHome = "config";
  const fw::DesktopFolders folders = fw::PlanDesktopFolders(environment);
  EXPECT_EQ(folders.preferences, At("home/.config"));
  EXPECT_TRUE(folders.placeKept);
  using Variables = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(folders.variables, (Variables{{"XDG_CONFIG_HOME", At("home/.config")}}));
  ASSERT_EQ(folders.notices.size(), 1u);
  EXPECT_NE(folders.notices[0].find("XDG_CONFIG_HOME is not an absolute path (config)"),
            std::string::npos);
  EXPECT_TRUE(folders.privatePlace.empty());
}

TEST_F(DesktopFoldersTest, WithoutHomeTheAccountsHomeGivesTheDefaults) {
  fw::DesktopEnvironment environment;
  environment.accountHome = At("account");
  environment.privateBases = {At("tmp")};
  const fw::DesktopFolders folders = fw::PlanDesktopFolders(environment);
  EXPECT_EQ(folders.preferences, At("account/.config"));
  EXPECT_EQ(folders.engineData, At("account/.local/share/tambourin"));
  EXPECT_EQ(folders.engineCache, At("account/.cache/tambourin"));
  EXPECT_TRUE(folders.notices.empty());
  EXPECT_TRUE(fs::is_directory(At("account/.local/share/tambourin")));
}

TEST_F(DesktopFoldersTest, APrivateFolderComesFromTheFirstUsableBase) {
  fw::DesktopEnvironment environment = Usable();
  environment.dataHome = At("file/data");
  environment.privateBases = {"relative", At("file/tmp"), At("dangling"), At("tmp")};
  const fw::DesktopFolders folders = fw::PlanDesktopFolders(environment);
  EXPECT_EQ(folders.privatePlace.rfind(At("tmp/tambourin-"), 0), 0u) << folders.privatePlace;

  environment.privateBases = {At("file/tmp")};
  const fw::DesktopFolders none = fw::PlanDesktopFolders(environment);
  EXPECT_TRUE(none.privatePlace.empty());
  EXPECT_TRUE(none.variables.empty());
  ASSERT_EQ(none.notices.size(), 1u);
  EXPECT_NE(none.notices[0].find("no private folder could be made"), std::string::npos)
      << none.notices[0];
}

TEST_F(DesktopFoldersTest, FolderProblemMakesMissingFoldersAndNamesWhatIsWrong) {
  EXPECT_EQ(fw::FolderProblem(At("new/deep/folder")), "");
  EXPECT_TRUE(fs::is_directory(At("new/deep/folder")));
  EXPECT_EQ(fw::FolderProblem(At("home")), "");

  const std::vector<std::pair<std::string, std::string>> damaged = {
      {At("file/below"), "Not a directory"},
      {At("file"), "Not a directory"},
      {At("dangling"), "No such file or directory"},
      {"relative/path", "not an absolute path"},
      {"", "not an absolute path"},
  };
  for (const auto& [path, problem] : damaged) {
    EXPECT_EQ(fw::FolderProblem(path), problem) << path;
  }

  EXPECT_FALSE(fw::PathsBelowReachable(At("file")));
  EXPECT_FALSE(fw::PathsBelowReachable(At("file/below")));
  EXPECT_TRUE(fw::PathsBelowReachable(At("dangling")));
  EXPECT_TRUE(fw::PathsBelowReachable(At("missing")));
  EXPECT_TRUE(fw::PathsBelowReachable(At("home")));
}

TEST_F(DesktopFoldersTest, AFolderWithoutWritePermissionKeepsNothingButStaysInPlace) {
  if (::geteuid() == 0) GTEST_SKIP() << "the superuser may write in any folder";
  fs::create_directories(At("home/readonly"));
  ::chmod(At("home/readonly").c_str(), 0555);
  fw::DesktopEnvironment environment = Usable();
  environment.configHome = At("home/readonly");
  const fw::DesktopFolders folders = fw::PlanDesktopFolders(environment);
  ::chmod(At("home/readonly").c_str(), 0755);
  EXPECT_FALSE(folders.placeKept);
  // Its other files (the desktop's default browser above all) stay readable.
  EXPECT_TRUE(folders.variables.empty());
  ASSERT_EQ(folders.notices.size(), 1u);
  EXPECT_NE(folders.notices[0].find("Permission denied"), std::string::npos);
}

}  // namespace
