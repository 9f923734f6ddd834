#pragma once
// The L-net (LUnitsMode 7): the three-layer SMLP whose inputs for a continuous feature are L-units over
// equal-width intervals of the feature's range (an interval answers 1 when b1 < x < b2), a discrete
// feature keeping one input per value. The inputs of feature f follow those of the features before it
// (FeatureValueCount[f] each: NumOfClasses x L intervals, or the feature's values). Hidden neuron k of
// class c is neuron k x NumOfClasses + c. The hidden weights are trained by whole steps of 1.0; the
// interval bounds may then be shifted in steps of 0.1. Everything is logged into the run log LogFile.
#include <cstdint>
#include <string>

namespace wl {

struct Workbench;

// Sizes FeatureValueCount and LNet1..LNet3 (NumOfClasses x L intervals per continuous feature), the
// features' ranges (from the first vector on) and the equal-width intervals, logging each bound
// ("LN1[f,j].weight[0]= " b1, "LN2[f,j].weight[0]= " b2, fixed with 3 decimals) and an empty line.
void SetupLNetIntervals(Workbench& wb, int L);

// Builds the network on the intervals: SMLPOutWeights := 1.0; Layers = {the sum of FeatureValueCount, the
// sum of HidPerOut, NumOfClasses}, NumOfLayers 3, NetType 3; hidden weights 0 and thresholds HidBias,
// output weights SMLPOutWeights and threshold OutBias. L is not used.
void BuildLNet(Workbench& wb, int L);

// The forward pass of vector v: the intervals' and values' inputs, the hidden neurons 0 ..
// HidPerOut[0] x NumOfClasses - 1 and the outputs; step units when Slope is 0 (0.5 exactly at the
// threshold), else 1 / (1 + exp(Slope (threshold - sum))) (an overflow raises FloatError).
void LNetForward(Workbench& wb, int v);

// Whether Net is an L-net of the loaded data set; throws WlError otherwise.
void RequireLNet(const Workbench& wb);

// The error Σ |y - t|^ErrorExponent over all vectors and outputs, SuccessRate (a vector whose outputs
// are all 0 has no class and is wrong); ErrorEvaluations += 1. Throws FloatError for an empty data set.
double LNetError(Workbench& wb, std::uint8_t mode = 0);

// One-change training of the hidden input weights (thresholds stay): EpochEditT2 epochs; per hidden
// neuron, per input from the last down to the first, the weight +1 then -1, a trial kept when its error is
// lower than the held one and WorthChanging x BestRate < its SuccessRate. Leaves OptMet 1, CurrentError
// and SuccessRate of the held network.
void TrainLNetOneChange(Workbench& wb, std::uint8_t mode);

// The shift search over the inner interval bounds: each lower bound b1 of interval s >= 1 of every
// continuous feature is tried at b1 + 0.1 t (t = -2 .. 2) within the feature's range, interval s - 1
// ending 0.001 below it, with the weights retrained from their current values; the bound of the lowest
// error stays (the old one without a strict improvement).
void ShiftLIntervalBounds(Workbench& wb, std::uint8_t mode);

// Fills RuleTexts and Mlt[OptMet] of the network (rule weights round(round(w) x SMLPOutWeights[t]);
// conditions "name=b1_b2" of an interval, "name=value" of a discrete value, " and " between them,
// " not_" before a negative one). Writes nothing.
void WriteLUnitRules(Workbench& wb);

// The rules ("class c if    " and the terms), every weight of layers 1 .. and, for mode <= 1, the
// intervals, into the run log.
void WriteLNetRules(Workbench& wb, std::uint8_t mode);

// A line of the interval log: "LN1[f,j].weight[0]= " + bound (fixed, 3 decimals, precision 13).
std::string LNetBoundLine(int which, int f, int j, double bound);

}  // namespace wl
