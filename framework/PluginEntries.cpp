#include "framework/PluginEntries.h"

#include <map>

namespace fw {
namespace {

std::map<std::string, std::any>& Offered() {
  static std::map<std::string, std::any> offered;
  return offered;
}

std::array<std::any, kPluginEntryNames.size()>& Table() {
  static std::array<std::any, kPluginEntryNames.size()> table;
  return table;
}

}  // namespace

void OfferPluginEntry(const std::string& name, std::any fn) { Offered()[name] = std::move(fn); }

void WithdrawPluginEntry(const std::string& name) { Offered().erase(name); }

void InitPluginEntrypoints() {
  auto& table = Table();
  for (std::size_t i = 0; i < kPluginEntryNames.size(); ++i) {
    auto it = Offered().find(kPluginEntryNames[i]);
    if (it != Offered().end()) {
      table[i] = it->second;
    } else {
      table[i].reset();
    }
  }
}

void ClearPluginEntrypoints() {
  for (auto& slot : Table()) slot.reset();
}

bool IsPluginEntryResolved(PluginEntry entry) {
  return Table()[static_cast<std::size_t>(entry)].has_value();
}

const std::any& ResolvedPluginEntry(PluginEntry entry) {
  const std::any& slot = Table()[static_cast<std::size_t>(entry)];
  if (!slot.has_value()) {
    throw PluginEntryException(std::string("plug-in entry \"") +
                               kPluginEntryNames[static_cast<std::size_t>(entry)] +
                               "\" was not resolved at start-up");
  }
  return slot;
}

}  // namespace fw
