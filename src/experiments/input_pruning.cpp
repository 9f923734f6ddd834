#include "experiments/input_pruning.h"

#include <algorithm>

#include "model/create_network.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "state/training_parts.h"
#include "state/workbench.h"
#include "training/one_change.h"
#include "training/prepare_run.h"

namespace wl {

namespace {

// The network inputs of each feature: one for a continuous feature, one per value for a discrete one.
int InputsOf(const TFeature& f) { return f.Kind == 'c' ? 1 : std::max(0, f.NValues); }

}  // namespace

PruneResult PruneInputs(Workbench& wb, int epoch) {
  const double T = StrToFloat(Trim(wb.Form1.DWTREdit.Text()));
  if (wb.Net.size() < 2 || wb.Layers.size() < 2)
    throw WlError("The network has no layer above its inputs: no input can be pruned");
  const int inputs = wb.Layers[0];
  const int hidden = wb.Layers[1];
  if (InputLayerSize(wb.Features) != inputs || static_cast<int>(wb.Features.size()) != wb.NumOfFeatures)
    throw WlError("The network does not fit the data set. Create the network again.");
  const WeightShape& shape = wb.WeightHistory.Shape();
  if (epoch < 0 || static_cast<std::size_t>(epoch) >= wb.WeightHistory.Rows() || shape.NumLayers() < 1 ||
      shape.Neurons[0] != hidden)
    throw WlError("No weights are recorded for epoch " + IntToStr(epoch) + ": no input can be pruned");

  // Marks, read from the records in the run's shape.
  wb.PruneMarks.assign(static_cast<std::size_t>(hidden),
                       std::vector<bool>(static_cast<std::size_t>(inputs) + 1, false));
  const auto& H = std::as_const(wb.WeightHistory);
  for (int j = 0; j < hidden; ++j)
    for (int k = 0; k <= inputs; ++k) {
      const auto rk = static_cast<std::size_t>(RunWeightIndex(wb, 1, k));
      const auto uj = static_cast<std::size_t>(j);
      const double now = H[static_cast<std::size_t>(epoch)][0][uj][rk];
      double d = 0.0;
      for (int e = std::max(0, epoch - 3); e <= epoch; ++e) d += H[static_cast<std::size_t>(e)][0][uj][rk] - now;
      if (d < T) wb.PruneMarks[uj][static_cast<std::size_t>(k)] = true;
    }

  wb.PruneInputMarks.assign(static_cast<std::size_t>(inputs), false);
  for (int i = 0; i < inputs; ++i) {
    bool all = true;
    for (int j = 0; j < hidden && all; ++j)
      all = wb.PruneMarks[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)];
    wb.PruneInputMarks[static_cast<std::size_t>(i)] = all;
  }

  // A feature goes when all of its inputs are marked.
  const int features = wb.NumOfFeatures;
  wb.PruneFlags.assign(static_cast<std::size_t>(features), false);
  int remaining = features;
  for (int f = 0, first = 0; f < features; ++f) {
    const int n = InputsOf(wb.Features[static_cast<std::size_t>(f)]);
    bool all = n > 0;
    for (int i = first; i < first + n && all; ++i) all = wb.PruneInputMarks[static_cast<std::size_t>(i)];
    if (all) {
      wb.PruneFlags[static_cast<std::size_t>(f)] = true;
      --remaining;
    }
    first += n;
  }
  if (remaining == features) return PruneResult::NothingMarked;
  // A network needs an input.
  int keptInputs = 0;
  for (int f = 0; f < features; ++f)
    if (!wb.PruneFlags[static_cast<std::size_t>(f)]) keptInputs += InputsOf(wb.Features[static_cast<std::size_t>(f)]);
  if (keptInputs == 0) {
    wb.Plat.ShowMessage(kPruningKeepsAllInputs);
    return PruneResult::AllMarked;
  }
  PruneFeatures(wb);
  return PruneResult::Pruned;
}

