#pragma once
#include "model/workbench.h"

namespace wl {

// The start-up that the main window runs when it is created.
void StartProgram(Workbench& wb);
// The user closes the main window.
void ExitProgram(Workbench& wb);

}  // namespace wl
