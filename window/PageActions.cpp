// New-window routing and the product-page buttons.

#include "framework/Values.h"
#include "window/Window1.h"

namespace tambourin {

std::shared_ptr<fw::HTMLViewer> Window1::HTMLViewer1_NewWindow(fw::HTMLViewer&) {
  // Every page that asks for a new window is sent to the hidden second view,
  // whose CancelLoad hands the address on. No view there means no window.
  return std::dynamic_pointer_cast<fw::HTMLViewer>(
      fw::RuntimeWindowControlByName(*this, "HTMLViewer2"));
}

bool Window1::HTMLViewer2_CancelLoad(fw::HTMLViewer&, const std::string& url) {
  fw::ShowURL(url);
  return true;  // nothing ever loads in the hidden view
}

void Window1::HTMLViewer1_DocumentComplete(fw::HTMLViewer&, const std::string&) {
  Find<fw::HTMLViewer>("HTMLViewer1").Refresh(true);
}

void Window1::BevelButton3_Action(fw::BevelButton&) {
  Find<fw::HTMLViewer>("HTMLViewer1").LoadURL(ProductPageURL);
}

void Window1::PushButton5_Action(fw::PushButton&) {
  Find<fw::HTMLViewer>("HTMLViewer1").LoadURL(ProductPageURL);
}

}  // namespace tambourin
