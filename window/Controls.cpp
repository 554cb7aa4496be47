// The window's nine controls: their property lists, first pictures, Edit-menu
// bindings and event wiring.

#include "framework/PropertyList.h"
#include "resources/Pictures.h"
#include "window/ControlLists.h"
#include "window/Window1.h"

namespace tambourin {
namespace {

constexpr int32_t kNoIndex = -2147483647 - 1;
constexpr fw::Color kBlack{0, 0, 0};
constexpr fw::Color kWhite{255, 255, 255};

struct Place {
  const char* name;
  int32_t left, top, width, height;
};

// Every list starts with the control's name, index, place and locks.
fw::PropertyListBuilder Start(const Place& p) {
  fw::PropertyListBuilder b;
  b.Text("Name", p.name)
      .Integer("Index", kNoIndex)
      .Integer("Left", p.left)
      .Integer("Top", p.top)
      .Integer("Width", p.width)
      .Integer("Height", p.height)
      .Boolean("LockLeft", true)
      .Boolean("LockTop", true)
      .Boolean("LockRight", false)
      .Boolean("LockBottom", false)
      .Integer("TabPanelIndex", 0);
  return b;
}

std::string ViewList(const Place& p, bool visible) {
  return Start(p)
      .Text("InitialParent", "")
      .Integer("TabIndex", 0)
      .Boolean("Visible", visible)
      .Text("HelpTag", "")
      .Boolean("AutoDeactivate", true)
      .Boolean("Enabled", true)
      .Bytes();
}

// What tells the toolbar's items apart, after their place.
struct ToolbarTraits {
  int32_t tabIndex;
  bool tabStop;
  const char* helpTag;
  bool autoDeactivate;
};

fw::PropertyListBuilder ToolbarItem(const Place& p, const ToolbarTraits& t) {
  fw::PropertyListBuilder b = Start(p);
  b.Integer("TabIndex", t.tabIndex)
      .Boolean("TabStop", t.tabStop)
      .Text("InitialParent", "")
      .Boolean("Visible", true)
      .Text("HelpTag", t.helpTag)
      .Boolean("AutoDeactivate", t.autoDeactivate)
      .Boolean("Enabled", true);
  return b;
}

// Binds a member of Window1 as a control's handler: the framework calls it
// with the control, and the member works on the window that holds it.
template <typename C, typename R, typename... A>
auto OnWindow(R (Window1::*member)(C&, A...)) {
  return [member](fw::RectControl& control, A... args) -> R {
    auto& window = static_cast<class Window1&>(control.ParentWindow());
    return (window.*member)(static_cast<C&>(control), args...);
  };
}

fw::MenuHandler ViewMenu(bool (*handler)(fw::HTMLViewer&)) {
  return [handler](fw::RectControl& control) {
    return handler(static_cast<fw::HTMLViewer&>(control));
  };
}

}  // namespace

namespace lists {

const std::string& HTMLViewer1() {
  static const std::string list = ViewList({"HTMLViewer1", 0, 35, 789, 560}, true);
  return list;
}

const std::string& TextField1() {
  static const std::string list = Start({"TextField1", 639, 2, 334, 28})
                                      .Integer("TabIndex", 3)
                                      .Boolean("TabStop", true)
                                      .Boolean("Border", true)
                                      .Boolean("Password", false)
                                      .Boolean("UseFocusRing", true)
                                      .Colour("TextColor", kBlack)
                                      .Colour("BackColor", kWhite)
                                      .Boolean("Enabled", true)
                                      .Text("Format", "")
                                      .Boolean("Visible", false)
                                      .Text("HelpTag", "")
                                      .Boolean("AutoDeactivate", true)
                                      .Text("TextFont", "System")
                                      .Boolean("Bold", false)
                                      .Boolean("Italic", false)
                                      .Boolean("Underline", false)
                                      .Text("CueText", "")
                                      .Text("Text", "")
                                      .Text("Mask", "")
                                      .Boolean("ReadOnly", false)
                                      .Integer("LimitText", 0)
                                      .Boolean("AcceptTabs", false)
                                      .Integer("Alignment", 0)
                                      .Text("DataSource", "")
                                      .Text("DataField", "")
                                      .Text("InitialParent", "")
                                      .Bytes();
  return list;
}

const std::string& PushButton5() {
  static const std::string list = Start({"PushButton5", 985, 7, 25, 19})
                                      .Integer("TabIndex", 5)
                                      .Boolean("TabStop", false)
                                      .Text("Caption", "?")
                                      .Boolean("Default", false)
                                      .Boolean("Cancel", false)
                                      .Boolean("Enabled", true)
                                      .Boolean("Visible", false)
                                      .Text("HelpTag", "About this app")
                                      .Boolean("AutoDeactivate", true)
                                      .Integer("ButtonStyle", 0)
                                      .Text("TextFont", "System")
                                      .Boolean("Bold", false)
                                      .Boolean("Italic", false)
                                      .Boolean("Underline", false)
                                      .Text("InitialParent", "")
                                      .Bytes();
  return list;
}

const std::string& HTMLViewer2() {
  static const std::string list = ViewList({"HTMLViewer2", 974, 35, 36, 19}, false);
  return list;
}

const std::string& buttonfront() {
  static const std::string list =
      ToolbarItem({"buttonfront", 35, 6, 27, 23}, {.tabIndex = 7,
                                                    .tabStop = false,
                                                    .helpTag = "Show the next page",
                                                    .autoDeactivate = false})
          .Bytes();
  return list;
}

const std::string& buttonback() {
  static const std::string list =
      ToolbarItem({"buttonback", 9, 6, 27, 23}, {.tabIndex = 15,
                                                  .tabStop = false,
                                                  .helpTag = "Show the previous page",
                                                  .autoDeactivate = false})
          .Bytes();
  return list;
}

const std::string& Separator1() {
  static const std::string list =
      ToolbarItem({"Separator1", 0, 33, 221, 3},
                  {.tabIndex = 16, .tabStop = true, .helpTag = "", .autoDeactivate = true})
          .Bytes();
  return list;
}

const std::string& BevelButton3() {
  static const std::string list =
      ToolbarItem({"BevelButton3", 106, 6, 42, 23}, {.tabIndex = 21,
                                                      .tabStop = true,
                                                      .helpTag = "More Palavera Stuff",
                                                      .autoDeactivate = true})
          .Text("Caption", "Xtra")
          .Integer("CaptionAlign", 3)
          .Integer("CaptionPlacement", 1)
          .Integer("CaptionDelta", 0)
          .Integer("IconAlign", 0)
          .Integer("IconDX", 0)
          .Integer("IconDY", 0)
          .Integer("Bevel", 0)
          .Integer("HasMenu", 0)
          .Boolean("HasBackColor", false)
          .Colour("BackColor", kBlack)
          .Colour("TextColor", kBlack)
          .Boolean("Value", false)
          .Integer("MenuValue", 0)
          .Integer("ButtonType", 0)
          .Boolean("AcceptFocus", false)
          .Text("TextFont", "System")
          .Boolean("Bold", false)
          .Boolean("Italic", false)
          .Boolean("Underline", false)
          .Bytes();
  return list;
}

const std::string& buttonhome() {
  static const std::string list =
      ToolbarItem({"buttonhome", 69, 6, 28, 23}, {.tabIndex = 23,
                                                   .tabStop = false,
                                                   .helpTag = "Go to the home page",
                                                   .autoDeactivate = false})
          .Bytes();
  return list;
}

}  // namespace lists

namespace {

// Creates, constructs and registers one control.
template <typename C>
void Make(class Window1& window, const char* name) {
  std::shared_ptr<C> control = window.New<C>();
  control->Constructor();
  window.AddControl(name, control);
}

void BindEditMenu(fw::HTMLViewer& view) {
  view.AddMenuHandler("EditClear", ViewMenu(&fw::HTMLViewer::EditClear_Action));
  view.AddMenuHandler("EditCopy", ViewMenu(&fw::HTMLViewer::EditCopy_Action));
  view.AddMenuHandler("EditCut", ViewMenu(&fw::HTMLViewer::EditCut_Action));
  view.AddMenuHandler("EditPaste", ViewMenu(&fw::HTMLViewer::EditPaste_Action));
  view.AddMenuHandler("EditSelectAll", ViewMenu(&fw::HTMLViewer::EditSelectAll_Action));
}

}  // namespace

void Window1::CreateControls0() {
  using fw::InstallInstanceEventHandler;

  // Each control is made, then looked up by its name for every step that
  // follows, as any control added later would be.
  Make<fw::HTMLViewer>(*this, "HTMLViewer1");
  {
    auto view = [this]() -> fw::HTMLViewer& { return Find<fw::HTMLViewer>("HTMLViewer1"); };
    fw::SetProperties(view(), lists::HTMLViewer1());
    BindEditMenu(view());
    InstallInstanceEventHandler(view(), "NewWindow",
                                fw::NewWindowHandler(OnWindow(&Window1::HTMLViewer1_NewWindow)));
    InstallInstanceEventHandler(
        view(), "DocumentComplete",
        fw::DocumentCompleteHandler(OnWindow(&Window1::HTMLViewer1_DocumentComplete)));
  }

  Make<fw::TextField>(*this, "TextField1");
  {
    auto field = [this]() -> fw::TextField& { return Find<fw::TextField>("TextField1"); };
    field().SetTextUnit(0);
    fw::SetProperties(field(), lists::TextField1());
  }

  Make<fw::PushButton>(*this, "PushButton5");
  {
    auto button = [this]() -> fw::PushButton& { return Find<fw::PushButton>("PushButton5"); };
    button().SetTextUnit(0);
    fw::SetProperties(button(), lists::PushButton5());
    InstallInstanceEventHandler(button(), "Action",
                                fw::ActionHandler(OnWindow(&Window1::PushButton5_Action)));
  }

  Make<fw::HTMLViewer>(*this, "HTMLViewer2");
  {
    auto view = [this]() -> fw::HTMLViewer& { return Find<fw::HTMLViewer>("HTMLViewer2"); };
    fw::SetProperties(view(), lists::HTMLViewer2());
    BindEditMenu(view());
    InstallInstanceEventHandler(view(), "CancelLoad",
                                fw::CancelLoadHandler(OnWindow(&Window1::HTMLViewer2_CancelLoad)));
  }

  Make<fw::ImageWell>(*this, "buttonfront");
  {
    auto well = [this]() -> fw::ImageWell& { return Find<fw::ImageWell>("buttonfront"); };
    well().SetImage(NavForwardButton2());
    fw::SetProperties(well(), lists::buttonfront());
    InstallInstanceEventHandler(well(), "MouseUp",
                                fw::MouseUpHandler(OnWindow(&Window1::buttonfront_MouseUp)));
    InstallInstanceEventHandler(well(), "MouseDown",
                                fw::MouseDownHandler(OnWindow(&Window1::buttonfront_MouseDown)));
  }

  Make<fw::ImageWell>(*this, "buttonback");
  {
    auto well = [this]() -> fw::ImageWell& { return Find<fw::ImageWell>("buttonback"); };
    well().SetImage(NavBackButton());
    fw::SetProperties(well(), lists::buttonback());
    InstallInstanceEventHandler(well(), "MouseDown",
                                fw::MouseDownHandler(OnWindow(&Window1::buttonback_MouseDown)));
    InstallInstanceEventHandler(well(), "MouseUp",
                                fw::MouseUpHandler(OnWindow(&Window1::buttonback_MouseUp)));
  }

  Make<fw::Separator>(*this, "Separator1");
  fw::SetProperties(Find<fw::Separator>("Separator1"), lists::Separator1());

  Make<fw::BevelButton>(*this, "BevelButton3");
  {
    auto button = [this]() -> fw::BevelButton& { return Find<fw::BevelButton>("BevelButton3"); };
    button().SetTextUnit(0);
    fw::SetProperties(button(), lists::BevelButton3());
    InstallInstanceEventHandler(button(), "Action",
                                fw::ActionHandler(OnWindow(&Window1::BevelButton3_Action)));
  }

  Make<fw::ImageWell>(*this, "buttonhome");
  {
    auto well = [this]() -> fw::ImageWell& { return Find<fw::ImageWell>("buttonhome"); };
    well().SetImage(ToolbarHomepageButton());
    fw::SetProperties(well(), lists::buttonhome());
    InstallInstanceEventHandler(well(), "MouseUp",
                                fw::MouseUpHandler(OnWindow(&Window1::buttonhome_MouseUp)));
    InstallInstanceEventHandler(well(), "MouseDown",
                                fw::MouseDownHandler(OnWindow(&Window1::buttonhome_MouseDown)));
  }
}

}  // namespace tambourin
