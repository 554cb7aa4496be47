#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/Backend.h"
#include "framework/Picture.h"
#include "framework/PropertyList.h"

namespace fw {

class Window;
class HTMLViewer;

// The handler types of control events; each handler receives the control
// that raised the event.
using ActionHandler = std::function<void(RectControl&)>;
using MouseDownHandler = std::function<bool(RectControl&, int32_t x, int32_t y)>;
using MouseUpHandler = std::function<void(RectControl&, int32_t x, int32_t y)>;
using NewWindowHandler = std::function<std::shared_ptr<HTMLViewer>(RectControl&)>;
using CancelLoadHandler = std::function<bool(RectControl&, const std::string& url)>;
using DocumentCompleteHandler = std::function<void(RectControl&, const std::string& url)>;
using MenuHandler = std::function<bool(RectControl&)>;

// A control placed in a window at Left/Top with Width/Height, in the window's
// coordinates.
class RectControl : public PropertyTarget, public std::enable_shared_from_this<RectControl> {
 public:
  RectControl(Window& window, ControlKind kind);
  ~RectControl() override;
  RectControl(const RectControl&) = delete;
  RectControl& operator=(const RectControl&) = delete;

  // The control's default construction: it gets its toolkit peer.
  void Constructor();

  ControlKind Kind() const { return kind_; }
  Window& ParentWindow() const { return window_; }
  std::string Name() const;

  int32_t Left() const { return bounds_.left; }
  int32_t Top() const { return bounds_.top; }
  int32_t Width() const { return bounds_.width; }
  int32_t Height() const { return bounds_.height; }
  void SetLeft(int32_t value);
  void SetTop(int32_t value);
  void SetWidth(int32_t value);
  void SetHeight(int32_t value);
  bool Visible() const;
  bool Enabled() const;
  std::string HelpTag() const;
  // Asks for the control to be drawn again.
  void Refresh(bool eraseBackground);

  bool HasProperty(const std::string& name) const { return properties_.count(name) != 0; }
  // Throws std::out_of_range for a property never set.
  const PropertyValue& Property(const std::string& name) const;

  // --- Menu commands ------------------------------------------------------
  void AddMenuHandler(const std::string& command, MenuHandler handler);
  bool HasMenuHandler(const std::string& command) const;
  // Runs the handler bound to the command; false (not handled) when there is
  // none or the handler says so. Exceptions get the default handling.
  bool HandleMenuCommand(const std::string& command);

  // --- Events ---------------------------------------------------------------
  // The event names this class raises; Install checks against them.
  virtual std::vector<std::string> EventNames() const { return {}; }
  bool HasEventHandler(const std::string& event) const { return handlers_.count(event) != 0; }
  // The names in installation order.
  const std::vector<std::string>& InstalledEvents() const { return installOrder_; }

  ControlPeer* Peer() const { return peer_.get(); }
  // Lets go of the toolkit peer; the window does this before its own goes.
  void ReleasePeer() { peer_.reset(); }

  // PropertyTarget
  std::string_view SchemaClassName() const override;
  void ApplyProperty(const std::string& property, const PropertyValue& value) override;

 protected:
  template <typename H>
  const H* Handler(const std::string& event) const {
    auto it = handlers_.find(event);
    return it == handlers_.end() ? nullptr : std::any_cast<H>(&it->second);
  }
  // Kind-specific properties (caption, text, ...) after they are stored.
  virtual void PropertyChanged(const std::string&, const PropertyValue&) {}

  // Keeps the control and its window alive while one of the control's
  // handlers runs: the handler may close the window, which lets go of its
  // controls, and the handler and its caller still use both afterwards.
  struct HandlerHold {
    std::shared_ptr<RectControl> control;
    std::shared_ptr<Window> window;
  };
  HandlerHold HoldForHandler();

 private:
  template <typename H>
  friend void InstallInstanceEventHandler(RectControl&, const std::string&, H);
  void Install(const std::string& event, std::any handler, const char* expectedType,
               const char* givenType);
  virtual const char* EventHandlerType(const std::string& event) const;

  Window& window_;
  std::weak_ptr<Window> windowRef_;
  ControlKind kind_;
  std::unique_ptr<ControlPeer> peer_;
  Rect bounds_{0, 0, 0, 0};
  std::map<std::string, PropertyValue> properties_;
  std::map<std::string, MenuHandler> menuHandlers_;
  std::map<std::string, std::any> handlers_;
  std::vector<std::string> installOrder_;
};

const char* HandlerTypeName(const ActionHandler*);
const char* HandlerTypeName(const MouseDownHandler*);
const char* HandlerTypeName(const MouseUpHandler*);
const char* HandlerTypeName(const NewWindowHandler*);
const char* HandlerTypeName(const CancelLoadHandler*);
const char* HandlerTypeName(const DocumentCompleteHandler*);

// Binds the named event of this one control to the handler. An event the
// control does not raise, or a handler of the wrong type, raises
// EventException.
template <typename H>
void InstallInstanceEventHandler(RectControl& control, const std::string& event, H handler) {
  control.Install(event, std::any(std::move(handler)), control.EventHandlerType(event),
                  HandlerTypeName(static_cast<const H*>(nullptr)));
}

class TextField : public RectControl {
 public:
  explicit TextField(Window& window) : RectControl(window, ControlKind::TextField) {}
  std::string Text() const;
  void SetText(const std::string& text);
  uint8_t TextUnit() const { return textUnit_; }
  void SetTextUnit(uint8_t unit) {
    textUnit_ = unit;
    if (Peer()) Peer()->SetTextUnit(unit);
  }
  const std::vector<PropertySchemaEntry>& PropertySchema() const override;

