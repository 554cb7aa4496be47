// The window's and the nine controls' packed property lists, each compared
// byte for byte with the list written out by hand, entry by entry.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "window/ControlLists.h"
#include "window/Window1.h"

namespace tambourin::test {
namespace {

using namespace std::string_literals;

// Shows a packed list readably: printable bytes as they are, others as \xNN.
std::string Readable(std::string_view bytes) {
  static const char* kHex = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F) {
      out.push_back(static_cast<char>(c));
    } else {
      out += "\\x";
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0xF]);
    }
  }
  return out;
}

// The lists, written out byte by byte. An entry is the key, a space, then the
// value: an integer as 4 bytes big-endian, a Boolean as 1 byte, a colour as
// 3 bytes r, g, b, a text as a 4-byte big-endian length and its bytes.
const std::string kBevelButton3List =
    "Name "s + "\x00\x00\x00\x0c"s + "BevelButton3" +
    "Index "s + "\x80\x00\x00\x00"s +
    "Left "s + "\x00\x00\x00\x6a"s +  // 106
    "Top "s + "\x00\x00\x00\x06"s +
    "Width "s + "\x00\x00\x00\x2a"s +  // 42
    "Height "s + "\x00\x00\x00\x17"s +  // 23
    "LockLeft "s + "\x01"s +
    "LockTop "s + "\x01"s +
    "LockRight "s + "\x00"s +
    "LockBottom "s + "\x00"s +
    "TabPanelIndex "s + "\x00\x00\x00\x00"s +
    "TabIndex "s + "\x00\x00\x00\x15"s +  // 21
    "TabStop "s + "\x01"s +
    "InitialParent "s + "\x00\x00\x00\x00"s +
    "Visible "s + "\x01"s +
    "HelpTag "s + "\x00\x00\x00\x13"s + "More Palavera Stuff" +  // 19 bytes
    "AutoDeactivate "s + "\x01"s +
    "Enabled "s + "\x01"s +
    "Caption "s + "\x00\x00\x00\x04"s + "Xtra" +
    "CaptionAlign "s + "\x00\x00\x00\x03"s +
    "CaptionPlacement "s + "\x00\x00\x00\x01"s +
    "CaptionDelta "s + "\x00\x00\x00\x00"s +
    "IconAlign "s + "\x00\x00\x00\x00"s +
    "IconDX "s + "\x00\x00\x00\x00"s +
    "IconDY "s + "\x00\x00\x00\x00"s +
    "Bevel "s + "\x00\x00\x00\x00"s +
    "HasMenu "s + "\x00\x00\x00\x00"s +  // an integer, not a Boolean
    "HasBackColor "s + "\x00"s +
    "BackColor "s + "\x00\x00\x00"s +
    "TextColor "s + "\x00\x00\x00"s +
    "Value "s + "\x00"s +
    "MenuValue "s + "\x00\x00\x00\x00"s +
    "ButtonType "s + "\x00\x00\x00\x00"s +
    "AcceptFocus "s + "\x00"s +
    "TextFont "s + "\x00\x00\x00\x06"s + "System" +
    "Bold "s + "\x00"s +
    "Italic "s + "\x00"s +
    "Underline "s + "\x00"s;

const std::string kTextField1List =
    "Name "s + "\x00\x00\x00\x0a"s + "TextField1" +
    "Index "s + "\x80\x00\x00\x00"s +
    "Left "s + "\x00\x00\x02\x7f"s +  // 639
    "Top "s + "\x00\x00\x00\x02"s +
    "Width "s + "\x00\x00\x01\x4e"s +  // 334
    "Height "s + "\x00\x00\x00\x1c"s +  // 28
    "LockLeft "s + "\x01"s +
    "LockTop "s + "\x01"s +
    "LockRight "s + "\x00"s +
    "LockBottom "s + "\x00"s +
    "TabPanelIndex "s + "\x00\x00\x00\x00"s +
    "TabIndex "s + "\x00\x00\x00\x03"s +
    "TabStop "s + "\x01"s +
    "Border "s + "\x01"s +
    "Password "s + "\x00"s +
    "UseFocusRing "s + "\x01"s +
    "TextColor "s + "\x00\x00\x00"s +
    "BackColor "s + "\xff\xff\xff"s +
    "Enabled "s + "\x01"s +
    "Format "s + "\x00\x00\x00\x00"s +
    "Visible "s + "\x00"s +
    "HelpTag "s + "\x00\x00\x00\x00"s +
    "AutoDeactivate "s + "\x01"s +
    "TextFont "s + "\x00\x00\x00\x06"s + "System" +
    "Bold "s + "\x00"s +
    "Italic "s + "\x00"s +
    "Underline "s + "\x00"s +
    "CueText "s + "\x00\x00\x00\x00"s +
    "Text "s + "\x00\x00\x00\x00"s +
    "Mask "s + "\x00\x00\x00\x00"s +
    "ReadOnly "s + "\x00"s +
    "LimitText "s + "\x00\x00\x00\x00"s +
    "AcceptTabs "s + "\x00"s +
    "Alignment "s + "\x00\x00\x00\x00"s +
    "DataSource "s + "\x00\x00\x00\x00"s +
    "DataField "s + "\x00\x00\x00\x00"s +
    "InitialParent "s + "\x00\x00\x00\x00"s;

