#pragma once
// "Continue training": the method chosen in the main window trains the network once more from its
// current weights (after an earlier run, loaded weights or an extrapolation). No network is built and no
// data set is read; the parameters are read again, so they may have changed since the last run.
namespace wl {

struct Workbench;

void ContinueTraining(Workbench& wb);

}  // namespace wl
