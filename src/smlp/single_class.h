#pragma once
// The single-class SMLP: a three-layer step network that tells whether a vector is of CurrentClass.
// Layer 0 has one input per listed value of every feature (feature 0's values first), layer 1
// HiddenPerClass[CurrentClass] hidden step neurons (threshold last), layer 2 one output neuron. The hidden
// neurons are trained one at a time by whole steps of 1.0: S1 changes one input weight by +1 or -1, S2
// raises the weights of two values of two different features together. A trial is kept when its error
// is strictly lower than CurrentError and WorthChanging x BestRate < its SuccessRate, BestRate being the
// success rate of the last kept network.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "platform/field_reads.h"

namespace wl {

struct Workbench;
struct TPairCandidate;
class TForm1;

// Builds the network of CurrentClass with HiddenPerClass[CurrentClass] hidden neurons: input weights 1.0,
// hidden input weights 0 (one of 1, 0, -1 after a re-seed with "Random Init Weights"), hidden thresholds
// HidBias, output weight 0 1.0 and the others the integer of Out2WEdit, output threshold OutBias.
// Shows Label55 and sets ParamText[1]. A text of Out2WEdit that is no integer refuses it (ConvertError)
// before the network in place is replaced.
void BuildSMLPNetwork(Workbench& wb);
// The fields BuildSMLPNetwork converts, for a command that builds it after a change of its own.
FieldReads SMLPBuildFieldReads(const TForm1& form);

// The pass of vector v through the inputs (1.0 where the vector's value equals the input's value), the
// hidden neurons 0 .. last (1 when the sum is strictly above the threshold) and the output (1 when the sum
// of the hidden signals times their output weights is strictly above 0.5).
void SMLPForward(Workbench& wb, int v, int last);

// The error of the network of hidden neurons 0 .. last over the data set: the wrong vectors, or with
// "Weighted Error" their VectorWeight sum. Leaves SuccessRate, TestSuccessRate, WeightedCorrect (the
// balanced accuracy), ClassCorrectCount, VectorCorrect and the four counts of CurrentClass against the
// rest; while InCrossvalidation and TestingMode it adds them to the crossvalidation entry CVIndex.
// Throws FloatError for an empty data set.
double ComputeSMLPError(Workbench& wb, int last);

// S1 on hidden neuron n, the error being that of neurons 0 .. n.
void TrainNeuronS1(Workbench& wb, int n);

// S2 on hidden neuron CurrentNeuron, the error being that of neurons 0 .. last. Mode 1 keeps the first
// pair change that passes the test; mode 0 collects the improving pairs and applies the one of the
// highest success rate after the search.
void TrainNeuronS2(Workbench& wb, int last, int mode);

// Orders the first `count` candidates by the exchange rule of S2 (m and k over all candidates, swapped
// when m's rate is greater than k's), which leaves them in descending rate.
void SortPairCandidates(std::vector<TPairCandidate>& candidates, int count);

// Appends to SMLPRulesFile the rules of hidden neurons 0 .. last and the accuracy block of their network
// (and with "Detailed Result File" every weight and every vector's correctness).
void WriteSMLPRules(Workbench& wb, int last);
// The same into another open report (the rules report writes them into ResultsFile); `fileName` names it
// in the error of a failed write.
void WriteSMLPRules(Workbench& wb, int last, std::ostream& out, const std::string& fileName);

// Whether Net holds a single-class network that fits the loaded data set.
bool HasSingleClassNetwork(const Workbench& wb);

// "SMLP Training" for the class chosen in CurrentClassBox. Mode 0: the button and a crossvalidation fold
// (inside a crossvalidation the data set is the fold's and no rules file is written); 9 / 10: the first /
// a later run of the cut-point search (the rules file stays open). False when nothing was trained (no
// data file chosen, or a refusal after its message).
bool SMLPTraining(Workbench& wb, std::uint8_t mode);

// The feature expansion of SMLPTraining ("F. Expansion"): ranks the available features by the success
// rate of a network trained on each alone, then adds them in rank order (RankingEdit of them; all when
// empty), each by SMLPTrainNewWeights, or by training anew ("Recreate Network with F. Expansion"), or by
// rounds of training and removal of the covered vectors ("Add 1 Hidden per Time"). Method 1 trains by S1,
// any other by S2 (mode 1). Outside a crossvalidation it writes ResultsPrefix + "_FERE.txt" and shows it.
// WorthChanging is 1.0 afterwards.
void SMLPFeatureExpansion(Workbench& wb, std::uint8_t method);

// One-change search on the inputs of feature F only, every hidden neuron's earlier weights kept (the
// inputs of masked features held at 0); the error is that of hidden neuron 0. Logs each kept change in
// ResultsPrefix + "_WC.txt".
void SMLPTrainNewWeights(Workbench& wb, int F);

// A feature's entry of the expansion's ranking.
struct TFeatureRank {
  std::int32_t Feature = 0;
  double Rate = 0.0;
};
// The expansion's exchange order: for i over the entries, for j = 0 .. i - 1, entries i and j are swapped
// when j's rate is below i's; descending rates.
void SortFeatureRankTable(std::vector<TFeatureRank>& table);

// "Continue": trains hidden neuron CurrentNeuronBox of the network the last run left, its threshold set
// from HidBEdit, by S1 or S2, and writes the rules to ResultsPrefix + "_REC.txt". Refused with a message
// when there is no single-class network.
void SMLPContinue(Workbench& wb);

}  // namespace wl
