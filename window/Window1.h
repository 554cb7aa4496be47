#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/Hosts.h"
#include "framework/Controls.h"
#include "framework/Errors.h"
#include "framework/Runtime.h"
#include "framework/Window.h"

namespace tambourin {

// The browser window: its property list, its nine controls and its handlers.
// It keeps nothing of its own; what it holds lives in the window's properties
// and its controls (the site's host name is the text of TextField1).
class Window1 : public fw::Window {
 public:
  static constexpr const char* kClassName = "Window1.Window1";
  // The class record with the window events this class binds.
  static fw::ClassRecord MakeClassRecord();

  Window1() : fw::Window(kClassName) {}

  // Window events.
  virtual void Layout();
  virtual void CreateControls();
  virtual void CreateControls0();
  virtual void Event_Resized();
  virtual void Event_Close();
  virtual void Event_Open();

  // Control events; each gets the control that raised it.
  virtual std::shared_ptr<fw::HTMLViewer> HTMLViewer1_NewWindow(fw::HTMLViewer& control);
  virtual void HTMLViewer1_DocumentComplete(fw::HTMLViewer& control, const std::string& url);
  virtual void PushButton5_Action(fw::PushButton& control);
  virtual bool HTMLViewer2_CancelLoad(fw::HTMLViewer& control, const std::string& url);
  virtual void buttonfront_MouseUp(fw::ImageWell& control, int32_t x, int32_t y);
  virtual bool buttonfront_MouseDown(fw::ImageWell& control, int32_t x, int32_t y);
  virtual bool buttonback_MouseDown(fw::ImageWell& control, int32_t x, int32_t y);
  virtual void buttonback_MouseUp(fw::ImageWell& control, int32_t x, int32_t y);
  virtual void BevelButton3_Action(fw::BevelButton& control);
  virtual void buttonhome_MouseUp(fw::ImageWell& control, int32_t x, int32_t y);
  virtual bool buttonhome_MouseDown(fw::ImageWell& control, int32_t x, int32_t y);

  // The window's packed property list.
  static const std::string& LayoutProperties();

 private:
  template <typename C>
  C& Find(const char* name);
};

// The main window's implicit-instance accessor: the one Window1, created and
// constructed when none exists yet. (As a function it hides the class's name
// outside the class; the type is spelled `class Window1` after this point.)
std::shared_ptr<class Window1> Window1();

// The history steps of the back and forward buttons.
void GoBackExt(fw::HTMLViewer& viewer);
void GoForwardExt(fw::HTMLViewer& viewer);

// Looks a control up by name on a window; a missing one raises
// NilObjectException.
template <typename C>
C& ControlOn(const fw::Window& window, const char* name) {
  auto control = std::dynamic_pointer_cast<C>(fw::RuntimeWindowControlByName(window, name));
  if (!control) throw fw::NilObjectException(std::string("the window has no control ") + name);
  return *control;
}

template <typename C>
C& Window1::Find(const char* name) {
  return ControlOn<C>(*this, name);
}

}  // namespace tambourin
