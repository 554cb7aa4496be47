// Windows and their controls on the real toolkit: geometry set from code and
// read back, Resized, absolute placement, the picture well's press and
// release, and the Edit keys.

#include <gtest/gtest.h>

#include <chrono>
#include <iterator>

#include "GtkTestSupport.h"
#include "framework/Backend.h"
#include "GtkTesting.h"

namespace {

using gtktest::OpenTestWindow;
using gtktest::SpinUntil;

fw::Rect ToolkitGeometry(const fw::Window& window) {
  GtkWindow* toplevel = fw::gtk::ToplevelOf(window);
  fw::Rect r;
  gtk_window_get_position(toplevel, &r.left, &r.top);
  gtk_window_get_size(toplevel, &r.width, &r.height);
  return r;
}

bool WaitForGeometry(const fw::Window& window, const fw::Rect& wanted) {
  return SpinUntil([&] { return window.Bounds() == wanted && ToolkitGeometry(window) == wanted; },
                   std::chrono::seconds(10));
}

std::string Describe(const fw::Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) +
         "x" + std::to_string(r.height);
}

TEST(Window, OpensAtTheBoundsItWasGiven) {
  const fw::Rect opening{120, 90, 640, 480};
  auto window = OpenTestWindow(opening);
  EXPECT_TRUE(WaitForGeometry(*window, opening)) << Describe(ToolkitGeometry(*window));
  EXPECT_TRUE(gtk_widget_get_mapped(GTK_WIDGET(fw::gtk::ToplevelOf(*window))));
  window->Close();
}

TEST(Window, PositionAndSizeSetFromCodeRoundTrip) {
  auto window = OpenTestWindow(fw::Rect{50, 50, 700, 500});
  const fw::Rect cases[] = {
      {10, 20, 300, 200}, {400, 300, 1000, 550}, {0, 0, 64, 64}, {777, 333, 555, 444},
  };
  for (const fw::Rect& wanted : cases) {
    window->SetLeft(wanted.left);
    window->SetTop(wanted.top);
    window->SetWidth(wanted.width);
    window->SetHeight(wanted.height);
    // Read back at once, before the toolkit has settled: what was set.
    EXPECT_EQ(window->Bounds(), wanted);
    EXPECT_TRUE(WaitForGeometry(*window, wanted))
        << "wanted " << Describe(wanted) << ", toolkit has " << Describe(ToolkitGeometry(*window));
  }
  window->Close();
}

TEST(Window, ResizedFollowsASizeSetFromCodeWithTheNewSize) {
  auto window = OpenTestWindow(fw::Rect{50, 50, 700, 500});
  ASSERT_TRUE(WaitForGeometry(*window, fw::Rect{50, 50, 700, 500}));
  const int before = window->resizedCount;
  window->SetWidth(520);
  ASSERT_TRUE(SpinUntil([&] { return window->resizedCount > before; }));
  EXPECT_EQ(window->resizedBounds.back().width, 520);
  EXPECT_EQ(window->resizedBounds.back().height, 500);
  // Moving without resizing is no resize.
  const int afterResize = window->resizedCount;
  window->SetLeft(90);
  ASSERT_TRUE(WaitForGeometry(*window, fw::Rect{90, 50, 520, 500}));
  EXPECT_EQ(window->resizedCount, afterResize);
  window->Close();
}

TEST(Window, SizesBelowOneDoNotBreakTheWindow) {
  auto window = OpenTestWindow(fw::Rect{50, 50, 400, 300});
  for (int size : {0, -5}) {
    window->SetWidth(size);
    window->SetHeight(size);
    EXPECT_EQ(window->Width(), size);
    gtktest::SpinFor(std::chrono::milliseconds(200));
    GtkWindow* toplevel = fw::gtk::ToplevelOf(*window);
    int w = 0;
    int h = 0;
    gtk_window_get_size(toplevel, &w, &h);
    EXPECT_GE(w, 1);
    EXPECT_GE(h, 1);
  }
  window->SetWidth(400);
  window->SetHeight(300);
  EXPECT_TRUE(WaitForGeometry(*window, fw::Rect{50, 50, 400, 300}));
  window->Close();
}

