#include "framework/DownloadNames.h"

#include <cstddef>

namespace fw {
namespace {

// Leaves room in a 255-byte file name for " (9999)" and the engine's
// ".wkdownload" suffix of the file it writes before the download completes.
constexpr std::size_t kMaxNameBytes = 200;
// An extension longer than this is treated as part of the name when cutting.
constexpr std::size_t kMaxExtensionBytes = 20;
constexpr const char* kFallbackName = "download";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Cuts at most `bytes` from the front of a UTF-8 string without splitting a
// character.
std::string Utf8Prefix(const std::string& text, std::size_t bytes) {
  if (text.size() <= bytes) {
    return text;
  }
  std::size_t end = bytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
    --end;
  }
  return text.substr(0, end);
}

// Where the extension starts ('.' included), or npos when the name has none.
// A leading dot does not start one.
std::size_t ExtensionStart(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? std::string::npos : dot;
}

std::string TrimTrailingBlanks(std::string text) {
  while (!text.empty() && IsBlank(text.back())) {
    text.pop_back();
  }
  return text;
}

}  // namespace

std::string ChooseDownloadFolder(const char* desktopFolder, const std::string& home) {
  std::string folder = desktopFolder != nullptr ? desktopFolder : "";
  while (folder.size() > 1 && folder.back() == '/') {
    folder.pop_back();
  }
  std::string homeFolder = home;
  while (homeFolder.size() > 1 && homeFolder.back() == '/') {
    homeFolder.pop_back();
  }
  if (folder.empty() || folder == homeFolder || folder == "/") {
    return homeFolder + (homeFolder == "/" ? "" : "/") + "Downloads";
  }
  return folder;
}

std::string SafeDownloadName(const std::string& suggested) {
  // Only what follows the last separator, of either kind, is a name.
  const std::size_t separator = suggested.find_last_of("/\\");
  std::string name = separator == std::string::npos ? suggested : suggested.substr(separator + 1);
  for (char& c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      c = '_';
    }
  }
  // No hidden files, no names of only dots ("." and "..").
  std::size_t start = 0;
  while (start < name.size() && (name[start] == '.' || IsBlank(name[start]))) {
    ++start;
  }
  name = TrimTrailingBlanks(name.substr(start));
  if (name.empty()) {
    return kFallbackName;
  }
  if (name.size() <= kMaxNameBytes) {
    return name;
  }
  const std::size_t dot = ExtensionStart(name);
  if (dot != std::string::npos && name.size() - dot <= kMaxExtensionBytes) {
    const std::string extension = name.substr(dot);
    return Utf8Prefix(name.substr(0, dot), kMaxNameBytes - extension.size()) + extension;
  }
  return Utf8Prefix(name, kMaxNameBytes);
}

std::string NumberedName(const std::string& name, int attempt) {
  if (attempt <= 0) {
    return name;
  }
  const std::size_t dot = ExtensionStart(name);
  const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  const std::string extension = dot == std::string::npos ? "" : name.substr(dot);
  return stem + " (" + std::to_string(attempt) + ")" + extension;
}

}  // namespace fw
