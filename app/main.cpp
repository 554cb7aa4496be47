#include "app/Startup.h"

int main() { return tambourin::RunProgram(); }