 protected:
  void PropertyChanged(const std::string& property, const PropertyValue& value) override;

 private:
  std::string text_;
  uint8_t textUnit_ = 0;
};

// A button that raises Action when clicked.
class ButtonBase : public RectControl {
 public:
  using RectControl::RectControl;
  std::string Caption() const;
  uint8_t TextUnit() const { return textUnit_; }
  void SetTextUnit(uint8_t unit) {
    textUnit_ = unit;
    if (Peer()) Peer()->SetTextUnit(unit);
  }
  std::vector<std::string> EventNames() const override { return {"Action"}; }
  // Raised by the peer on a click.
  void PeerAction();

 protected:
  void PropertyChanged(const std::string& property, const PropertyValue& value) override;

 private:
  const char* EventHandlerType(const std::string& event) const override;
  uint8_t textUnit_ = 0;
};

class PushButton : public ButtonBase {
 public:
  explicit PushButton(Window& window) : ButtonBase(window, ControlKind::PushButton) {}
  const std::vector<PropertySchemaEntry>& PropertySchema() const override;
};

class BevelButton : public ButtonBase {
 public:
  explicit BevelButton(Window& window) : ButtonBase(window, ControlKind::BevelButton) {}
  const std::vector<PropertySchemaEntry>& PropertySchema() const override;
};

class Separator : public RectControl {
 public:
  explicit Separator(Window& window) : RectControl(window, ControlKind::Separator) {}
  const std::vector<PropertySchemaEntry>& PropertySchema() const override;
};

// A picture well. A MouseDown handler that answers True claims the press, so
// the MouseUp that ends it reaches this same well wherever it is released.
class ImageWell : public RectControl {
 public:
  explicit ImageWell(Window& window) : RectControl(window, ControlKind::ImageWell) {}
  PicturePtr Image() const { return image_; }
  // Goes through the picture-well component; nil shows nothing.
  void SetImage(PicturePtr picture);
  std::vector<std::string> EventNames() const override { return {"MouseDown", "MouseUp"}; }
  const std::vector<PropertySchemaEntry>& PropertySchema() const override;

  bool PeerMouseDown(int32_t x, int32_t y);
  void PeerMouseUp(int32_t x, int32_t y);

  // The component's own setter, reached through the entry table.
  void ShowImage(PicturePtr picture);

 private:
  const char* EventHandlerType(const std::string& event) const override;
  PicturePtr image_;
  bool pressClaimed_ = false;
};

// A web view. Its engine raises NewWindow, CancelLoad and DocumentComplete.
class HTMLViewer : public RectControl {
 public:
  explicit HTMLViewer(Window& window) : RectControl(window, ControlKind::HTMLViewer) {}

  // Starts loading the address and returns at once.
  void LoadURL(const std::string& url);
  // One step back or forward in the history; nothing when no step is possible.
  void GoBackExt();
  void GoForwardExt();

  // The view's own Edit-menu handlers: each does nothing and answers false,
  // so the command counts as not handled and the toolkit acts as usual.
  static bool EditClear_Action(HTMLViewer& view);
  static bool EditCopy_Action(HTMLViewer& view);
  static bool EditCut_Action(HTMLViewer& view);
  static bool EditPaste_Action(HTMLViewer& view);
  static bool EditSelectAll_Action(HTMLViewer& view);

  std::vector<std::string> EventNames() const override {
    return {"NewWindow", "CancelLoad", "DocumentComplete"};
  }
  const std::vector<PropertySchemaEntry>& PropertySchema() const override;

  // Reports from the engine. PeerNewWindow answers the view that takes the
  // page that asked for a new window, nil to drop the request. PeerCancelLoad
  // answers true to refuse a navigation.
  std::shared_ptr<HTMLViewer> PeerNewWindow();
  bool PeerCancelLoad(const std::string& url);
  void PeerDocumentComplete(const std::string& url);

  WebViewPeer* WebPeer() const;

 private:
  const char* EventHandlerType(const std::string& event) const override;
};

// Offers the picture well's and the HTML view's entry points to the entry
// table (called once by RuntimeInit).
void OfferComponentEntries();

}  // namespace fw
