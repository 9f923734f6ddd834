#pragma once
// The L-unit input layer of the three-layer SMLP (LUnitsMode 1). An L-unit reads one continuous feature
// and answers 1 when the value lies strictly inside its interval, 0 otherwise; the intervals of a feature
// are the runs of the discretization's cut points (CutPoints[f][1 .. NumCutPoints[f]]), the first reaching
// down to -10000 and the last up to 10000. The hidden layer holds three step neurons per class (neuron
// k x NumOfClasses + c for k = 0, 1, 2), and class c's output weighs them 1, -1 and 1.
#include <cstddef>
#include <cstdint>
#include <string>

namespace wl {

struct Workbench;

// The lower and upper bound of the L-units.
inline constexpr double kLUnitLow = -10000.0;
inline constexpr double kLUnitHigh = 10000.0;

// The most hidden neurons per class an L-unit network holds.
inline constexpr int kLUnitHiddenPerClass = 3;

// The inputs InitLUnitNet gives the network: one L-unit per run of the cut-point table.
int LUnitInputCount(const Workbench& wb);

// Builds the L-units from the cut points of the set in memory and the network on them: Layers = {the sum
// of NumCutPoints, 3 x NumOfClasses, NumOfClasses}, NumOfLayers 3, NetType 3; input weights 1.0, hidden
// input weights 0 and thresholds HidBias (HidBEdit), output weights 1, -1, 1 and threshold OutBias
// (OutBEdit). SMLPOutWeights become the output weights, so the rules read the terms as the network
// weighs them. FeatureValueCount[f] := NumCutPoints[f]. The bounds are logged ("N1.b=" ... "N2.b=")
// into the run log when it is open. Every caller passes mode 1.
void InitLUnitNet(Workbench& wb, std::uint8_t mode);

// The forward pass of vector v with hiddenPerClass hidden neurons per class (at most 3): the L-units'
// signals (0 for a feature named "n/a..." or masked out), the hidden step neurons (0.5 exactly at the
// threshold) and each class output from its own hidden neurons against its fourth weight.
void ForwardLUnitNet(Workbench& wb, int v, int hiddenPerClass);

// Whether Net is an L-unit network of the loaded data set; throws WlError otherwise.
void RequireLUnitNet(const Workbench& wb);

// The message that refuses an L-unit run ("" when it can run): a set without continuous features, more
// than three hidden neurons in a class, or classes with different numbers of hidden neurons.
std::string LUnitRefusal(const Workbench& wb);

// The label of input slot v of feature f in the threshold rules: an L-unit's interval "b1_b2" (fixed, 2
// decimals), or the text of a discrete feature's value v (its symbol).
std::string LUnitValueText(const Workbench& wb, int f, int v);

// The number of inputs of feature f in the current step network: its L-units or intervals
// (FeatureValueCount) in an L-unit network or an L-net, else its one-hot values.
int StepInputCount(const Workbench& wb, std::size_t f);

// Sign(x): -1, 0 or 1.
inline double SignOf(double x) { return static_cast<double>((x > 0.0) - (x < 0.0)); }

}  // namespace wl
