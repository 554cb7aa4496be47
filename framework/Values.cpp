#include "framework/Values.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "framework/Backend.h"

namespace fw {

std::string Str(int32_t value) { return std::to_string(value); }

double CDbl(const std::string& text) {
  // from_chars never looks at the locale, so "1,5" is never read as 1.5.
  std::size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  if (at < text.size() && text[at] == '+') ++at;
  double value = 0;
  const auto result = std::from_chars(text.data() + at, text.data() + text.size(), value);
  if (result.ec != std::errc()) return 0;
  return value;
}

int32_t DoubleToInt32(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

int32_t ScreenCount() { return static_cast<int32_t>(TheBackend().Screens().size()); }

std::shared_ptr<ScreenInfo> Screen(int32_t index) {
  const auto screens = TheBackend().Screens();
  if (index < 0 || static_cast<std::size_t>(index) >= screens.size()) return nullptr;
  const Rect& r = screens[static_cast<std::size_t>(index)];
  return std::make_shared<ScreenInfo>(r.left, r.top, r.width, r.height);
}

bool IsAddressForDefaultBrowser(const std::string& url) {
  // The scheme is everything before the first colon; it must be http or https
  // in any case, followed by "//" and a host.
  const auto colon = url.find(':');
  if (colon == std::string::npos || colon == 0) return false;
  std::string scheme;
  for (std::size_t i = 0; i < colon; ++i) {
    const char c = url[i];
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
    scheme.push_back(static_cast<char>(c | 0x20));
  }
  if (scheme != "http" && scheme != "https") return false;
  if (url.compare(colon + 1, 2, "//") != 0) return false;
  const std::size_t hostStart = colon + 3;
  if (hostStart >= url.size() || url[hostStart] == '/' || url[hostStart] == '?' ||
      url[hostStart] == '#') {
    return false;
  }
  // Control characters and spaces have no place in an address; one that holds
  // them was not made by an engine and is not passed on.
  for (unsigned char c : url) {
    if (c <= 0x20 || c == 0x7F) return false;
  }
  return true;
}

std::string OnOneLine(const std::string& text) {
  static const char* kHex = "0123456789abcdef";
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) {
      out += "\\x";
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0xF]);
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

void ShowURL(const std::string& url) {
  if (!IsAddressForDefaultBrowser(url)) {
    std::fprintf(stderr, "tambourin: not handing \"%s\" to the default browser: only http and https addresses leave the program\n",
                 OnOneLine(url).c_str());
    return;
  }
  std::string error;
  if (!TheBackend().OpenInDefaultBrowser(url, error)) {
    std::fprintf(stderr, "tambourin: could not open %s in the default browser: %s\n",
                 OnOneLine(url).c_str(), OnOneLine(error).c_str());
  }
}

}  // namespace fw
