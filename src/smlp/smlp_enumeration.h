#pragma once
// The exhaustive enumerations of small step networks: every weight setting of four hidden units, each
// seeing the first four network inputs (two two-valued features, such as XOR, one-hot coded). They count
// the networks that solve the problem and report each one found.
//   "OldPlot" (ExhaustiveTernarySearch): the 16 input weights each -1, 0, 1, 3^16 = 43,046,721 networks, a
//   hit when the error is below 0.1.
//   "NewPlot" (AllNeuronsTwoChanges): the 16 input weights each 0, 1 and the four thresholds -0.5, 0.5,
//   1.5, 2.5, 64^4 = 16,777,216 networks, a hit when the error is below 3.1; it stops when its 8 candidate
//   slots are full.
// Every hit's result report is appended to one hit report, ResultsPrefix + "_rs-trn.txt" ("_rn-trn.txt"
// with the weighted error), created at the first hit. ErrorEvaluations counts the networks evaluated.
#include <cstdint>
#include <string>

namespace wl {

struct Workbench;

// Mode 8. Refused with a message (false) for a network of fewer than four inputs or hidden units.
bool ExhaustiveTernarySearch(Workbench& wb);

// Mode 7: sizes the 8 candidate slots, SearchCandidates(8), then CombineCandidates. Refused like mode 8.
bool AllNeuronsTwoChanges(Workbench& wb);

// The enumeration of 0/1 weights and the four thresholds, storing up to n hits in the candidate slots;
// returns the number of hits. The network needs four inputs and four hidden units.
int SearchCandidates(Workbench& wb, int n);

// One accuracy pass of the current network that sets the class flags of candidate slot `slot`: the flag of
// a class is 1 when its last vector was classified correctly. Sets SuccessRate; ErrorEvaluations += 1.
void EvalAccuracyAndMark(Workbench& wb, int slot);

// Loads each stored hit (the first `hits` slots) into the network and marks its classes; the network of
// the last hit stays in Net.
void CombineCandidates(Workbench& wb, int hits);

// The refusal of an enumeration for the network in Net: "" when it has four inputs and four hidden units.
std::string EnumerationRefusal(const Workbench& wb, const char* caption);

// The same refusal for the SMLP the run would build, told before the run changes anything: its hidden
// units are those of the hidden neurons per class (HidPerOut, read with the parameters), and its inputs,
// for a data set without continuous features, one per value of every feature (a continuous set's inputs
// are known only once it is discretized). "" when nothing short is known.
std::string EnumerationPlanRefusal(const Workbench& wb, const char* caption);

// The refusal of EnumerationRefusal for the network the run is about to build, told once the continuous
// features are discretized and before the run changes the network or the hidden-neuron field: the
// L-unit network (LUnitsMode 1: an input per run of the cut-point table, three hidden units per class)
// or the SMLP (an input per value of every feature, the hidden neurons per class of HidPerOut).
std::string EnumerationBuildRefusal(const Workbench& wb, const char* caption);

}  // namespace wl