void PruneFeatures(Workbench& wb) {
  const int features = wb.NumOfFeatures;
  if (InputLayerSize(wb.Features) != wb.Layers[0] || static_cast<int>(wb.Features.size()) != features)
    throw WlError("The network does not fit the data set. Create the network again.");
  std::vector<int> kept;
  int remaining = 0;
  for (int f = 0, first = 0; f < features; ++f) {
    const int n = InputsOf(wb.Features[static_cast<std::size_t>(f)]);
    if (static_cast<std::size_t>(f) >= wb.PruneFlags.size() || !wb.PruneFlags[static_cast<std::size_t>(f)]) {
      ++remaining;
      for (int i = first; i < first + n; ++i) kept.push_back(i);
    }
    first += n;
  }
  if (remaining == features) return;
  if (kept.empty()) throw WlError(kPruningKeepsAllInputs);
  // The vectors stay where they are: a part drawn for them is a part of the pruned set too.
  const bool partsFitted = wb.NumOfParts > 1 && PartsFit(wb);
  CompactDataColumns(wb, remaining);
  if (partsFitted) StampParts(wb);
  CompactNetworkInputs(wb, kept);
  // The run goes on with the new inputs: its trials compare with the error of the changed set.
  ++wb.TrainingSetChanges;
  wb.CurrentError = RefreshRunError(wb);
}

void CompactDataColumns(Workbench& wb, int newCount) {
  const auto nf = static_cast<std::size_t>(std::max(0, wb.NumOfFeatures));
  std::vector<std::size_t> columns;
  for (std::size_t f = 0; f < nf; ++f)
    if (f >= wb.PruneFlags.size() || !wb.PruneFlags[f]) columns.push_back(f);
  if (static_cast<int>(columns.size()) != newCount) throw WlError("The columns to keep do not match their count");
  auto single = [&wb](std::size_t f, double x) {
    if (f < wb.Features.size() && wb.Features[f].Kind != 'c') return x;  // must still match its listed value
    return static_cast<double>(static_cast<float>(x));
  };
  for (std::vector<double>& row : wb.Data) {
    std::vector<double> kept(columns.size(), 0.0);
    for (std::size_t i = 0; i < columns.size(); ++i)
      if (columns[i] < row.size()) kept[i] = single(columns[i], row[columns[i]]);
    row = std::move(kept);
  }
  auto keep = [&columns](auto& list) {
    if (list.empty()) return;
    std::remove_reference_t<decltype(list)> out;
    for (std::size_t c : columns)
      if (c < list.size()) out.push_back(list[c]);
    list = std::move(out);
  };
  keep(wb.Features);
  keep(wb.FeatureMean);
  keep(wb.FeatureDeviation);
  wb.NumOfFeatures = newCount;
  wb.AllContinuous =
      std::all_of(wb.Features.begin(), wb.Features.end(), [](const TFeature& f) { return f.Kind == 'c'; });
}

void CompactNetworkInputs(Workbench& wb, const std::vector<int>& kept) {
  const int oldInputs = wb.Layers[0];
  const int hidden = wb.Layers[1];
  const bool skip = wb.Net.size() == 3 && wb.LayerInputs[1] == hidden + oldInputs;
  auto compactNeuron = [&kept](std::vector<double>& w, int before, int count) {
    if (w.empty()) return;
    std::vector<double> out(w.begin(), w.begin() + before);
    for (int i : kept) out.push_back(w[static_cast<std::size_t>(before + i)]);
    out.insert(out.end(), w.begin() + before + count, w.end());
    w = std::move(out);
  };
  for (TNeuron& n : wb.Net[1]) {
    compactNeuron(n.Weights, 0, oldInputs);
    compactNeuron(n.OldWeights, 0, oldInputs);
    compactNeuron(n.BaseWeights, 0, oldInputs);
  }
  if (skip)
    for (TNeuron& n : wb.Net[2]) {
      compactNeuron(n.Weights, hidden, oldInputs);
      compactNeuron(n.OldWeights, hidden, oldInputs);
      compactNeuron(n.BaseWeights, hidden, oldInputs);
    }
  std::vector<TNeuron> inputs;
  for (int i : kept) inputs.push_back(wb.Net[0][static_cast<std::size_t>(i)]);
  wb.Net[0] = std::move(inputs);

  std::vector<int> runInput;
  for (int i : kept) runInput.push_back(wb.RunInputOf.empty() ? i : wb.RunInputOf[static_cast<std::size_t>(i)]);
  wb.RunInputOf = std::move(runInput);
  wb.KeptInputs = kept;
  ++wb.InputChanges;

  const int n0 = static_cast<int>(kept.size());
  wb.Layers[0] = n0;
  wb.LayerInputs[0] = n0;
  if (skip) wb.LayerInputs[1] = hidden + n0;
  int weights = 0;
  for (std::size_t l = 1; l < wb.Net.size(); ++l) weights += wb.Layers[l] * (wb.LayerInputs[l - 1] + 1);
  wb.NumOfWeights = weights;
  wb.InputFeature.assign(static_cast<std::size_t>(n0), 0);
  wb.InputValue.assign(static_cast<std::size_t>(n0), 0);
  ShowNetworkCaption(wb);
}

}  // namespace wl
