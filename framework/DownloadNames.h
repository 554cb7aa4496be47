#pragma once

// How a file that the user downloads is named and where it goes. Pure
// decisions, so that every hostile name a page may suggest can be tried
// without an engine.

#include <string>

namespace fw {

// The folder downloads are saved in: the desktop's download folder, or
// `home`/Downloads when the desktop names none or names the home folder
// itself (a page's file must never land among the user's dot files).
// `desktopFolder` may be nil.
std::string ChooseDownloadFolder(const char* desktopFolder, const std::string& home);

// A plain file name made from what a page suggests: only the last path
// component, no leading dots or blanks, no control characters, never empty,
// and short enough that a number and the engine's own suffix still fit in a
// file name.
std::string SafeDownloadName(const std::string& suggested);

// The name to try on the `attempt`-th time: the name itself first, then
// "name (1).ext", "name (2).ext", ...
std::string NumberedName(const std::string& name, int attempt);

}  // namespace fw
