#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/Backend.h"
#include "framework/PropertyList.h"
#include "framework/Runtime.h"

namespace fw {

class RectControl;

// A top-level window. Its class record's event table says which window events
// run code; an unbound event runs nothing (an unbound CancelClose never
// refuses a close).
class Window : public PropertyTarget, public std::enable_shared_from_this<Window> {
 public:
  // `className` names a registered class record, whose event table is used.
  explicit Window(const std::string& className);
  ~Window() override;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  const std::string& ClassName() const { return class_->name; }

  // The framework's default construction of a window: makes its peer,
  // registers it as its class's implicit window, raises Layout and
  // CreateControls (an exception from either unregisters the window and passes
  // on), marks the contents unchanged, raises Open, makes the window no larger
  // than the desktop, raises Resized once for its opening size, keeps the
  // window (at the size Resized settled on) on a screen and shows it. A
  // handler that closes the window ends the construction there.
  void Constructor();

  // --- Position and size, in screen pixels --------------------------------
  int32_t Top() const;
  int32_t Left() const;
  int32_t Width() const;
  int32_t Height() const;
  void SetTop(int32_t value);
  void SetLeft(int32_t value);
  void SetWidth(int32_t value);
  void SetHeight(int32_t value);
  Rect Bounds() const;
  SizeLimits Limits() const { return limits_; }
  WindowDecorations Decorations() const { return decorations_; }

  std::string Title() const;
  void SetTitle(const std::string& title);
  bool Visible() const;
  bool ContentsChanged() const { return contentsChanged_; }
  void SetContentsChanged(bool changed) { contentsChanged_ = changed; }
  bool IsOpen() const { return state_ == State::Open; }
  bool IsClosed() const { return state_ == State::Closed; }

  // Any property that a list set, by its property name; Property throws
  // std::out_of_range for one that was never set.
  bool HasProperty(const std::string& name) const { return properties_.count(name) != 0; }
  const PropertyValue& Property(const std::string& name) const;

  // --- Controls -----------------------------------------------------------
  // A new control of class C for this window, not yet constructed.
  template <typename C>
  std::shared_ptr<C> New() {
    return std::make_shared<C>(*this);
  }
  // Registers a control under a name; the window keeps it from then on.
  void AddControl(const std::string& name, std::shared_ptr<RectControl> control);
  // The control registered under that name, or nil.
  std::shared_ptr<RectControl> ControlByName(const std::string& name) const;
  const std::vector<std::pair<std::string, std::shared_ptr<RectControl>>>& Controls() const {
    return controls_;
  }

  // --- Events ---------------------------------------------------------------
  // Runs the handler bound to the event in this class's table, if any, and
  // gives its answer (false when unbound). Exceptions pass on.
  bool RaiseEvent(WindowEvent event);
  bool IsBound(WindowEvent event) const;

  // Closes the window as its close box does: CancelClose, then Close, then the
  // window leaves the implicit-window registry and the screen. A Close asked
  // for while one is under way (from either handler) does nothing.
  void Close();

  // --- Reports from the peer ----------------------------------------------
  // The toolkit's settled geometry may differ from the last one handed to
  // Resized; raises Resized when the size did change.
  void SizeMaybeChanged();
  void PeerCloseRequested();
  WindowPeer* Peer() const { return peer_.get(); }

  // PropertyTarget
  const std::vector<PropertySchemaEntry>& PropertySchema() const override;
  std::string_view SchemaClassName() const override { return "Window"; }
  void ApplyProperty(const std::string& property, const PropertyValue& value) override;

 private:
  enum class State { New, Building, Open, Closing, Closed };
  void SetBounds(const Rect& bounds);
  // Changes one side or extent of the current geometry, keeping the rest.
  void SetEdge(int32_t Rect::*edge, int32_t value);
  void FitOnDesktop();
  void KeepOnScreen();
  void Unregister();
  void TearDownPeers();

  const ClassRecord* class_;
  State state_ = State::New;
  std::unique_ptr<WindowPeer> peer_;
  Rect bounds_{0, 0, 100, 100};
  SizeLimits limits_;
  WindowDecorations decorations_;
  std::map<std::string, PropertyValue> properties_;
  std::vector<std::pair<std::string, std::shared_ptr<RectControl>>> controls_;
  bool contentsChanged_ = false;
  int32_t notifiedWidth_ = -1;
  int32_t notifiedHeight_ = -1;
  bool resizing_ = false;
};

// The smallest rectangle holding every screen; empty when there is none.
Rect DesktopBounds(const std::vector<Rect>& screens);
// The opening geometry no larger than the desktop: an axis where the window is
// larger takes the desktop's extent; one that fits is left exactly as it is.
Rect FitOnDesktop(const Rect& window, const Rect& desktop);
// The window where it is when it lies at least partly on a screen; otherwise
// centred on the main (first) screen, keeping its size.
Rect KeepOnScreen(const Rect& window, const std::vector<Rect>& screens);

// The implicit window of a class: from before the first event raised on a new
// window of that class until its Close handler has returned. Nil otherwise.
std::shared_ptr<Window> GetImplicitWindow(const std::string& className);
// Every window that is built or open, oldest first.
std::vector<std::shared_ptr<Window>> OpenWindows();
void ReleaseWindowList();

// The window's control of that name, or nil.
std::shared_ptr<RectControl> RuntimeWindowControlByName(const Window& window,
                                                        const std::string& name);

}  // namespace fw
