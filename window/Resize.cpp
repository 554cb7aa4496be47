// The resize rule: the web view fills the window below the toolbar, the
// separator spans it, the hidden "?" button keeps its distance from the right
// edge, and the window stays at least 220 pixels wide.

#include "window/Window1.h"

namespace tambourin {
namespace {

constexpr int32_t kToolbarHeight = 35;
constexpr int32_t kHelpButtonInset = 35;
constexpr int32_t kNarrowestWidth = 220;
constexpr int32_t kClampedViewInset = 10;

// Plain two's-complement subtraction, free of overflow.
int32_t Minus(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

}  // namespace

void Window1::Event_Resized() {
  Find<fw::HTMLViewer>("HTMLViewer1").SetWidth(Width());
  Find<fw::HTMLViewer>("HTMLViewer1").SetHeight(Minus(Height(), kToolbarHeight));
  Find<fw::PushButton>("PushButton5").SetLeft(Minus(Width(), kHelpButtonInset));
  Find<fw::Separator>("Separator1").SetWidth(Width());

  std::shared_ptr<class Window1> main = tambourin::Window1();
  if (!main) throw fw::NilObjectException("there is no main window");
  if (main->Width() < kNarrowestWidth) {
    main->SetWidth(kNarrowestWidth);
    Find<fw::HTMLViewer>("HTMLViewer1").SetWidth(Minus(Width(), kClampedViewInset));
    Find<fw::HTMLViewer>("HTMLViewer1").SetHeight(Minus(Height(), kToolbarHeight));
    Find<fw::PushButton>("PushButton5").SetLeft(Minus(Width(), kHelpButtonInset));
    Find<fw::Separator>("Separator1").SetWidth(Width());
  }
}

}  // namespace tambourin