// What every control's list holds in the same place: the index that marks a
// control addressed by name alone, and the four locks and the tab panel.
const std::string kIndex = "Index "s + "\x80\x00\x00\x00"s;  // -2147483648
const std::string kLocksAndPanel =
    "LockLeft "s + "\x01"s +
    "LockTop "s + "\x01"s +
    "LockRight "s + "\x00"s +
    "LockBottom "s + "\x00"s +
    "TabPanelIndex "s + "\x00\x00\x00\x00"s;

const std::string kWindowList =
    "Placement "s + "\x00\x00\x00\x00"s +
    "Width "s + "\x00\x00\x00\x01"s +
    "Height "s + "\x00\x00\x00\x01"s +
    "MinWidth "s + "\x00\x00\x00\x40"s +  // 64
    "MinHeight "s + "\x00\x00\x00\x40"s +
    "MaxWidth "s + "\x00\x00\x7d\x00"s +  // 32000
    "MaxHeight "s + "\x00\x00\x7d\x00"s +
    "Frame "s + "\x00\x00\x00\x00"s +
    "Composite "s + "\x01"s +
    "HasBackColor "s + "\x00"s +
    "BackColor "s + "\xbf\xbf\xbf"s +
    "Title "s + "\x00\x00\x00\x09"s + "Tambourin" +
    "Visible "s + "\x01"s +
    "FullScreen "s + "\x00"s +
    "MenuBarVisible "s + "\x01"s +
    "CloseButton "s + "\x01"s +
    "Resizeable "s + "\x01"s +
    "LiveResize "s + "\x01"s +
    "MaximizeButton "s + "\x01"s +
    "MinimizeButton "s + "\x01"s +
    "MacProcID "s + "\x00\x00\x00\x00"s;  // the key ends in a capital D

const std::string kHTMLViewer1List =
    "Name "s + "\x00\x00\x00\x0b"s + "HTMLViewer1" + kIndex +
    "Left "s + "\x00\x00\x00\x00"s +
    "Top "s + "\x00\x00\x00\x23"s +  // 35
    "Width "s + "\x00\x00\x03\x15"s +  // 789
    "Height "s + "\x00\x00\x02\x30"s +  // 560
    kLocksAndPanel +
    "InitialParent "s + "\x00\x00\x00\x00"s +
    "TabIndex "s + "\x00\x00\x00\x00"s +
    "Visible "s + "\x01"s +
    "HelpTag "s + "\x00\x00\x00\x00"s +
    "AutoDeactivate "s + "\x01"s +
    "Enabled "s + "\x01"s;

const std::string kPushButton5List =
    "Name "s + "\x00\x00\x00\x0b"s + "PushButton5" + kIndex +
    "Left "s + "\x00\x00\x03\xd9"s +  // 985
    "Top "s + "\x00\x00\x00\x07"s +
    "Width "s + "\x00\x00\x00\x19"s +  // 25
    "Height "s + "\x00\x00\x00\x13"s +  // 19
    kLocksAndPanel +
    "TabIndex "s + "\x00\x00\x00\x05"s +
    "TabStop "s + "\x00"s +
    "Caption "s + "\x00\x00\x00\x01"s + "?" +
    "Default "s + "\x00"s +
    "Cancel "s + "\x00"s +
    "Enabled "s + "\x01"s +
    "Visible "s + "\x00"s +
    "HelpTag "s + "\x00\x00\x00\x0e"s + "About this app" +  // 14 bytes
    "AutoDeactivate "s + "\x01"s +
    "ButtonStyle "s + "\x00\x00\x00\x00"s +
    "TextFont "s + "\x00\x00\x00\x06"s + "System" +
    "Bold "s + "\x00"s +
    "Italic "s + "\x00"s +
    "Underline "s + "\x00"s +
    "InitialParent "s + "\x00\x00\x00\x00"s;

const std::string kHTMLViewer2List =
    "Name "s + "\x00\x00\x00\x0b"s + "HTMLViewer2" + kIndex +
    "Left "s + "\x00\x00\x03\xce"s +  // 974
    "Top "s + "\x00\x00\x00\x23"s +  // 35
    "Width "s + "\x00\x00\x00\x24"s +  // 36
    "Height "s + "\x00\x00\x00\x13"s +  // 19
    kLocksAndPanel +
    "InitialParent "s + "\x00\x00\x00\x00"s +
    "TabIndex "s + "\x00\x00\x00\x00"s +
    "Visible "s + "\x00"s +
    "HelpTag "s + "\x00\x00\x00\x00"s +
    "AutoDeactivate "s + "\x01"s +
    "Enabled "s + "\x01"s;

