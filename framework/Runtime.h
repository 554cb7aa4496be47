#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {

class Window;
class Application;

// The 33 window events, in the order of a window class's event table.
enum class WindowEvent {
  Layout, CreateControls, AddMenuHandlers, SetupBindings, Open, Close, CancelClose, KeyDown,
  KeyUp, MouseMove, MouseEnter, MouseExit, Paint, MouseDown, MouseDrag, MouseUp,
  EnableMenuItems, Resized, Resizing, Moved, DropObject, Activate, Deactivate, Minimize,
  Maximize, Restore, MouseWheel, ConstructContextualMenu, ContextualMenuAction, DragEnter,
  DragExit, DragOver, ContentsChanged,
};
inline constexpr std::size_t kWindowEventCount = 33;
const char* WindowEventName(WindowEvent event);

// A bound window event. The result matters only for events that answer
// (CancelClose: true refuses the close); the others ignore it.
using WindowEventHandler = std::function<bool(Window&)>;
using WindowEventTable = std::array<WindowEventHandler, kWindowEventCount>;

// What the runtime knows of one class.
struct ClassRecord {
  std::string name;
  std::string parent;  // empty for the root
  std::vector<std::string> virtualOperations;
  WindowEventTable events{};  // only for window classes; empty slots are unbound
};

// Builds the records of the framework's own classes, in a fixed order, each
// parent before its children.
void InitializeFrameworkClasses();
// Adds a class record; its parent must already be registered.
void RegisterClassRecord(ClassRecord record);
// The record of that class; nil when there is none.
const ClassRecord* FindClassRecord(const std::string& name);
// Every record, in the order it was registered.
const std::vector<std::unique_ptr<ClassRecord>>& ClassRecords();

// --- The life of the runtime -------------------------------------------------

void RuntimeInit();
// Initialises the framework and calls `startup` once, on this thread.
void RunFrameworkInitialization(const std::function<void()>& startup);
void RuntimeInitExternalClasses();
void RuntimeRegisterAppObject(std::shared_ptr<Application> app);
std::shared_ptr<Application> TheApplication();
// The event loop, until Quit.
void RuntimeRun();
// Asks the event loop to end; RuntimeExit will give `code`.
void Quit(int32_t code = 0);
// Last-resort handling of an exception that nobody caught: reported on
// stderr; the run is then counted as failed.
void UnhandledException(std::exception_ptr error);
// Releases the framework's module state: its window lists and class records.
void ReleaseModuleState();
// Ends the runtime. The exit status: the code given to Quit, or 1 when an
// exception reached UnhandledException.
int32_t RuntimeExit();

// The default handling of an exception that escaped an event handler:
// "tambourin: unhandled ClassName: message" on stderr; the loop goes on.
void ReportException(std::exception_ptr error) noexcept;

// Runs one event handler. An exception from it gets the default handling and
// `fallback` is answered. When the outermost dispatch returns, the backend
// hears of it (Backend::EventDispatched).
template <typename R, typename F>
R Dispatch(R fallback, F&& handler);

class DispatchScope {
 public:
  DispatchScope();
  ~DispatchScope();
  DispatchScope(const DispatchScope&) = delete;
  DispatchScope& operator=(const DispatchScope&) = delete;
};

template <typename R, typename F>
R Dispatch(R fallback, F&& handler) {
  DispatchScope scope;
  try {
    return handler();
  } catch (...) {
    ReportException(std::current_exception());
    return fallback;
  }
}

template <typename F>
void DispatchVoid(F&& handler) {
  Dispatch(0, [&] {
    handler();
    return 0;
  });
}

// The application object's class.
class Application {
 public:
  virtual ~Application() = default;
};

}  // namespace fw
