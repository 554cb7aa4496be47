#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace fw {

// Decimal text of a value: its digits, after a minus sign when negative.
std::string Str(int32_t value);

// The number a text spells, read in the C locale whatever the user's locale;
// 0 for a text that spells no number.
double CDbl(const std::string& text);

// The framework's conversion from double to a signed 32-bit integer: the
// fraction is dropped (towards zero), values beyond the range are held at its
// ends, and NaN gives 0.
int32_t DoubleToInt32(double value);

class ScreenInfo {
 public:
  ScreenInfo(int32_t left, int32_t top, int32_t width, int32_t height)
      : left_(left), top_(top), width_(width), height_(height) {}
  int32_t Left() const { return left_; }
  int32_t Top() const { return top_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }

 private:
  int32_t left_, top_, width_, height_;
};

int32_t ScreenCount();
// The screen of that index, the main screen being 0; nil when there is none.
std::shared_ptr<ScreenInfo> Screen(int32_t index);

// Whether an address may leave the program for the desktop's default browser:
// only absolute http and https addresses may.
bool IsAddressForDefaultBrowser(const std::string& url);

// The text as it can be shown on one line of a report on stderr: control
// characters, which a page may put in an address or a file name to forge
// further lines of the report, as \xNN. Every report line that holds a text
// a page gave shows it through here.
std::string OnOneLine(const std::string& text);

// Opens the address in the user's default browser. Any address that
// IsAddressForDefaultBrowser refuses is reported on stderr and handed to
// nothing; so is a launch that fails.
void ShowURL(const std::string& url);

}  // namespace fw
