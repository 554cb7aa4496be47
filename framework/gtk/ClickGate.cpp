#include "framework/gtk/ClickGate.h"

#include <cstdio>

#include "framework/gtk/Callbacks.h"

namespace fw::gtk {
namespace {

// How long after the last refused request of a click its count is reported.
constexpr guint kBurstReportDelayMs = 500;
// A page whose new-window requests were refused this recently is taken to be
// still inside the loop that asks for them.
constexpr gint64 kBurstBusyTime = 300 * G_USEC_PER_SEC / 1000;

}  // namespace

void ClickGate::UserInput() {
  Report();
  ++inputs_;
}

bool ClickGate::Admit() {
  if (inputs_ != admittedAt_) {
    admittedAt_ = inputs_;
    return true;
  }
  Refuse();
  return false;
}

void ClickGate::Refuse() {
  ++refused_;
  lastRefusal_ = g_get_monotonic_time();
  report_ = RunAfter<&ClickGate::report_, &ClickGate::Report>(kBurstReportDelayMs, this);
}

bool ClickGate::RefusingLately() const {
  return lastRefusal_ != 0 && g_get_monotonic_time() - lastRefusal_ < kBurstBusyTime;
}

void ClickGate::Report() {
  report_.Remove();
  if (refused_ == 0) return;
  std::fprintf(stderr,
               "tambourin: refused %zu new-window request%s: one click hands on one address\n",
               refused_, refused_ == 1 ? "" : "s");
  refused_ = 0;
}

}  // namespace fw::gtk
