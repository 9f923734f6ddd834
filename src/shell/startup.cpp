#include "shell/startup.h"

namespace wl {

void StartProgram(Workbench& wb) {
  wb.Rng.Randomize(wb.Plat.MillisecondsOfDay());
}

void ExitProgram(Workbench& wb) {}

}  // namespace wl
