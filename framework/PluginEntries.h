#pragma once

// The table through which every call into a component (the picture well, the
// HTML view and its history extension) goes. Components offer their entry
// points by name; start-up resolves the table's names, in a fixed order,
// against what is offered. An entry that was not resolved is never called.

#include <any>
#include <array>
#include <functional>
#include <string>

#include "framework/Errors.h"

namespace fw {

enum class PluginEntry { Init, ImageWellImageSet, HTMLViewerLoadURL, GoBackExt, GoForwardExt };
inline constexpr std::array<const char*, 5> kPluginEntryNames = {
    "_",
    "ImageWell.Image.Set",
    "_HTMLViewerPlugin.LoadURL(url as String)",
    "HTMLViewer.GoBackExt",
    "HTMLViewer.GoForwardExt",
};

// A component offers an entry point under a name. `fn` is a std::function of
// the entry's exact type.
void OfferPluginEntry(const std::string& name, std::any fn);
// Withdraws every offered entry (tests use it to show an unresolved entry).
void WithdrawPluginEntry(const std::string& name);

// Fills the table from what is offered; a name nobody offers stays unresolved.
void InitPluginEntrypoints();
// Empties the table.
void ClearPluginEntrypoints();
bool IsPluginEntryResolved(PluginEntry entry);

const std::any& ResolvedPluginEntry(PluginEntry entry);

// Calls a resolved entry; `Sig` is the entry's type, as offered.
template <typename Sig, typename... Args>
decltype(auto) CallPluginEntry(PluginEntry entry, Args&&... args) {
  const std::any& slot = ResolvedPluginEntry(entry);
  auto* fn = std::any_cast<std::function<Sig>>(&slot);
  if (fn == nullptr) {
    throw PluginEntryException(std::string("plug-in entry \"") +
                               kPluginEntryNames[static_cast<std::size_t>(entry)] +
                               "\" has another type than its caller expects");
  }
  return (*fn)(std::forward<Args>(args)...);
}

}  // namespace fw
