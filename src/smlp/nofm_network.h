#pragma once
// The four-layer N-of-M network: one-hot inputs (layer 0), one feature unit per (group g, class c,
// feature f) at index (g x NumOfClasses + c) x NumOfFeatures + f that sees only its feature's inputs
// (layer 1), one N-of-M unit per (g, c) at g x NumOfClasses + c over its NumOfFeatures feature units
// (layer 2), and one output per class over its class's N-of-M units (layer 3). A run trains the value
// weights by +1/-1 search, picks every unit's N, splits the in-between ("expand") units into a conjunction
// over the features active in most vectors and an N-of-M unit over the rest, and writes one rule per class.
#include <string>

namespace wl {

struct Workbench;

// The transfer of feature units, N-of-M units and sub-units: with Slope 0 the step (0, 0.5 at the
// threshold t, 1), else the logistic, 0 without evaluating exp when Slope x (t - net) passes the cut-off.
double NofMUnitTransfer(double net, double t, double slope);
// The transfer of the output units: the step, or the logistic without the cut-off.
double NofMOutputTransfer(double net, double t, double slope);
// The one-hot inputs (layer 0 signals) of vector v: 1.0 at each feature's value, every feature seen.
void NofMInputs(Workbench& wb, int v);
// The signals of the first `units` x NumOfFeatures feature units (layer 1) from the inputs' signals.
void NofMFeatureSignals(Workbench& wb, int units, double slope);

// The refusal of an N-of-M network that the hidden neurons per class (HidPerOut) decide: classes with
// different numbers, or none; "" when they allow one.
std::string NofMHiddenRefusal(const Workbench& wb);

// What building an N-of-M network starts with: false after a message when there is no data set or the
// classes have different (or no) numbers of hidden neurons; else FeatureValueCount is set, `groups` is
// the number of hidden neurons per class and `inputs` the number of one-hot inputs.
bool StartNofMBuild(Workbench& wb, int& groups, int& inputs);
// Net made anew with four layers: the one-hot inputs (layer 0) and `units` x NumOfFeatures feature units
// (layer 1) over their feature's values, weights 0 and threshold 0.5.
void BuildNofMFeatureLayers(Workbench& wb, int units, int inputs);
// The output layer (one unit per class over `groups` units, weights 1, threshold OutBias) and
// NumOfWeights counted over layers 1 to 3.
void BuildNofMOutputs(Workbench& wb, int groups);
// Whether every vector has its features and a class of the data set.
bool NofMVectorsFit(const Workbench& wb);

// Builds the network (NetType 4) and its tables, then writes the initial weights (SaveWeights 0). False
// after a message when there is no data set or the classes have different numbers of hidden units.
bool CreateFourLayerNet(Workbench& wb);

// The forward pass of vector v: every Signal of Net; counts FeatureUse of plain units while
// CountFeatureUse is 1.
void ForwardFourLayer(Workbench& wb, int v);

// Throws WlError when the network in Net is not a four-layer N-of-M network of the loaded data set.
void RequireFourLayerNet(const Workbench& wb);

// +1/-1 search over the value weights of the feature units, NumOfEpochs sweeps, strict improvements only;
// the weights trace is appended after every +1 trial.
void TrainFourLayerValueWeights(Workbench& wb);

// The threshold search of the N-of-M units (the best error carried from unit to unit, equal errors to the
// larger N) and their kinds; returns the number of units named "expand".
int SearchNofMThresholds(Workbench& wb);

// The sub-units of the units named "expand".
void ExpandUnits(Workbench& wb);

// The exact condition of N-of-M unit (group g, class c): a plain unit is "at least N of" its feature units
// conditions, an expanded one its conjunction part and its N-of-M part.
std::string NofMUnitTerms(const Workbench& wb, int g, int c);
std::string ExpandedUnitTerms(const Workbench& wb, int g, int c);

// One rule line per class into ResultsPrefix + "_rf.txt" (made anew), then the agreement of the rules
// with the network (and, for logistic units, that the rules read them as steps).
void WriteNofMRules(Workbench& wb);

// Appends a dump of the signals and weights of layers 1 to 3 to ResultsPrefix + "_wp.txt".
void WriteFourLayerWeights(Workbench& wb);

// The whole run of "N of M 4/5" after the driver has prepared the data set.
void RunNofMFourLayer(Workbench& wb);

}  // namespace wl
