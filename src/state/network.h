#pragma once
// The multilayer perceptron: layers of neuron records.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace wl {

struct SignalTableMemo;  // defined where the signal table is evaluated

// Owns a SignalTableMemo. A copy of the network starts with an empty one, so that two copies never
// share working storage.
struct SignalTableMemoHandle {
  std::shared_ptr<SignalTableMemo> Memo;
  SignalTableMemoHandle() = default;
  SignalTableMemoHandle(const SignalTableMemoHandle&) {}
  SignalTableMemoHandle(SignalTableMemoHandle&&) noexcept = default;
  SignalTableMemoHandle& operator=(const SignalTableMemoHandle&) { return *this; }
  SignalTableMemoHandle& operator=(SignalTableMemoHandle&&) noexcept = default;
};

struct TNeuron {
  double Signal = 0.0;               // output for the vector last passed forward
  std::vector<double> Weights;       // one per input, the threshold last (layer 0: the input scaling weight)
  std::vector<double> OldWeights;    // the weights before the last change
  std::vector<double> BaseWeights;   // origin of error-surface planes
};

// The network a stored analysis result was made for: its weight count and its layer sizes
// (Layers[0 .. NumOfLayers - 1]). Weights 0: made for none.
struct NetworkStamp {
  int Weights = 0;
  std::vector<int> Layers;
  bool operator==(const NetworkStamp&) const = default;
};

struct NetworkState {
  std::vector<int> Layers;                  // neurons per layer; layer 0 = inputs
  std::vector<std::vector<TNeuron>> Net;    // [layer][neuron]
  std::array<int, 4> LayerInputs{};         // LayerInputs[l-1] = fan-in of layer l = index of its threshold
  int NumOfWeights = 0;                     // all weights, thresholds included
  bool LinearInputs = false;
  std::uint8_t NetType = 0;                 // the scheme the network was built with
  std::uint8_t NetKind = 0;                 // 0 MLP, 1 SMLP and L-unit, 7 genetic, 11 five-layer N-of-M
  std::int64_t SigmoidCount = 0;            // transfer-function evaluations
  double ErrorEvaluations = 0;
  std::vector<int> InputFeature, InputValue;  // per input; sized to Layers[0] when the network is built
  // [layer - 1][neuron][vector]: the signal tables of the one-weight-change trainers.
  std::vector<std::vector<std::vector<double>>> SignalTable;
  // The outputs of the table's sums, kept beside them, and each vector's error term, so that a trial
  // evaluates only the vectors its change reaches. Every entry remembers the sum it belongs to.
  SignalTableMemoHandle TableMemo;
  double StretchOffset = 0.0;  // (1 - Stretch) / 2 of the last forward pass

  // Side results of the last error evaluation (which may belong to a trial that was undone).
  double SuccessRate = 0.0;      // share of the vectors classified correctly
  int NumOfCorrect = 0;
  double WeightedCorrect = 0.0;  // class-balanced share classified correctly
  // Two-class counts of the last per-layer error pass (target class 0, or CurrentClass with a default
  // class): correct / wrong vectors of the target class, correct / wrong vectors of the other classes.
  int CountTPT = 0, CountTPN = 0, CountNPN = 0, CountNPT = 0;

  // Working storage of the error functions: the signals of one vector, layer after layer, so that the
  // training-set passes allocate nothing. Offsets are rebuilt when the network's shape changes.
  std::vector<double> EvalSignals;
  std::array<std::size_t, 5> EvalOffset{};
};

}  // namespace wl