TEST(Window, AnOpeningSizeNoScreenHoldsOpensWithinTheDesktopAtOnce) {
  // xvfb-run's one screen is the whole desktop here.
  const fw::Rect desktop = fw::DesktopBounds(fw::TheBackend().Screens());
  ASSERT_EQ(desktop, (fw::Rect{0, 0, 1440, 900})) << Describe(desktop);
  const fw::Rect openings[] = {
      {30, 40, 20000, 20000},
      {30, 40, 2147483647, 2147483647},
      {30, 40, 20000, 600},
  };
  const fw::Rect fitted[] = {{0, 0, 1440, 900}, {0, 0, 1440, 900}, {0, 40, 1440, 600}};
  for (std::size_t i = 0; i < std::size(openings); ++i) {
    SCOPED_TRACE(Describe(openings[i]));
    const auto start = std::chrono::steady_clock::now();
    auto window = OpenTestWindow(openings[i]);
    EXPECT_TRUE(WaitForGeometry(*window, fitted[i])) << Describe(ToolkitGeometry(*window));
    EXPECT_TRUE(gtk_widget_get_mapped(GTK_WIDGET(fw::gtk::ToplevelOf(*window))));
    // A 32000-pixel window took some 28 seconds to appear; one the size of the
    // screen takes a fraction of one.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    window->Close();
  }
}

TEST(Window, AResizedHandlerThatClosesTheWindowFromTheToolkitsReport) {
  auto window = OpenTestWindow(fw::Rect{50, 50, 400, 300});
  ASSERT_TRUE(WaitForGeometry(*window, fw::Rect{50, 50, 400, 300}));
  window->closeOnResized = true;
  std::weak_ptr<gtktest::TestWindow> watch = window;
  GtkWindow* toplevel = fw::gtk::ToplevelOf(*window);
  // Only the framework holds the window when the configure event comes.
  window.reset();
  gtk_window_resize(toplevel, 500, 350);
  EXPECT_TRUE(SpinUntil([&] { return watch.expired(); }, std::chrono::seconds(10)));
  EXPECT_TRUE(fw::OpenWindows().empty());
}

TEST(Window, TitleReachesTheToplevel) {
  auto window = OpenTestWindow(fw::Rect{50, 50, 400, 300});
  window->SetTitle("Tambourin");
  EXPECT_STREQ(gtk_window_get_title(fw::gtk::ToplevelOf(*window)), "Tambourin");
  window->Close();
}

// --- Placement -------------------------------------------------------------------

template <typename C>
std::shared_ptr<C> AddControl(fw::Window& window, const std::string& name, const fw::Rect& r) {
  auto control = window.New<C>();
  control->SetLeft(r.left);
  control->SetTop(r.top);
  control->SetWidth(r.width);
  control->SetHeight(r.height);
  control->Constructor();
  window.AddControl(name, control);
  return control;
}

fw::Rect AllocationInWindow(GtkWidget* widget) {
  GtkAllocation a;
  gtk_widget_get_allocation(widget, &a);
  int x = 0;
  int y = 0;
  gtk_widget_translate_coordinates(widget, gtk_widget_get_toplevel(widget), 0, 0, &x, &y);
  return fw::Rect{x, y, a.width, a.height};
}

TEST(Controls, EachKindSitsExactlyAtItsBoundsAndFollowsThem) {
  auto window = OpenTestWindow(fw::Rect{30, 30, 900, 600});
  // Rectangles smaller than the widgets' own minimum sizes on purpose: the
  // framework's bounds win over the toolkit's wishes.
  std::vector<std::pair<std::shared_ptr<fw::RectControl>, fw::Rect>> placed = {
      {AddControl<fw::PushButton>(*window, "Push", {5, 3, 30, 12}), {5, 3, 30, 12}},
      {AddControl<fw::BevelButton>(*window, "Bevel", {40, 3, 29, 29}), {40, 3, 29, 29}},
      {AddControl<fw::TextField>(*window, "Field", {80, 6, 400, 22}), {80, 6, 400, 22}},
      {AddControl<fw::ImageWell>(*window, "Well", {490, 2, 31, 31}), {490, 2, 31, 31}},
      {AddControl<fw::Separator>(*window, "Line", {0, 34, 900, 1}), {0, 34, 900, 1}},
      {AddControl<fw::HTMLViewer>(*window, "Web", {0, 35, 900, 565}), {0, 35, 900, 565}},
  };
  for (auto& [control, bounds] : placed) {
    GtkWidget* widget = fw::gtk::WidgetOf(*control);
    ASSERT_NE(widget, nullptr);
    EXPECT_TRUE(SpinUntil([&] { return AllocationInWindow(widget) == bounds; }))
        << control->Name() << " is at " << Describe(AllocationInWindow(widget));
  }
  // Moved and sized again from code.
  auto& [field, fieldBounds] = placed[2];
  field->SetLeft(100);
  field->SetWidth(250);
  const fw::Rect moved{100, 6, 250, 22};
  EXPECT_TRUE(SpinUntil([&] { return AllocationInWindow(fw::gtk::WidgetOf(*field)) == moved; }));
  window->Close();
}

