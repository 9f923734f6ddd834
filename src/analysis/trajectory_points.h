#pragma once
// What the 3-D and 1-D trajectory windows share with the 2-D one: the epoch's six projections, the
// caption with the eigenvalues, and the walk along the single weight changes of a one-change run.
#include <array>
#include <functional>
#include <string>

#include "state/workbench.h"

namespace wl {

// TrajectoryCoords[0..5][e] (0 where a row is short).
std::array<double, 6> TrajectoryProjections(const Workbench& wb, int e);
// WNormHistory[e] (0 outside it).
double TrajectoryNorm2(const Workbench& wb, int e);
// Eigenvalues[k] (0 outside them).
double TrajectoryEigenvalue(const Workbench& wb, int k);
double TrajectoryMatrixCell(const std::vector<std::vector<double>>& m, int row, int col);

// title + "     " + data set + " " + the layer sizes joined by "-" + "   " + "   " and the eigenvalue of
// every component 1..6 above 0.00001, with fewer decimals the larger it is.
std::string TrajectoryCaption(const Workbench& wb, const std::string& title);

// The path one weight change at a time, normalised through reference component r: the point of epoch 0,
// then the point after every single change of epochs 1..NumOfEpochs in the order of the weight records
// (squared norms from DetailWNormHistory). `point(u, e)` gets the six coordinates and the epoch of the
// change (0 for the start). A zero reference coordinate shows startWarning (at the start) or stepWarning
// (later), one of them at most once per walk.
void WalkDetailedTrajectory(Workbench& wb, int r, const char* startWarning, const char* stepWarning,
                            const std::function<void(const std::array<double, 6>&, int)>& point);

// The stay-on-top caption's trace with the sub-step raised by offset; the stored sub-step is kept.
void TraceSubStepOffset(Workbench& wb, int offset);

}  // namespace wl
