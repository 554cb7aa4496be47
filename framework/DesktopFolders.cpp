#include "framework/DesktopFolders.h"

#include <ftw.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace fw {
namespace {

std::optional<std::string> Variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] == '\0') return std::nullopt;
  return std::string(value);
}

std::string Join(const std::vector<std::string>& parts, const char* separator) {
  std::string all;
  for (const std::string& part : parts) {
    if (!all.empty()) all += separator;
    all += part;
  }
  return all;
}

// A folder's part in the plan: where it is, and whether anything of it can be
// handed to the sandbox.
struct Checked {
  std::string path;
  std::string problem;
  bool reachable = true;
};

class Planner {
 public:
  explicit Planner(const DesktopEnvironment& environment) : environment_(environment) {}

  DesktopFolders Plan() {
    const std::string home = environment_.home.value_or(environment_.accountHome);
    if (!PathsBelowReachable(home)) {
      // Nothing below the home folder exists, so nothing is lost by standing
      // a private folder in for it; the launcher binds paths below it.
      clauses_.push_back("the home folder " + home + " (" + FolderProblem(home) + ")");
      Redirect("HOME", "home");
    }

    if (environment_.runtimeDir) {
      // The engine makes the sockets of its sandbox's bus proxies here; when
      // GLib falls back to the cache folder for an unset one, that is checked
      // below.
      const std::string& runtime = *environment_.runtimeDir;
      const std::string problem = FolderProblem(runtime);
      if (!problem.empty()) {
        clauses_.push_back("the runtime folder " + runtime + " (" + problem + ")");
        Redirect("XDG_RUNTIME_DIR", "runtime");
      }
    }

    const Checked config = Desktop("XDG_CONFIG_HOME", environment_.configHome, home, "/.config",
                                   "", "config");
    result_.preferences = config.path;
    result_.placeKept = config.problem.empty();
    if (!result_.placeKept) lost_.push_back("the window's place is not kept");

    result_.engineData = Engine("XDG_DATA_HOME", environment_.dataHome, home, "/.local/share",
                                "data", result_.cookiesKept);
    if (!result_.cookiesKept) lost_.push_back("cookies are not kept");
    result_.engineCache = Engine("XDG_CACHE_HOME", environment_.cacheHome, home, "/.cache",
                                 "cache", result_.cacheKept);
    if (!result_.cacheKept) lost_.push_back("the web cache is not kept");

    if (!clauses_.empty()) {
      std::string line = "tambourin: cannot use " + Join(clauses_, ", ") + "; ";
      line += lost_.empty() ? "a private folder stands in until the program ends"
                            : Join(lost_, ", ");
      if (privateFailed_) line += " (and no private folder could be made: " + privateError_ + ")";
      result_.notices.push_back(line);
    }
    return result_;
  }

 private:
  // The desktop's folder named by `variable`, or its default below the home
  // folder, checked with the program's own `sub`folder when there is one. A
  // folder below which nothing can be reached is replaced for this process.
  Checked Desktop(const char* variable, const std::optional<std::string>& value,
                  const std::string& home, const char* fallback, const char* sub,
                  const char* privateName) {
    Checked checked;
    if (value && (*value)[0] == '/') {
      checked.path = *value;
    } else {
      checked.path = home + fallback;
      if (value) {
        // Relative paths are invalid in these variables and are ignored; the
        // variable is set to what is used instead, so that every reader agrees.
        result_.notices.push_back(std::string("tambourin: ") + variable +
                                  " is not an absolute path (" + *value + "); " +
                                  checked.path + " is used instead");
        result_.variables.emplace_back(variable, checked.path);
      }
    }
    // The desktop's folder is named when it is the one at fault, the program's
    // own folder in it otherwise.
    std::string own = checked.path;
    checked.problem = FolderProblem(own);
    if (checked.problem.empty() && sub[0] != '\0') {
      own += std::string("/") + sub;
      checked.problem = FolderProblem(own);
    }
    checked.reachable = PathsBelowReachable(checked.path);
    if (!checked.problem.empty()) {
      clauses_.push_back(std::string("the ") + privateName + " folder " + own + " (" +
                         checked.problem + ")");
    }
    if (!checked.reachable) Redirect(variable, privateName);
    return checked;
  }

  // The folder the engine keeps its files in: the program's folder in the
  // desktop's, else one in the private folder, which then is not kept.
  std::string Engine(const char* variable, const std::optional<std::string>& value,
                     const std::string& home, const char* fallback, const char* name,
                     bool& kept) {
    const Checked checked = Desktop(variable, value, home, fallback, "tambourin", name);
    kept = checked.problem.empty();
    if (kept) return checked.path + "/tambourin";
    const std::string place = PrivateSub(name);
    if (place.empty()) return checked.path + "/tambourin";
    const std::string own = place + "/tambourin";
    FolderProblem(own);
    return own;
  }