TEST(Controls, AWideWebViewDoesNotStopTheWindowFromShrinking) {
  auto window = OpenTestWindow(fw::Rect{30, 30, 1200, 800});
  AddControl<fw::HTMLViewer>(*window, "Web", {0, 35, 1200, 765});
  ASSERT_TRUE(WaitForGeometry(*window, fw::Rect{30, 30, 1200, 800}));
  window->SetWidth(300);
  window->SetHeight(200);
  EXPECT_TRUE(WaitForGeometry(*window, fw::Rect{30, 30, 300, 200}))
      << Describe(ToolkitGeometry(*window));
  window->Close();
}

TEST(Controls, VisibleEnabledAndHelpTagReachTheWidget) {
  auto window = OpenTestWindow(fw::Rect{30, 30, 400, 200});
  auto button = AddControl<fw::PushButton>(*window, "Push", {10, 10, 80, 30});
  GtkWidget* widget = fw::gtk::WidgetOf(*button);
  EXPECT_TRUE(gtk_widget_get_visible(widget));
  button->ApplyProperty("Visible", false);
  EXPECT_FALSE(gtk_widget_get_visible(widget));
  button->ApplyProperty("Visible", true);
  EXPECT_TRUE(gtk_widget_get_visible(widget));
  button->ApplyProperty("Enabled", false);
  EXPECT_FALSE(gtk_widget_get_sensitive(widget));
  button->ApplyProperty("HelpTag", std::string("Go home"));
  gchar* tip = gtk_widget_get_tooltip_text(widget);
  EXPECT_STREQ(tip, "Go home");
  g_free(tip);
  button->ApplyProperty("HelpTag", std::string());
  EXPECT_EQ(gtk_widget_get_tooltip_text(widget), nullptr);
  window->Close();
}

TEST(Controls, ButtonClickRaisesActionButNotWhenHidden) {
  auto window = OpenTestWindow(fw::Rect{30, 30, 400, 200});
  auto button = AddControl<fw::PushButton>(*window, "Push", {10, 10, 120, 40});
  int actions = 0;
  fw::InstallInstanceEventHandler(*button, "Action",
                                  fw::ActionHandler([&](fw::RectControl&) { ++actions; }));
  GtkWidget* widget = fw::gtk::WidgetOf(*button);
  ASSERT_TRUE(SpinUntil([&] { return AllocationInWindow(widget) == fw::Rect{10, 10, 120, 40}; }));
  gtktest::ClickAt(widget, 60, 20);
  ASSERT_TRUE(SpinUntil([&] { return actions == 1; }));

  button->ApplyProperty("Visible", false);
  gtktest::SpinFor(std::chrono::milliseconds(100));
  int sx = 0;
  int sy = 0;
  gtktest::ScreenPointOf(gtk_widget_get_toplevel(widget), 70, 30, sx, sy);
  ASSERT_TRUE(gtktest::RunProgram(
      {"xdotool", "mousemove", std::to_string(sx), std::to_string(sy), "click", "1"}));
  gtktest::SpinFor(std::chrono::milliseconds(300));
  EXPECT_EQ(actions, 1);
  window->Close();
}

// --- The picture well ------------------------------------------------------------

