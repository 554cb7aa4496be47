#pragma once

#include <glib.h>

#include <cstddef>
#include <cstdint>

#include "framework/gtk/GObjectPtr.h"

namespace fw::gtk {

// The engine's popup rule lets a page open windows only while it handles the
// user's click or key press, but within that one handler it lets every call
// through: one click could hand a thousand addresses to the desktop. So a
// click is worth one new window here. "One click" is everything a page asks
// for between one press of a mouse button or key on a web view and the next:
// the user meant one thing by that press, however long the page takes to ask
// for it (a sign-in window opened after a slow script still counts), and a
// user who clicks again, however soon, gets the next window. A time window
// would do neither. The rest of a click's requests are refused and counted,
// and the count is reported in one line once the page has stopped asking.
//
// The backend owns one gate for the program's run and hands it to every web
// view: a press on any view is the user's next click, and a request view's
// own requests count against the click that opened it.
class ClickGate {
 public:
  ClickGate() = default;
  ClickGate(const ClickGate&) = delete;
  ClickGate& operator=(const ClickGate&) = delete;

  // A press of a mouse button or key reached a page.
  void UserInput();
  // True for the first request since the user's last press; every later one
  // is refused and counted.
  bool Admit();
  // Refuses a request and counts it.
  void Refuse();
  // Whether a page is asking for windows still: each refused request costs
  // its web process about 1.5 ms, so a click's loop of a thousand keeps it
  // from taking any navigation for over a second.
  bool RefusingLately() const;
  // Reports the refusals not reported yet, at once; called when the event
  // loop has ended, while the report can still be written.
  void Report();

 private:
  // Presses seen so far, and the press whose one request was let through.
  std::uint64_t inputs_ = 0;
  std::uint64_t admittedAt_ = 0;
  std::size_t refused_ = 0;
  gint64 lastRefusal_ = 0;
  SourceId report_;
};

}  // namespace fw::gtk
