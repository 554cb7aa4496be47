#pragma once

#include <cstdint>

namespace tambourin {

// The life of the process, from the runtime's start to its exit status.
int32_t RunProgram();

// Its steps, in the order RunProgram takes them.
void initialize();
void Main();
void Startup();
void InitFileTypes();
void NewAppInstance();
void ApplicationAddMenuHandlers();
void MakeDefaultView();
void finalize();

}  // namespace tambourin
