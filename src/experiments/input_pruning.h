#pragma once
// Input pruning during training: at the pruning epoch (PrunEdit) the representation hook marks the
// first-layer weights that stopped changing over the last epochs and removes every feature all of whose
// inputs have every hidden neuron's weight marked. The data set loses those columns and the network
// those inputs (with their weights); the running trainer takes the new shape from its next epoch, and the
// weight records keep the run's shape, the removed weights recorded as 0 from then on.
#include <vector>

namespace wl {

struct Workbench;

// What a pruning did.
enum class PruneResult { NothingMarked, AllMarked, Pruned };

// Marks weight k of hidden neuron j when d = the sum over e = max(0, epoch - 3) .. epoch of
// (WeightHistory[e][0][j][k] - WeightHistory[epoch][0][j][k]) is below T (DWTREdit); an input whose weights
// to every hidden neuron are marked is marked, and a feature goes when all its inputs are marked. When
// every feature would go, none goes and a message says so. Throws ConvertError for a bad DWTREdit.
PruneResult PruneInputs(Workbench& wb, int epoch);

// Removes the features whose PruneFlags entry is set from the data and their inputs from the network;
// the run then goes on with the changed set (TrainingSetChanges, CurrentError by the run's own error).
void PruneFeatures(Workbench& wb);

// Keeps the data columns (and the feature descriptions) whose PruneFlags entry is false; continuous
// values pass through a 32-bit real. newCount: the number of features kept.
void CompactDataColumns(Workbench& wb, int newCount);

// Removes the network's inputs that are not in `kept` (old input indices, ascending): the input neurons,
// the first layer's weights on them (and, with skip connections, the output layer's), the layer sizes and
// the weight count follow; RunInputOf, KeptInputs and InputChanges record the change for the run.
void CompactNetworkInputs(Workbench& wb, const std::vector<int>& kept);

// The message when every input is marked.
inline constexpr const char* kPruningKeepsAllInputs =
    "Pruning would remove every input of the network. No input is removed.";

}  // namespace wl
