#include "framework/Runtime.h"

#include <cstdio>
#include <typeinfo>

#include "framework/Backend.h"
#include "framework/Controls.h"
#include "framework/Errors.h"
#include "framework/PluginEntries.h"
#include "framework/Window.h"

namespace fw {
namespace {

struct RuntimeState {
  std::vector<std::unique_ptr<ClassRecord>> classes;
  std::shared_ptr<Application> app;
  int32_t quitCode = 0;
  bool quitRequested = false;
  bool failed = false;
  int dispatchDepth = 0;
};

RuntimeState& State() {
  static RuntimeState state;
  return state;
}

constexpr std::array<const char*, kWindowEventCount> kWindowEventNames = {
    "Layout", "CreateControls", "AddMenuHandlers", "SetupBindings", "Open", "Close",
    "CancelClose", "KeyDown", "KeyUp", "MouseMove", "MouseEnter", "MouseExit", "Paint",
    "MouseDown", "MouseDrag", "MouseUp", "EnableMenuItems", "Resized", "Resizing", "Moved",
    "DropObject", "Activate", "Deactivate", "Minimize", "Maximize", "Restore", "MouseWheel",
    "ConstructContextualMenu", "ContextualMenuAction", "DragEnter", "DragExit", "DragOver",
    "ContentsChanged",
};

}  // namespace

const char* WindowEventName(WindowEvent event) {
  return kWindowEventNames.at(static_cast<std::size_t>(event));
}

void InitializeFrameworkClasses() {
  // Parents first; the order is fixed so that every run builds the same table.
  static const std::vector<std::pair<const char*, const char*>> kClasses = {
      {"Object", ""},
      {"RuntimeException", "Object"},
      {"NilObjectException", "RuntimeException"},
      {"IOException", "RuntimeException"},
      {"Application", "Object"},
      {"Window", "Object"},
      {"RectControl", "Object"},
      {"TextField", "RectControl"},
      {"PushButton", "RectControl"},
      {"BevelButton", "RectControl"},
      {"ImageWell", "RectControl"},
      {"Separator", "RectControl"},
      {"HTMLViewer", "RectControl"},
      {"Picture", "Object"},
      {"FolderItem", "Object"},
      {"SpecialFolder", "Object"},
      {"TextInputStream", "Object"},
      {"TextOutputStream", "Object"},
      {"Screen", "Object"},
  };
  for (const auto& [name, parent] : kClasses) {
    if (FindClassRecord(name) == nullptr) RegisterClassRecord({name, parent, {}, {}});
  }
}

void RegisterClassRecord(ClassRecord record) {
  if (record.name.empty()) throw RuntimeException("a class record needs a name");
  if (FindClassRecord(record.name) != nullptr) {
    throw RuntimeException("class \"" + record.name + "\" is registered twice");
  }
  if (!record.parent.empty() && FindClassRecord(record.parent) == nullptr) {
    throw RuntimeException("class \"" + record.name + "\" names parent \"" + record.parent +
                           "\", which is not registered yet");
  }
  State().classes.push_back(std::make_unique<ClassRecord>(std::move(record)));
}

const ClassRecord* FindClassRecord(const std::string& name) {
  for (const auto& record : State().classes) {
    if (record->name == name) return record.get();
  }
  return nullptr;
}

const std::vector<std::unique_ptr<ClassRecord>>& ClassRecords() { return State().classes; }

void RuntimeInit() {
  RuntimeState& state = State();
  state.quitCode = 0;
  state.quitRequested = false;
  state.failed = false;
  OfferComponentEntries();
}

void RunFrameworkInitialization(const std::function<void()>& startup) {
  if (startup) startup();
}

void RuntimeInitExternalClasses() {
  // The framework's classes are all built in; nothing is loaded from outside.
}

void RuntimeRegisterAppObject(std::shared_ptr<Application> app) {
  if (!app) throw NilObjectException("the application object is nil");
  State().app = std::move(app);
}

std::shared_ptr<Application> TheApplication() { return State().app; }

void RuntimeRun() {
  if (State().quitRequested) return;
  TheBackend().RunLoop();
}

void Quit(int32_t code) {
  RuntimeState& state = State();
  state.quitCode = code;
  state.quitRequested = true;
  TheBackend().QuitLoop();
}

void UnhandledException(std::exception_ptr error) {
  ReportException(error);
  State().failed = true;
}

void ReleaseModuleState() {
  ReleaseWindowList();
  ClearPluginEntrypoints();
  State().classes.clear();
}

int32_t RuntimeExit() {
  RuntimeState& state = State();
  state.app.reset();
  if (state.failed) return 1;
  return state.quitCode;
}

void ReportException(std::exception_ptr error) noexcept {
  if (!error) return;
  try {
    std::rethrow_exception(error);
  } catch (const RuntimeException& e) {
    std::fprintf(stderr, "tambourin: unhandled %s: %s\n", e.ClassName(), e.what());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tambourin: unhandled %s: %s\n", typeid(e).name(), e.what());
  } catch (...) {
    std::fprintf(stderr, "tambourin: unhandled exception of unknown type\n");
  }
}

DispatchScope::DispatchScope() { ++State().dispatchDepth; }

DispatchScope::~DispatchScope() {
  if (--State().dispatchDepth == 0) {
    try {
      TheBackend().EventDispatched();
    } catch (...) {
      ReportException(std::current_exception());
    }
  }
}

}  // namespace fw
