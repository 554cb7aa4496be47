#include "app/Startup.h"

#include <memory>

#include "app/App.h"
#include "framework/PluginEntries.h"
#include "framework/Runtime.h"
#include "window/Window1.h"

namespace tambourin {

int32_t RunProgram() {
  fw::RuntimeInit();
  initialize();
  Main();
  finalize();
  return fw::RuntimeExit();
}

void initialize() {
  fw::InitializeFrameworkClasses();
  fw::RegisterClassRecord({"App", "Application", {}, {}});
  fw::RegisterClassRecord(Window1::MakeClassRecord());
}

void Main() {
  try {
    auto startup = std::make_unique<std::function<void()>>(&Startup);
    fw::RunFrameworkInitialization(*startup);
    startup.reset();
    fw::RuntimeRun();
  } catch (...) {
    // Anything that ended start-up or escaped the loop: the framework's
    // last-resort handling, then the process winds down as usual.
    fw::UnhandledException(std::current_exception());
  }
}

void Startup() {
  fw::RuntimeInitExternalClasses();
  fw::InitPluginEntrypoints();
  InitFileTypes();
  NewAppInstance();
  ApplicationAddMenuHandlers();
  MakeDefaultView();
}

void InitFileTypes() {
  // The program opens no documents.
}

void NewAppInstance() { fw::RuntimeRegisterAppObject(std::make_shared<App>()); }

void ApplicationAddMenuHandlers() {
  // The program has no menu commands of its own.
}

void MakeDefaultView() {
  // The framework keeps the window; start-up needs no reference to it.
  tambourin::Window1();
}

void finalize() { fw::ReleaseModuleState(); }

}  // namespace tambourin
