#pragma once
// The step along the numerical-gradient direction V from the saved weights w0 (OldWeights), by one of
// three rules chosen on the NG page: a grid search of the error along V that can draw the E(h) sections
// ("NG sections"), an accelerating step ("DH1") and a fixed step ("standard"). On return the weights are
// moved and CurrentError is the error of the moved network.
#include <cstdint>

namespace wl {

struct Workbench;

// Grid search over step factors t = fromH .. toH: w = w0 + V h t; ends at the best t (tb, 0 when no
// point beats the error of the weights on entry), plus the momentum term from epoch 2 on. Returns tb.
double FindStepLength(Workbench& wb, std::uint8_t method);
// Fixed step w = w0 + h V. Returns 1.
double MoveAlongDirection(Workbench& wb, std::uint8_t method);
// Accelerating step: t from 0.1, multiplied by the DH1 factor while the error falls, then two trials
// around the last t. The weights end at the best step tried (the weights on entry when none was better).
// Returns the last t or the better of the two trials.
double MoveAlongDirectionEdit(Workbench& wb, std::uint8_t method);

// The grid's step at factor t in the given epoch: one point every 3 pixels of the chart, every 1.5
// pixels for 0 <= t < toH / 4 in epochs 1 to 7.
double GridSpacing(double t, double fromH, double toH, int epoch, int plotWidth);
// The number of points the grid search evaluates in an epoch (one when fromH = toH).
int GridPointCount(double fromH, double toH, int epoch, int plotWidth);

// The error routine of the normalised, power and freezing rules and of the accelerating step:
// TrainingSetError for per-layer transfer functions, else ComputeError(ErrorTFKind).
double NGRuleError(Workbench& wb);

}  // namespace wl
