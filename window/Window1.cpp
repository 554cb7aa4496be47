#include "window/Window1.h"

#include "framework/Errors.h"
#include "framework/PropertyList.h"

namespace tambourin {
namespace {

// Binds one window event to a member of Window1.
template <void (Window1::*Member)()>
fw::WindowEventHandler Bind() {
  return [](fw::Window& window) {
    (static_cast<class Window1&>(window).*Member)();
    return false;
  };
}

}  // namespace

fw::ClassRecord Window1::MakeClassRecord() {
  fw::ClassRecord record{kClassName, "Window", {}, {}};
  auto bind = [&](fw::WindowEvent event, fw::WindowEventHandler handler) {
    record.events[static_cast<std::size_t>(event)] = std::move(handler);
  };
  bind(fw::WindowEvent::Layout, Bind<&Window1::Layout>());
  bind(fw::WindowEvent::CreateControls, Bind<&Window1::CreateControls>());
  bind(fw::WindowEvent::Open, Bind<&Window1::Event_Open>());
  bind(fw::WindowEvent::Close, Bind<&Window1::Event_Close>());
  bind(fw::WindowEvent::Resized, Bind<&Window1::Event_Resized>());
  return record;
}

const std::string& Window1::LayoutProperties() {
  static const std::string list = fw::PropertyListBuilder()
                                      .Integer("Placement", 0)
                                      .Integer("Width", 1)
                                      .Integer("Height", 1)
                                      .Integer("MinWidth", 64)
                                      .Integer("MinHeight", 64)
                                      .Integer("MaxWidth", 32000)
                                      .Integer("MaxHeight", 32000)
                                      .Integer("Frame", 0)
                                      .Boolean("Composite", true)
                                      .Boolean("HasBackColor", false)
                                      .Colour("BackColor", {0xBF, 0xBF, 0xBF})
                                      .Text("Title", "Tambourin")
                                      .Boolean("Visible", true)
                                      .Boolean("FullScreen", false)
                                      .Boolean("MenuBarVisible", true)
                                      .Boolean("CloseButton", true)
                                      .Boolean("Resizeable", true)
                                      .Boolean("LiveResize", true)
                                      .Boolean("MaximizeButton", true)
                                      .Boolean("MinimizeButton", true)
                                      .Integer("MacProcID", 0)
                                      .Bytes();
  return list;
}

void Window1::Layout() { fw::SetProperties(*this, LayoutProperties()); }

void Window1::CreateControls() { CreateControls0(); }

std::shared_ptr<class Window1> Window1() {
  std::shared_ptr<fw::Window> found = fw::GetImplicitWindow(Window1::kClassName);
  if (found) {
    auto window = std::dynamic_pointer_cast<class Window1>(found);
    if (!window) throw fw::RuntimeException("the implicit window is not a Window1");
    return window;
  }
  auto window = std::make_shared<class Window1>();
  window->Constructor();
  return window;
}

}  // namespace tambourin