const std::string kButtonfrontList =
    "Name "s + "\x00\x00\x00\x0b"s + "buttonfront" + kIndex +
    "Left "s + "\x00\x00\x00\x23"s +  // 35
    "Top "s + "\x00\x00\x00\x06"s +
    "Width "s + "\x00\x00\x00\x1b"s +  // 27
    "Height "s + "\x00\x00\x00\x17"s +  // 23
    kLocksAndPanel +
    "TabIndex "s + "\x00\x00\x00\x07"s +
    "TabStop "s + "\x00"s +
    "InitialParent "s + "\x00\x00\x00\x00"s +
    "Visible "s + "\x01"s +
    "HelpTag "s + "\x00\x00\x00\x12"s + "Show the next page" +  // 18 bytes
    "AutoDeactivate "s + "\x00"s +
    "Enabled "s + "\x01"s;

const std::string kButtonbackList =
    "Name "s + "\x00\x00\x00\x0a"s + "buttonback" + kIndex +
    "Left "s + "\x00\x00\x00\x09"s +
    "Top "s + "\x00\x00\x00\x06"s +
    "Width "s + "\x00\x00\x00\x1b"s +  // 27
    "Height "s + "\x00\x00\x00\x17"s +  // 23
    kLocksAndPanel +
    "TabIndex "s + "\x00\x00\x00\x0f"s +  // 15
    "TabStop "s + "\x00"s +
    "InitialParent "s + "\x00\x00\x00\x00"s +
    "Visible "s + "\x01"s +
    "HelpTag "s + "\x00\x00\x00\x16"s + "Show the previous page" +  // 22 bytes
    "AutoDeactivate "s + "\x00"s +
    "Enabled "s + "\x01"s;

const std::string kSeparator1List =
    "Name "s + "\x00\x00\x00\x0a"s + "Separator1" + kIndex +
    "Left "s + "\x00\x00\x00\x00"s +
    "Top "s + "\x00\x00\x00\x21"s +  // 33
    "Width "s + "\x00\x00\x00\xdd"s +  // 221
    "Height "s + "\x00\x00\x00\x03"s +
    kLocksAndPanel +
    "TabIndex "s + "\x00\x00\x00\x10"s +  // 16
    "TabStop "s + "\x01"s +
    "InitialParent "s + "\x00\x00\x00\x00"s +
    "Visible "s + "\x01"s +
    "HelpTag "s + "\x00\x00\x00\x00"s +
    "AutoDeactivate "s + "\x01"s +
    "Enabled "s + "\x01"s;

const std::string kButtonhomeList =
    "Name "s + "\x00\x00\x00\x0a"s + "buttonhome" + kIndex +
    "Left "s + "\x00\x00\x00\x45"s +  // 69
    "Top "s + "\x00\x00\x00\x06"s +
    "Width "s + "\x00\x00\x00\x1c"s +  // 28
    "Height "s + "\x00\x00\x00\x17"s +  // 23
    kLocksAndPanel +
    "TabIndex "s + "\x00\x00\x00\x17"s +  // 23
    "TabStop "s + "\x00"s +
    "InitialParent "s + "\x00\x00\x00\x00"s +
    "Visible "s + "\x01"s +
    "HelpTag "s + "\x00\x00\x00\x13"s + "Go to the home page" +  // 19 bytes
    "AutoDeactivate "s + "\x00"s +
    "Enabled "s + "\x01"s;

TEST(PropertyLists, EachOfTheTenListsHoldsEveryEntryInOrderAndTypeByteForByte) {
  struct Case {
    const char* name;
    const std::string& actual;
    const std::string& expected;
  };
  const Case cases[] = {
      {"Window1", Window1::LayoutProperties(), kWindowList},
      {"HTMLViewer1", lists::HTMLViewer1(), kHTMLViewer1List},
      {"TextField1", lists::TextField1(), kTextField1List},
      {"PushButton5", lists::PushButton5(), kPushButton5List},
      {"HTMLViewer2", lists::HTMLViewer2(), kHTMLViewer2List},
      {"buttonfront", lists::buttonfront(), kButtonfrontList},
      {"buttonback", lists::buttonback(), kButtonbackList},
      {"Separator1", lists::Separator1(), kSeparator1List},
      {"BevelButton3", lists::BevelButton3(), kBevelButton3List},
      {"buttonhome", lists::buttonhome(), kButtonhomeList},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The readable forms show where a list goes wrong; the raw bytes decide.
    EXPECT_EQ(Readable(c.actual), Readable(c.expected));
    EXPECT_EQ(c.actual, c.expected);
  }
}

}  // namespace
}  // namespace tambourin::test
