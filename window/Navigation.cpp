// The back, forward and home picture buttons: the pressed face while held,
// the normal face and the navigation on release.

#include "resources/Pictures.h"
#include "window/Window1.h"

namespace tambourin {

void GoBackExt(fw::HTMLViewer& viewer) { viewer.GoBackExt(); }

void GoForwardExt(fw::HTMLViewer& viewer) { viewer.GoForwardExt(); }

bool Window1::buttonback_MouseDown(fw::ImageWell& control, int32_t, int32_t) {
  control.SetImage(NavBackButtonPushed2());
  return true;  // claims the press, so its release comes back here
}

void Window1::buttonback_MouseUp(fw::ImageWell& control, int32_t, int32_t) {
  control.SetImage(NavBackButton());
  GoBackExt(Find<fw::HTMLViewer>("HTMLViewer1"));
}

bool Window1::buttonfront_MouseDown(fw::ImageWell& control, int32_t, int32_t) {
  control.SetImage(NavForwardButtonPushed2());
  return true;
}

void Window1::buttonfront_MouseUp(fw::ImageWell& control, int32_t, int32_t) {
  control.SetImage(NavForwardButton2());
  GoForwardExt(Find<fw::HTMLViewer>("HTMLViewer1"));
}

bool Window1::buttonhome_MouseDown(fw::ImageWell& control, int32_t, int32_t) {
  control.SetImage(ToolbarHomepageButtonPushed());
  return true;
}

void Window1::buttonhome_MouseUp(fw::ImageWell& control, int32_t, int32_t) {
  control.SetImage(ToolbarHomepageButton());
  fw::HTMLViewer& view = Find<fw::HTMLViewer>("HTMLViewer1");
  fw::TextField& field = Find<fw::TextField>("TextField1");
  // Built anew from the field at every release; nothing is added or checked.
  view.LoadURL("http://" + field.Text());
}

}  // namespace tambourin
