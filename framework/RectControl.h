#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <typeindex>
#include <vector>

#include "framework/Backend.h"
#include "framework/PropertyList.h"
#include "framework/Runtime.h"

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

// How error messages write each handler type.
const char* HandlerTypeName(const ActionHandler*);
const char* HandlerTypeName(const MouseDownHandler*);
const char* HandlerTypeName(const MouseUpHandler*);
const char* HandlerTypeName(const NewWindowHandler*);
const char* HandlerTypeName(const CancelLoadHandler*);
const char* HandlerTypeName(const DocumentCompleteHandler*);

// One handler type: the type itself, which is what handlers are matched by,
// and its name for messages.
struct HandlerSignature {
  std::type_index type;
  const char* name;
};

template <typename H>
HandlerSignature SignatureOf() {
  return HandlerSignature{std::type_index(typeid(H)),
                          HandlerTypeName(static_cast<const H*>(nullptr))};
}

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
  // The names of the events bound so far, in installation order.
  const std::vector<std::string>& InstalledEvents() const { return installOrder_; }

  ControlPeer* Peer() const { return peer_.get(); }
  // Lets go of the toolkit peer; the window does this before its own goes.
  void ReleasePeer() { peer_.reset(); }

  // PropertyTarget
  std::string_view SchemaClassName() const override;
  void ApplyProperty(const std::string& property, const PropertyValue& value) override;

 protected:
  // Runs the handler of type H bound to the event with this control and the
  // arguments. The control and its window are kept alive while it runs: the
  // handler may close the window, which lets go of its controls, and the
  // handler and its caller still use both afterwards. With no handler bound,
  // or when the handler throws (which gets the default handling), the answer
  // is the empty one of its type: false, or nil.
  template <typename H, typename... A>
  typename H::result_type Raise(const std::string& event, const A&... args) {
    using R = typename H::result_type;
    auto it = handlers_.find(event);
    const H* handler = it == handlers_.end() ? nullptr : std::any_cast<H>(&it->second);
    if (handler == nullptr) return R();
    return RunHeld<R>([&] { return (*handler)(*this, args...); });
  }

  // Kind-specific properties (caption, text, ...) after they are stored.
  virtual void PropertyChanged(const std::string&, const PropertyValue&) {}

  // The property lists every control, and every control with text, shares.
  static std::vector<PropertySchemaEntry> CommonSchema();
  static std::vector<PropertySchemaEntry> FontSchema();
  static std::vector<PropertySchemaEntry> Join(std::vector<PropertySchemaEntry> a,
                                               const std::vector<PropertySchemaEntry>& b);
  // The error for a control used before it got its peer.
  std::string NotConstructedMessage() const;

 private:
  template <typename H>
  friend void InstallInstanceEventHandler(RectControl&, const std::string&, H);
  void Install(const std::string& event, std::any handler, const char* givenType);
  // The handler type the named event takes; none for an event not raised.
  virtual std::optional<HandlerSignature> EventHandlerType(const std::string& event) const;

  template <typename R, typename F>
  R RunHeld(F&& handler) {
    const std::shared_ptr<RectControl> control = shared_from_this();
    const std::shared_ptr<Window> window = windowRef_.lock();
    if constexpr (std::is_void_v<R>) {
      DispatchVoid(std::forward<F>(handler));
    } else {
      return Dispatch(R(), std::forward<F>(handler));
    }
  }

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

// Binds the named event of this one control to the handler. An event the
// control does not raise, or a handler of the wrong type, raises
// EventException.
template <typename H>
void InstallInstanceEventHandler(RectControl& control, const std::string& event, H handler) {
  control.Install(event, std::any(std::move(handler)), SignatureOf<H>().name);
}

}  // namespace fw
