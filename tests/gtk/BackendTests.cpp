// The backend's own services on the real toolkit: the event loop, the
// screens, pictures, and the window's close box.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "GtkTestSupport.h"
#include "framework/Backend.h"
#include "GtkTesting.h"

namespace {

TEST(Backend, QuitAskedBeforeTheLoopEndsItAtOnceAndQuitInsideItEndsIt) {
  fw::TheBackend().QuitLoop();
  fw::TheBackend().RunLoop();  // returns at once, or the test hangs

  bool ran = false;
  g_idle_add(
      [](gpointer flag) -> gboolean {
        *static_cast<bool*>(flag) = true;
        fw::TheBackend().QuitLoop();
        return G_SOURCE_REMOVE;
      },
      &ran);
  fw::TheBackend().RunLoop();
  EXPECT_TRUE(ran);
  // The quit inside the loop leaves nothing behind for the next run.
  g_idle_add([](gpointer) -> gboolean {
    fw::TheBackend().QuitLoop();
    return G_SOURCE_REMOVE;
  }, nullptr);
  fw::TheBackend().RunLoop();
}

TEST(Backend, ScreensGiveTheWholeMonitorMainFirst) {
  const std::vector<fw::Rect> screens = fw::TheBackend().Screens();
  ASSERT_FALSE(screens.empty());
  EXPECT_EQ(screens[0], (fw::Rect{0, 0, 1440, 900}));  // the Xvfb screen the tests run on
}

TEST(Backend, DecodePictureReadsPicturesAndRefusesOtherFiles) {
  const std::string png = gtktest::RunHome() + "/face.png";
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 23, 17);
  gdk_pixbuf_fill(pixbuf, 0x336699ff);
  ASSERT_TRUE(gdk_pixbuf_save(pixbuf, png.c_str(), "png", nullptr, nullptr));
  g_object_unref(pixbuf);
  const std::string text = gtktest::RunHome() + "/not-a-picture.png";
  std::ofstream(text) << "plain words";

  auto picture = fw::TheBackend().DecodePicture(png);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->Width(), 23);
  EXPECT_EQ(picture->Height(), 17);
  EXPECT_EQ(fw::TheBackend().DecodePicture(text), nullptr);
  EXPECT_EQ(fw::TheBackend().DecodePicture(gtktest::RunHome() + "/missing.png"), nullptr);

  // A well shows the picture it is given, and nothing once given nil.
  auto window = gtktest::OpenTestWindow(fw::Rect{50, 50, 200, 100});
  auto well = window->New<fw::ImageWell>();
  well->SetWidth(31);
  well->SetHeight(31);
  well->Constructor();
  window->AddControl("Well", well);
  GtkWidget* box = fw::gtk::WidgetOf(*well);
  GtkWidget* image = gtk_bin_get_child(GTK_BIN(box));
  well->Peer()->SetImage(picture);
  ASSERT_EQ(gtk_image_get_storage_type(GTK_IMAGE(image)), GTK_IMAGE_PIXBUF);
  EXPECT_EQ(gdk_pixbuf_get_width(gtk_image_get_pixbuf(GTK_IMAGE(image))), 23);
  well->Peer()->SetImage(nullptr);
  EXPECT_EQ(gtk_image_get_storage_type(GTK_IMAGE(image)), GTK_IMAGE_EMPTY);
  window->Close();
}

TEST(Backend, CloseBoxAsksTheWindowWhichMayRefuse) {
  auto window = gtktest::OpenTestWindow(fw::Rect{50, 50, 300, 200});
  GtkWindow* toplevel = fw::gtk::ToplevelOf(*window);
  g_object_ref(toplevel);
  ASSERT_TRUE(gtktest::SpinUntil([&] { return gtk_widget_get_mapped(GTK_WIDGET(toplevel)); }));

  window->refuseClose = true;
  gtk_window_close(toplevel);  // as the close box does: a delete event
  gtktest::SpinFor(std::chrono::milliseconds(200));
  EXPECT_TRUE(window->IsOpen());
  EXPECT_TRUE(gtk_widget_get_mapped(GTK_WIDGET(toplevel)));
  EXPECT_EQ(window->closeCount, 0);

  window->refuseClose = false;
  gtk_window_close(toplevel);
  ASSERT_TRUE(gtktest::SpinUntil([&] { return window->IsClosed(); }));
  EXPECT_EQ(window->closeCount, 1);
  EXPECT_FALSE(gtk_widget_get_mapped(GTK_WIDGET(toplevel)));
  g_object_unref(toplevel);
}

}  // namespace
