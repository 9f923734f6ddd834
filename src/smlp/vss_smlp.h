#pragma once
// A perceptron trained by the variable step search turned into a single-class SMLP: its hidden input
// weights rounded to -1, 0 or 1 (against p x 0.5, p = the number in pmwEdit) and its thresholds to 0.5,
// 1.5 or 2.5 (against p and 2p), in the network that BuildSMLPNetwork makes for CurrentClass with as many
// hidden neurons as the perceptron had. The perceptron must be a three-layer one on the SMLP's one-hot
// inputs (one input per value of every discrete feature), and a class must be chosen.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/field_reads.h"

namespace wl {

struct Workbench;
class TForm1;

// The fields the conversion converts (p, the neuron of the rules, and those of the SMLP it builds): a
// command checks them all before its first change.
FieldReads VSSSMLPFieldReads(const TForm1& form);

// The message that refuses the conversion of the network in Net ("" when it can be converted).
std::string VSSSMLPRefusal(const Workbench& wb);

// The same refusal told before a crossvalidation trains its first fold, for the perceptrons its folds
// will build: a class chosen, a data set of discrete features only, and parameters that ask for three
// layers of the standard or crossover structure ("" when the folds can be converted).
std::string VSSSMLPPlanRefusal(const Workbench& wb);

// The rounding of a perceptron weight w and threshold t, compared in single precision.
double VSSSMLPWeight(double w, double p);
double VSSSMLPThreshold(double t, double p);

// Crossvalidation method 4 on the loaded training set: TrainOneChange(2), then the conversion; the
// training accuracy left is the converted network's. False after the refusal's message when the trained
// network cannot be converted.
bool RunVSSThenSMLP(Workbench& wb);

// "VSS+SMLP Results": converts the perceptron already trained and writes its rules (WriteSMLPRules) into
// ResultsPrefix + "_RE.txt", shown in the editor. Refused with a message when it cannot be converted.
void VSSSMLPResults(Workbench& wb);

// "Join W": the input weights of hidden neuron 0 of each feature's inner values become -1 (or 1) when the
// weights of both neighbouring values are -1 (or 1); the tests read the weights before the call.
void SignFirstLayerWeights(Workbench& wb);
// The same on one feature's weights.
void SignFeatureWeights(std::vector<double>& weights);

}  // namespace wl
