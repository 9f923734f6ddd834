#pragma once
// The walk over the weights that numerical-gradient training shares: every weight of layers 1 up, in
// the order of the direction's components (layer 1 upward, neuron 0 upward, the threshold last), with the
// component's index in the flat row.
#include <cstddef>
#include <vector>

#include "model/error_functions.h"
#include "model/eval_options.h"
#include "model/layer_transfer.h"
#include "model/signal_table.h"
#include "state/workbench.h"

namespace wl {

// The run's evaluation options, read again when one of their controls changed (the run's check of the
// network kept).
inline const EvalOptions& NGOptions(Workbench& wb) {
  if (wb.HeldEvalStale || !wb.NGEvalRead) {
    const bool fits = wb.NGEvalRead && wb.NGEval.NetworkFits;
    wb.NGEval = HeldEvalOptions(wb);
    wb.NGEval.NetworkFits = fits;
    wb.NGEvalRead = true;
  }
  return wb.NGEval;
}

// A run starts (or its training set changed): the next full evaluation checks the network again.
inline void StartNGEvaluations(Workbench& wb) { wb.NGEvalRead = false; }

// The evaluations of numerical-gradient training under the run's options. A full evaluation that went
// through has checked the network against every vector; the later ones need not.
inline double NGTrainingSetError(Workbench& wb) {
  const double e = TrainingSetError(wb, NGOptions(wb));
  wb.NGEval.NetworkFits = true;
  return e;
}
inline double NGFullPass(Workbench& wb) {
  const double e = ErrorFullPass(wb, NGOptions(wb));
  wb.NGEval.NetworkFits = true;
  return e;
}
inline double NGChangedWeightError(Workbench& wb, int l, int n, int k) {
  return ErrorWithChangedWeight(wb, NGOptions(wb), l, n, k);
}

// The network's weight shape as the direction arrays hold it.
inline WeightShape NGShape(const Workbench& wb) {
  return WeightShape::Of(wb.Layers, wb.LayerInputs.data(), static_cast<int>(wb.Net.size()));
}

// Sizes one direction array to the network; a previous run's values stay when the shape is the same.
inline void SizeLike(WeightRecords<double>& r, const WeightShape& shape) {
  if (r.Rows() == 1 && r.Shape().Neurons == shape.Neurons && r.Shape().Weights == shape.Weights) return;
  r.Resize(1, shape);
}

// f(l, n, k, i, neuron) for every weight: layer l from 1, neuron n, weight k, flat index i.
template <class F>
void ForEachNGWeight(Workbench& wb, F&& f) {
  const WeightShape& s = wb.SearchDirection.Shape();
  std::size_t i = 0;
  for (int li = 0; li < s.NumLayers(); ++li) {
    std::vector<TNeuron>& layer = wb.Net[static_cast<std::size_t>(li) + 1];
    const int weights = s.Weights[static_cast<std::size_t>(li)];
    for (int n = 0; n < s.Neurons[static_cast<std::size_t>(li)]; ++n) {
      TNeuron& neuron = layer[static_cast<std::size_t>(n)];
      for (int k = 0; k < weights; ++k, ++i) f(li + 1, n, k, i, neuron);
    }
  }
}

// OldWeights := Weights for every neuron of layers 1 up.
inline void SaveOldWeights(Workbench& wb) {
  for (std::size_t l = 1; l < wb.Net.size(); ++l)
    for (TNeuron& n : wb.Net[l]) n.OldWeights = n.Weights;
}

// Weights := OldWeights for every neuron of layers 1 up.
inline void RestoreOldWeights(Workbench& wb) {
  for (std::size_t l = 1; l < wb.Net.size(); ++l)
    for (TNeuron& n : wb.Net[l])
      if (n.OldWeights.size() == n.Weights.size()) n.Weights = n.OldWeights;
}

// Every weight w := w0 + V * scale, from the saved weights.
inline void MoveFromOld(Workbench& wb, double scale) {
  const std::span<const double> V = wb.SearchDirection.Row(0);
  ForEachNGWeight(wb, [&](int, int, int k, std::size_t i, TNeuron& nr) {
    const auto uk = static_cast<std::size_t>(k);
    nr.Weights[uk] = nr.OldWeights[uk] + V[i] * scale;
  });
}

}  // namespace wl
