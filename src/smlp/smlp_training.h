#pragma once
// The greedy searches of the three-layer SMLP. They change only the input weights of the hidden units,
// by whole steps of 1.0, and keep a change only when it lowers the error of EvaluateNetwork and keeps the
// accuracy high enough: a trial of error E is accepted when E < CurrentError and
// WorthChanging x R < its SuccessRate, R being the accuracy of the last accepted network. Thresholds and
// output weights stay as they were built. Each runs NumOfEpochs (EpochEditT2) epochs from the current
// network and leaves the trained network in Net, with its own SuccessRate, VectorCorrect and
// ClassCorrectCount.
#include <string>

namespace wl {

struct Workbench;

// One change: per hidden unit, feature and value, the weight +1.0, then -1.0, each tried from the weight
// the unit had at the visit; a weight moves by one step at most per visit. Every accepted change is a
// line of ResultsPrefix + "_wc.txt" (created anew).
void TrainSMLPOneChange(Workbench& wb);

// Two changes: per hidden unit and pair of feature values (a pair naming one weight twice is skipped),
// the nine steps (d1, d2) in -1, 0, 1, d1 outer; a pair with a masked feature is not evaluated.
void TrainSMLPTwoChanges(Workbench& wb);

// One change restricted to the values of `feature`, the other features' weights kept; every accepted
// change is a line of ResultsPrefix + "_WC.txt" (created anew).
void TrainSMLPOneChangeExpand(Workbench& wb, int feature);

// A line of the change log: "Error: " + error + "    SuccessRt: " + accuracy + "    N.W: " + hidden unit +
// "." + weight index.
std::string ChangeLogLine(double error, double accuracy, int unit, int weight);

}  // namespace wl
