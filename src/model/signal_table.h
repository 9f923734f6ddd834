#pragma once
// The signal table of the one-change search trainers: for every training vector the negated net input
// S = θ − Σ w·x of every neuron above the inputs (SignalTable[layer - 1][neuron][vector]). A trial change
// of one weight is evaluated from the table with only the neurons the change reaches recomputed, and an
// accepted change is folded into the table.
//
// Outputs are σ(S) = 1 / (e^S + 1) (slope 1, no stretch) in the routines of the first group, on the
// vector path of model/vector_pass.h with the kernels' exponential (KernelLogistic) everywhere in the
// table, and the staircase T(S) looked up in StairTable in the tabulated twins of the second group;
// inputs enter as they are coded (a continuous feature's value, 1.0 / 0.0 for the values of a discrete
// one). A sum above 11300 stands for the output 0; the updates store at most 11300.
//
// A network with skip connections (three layers whose output neurons also see every input: an output
// neuron's Layers[1] hidden weights, then Layers[0] input weights, then the threshold) keeps the input
// part in its output sums as well, so its skip weights are trained through the table like any other.
//
// A changed weight is (layer, neuron, weight): layer 1 or 2, the weight's index (LayerInputs[layer - 1]
// is the threshold); the trial value stands in the neuron's Weights, the previous value in its
// OldWeights. Calling order: a full pass (ErrorFullPass) fills the table; each trial puts its value into
// Weights and calls ErrorWithChangedWeight; an accepted trial is folded in by UpdateSignalTable before
// the next one. The table holds for all vectors only after a full pass and the updates of the changes
// kept since; whoever changes a weight otherwise must run a full pass again.
//
// For every coded input of a discrete or symbolic feature the table keeps the list of the vectors where
// it is 1 (made from the data set of the last full pass); a trial of such an input's weight computes
// only those vectors and takes the kept scores of the others (in the same order, so the numbers are
// those of a visit of every vector). Refreshing one column from the data (ForwardVectorFromData,
// UpdateSignalTableB) drops the lists until the next full pass.
//
// Every error routine has a plain form, which follows the Workbench's held options (HeldEvalOptions), and
// a form that takes a run's options (state/eval_options.h).
//
// Counters: NumOfCorrect, SuccessRate, ErrorEvaluations (a pass over one part of a split training set,
// NumOfParts > 1 with the vectors listed in BatchIndex, counts 1 / NumOfParts), WeightedCorrect (as each
// routine says), VectorErrorTerm and SigmoidCount.
#include "state/eval_options.h"

namespace wl {

struct Workbench;

// The output σ(S) of a stored sum: 0 above 11300.
double TableSigmoid(double s);
// The staircase output T(S): 1 below −StairRange, 0 above StairRange, else
// StairTable[Round(0.5 × NumOfStep − S × StairScale)].
double TableStair(const Workbench& wb, double s);

// --- sigmoid networks ------------------------------------------------------------------------------

// Full forward pass of vector v from the data; refreshes the vector's column of the table, the input map
// (InputFeature, InputValue) and every neuron's Signal. One count per neuron.
void ForwardVectorFromData(Workbench& wb, int v);

// The error of the network by full passes. The table is refreshed for every vector, also when the
// training set is split into parts and the error covers only the current part. Targets 1 for the
// vector's class and 0 otherwise, exponent ErrorExponent; all vectors weighted by VectorWeight, a part
// unweighted; the SmallW term and, with ClassErrorMode 3, the division by SuccessRate. With DefClassBox
// checked, the counting over all vectors takes the default class into account. Does not write
// VectorErrorTerm or WeightedCorrect.
double ErrorFullPass(Workbench& wb);
double ErrorFullPass(Workbench& wb, const EvalOptions& o);

// The network's outputs for vector v with the one changed weight, from the table: writes the changed
// neuron's and the output neurons' Signal; the table is not changed.
void ForwardChangedWeight(Workbench& wb, int v, int layer, int neuron, int weight);

// The error of the network with the one changed weight, over all vectors or the current part. The winner
// (the output largest above 0, the first on ties) decides correctness; a correct vector adds its
// VectorWeight to WeightedCorrect, which is not reset here. Over all vectors VectorErrorTerm[v] receives
// each vector's weighted term.
double ErrorWithChangedWeight(Workbench& wb, int layer, int neuron, int weight);
double ErrorWithChangedWeight(Workbench& wb, const EvalOptions& o, int layer, int neuron, int weight);

// Folds an accepted change into the table for every vector (not only the current part). A table not yet
// shaped for the network and the data set is sized first.
void UpdateSignalTable(Workbench& wb, int layer, int neuron, int weight);

// --- the tabulated (staircase) twins, for networks whose transfer functions are not the plain sigmoid --

// ForwardVectorFromData with outputs T(S); not counted.
void UpdateSignalTableB(Workbench& wb, int v);
// ForwardChangedWeight with outputs T(S); counts only the changed neuron (layer 1) or the hidden output
// the changed weight reads (layer 2).
void StairForwardChangedWeight(Workbench& wb, int v, int layer, int neuron, int weight);
// UpdateSignalTable with outputs T(S).
void UpdateSignalTableAfterChange(Workbench& wb, int layer, int neuron, int weight);
// ErrorWithChangedWeight through StairForwardChangedWeight; counts correct vectors as ErrorFullPass does
// (DefClassBox included) and leaves WeightedCorrect alone.
double SignalTableError(Workbench& wb, int layer, int neuron, int weight);
double SignalTableError(Workbench& wb, const EvalOptions& o, int layer, int neuron, int weight);
// ErrorFullPass through UpdateSignalTableB.
double SignalTableErrorB(Workbench& wb);
double SignalTableErrorB(Workbench& wb, const EvalOptions& o);

}  // namespace wl
