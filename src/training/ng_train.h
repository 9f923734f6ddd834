#pragma once
// Numerical-gradient (NG) training: all weights move at once along a direction V measured by probing
// each weight with a small change (ng_direction.h), by a step length searched along V (ng_steps.h). The
// step size h is kept while the steps pay off and halved when they stop paying off.
//
// Methods (the byte argument of NGTrain): 1 relative probing "(Old-New)/Old"; 2 normalised probing
// "(Old-New)/max(Old-New)"; 3 power probing "delta W --> 0"; 4 probing above a limit with weight
// freezing "(Old-New)/Old if needed" (with condensed history rows); 10 "Global then Local"; 33 a chart run
// (no probing, no step); 101 (and any other number) the rerun from the initial weights, which steps from
// the weights it is given along the direction the first run left.
#include <cstdint>

#include "platform/field_reads.h"

namespace wl {

struct Workbench;
class TForm1;

// The fields the epochs of an NG run of `epochs` epochs convert on their way (the step search's momentum
// decay and section period, the "V contra dW" epochs and the hidden layers' schedule of the relative
// probing, the limit of method 4, the border vectors' epoch), for the check made before the run changes
// anything. `relative` for the runs that probe by the relative rule whatever their method.
FieldReads NGFieldReads(const TForm1& f, std::uint8_t method, int epochs, bool relative = false);

// One NG training of the current network on the current data set.
void NGTrain(Workbench& wb, std::uint8_t method);
// One epoch's step along V and its records.
void NGEpochBookkeeping(Workbench& wb, std::uint8_t method);
// "Global --> Local": a step size shrinking by 0.86 per epoch, the relative probing, and the final weights
// written after every epoch; no histories.
void NGTrainGlobalToLocal(Workbench& wb, std::uint8_t method);

// Throws WlError ("The network does not fit ...") when the NG error cannot evaluate the network, or the
// run's records cannot hold it: what NGTrain checks before it opens any file.
void RequireNGNetwork(Workbench& wb);

// The preparation of every NG run: chart geometry, the section window, the start error, the direction
// arrays (kept from a previous run on a network of the same shape), StopError made absolute, ResultText.
void InitNG(Workbench& wb, std::uint8_t method);
// What InitNG does after starting the evaluation count and before the normalised rule's side errors, with
// `startError` giving the start network's error (the SMLP evaluation for XNG).
void PrepareNGRun(Workbench& wb, double (*startError)(Workbench&));
// Re-seeds the generator from the clock and draws NumOfVectors div NumOfParts vectors (with replacement)
// into BatchIndex.
void RandomBatch(Workbench& wb);
// With "plot E(H)" a white frame round the E(h) chart; ChartDrawn := true in any case.
void DrawChartFrame(Workbench& wb);

// The change of the error exponent with "change error exponent": from the exponent p of the previous
// epoch and the last two epoch errors E1 (latest) and E2, p * ln(E1) / ln(E2) when E1 > 0 and E2 > E1;
// p itself when that is not a finite positive number, or when the errors do not call for a change.
double ChangedErrorExponent(double p, double e1, double e2);

}  // namespace wl
