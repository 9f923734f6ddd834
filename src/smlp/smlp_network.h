#pragma once
// The three-layer SMLP: threshold units on one-hot coded discrete inputs. Layer 0 has one input per
// listed value of every feature (the inputs of feature f start at the sum of the value counts of features
// 0 .. f - 1), layer 1 a group of hidden units per class, interleaved (unit k of class c is hidden unit
// k * NumOfClasses + c), and layer 2 one output per class that sums only its class's hidden units, its
// threshold after their weights. Also the evaluation shared by every network of the SMLP family.
#include <cstdint>
#include <string>
#include <vector>

namespace wl {

struct Workbench;

// Builds the SMLP for the "SMLP" structure (CreateNetwork hands over to it): reads the parameters first;
// zero hidden weights, hidden thresholds HidBias, output weights SMLPOutWeights (1.0 past the fourth) and
// thresholds OutBias, or with "Random Init Weights" every hidden input weight and every output weight and
// threshold (1 - 2r) x InitialWeight after a re-seed. Sets NetType 3 and NetKind 1 and lets the network see
// every feature. Result 4 (CreateNetworkResult NetworkSmlpBuilt), or 2 after a message: an invalid
// parameter, no data set, or classes with different numbers of hidden units.
int CreateSMLPNetwork(Workbench& wb);

// (Re)builds the SMLP with its initial weights for an SMLP run: hidden input weights 0 (with "Random Init
// Weights" one of 1, 0, -1 after a re-seed), hidden thresholds HidBias, output weights SMLPOutWeights and
// thresholds OutBias; FeatureValueCount, Label56 and ParamText[1]. With the "SMLP" structure chosen it reads
// the parameters again first (the run's Slope and SMLPOutWeights stay). False after a message when it
// built nothing. A caller that builds several random networks in a row seeds once itself and passes
// reseed false, so that the networks are drawn one after another from that seeding (re-seeding from the
// clock within one millisecond would repeat the same network).
bool InitSMLPWeights(Workbench& wb, bool reseed = true);

// The forward pass of vector v: every Signal of Net. A feature whose FeatureMask is 0 gives no active input.
void ForwardSMLP(Workbench& wb, int v);

// The forward pass of vector v by the network's kind: NetType 3 the SMLP, or with LUnitsMode 1 the L-unit
// network and with LUnitsMode 7 the L-net; 4 and 5 the four- and five-layer N-of-M networks; other kinds
// pass nothing and leave the signals.
void ForwardStepNetwork(Workbench& wb, int v);

// The refusal of a network of all classes (`network`: "SMLP", "N-of-M") whose classes have different
// numbers of hidden neurons (HidPerOut, a class without an entry has none); "" when they are alike.
std::string HiddenCountsRefusal(const Workbench& wb, const std::string& network);

// Throws WlError unless Net is a network of the kind NetType (and LUnitsMode) names, built for the loaded
// data set: what every pass of ForwardStepNetwork over the data set checks once before its first vector.
void RequireStepNetwork(const Workbench& wb);

// The error of the current step network over the data set (Σ |output - target|^ErrorExponent) and its
// accuracy: SuccessRate, TestSuccessRate, VectorCorrect, ClassCorrectCount. A vector is predicted as the
// first output strictly above the running maximum from 0.0 (none when every output is 0.0 or below).
// Throws FloatError for an empty data set and WlError when the network does not fit the data set.
double EvaluateNetwork(Workbench& wb);

// ConfusionMatrix [true class][predicted class, NumOfClasses = none] of the current step network.
void ComputeConfusionMatrix(Workbench& wb);

// The output weight of term t of an SMLP class: SMLPOutWeights[t] for the first four terms, 1.0 after.
double SMLPOutWeight(const Workbench& wb, int t);

// The prediction of EvaluateNetwork from output signals: the first output strictly above the running
// maximum that starts at 0.0; -1 when there is none.
int StepPrediction(const double* y, int outputs);

}  // namespace wl
