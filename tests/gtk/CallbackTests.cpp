// The one guarded way from the toolkit into the backend: what a handler
// throws is reported and the toolkit gets the connection's fallback, and a
// source tells its owner it has ended whatever its method did.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <stdexcept>
#include <string>

#include "GtkTestSupport.h"
#include "framework/gtk/Callbacks.h"

namespace {

using fw::gtk::SignalConnection;
using fw::gtk::SourceId;

struct Thrower {
  int calls = 0;
  bool fail = true;
  SourceId source;

  gboolean OnDelete(GtkWidget*, GdkEvent*) {
    ++calls;
    if (fail) throw std::runtime_error("handler failed");
    return FALSE;
  }
  void OnIdle() {
    ++calls;
    throw std::logic_error("idle failed");
  }
};

gboolean EmitDelete(GtkWidget* window) {
  GdkEvent* event = gdk_event_new(GDK_DELETE);
  gboolean answer = 2;  // neither TRUE nor FALSE: the emission must set it
  g_signal_emit_by_name(window, "delete-event", event, &answer);
  gdk_event_free(event);
  return answer;
}

TEST(Callbacks, ThrowingSignalHandlerIsReportedAndAnswersItsFallback) {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  Thrower thrower;
  {
    SignalConnection kept =
        fw::gtk::Connect<&Thrower::OnDelete, TRUE>(window, "delete-event", &thrower);
    testing::internal::CaptureStderr();
    EXPECT_EQ(EmitDelete(window), TRUE);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("handler failed"), std::string::npos) << said;
    thrower.fail = false;
    EXPECT_EQ(EmitDelete(window), FALSE) << "the handler's own answer when it does not throw";
  }
  {
    // With no fallback named, a failing handler answers FALSE.
    thrower.fail = true;
    SignalConnection kept = fw::gtk::Connect<&Thrower::OnDelete>(window, "delete-event", &thrower);
    testing::internal::CaptureStderr();
    EXPECT_EQ(EmitDelete(window), FALSE);
    testing::internal::GetCapturedStderr();
  }
  // Both connections went away with their owners.
  const int before = thrower.calls;
  EmitDelete(window);
  EXPECT_EQ(thrower.calls, before);
  gtk_widget_destroy(window);
}

TEST(Callbacks, ThrowingIdleMethodRunsOnceAndLeavesItsSlotFinished) {
  Thrower thrower;
  thrower.source = fw::gtk::RunWhenIdle<&Thrower::source, &Thrower::OnIdle>(&thrower);
  EXPECT_TRUE(thrower.source.Active());
  testing::internal::CaptureStderr();
  EXPECT_TRUE(gtktest::SpinUntil([&] { return thrower.calls > 0; }));
  gtktest::SpinFor(std::chrono::milliseconds(50));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(thrower.calls, 1);
  EXPECT_FALSE(thrower.source.Active());
  EXPECT_NE(said.find("idle failed"), std::string::npos) << said;
}

}  // namespace
