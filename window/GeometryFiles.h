#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tambourin {

// The four files that keep the window's place between runs, each holding one
// decimal integer without a line end, named after the site's host.
inline constexpr const char* kTopSuffix = "-top.txt";
inline constexpr const char* kLeftSuffix = "-left.txt";
inline constexpr const char* kHeightSuffix = "-height.txt";
inline constexpr const char* kWidthSuffix = "-width.txt";

// The longest text Str writes for a signed 32-bit value: "-2147483648".
inline constexpr std::size_t kLongestGeometryValue = 11;

// Reads a geometry file's text as Str wrote it: an optional minus sign and
// digits, nothing else, within the signed 32-bit range. Any other text (a
// line end, spaces, a fraction, "1e3", a number too large) gives nothing, and
// `why` says what was wrong.
std::optional<int32_t> ReadGeometryValue(const std::string& text, std::string& why);

}  // namespace tambourin