TEST(ImageWell, PressInsideAndReleaseOutsideReachTheWellWithItsCoordinates) {
  auto window = OpenTestWindow(fw::Rect{100, 100, 400, 200});
  auto well = AddControl<fw::ImageWell>(*window, "Well", {20, 2, 31, 31});
  struct Event {
    bool down;
    int x;
    int y;
  };
  std::vector<Event> events;
  fw::InstallInstanceEventHandler(*well, "MouseDown",
                                  fw::MouseDownHandler([&](fw::RectControl&, int32_t x, int32_t y) {
                                    events.push_back({true, x, y});
                                    return true;
                                  }));
  fw::InstallInstanceEventHandler(*well, "MouseUp",
                                  fw::MouseUpHandler([&](fw::RectControl&, int32_t x, int32_t y) {
                                    events.push_back({false, x, y});
                                  }));
  GtkWidget* widget = fw::gtk::WidgetOf(*well);
  ASSERT_TRUE(SpinUntil([&] { return AllocationInWindow(widget) == fw::Rect{20, 2, 31, 31}; }));
  int sx = 0;
  int sy = 0;
  gtktest::ScreenPointOf(widget, 10, 12, sx, sy);
  ASSERT_TRUE(gtktest::RunProgram({"xdotool", "mousemove", std::to_string(sx),
                                   std::to_string(sy), "mousedown", "1"}));
  ASSERT_TRUE(SpinUntil([&] { return events.size() == 1; }));
  // Released far outside the window: the well still hears of it.
  ASSERT_TRUE(gtktest::RunProgram({"xdotool", "mousemove", std::to_string(sx + 600),
                                   std::to_string(sy + 300), "mouseup", "1"}));
  ASSERT_TRUE(SpinUntil([&] { return events.size() == 2; }));
  EXPECT_TRUE(events[0].down);
  EXPECT_EQ(events[0].x, 10);
  EXPECT_EQ(events[0].y, 12);
  EXPECT_FALSE(events[1].down);
  EXPECT_EQ(events[1].x, 610);
  EXPECT_EQ(events[1].y, 312);
  window->Close();
}

// --- Edit keys ---------------------------------------------------------------------

std::string ClipboardText() {
  GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
  gchar* text = gtk_clipboard_wait_for_text(clipboard);
  std::string result = text != nullptr ? text : "";
  g_free(text);
  return result;
}

void SetClipboardText(const std::string& text) {
  gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), text.c_str(), -1);
}

TEST(EditKeys, TextFieldCopiesAndPastesUnlessItsHandlerTakesTheCommand) {
  auto window = OpenTestWindow(fw::Rect{100, 100, 500, 120});
  auto source = AddControl<fw::TextField>(*window, "Source", {10, 10, 300, 30});
  auto sink = AddControl<fw::TextField>(*window, "Sink", {10, 60, 300, 30});
  source->SetText("copied words");
  ASSERT_TRUE(SpinUntil([&] { return gtk_widget_get_mapped(fw::gtk::WidgetOf(*sink)); }));
  SetClipboardText("before");

  gtktest::FocusWidget(fw::gtk::WidgetOf(*source));
  gtktest::PressKey("ctrl+a");
  gtktest::PressKey("ctrl+c");
  ASSERT_TRUE(SpinUntil([] { return ClipboardText() == "copied words"; }, std::chrono::seconds(5)))
      << ClipboardText();
  gtktest::FocusWidget(fw::gtk::WidgetOf(*sink));
  gtktest::PressKey("ctrl+v");
  ASSERT_TRUE(SpinUntil([&] { return sink->Text() == "copied words"; }, std::chrono::seconds(5)))
      << sink->Text();

  // A handler that claims EditPaste keeps the toolkit from pasting.
  int pastes = 0;
  sink->AddMenuHandler("EditPaste", [&](fw::RectControl&) {
    ++pastes;
    return true;
  });
  gtktest::PressKey("ctrl+v");
  ASSERT_TRUE(SpinUntil([&] { return pastes == 1; }, std::chrono::seconds(5)));
  gtktest::SpinFor(std::chrono::milliseconds(200));
  EXPECT_EQ(sink->Text(), "copied words");
  window->Close();
}

TEST(EditKeys, SelectAllAndCopyInAPageReachTheClipboard) {
  gtktest::TestServer server;
  server.Serve("/text", "<html><body><p>page words to copy</p></body></html>");
  auto window = OpenTestWindow(fw::Rect{100, 100, 600, 300});
  auto viewer = AddControl<fw::HTMLViewer>(*window, "Web", {0, 35, 600, 265});
  gtktest::ViewerLog log;
  gtktest::RecordViewer(*viewer, log);
  viewer->LoadURL(server.URL("/text"));
  ASSERT_TRUE(SpinUntil([&] { return !log.documentsComplete.empty(); }));
  SetClipboardText("before");
  gtktest::FocusWidget(fw::gtk::WidgetOf(*viewer));
  gtktest::PressKey("ctrl+a");
  gtktest::PressKey("ctrl+c");
  EXPECT_TRUE(SpinUntil([] { return ClipboardText().find("page words to copy") != std::string::npos; },
                        std::chrono::seconds(10)))
      << ClipboardText();
  window->Close();
}

}  // namespace
