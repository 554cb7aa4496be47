#pragma once

// The desktop's own folders (the home folder and the XDG config, data, cache
// and runtime folders) as this process uses them.
//
// A folder the desktop names may be unusable: below a regular file, a file
// itself, a dangling link, without permission. The web engine's sandbox
// launcher then fails on the paths it binds below such a folder and the engine
// ends the process, so the toolkit backend settles the folders before anything
// asks GLib for them: a folder below which no path can be reached is replaced,
// for this process only, by a private folder that is removed at exit, and one
// line on stderr says what the user loses (the window's place, cookies, the
// web cache). The preferences folder stays the desktop's own even then, so
// that nothing is saved in the private folder as though it were kept.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fw {

// Makes the folder (and missing parents) when absent and tells why it cannot
// hold the program's files; empty when it can: an absolute path to a folder
// that this process may write in.
std::string FolderProblem(const std::string& path);

// Whether a path below `path` can be reached, or is merely missing: false
// when `path` or one of its parents exists as something other than a folder
// (a path below it then fails with "Not a directory", or a link loops).
bool PathsBelowReachable(const std::string& path);

// What the process found in its environment. Unset variables are nullopt.
struct DesktopEnvironment {
  std::optional<std::string> home;  // HOME
  std::string accountHome;          // the account's home folder, used when HOME is unset
  std::optional<std::string> configHome;
  std::optional<std::string> dataHome;
  std::optional<std::string> cacheHome;
  std::optional<std::string> runtimeDir;  // XDG_RUNTIME_DIR
  // Where a private folder may be made, best first.
  std::vector<std::string> privateBases;
};

struct DesktopFolders {
  // The preferences folder as the desktop names it, usable or not.
  std::string preferences;
  bool placeKept = true;
  // The folders the web engine keeps its website data and cache in.
  std::string engineData;
  std::string engineCache;
  bool cookiesKept = true;
  bool cacheKept = true;
  // Variables to set for this process, in order, before GLib reads them.
  std::vector<std::pair<std::string, std::string>> variables;
  // The private folder, empty when none was needed.
  std::string privatePlace;
  // What to tell the user on stderr, one line each (without the line end).
  std::vector<std::string> notices;
};

// Checks each folder, making the program's own folders, and decides what the
// process uses instead of an unusable one (making the private folder when
// one is needed).
DesktopFolders PlanDesktopFolders(const DesktopEnvironment& environment);

// The environment of this process, as PlanDesktopFolders reads it.
DesktopEnvironment CurrentDesktopEnvironment(std::vector<std::string> privateBases);

// Plans for this process, sets the variables, prints the notices and keeps
// the result; later calls return the kept result.
const DesktopFolders& SettleDesktopFolders(std::vector<std::string> privateBases);
// The settled folders, or nil when nothing has settled them.
const DesktopFolders* SettledDesktopFolders();
// Removes the private folder and everything in it, if one was made.
void RemovePrivatePlace();

// The user's preferences folder: the settled one, else $XDG_CONFIG_HOME when
// it is absolute, else ~/.config; empty when there is no home to take it from.
std::string PreferencesPath();

}  // namespace fw
