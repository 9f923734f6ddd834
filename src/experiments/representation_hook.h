#pragma once
// The per-epoch hook of the hidden-representation analysis: called by the training-progress plot after
// every epoch when "Signals after epoch" is checked, with 0 by the run preparation and with -1 by the
// validation-set report. It records the signals of every neuron above the inputs for every vector
// (SignalHistory), writes "results/MFF.txt" at the start, compresses the training set by the signals at
// the grouping epoch (IREdit) and prunes inputs at the pruning epoch (PrunEdit).
#include <string>

namespace wl {

struct Workbench;

// Epoch: -1 (one row of signals of the current set, recorded as epoch 0) or 0 .. NumOfEpochs. Epoch 0
// makes the records for the run (NumOfEpochs + 1 rows); a later epoch beyond the rows adds rows. A text
// in IREdit, PrunEdit, HidThrEdit or OutThrEdit that is not a number ends the run with the conversion
// error; an error writing "MFF.txt" or "_CTF.txt" with a file error.
void TrainingEpochHook(Workbench& wb, int epoch);

// Groups the vectors of each class whose signals in SignalHistory[epoch] are practically equal (layer 1
// within the hidden tolerance, layer 2 within the output tolerance; both grow from 0.01 to 0.1 times
// their threshold as the vector's own output passes 0.91 towards 1). The grouping reads the output of
// the vector's class in layer 2: on a network without one hidden layer and one output per class it is
// skipped with a message (false).
bool GroupBySignals(Workbench& wb, int epoch);

// When the groups are fewer than the vectors: writes ResultsPrefix + "_CTF.txt" (every old vector with
// its group, then every kept one with its old index) and replaces the training set by the groups'
// representatives, each keeping its own class-balancing weight; CurrentError then is the error of the
// new set. False when nothing changed.
bool WriteCompressedTrainingFile(Workbench& wb);

// The text of "MFF.txt"'s line for a vector: its first two feature values (only the first in a set of one
// feature) in the default real format and the winning output neuron (-1 when no output is above 0).
std::string MffLine(const Workbench& wb, int v, int winner);

// The message when the grouping cannot run on the network.
inline constexpr const char* kGroupingNeedsClassOutputs =
    "Grouping by signals needs a network with one hidden layer and one output neuron per class. The training "
    "set is not compressed.";

}  // namespace wl
