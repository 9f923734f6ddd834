#pragma once
// "XNG": numerical-gradient training of an SMLP's first weight layer (inputs to hidden units, thresholds
// included) with the SMLP error EvaluateNetwork and a detailed log, ResultsPrefix + "_xng.txt", of every
// probe, every step and every return to the old point. The step size h starts at the NG page's initial
// delta and halves whenever a move does not beat the error of its start, or an epoch does not lower the
// error by the "Next step" factor; the run ends when the epochs are used up or h is 0.0001 or less.
namespace wl {

struct Workbench;

// The run: the parameters, the SMLP with its initial weights (step or logistic units as chosen on the SMLP
// tab), the NG preparation with the SMLP error, the epochs, the E(h) chart's frame.
void RunXORNG(Workbench& wb);

// One probing and move: each first-layer weight is tried at w0 + h and w0 - h; the direction V (kept in
// SearchDirection) moves the weights by h V. True when the moved network was not better and the weights
// went back to the old point.
bool XORNGStep(Workbench& wb);

// Draws the error along V over -0.3 R .. 0.7 R (R = Min(10 / (h ||V||), 10)) on the E(h) chart when "plot
// E(H)" is checked, then steps with factor 1 from the saved weights: w0 + h V. Returns 1.
double XORNGLineSearch(Workbench& wb, int method);

}  // namespace wl
