#pragma once
// The searches that change two weights of a neuron at a time.
//
// TrainTwoChanges visits every neuron above the inputs and, for every ordered pair of its weights, walks
// a 5 x 5 grid of step pairs, keeping each trial at once when it lowers the training error (a greedy walk,
// not a search for the best point of the grid). Mode 1 draws each step as a random fraction of the step
// size ("S2-R"), mode 2 takes the step size itself ("S2-D"); 101 and 102 are the same runs made again
// from the restored initial weights.
//
// TrainTwoChangesZero starts from a three-layer network whose weights are all zero: it tries every pair
// of one hidden weight and one output weight on a 3 x 3 grid, lists the pairs that lower the error in
// "T2.txt" in the program directory, and then moves the network along a direction built from them
// (ZeroTwoChangesStep).
#include <cstdint>

namespace wl {

struct Workbench;

// The two-change search from the current weights. With the "SMLP" structure chosen it does nothing (the
// step-function networks have a search of their own).
void TrainTwoChanges(Workbench& wb, std::uint8_t mode);

// The two-change scan of the zero network. Mode 1 and 101 only name the run "Zero Random - 2 changes",
// any other mode "Zero Discrete - 2 changes"; no step is random. A network without a hidden layer is
// refused with a message before anything is written.
void TrainTwoChangesZero(Workbench& wb, std::uint8_t mode);

// The last stage of the zero scan, with the base error E0 in StopError: ZeroDirection from the recorded
// pairs of hidden neuron 0, each pair weighted by how much it lowered the error, then the best of the
// points t x ZeroDirection, t = 0, 0.1, ..., 9.9, for the weights of layers 1 and 2.
void ZeroTwoChangesStep(Workbench& wb);

// The message of the zero scan on a network without a hidden layer.
inline constexpr const char* kZeroNeedsHiddenLayer =
    "The two-change search from zero weights needs a network with a hidden layer.";

}  // namespace wl