  void Redirect(const char* variable, const char* name) {
    const std::string place = PrivateSub(name);
    if (!place.empty()) result_.variables.emplace_back(variable, place);
  }

  // A folder of that name in the private folder, made on first use; empty
  // when no private folder can be made.
  std::string PrivateSub(const char* name) {
    if (result_.privatePlace.empty() && !privateFailed_) {
      for (const std::string& base : environment_.privateBases) {
        if (base.empty() || base[0] != '/' || !FolderProblem(base).empty()) continue;
        std::string pattern = base + "/tambourin-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
          result_.privatePlace = pattern;
          break;
        }
        privateError_ = std::strerror(errno);
      }
      if (result_.privatePlace.empty()) {
        privateFailed_ = true;
        if (privateError_.empty()) privateError_ = "no usable temporary folder";
      }
    }
    if (privateFailed_) return {};
    const std::string place = result_.privatePlace + "/" + name;
    if (::mkdir(place.c_str(), 0700) != 0 && errno != EEXIST) return {};
    return place;
  }

  const DesktopEnvironment& environment_;
  DesktopFolders result_;
  std::vector<std::string> clauses_;
  std::vector<std::string> lost_;
  bool privateFailed_ = false;
  std::string privateError_;
};

std::unique_ptr<DesktopFolders>& Settled() {
  static std::unique_ptr<DesktopFolders> settled;
  return settled;
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
  ::remove(path);
  return 0;
}

}  // namespace

std::string FolderProblem(const std::string& path) {
  if (path.empty() || path[0] != '/') return "not an absolute path";
  // Each missing folder on the way is made, as the user's own would be.
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (!prefix.empty() && prefix.back() != '/' && ::mkdir(prefix.c_str(), 0700) != 0 &&
        errno != EEXIST) {
      return std::strerror(errno);
    }
    if (slash == std::string::npos) break;
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
  if (!S_ISDIR(st.st_mode)) return std::strerror(ENOTDIR);
  if (::access(path.c_str(), W_OK | X_OK) != 0) return std::strerror(errno);
  return {};
}

bool PathsBelowReachable(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  // Missing (a dangling link included): a path below it is missing too.
  return errno == ENOENT;
}

DesktopFolders PlanDesktopFolders(const DesktopEnvironment& environment) {
  return Planner(environment).Plan();
}

DesktopEnvironment CurrentDesktopEnvironment(std::vector<std::string> privateBases) {
  DesktopEnvironment environment;
  environment.home = Variable("HOME");
  if (!environment.home) {
    // As GLib does: the account's home folder stands in for an unset HOME.
    if (const struct passwd* account = ::getpwuid(::getuid())) {
      if (account->pw_dir != nullptr) environment.accountHome = account->pw_dir;
    }
  }
  environment.configHome = Variable("XDG_CONFIG_HOME");
  environment.dataHome = Variable("XDG_DATA_HOME");
  environment.cacheHome = Variable("XDG_CACHE_HOME");
  environment.runtimeDir = Variable("XDG_RUNTIME_DIR");
  environment.privateBases = std::move(privateBases);
  return environment;
}

const DesktopFolders& SettleDesktopFolders(std::vector<std::string> privateBases) {
  std::unique_ptr<DesktopFolders>& settled = Settled();
  if (!settled) {
    settled = std::make_unique<DesktopFolders>(
        PlanDesktopFolders(CurrentDesktopEnvironment(std::move(privateBases))));
    for (const auto& [name, value] : settled->variables) ::setenv(name.c_str(), value.c_str(), 1);
    for (const std::string& notice : settled->notices) std::fprintf(stderr, "%s\n", notice.c_str());
  }
  return *settled;
}

const DesktopFolders* SettledDesktopFolders() { return Settled().get(); }

void RemovePrivatePlace() {
  const std::unique_ptr<DesktopFolders>& settled = Settled();
  if (!settled || settled->privatePlace.empty()) return;
  // Depth first, never following a link out of the folder, never leaving
  // its file system.
  ::nftw(settled->privatePlace.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS | FTW_MOUNT);
  settled->privatePlace.clear();
}

std::string PreferencesPath() {
  if (const DesktopFolders* settled = SettledDesktopFolders()) return settled->preferences;
  const std::optional<std::string> config = Variable("XDG_CONFIG_HOME");
  if (config && (*config)[0] == '/') return *config;
  const std::optional<std::string> home = Variable("HOME");
  if (home && (*home)[0] == '/') return *home + "/.config";
  return {};
}

}  // namespace fw
