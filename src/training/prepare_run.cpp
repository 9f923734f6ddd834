#include "training/prepare_run.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <utility>

#include "model/layer_transfer.h"
#include "model/run_status.h"
#include "platform/errors.h"
#include "platform/memory.h"
#include "state/workbench.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "state/hooks.h"
#include "model/class_weights.h"
#include "model/forward_pass.h"
#include "model/layer_transfer.h"

namespace wl {

double SquaredWeightNorm(const Workbench& wb) {
  double sum = 0.0;
  const int layers = std::min<int>(wb.NumOfLayers, static_cast<int>(wb.Net.size()));
  for (int l = 1; l < layers; ++l)
    for (const TNeuron& n : wb.Net[static_cast<std::size_t>(l)])
      for (double w : n.Weights) sum += w * w;
  return sum;
}

std::int64_t HistoryLength(const Workbench& wb) {
  std::int64_t L = wb.NumOfEpochs;
  if (wb.MethodTag == "BS") L = static_cast<std::int64_t>(wb.BeamWidth) * wb.BeamWidth * L;
  return std::max<std::int64_t>(L, 0);
}

namespace {

WeightShape NetworkShape(const Workbench& wb) {
  return WeightShape::Of(wb.Layers, wb.LayerInputs.data(),
                         std::min<int>(wb.NumOfLayers, static_cast<int>(wb.Layers.size())));
}

}  // namespace

int RunWeightIndex(const Workbench& wb, int l, int k) {
  const std::size_t n0 = wb.Layers.empty() ? 0 : static_cast<std::size_t>(wb.Layers[0]);
  if (wb.RunInputOf.empty() || wb.RunInputOf.size() != n0 || l < 1 || l > 2) return k;
  const WeightShape& shape = wb.WeightHistory.Shape();
  if (shape.NumLayers() < l) return k;
  const int threshold = shape.Weights[static_cast<std::size_t>(l - 1)] - 1;
  const int inputs = static_cast<int>(n0);
  if (l == 1) return k < inputs ? wb.RunInputOf[static_cast<std::size_t>(k)] : threshold;
  // The output layer of a network with skip connections sees the inputs after the hidden neurons.
  const int hidden = wb.Layers.size() > 1 ? wb.Layers[1] : 0;
  if (wb.LayerInputs[1] != hidden + inputs || k < hidden) return k;
  return k < hidden + inputs ? hidden + wb.RunInputOf[static_cast<std::size_t>(k - hidden)] : threshold;
}

std::vector<std::size_t> RecordedWeightColumns(const Workbench& wb, const WeightShape& current) {
  const WeightShape& records = wb.WeightHistory.Shape();
  std::vector<std::size_t> columns;
  if (records.Neurons != current.Neurons) return columns;
  const bool same = records.Weights == current.Weights;
  // Only a pruning of the run's inputs (RunInputOf maps the inputs now held) changes the shape.
  if (!same && (current.NumLayers() < 1 || wb.RunInputOf.size() != static_cast<std::size_t>(current.Weights[0] - 1)))
    return columns;
  columns.reserve(current.RowSize);
  for (int li = 0; li < current.NumLayers(); ++li) {
    const auto l = static_cast<std::size_t>(li);
    for (int n = 0; n < current.Neurons[l]; ++n)
      for (int k = 0; k < current.Weights[l]; ++k) {
        const int r = same ? k : RunWeightIndex(wb, li + 1, k);
        if (r < 0 || r >= records.Weights[l]) return {};
        columns.push_back(records.Offset[l] + static_cast<std::size_t>(n) * static_cast<std::size_t>(records.Weights[l]) +
                          static_cast<std::size_t>(r));
      }
  }
  return columns;
}

void FitRecordsToNetwork(Workbench& wb) {
  if (wb.RunInputOf.empty()) return;
  const WeightShape shape = NetworkShape(wb);
  const std::vector<std::size_t> columns = RecordedWeightColumns(wb, shape);
  wb.RunInputOf.clear();
  if (columns.size() != shape.RowSize) return;  // records of another network: left as they are
  const auto fit = [&](auto& records) {
    if (records.Empty() || records.Shape().RowSize <= columns.back()) return;
    std::remove_reference_t<decltype(records)> fitted;
    fitted.Resize(records.Rows(), shape);
    for (std::size_t r = 0; r < records.Rows(); ++r) {
      const auto from = std::as_const(records).Row(r);
      const auto to = fitted.Row(r);
      for (std::size_t w = 0; w < columns.size(); ++w) to[w] = from[columns[w]];
    }
    records = std::move(fitted);
  };
  fit(wb.WeightHistory);
  fit(wb.WeightTrialHistory);
  fit(wb.DetailWNormHistory);
}

void RequireRecordableNetwork(const Workbench& wb) {
  // The records take the layers the parameters give; the network in place must have just those layers,
  // or a run would record one network and walk another.
  if (wb.Net.size() < 2 || wb.Net.size() != wb.Layers.size())
    throw WlError("No network has been created yet. Create the network first (Create Network).");
  if (static_cast<int>(wb.Net.size()) != wb.NumOfLayers)
    throw WlError("The network has " + IntToStr(static_cast<std::int64_t>(wb.Net.size())) +
                  " layers, the parameters ask for " + IntToStr(wb.NumOfLayers) + ". Create the network again.");
  const WeightShape shape = NetworkShape(wb);
  bool fits = wb.Net.size() > static_cast<std::size_t>(shape.NumLayers());
  for (int l = 0; fits && l < shape.NumLayers(); ++l) {
    const std::vector<TNeuron>& layer = wb.Net[static_cast<std::size_t>(l) + 1];
    fits = layer.size() >= static_cast<std::size_t>(shape.Neurons[static_cast<std::size_t>(l)]);
    for (int n = 0; fits && n < shape.Neurons[static_cast<std::size_t>(l)]; ++n)
      fits = layer[static_cast<std::size_t>(n)].Weights.size() >= static_cast<std::size_t>(shape.Weights[static_cast<std::size_t>(l)]);
  }
  if (!fits) throw WlError("The network does not fit the chosen structure. Create the network again.");
}

void AllocHistories(Workbench& wb, std::int64_t L) {
  // A new run starts with the network's inputs as they are.
  wb.RunInputOf.clear();
  const auto rows = static_cast<std::size_t>(L) + 1;
  const WeightShape shape = NetworkShape(wb);
  wb.EpochHistory.resize(rows);
  wb.WeightHistory.ResizeZeroed(rows + 1, shape);
  wb.WeightTrialHistory.Resize(rows, shape);
  wb.DetailWNormHistory.Resize(rows, shape);
  wb.WNormHistory.resize(rows);

  // Epoch 0: the network before training.
  double norm = 0.0;
  auto start = wb.WeightHistory[0];
  for (int l = 0; l < shape.NumLayers(); ++l)
    for (int n = 0; n < shape.Neurons[static_cast<std::size_t>(l)]; ++n) {
      const std::vector<double>& weights = wb.Net[static_cast<std::size_t>(l) + 1][static_cast<std::size_t>(n)].Weights;
      const std::span<double> record = start[static_cast<std::size_t>(l)][static_cast<std::size_t>(n)];
      for (std::size_t k = 0; k < record.size(); ++k) {
        const double w = weights.at(k);
        record[k] = w;
        norm += w * w;
      }
    }
  wb.WNormHistory[0] = norm;
  std::fill(wb.DetailWNormHistory.Row(0).begin(), wb.DetailWNormHistory.Row(0).end(), norm);
}

double OnlineHistoryBytes(std::int64_t L, int vectors, std::size_t weights) {
  return static_cast<double>(L + 1) * std::max(vectors, 0) * (static_cast<double>(weights) + 1.0) * sizeof(double);
}

void CheckOnlineHistoriesFit(const Workbench& wb, std::int64_t L, std::uint64_t available) {
  const std::size_t weights = NetworkShape(wb).RowSize;
  const double need = OnlineHistoryBytes(L, wb.NumOfVectors, weights);
  // A quarter of what is free is left to the rest of the program and to the system.
  if (available == 0 || need <= 0.75 * static_cast<double>(available)) return;
  throw WlError("The histories of online backpropagation (" + IntToStr(L + 1) + " epochs x " +
                IntToStr(static_cast<std::int64_t>(weights)) + " weights x " + IntToStr(wb.NumOfVectors) +
                " vectors) need " + MemorySizeText(need) + " of memory, and " +
                MemorySizeText(static_cast<double>(available)) +
                " is available. Train fewer epochs, or choose batch mode.");
}

void PrepareTrainingRun(Workbench& wb) {
  RequireRecordableNetwork(wb);
  // Outputs the cross-entropy cannot take are refused before the run evaluates or changes the network.
  RequireEntropyOutputRange(wb);
  // The signals of epoch 0 are recorded at the end of the preparation; a network they cannot be recorded
  // from is refused here, before the records, the fields and the progress plot change.
  if (wb.Form1.IRBox.Checked()) RequireSignalsRecordable(wb);
  const std::int64_t L = HistoryLength(wb);
  // Histories that cannot be held are refused before anything changes.
  if (wb.OnlineBP) CheckOnlineHistoriesFit(wb, L, AvailableMemoryBytes());
  StartRunStatus(wb);

  // An error surface or PCA of an earlier run no longer matches.
  wb.ESDone = false;
  wb.Online.Recorded = false;
  EnsureDirectory(wb.Path("\\PCA"));

  AllocHistories(wb, L);
  if (wb.OnlineBP) {
    const auto rows = static_cast<std::size_t>(L) + 1;
    const auto vectors = static_cast<std::size_t>(std::max(wb.NumOfVectors, 0));
    // The rows are made by the run (written, or left to be replayed when read).
    wb.Online.Prepare(rows * vectors, NetworkShape(wb), wb.NumOfVectors);
    wb.Online.Errors.Zero(rows, vectors);
  }

  ComputeClassWeights(wb);
  // The start error of a network with staircase transfer functions reads the table, so it is built
  // before the error is taken (building it is a function of NumOfStep alone).
  BuildStairTable(wb);

  const double start = TrainingSetError(wb);
  wb.EpochHistory[0].Error = start;
  wb.CurrentError = start;
  wb.EpochHistory[0].Accuracy = wb.SuccessRate;
  // The run holds the start network; the weighted rate shown is left as the last run accepted it.
  HoldRates(wb, false);

  TForm1& f = wb.Form1;
  f.ep.SetText("0");
  f.ge.SetText(FixedDisplayText(start, 12, 4) + " / " + wb.ResultText);
  f.EditSuccess.SetText(FixedDisplayText(wb.EpochHistory[0].Accuracy, 7, 5));
  f.WeightedAccEdit.SetText(FixedDisplayText(wb.AcceptedWeightedRate, 7, 5));
  f.ep.Repaint();
  f.ge.Repaint();
  f.EditSuccess.Repaint();
  f.WeightedAccEdit.Repaint();

  if (!f.NoGTPBox.Checked()) {
    wb.ProgressStage = "18";
    UpdateProgressTrace(wb);
    CallRunPrepared(wb, wb.NumOfEpochs);
  }
  if (f.IRBox.Checked()) CallRepresentationHook(wb, 0);
}

void HoldRates(Workbench& wb, bool weighted) {
  wb.AcceptedSuccessRate = wb.SuccessRate;
  if (weighted) wb.AcceptedWeightedRate = wb.WeightedCorrect;
}

void RecordEpochRow(Workbench& wb, int e) {
  if (e < 0 || static_cast<std::size_t>(e) >= wb.EpochHistory.size())
    throw WlError("No record is prepared for epoch " + IntToStr(e) + ". Start the training anew.");
  wb.EpochHistory[static_cast<std::size_t>(e)] = {wb.CurrentError, wb.AcceptedSuccessRate};
  CallEpochDone(wb, e, wb.CurrentError);
}

std::string FixedDisplayText(double x, int precision, int digits) {
  if (!std::isfinite(x)) return FormatFixed(x, digits);
  digits = std::max(digits, 0);
  // The exact decimal digits of |x| (far more than any display keeps), rounded once, halves up.
  const std::string exact = FormatFixed(std::fabs(x), 80);
  const std::size_t point = exact.find('.');
  const std::string intPart = exact.substr(0, point);
  const std::string frac = point == std::string::npos ? std::string() : exact.substr(point + 1);
  int magnitude;  // the decimal exponent of the first significant digit, plus one
  if (intPart != "0") {
    magnitude = static_cast<int>(intPart.size());
  } else {
    const std::size_t nz = frac.find_first_not_of('0');
    if (nz == std::string::npos) return FormatFixed(0.0, digits);
    magnitude = -static_cast<int>(nz);
  }
  if (magnitude > precision) return FloatToStr(x);
  const int kept = std::min(precision - magnitude, digits);

  std::string all = intPart + frac;
  std::size_t intLen = intPart.size();
  const std::size_t keep = intLen + static_cast<std::size_t>(kept);
  const bool up = keep < all.size() && all[keep] >= '5';
  all.resize(keep);
  if (up) {
    std::size_t i = all.size();
    while (i > 0 && all[i - 1] == '9') all[--i] = '0';
    if (i == 0) {
      all.insert(all.begin(), '1');
      ++intLen;
    } else {
      ++all[i - 1];
    }
  }
  std::string out = all.substr(0, intLen);
  if (digits > 0) {
    out += '.';
    out.append(all, intLen);
    out.append(static_cast<std::size_t>(digits - kept), '0');
  }
  if (std::signbit(x) && out.find_first_not_of("0.") != std::string::npos) out.insert(out.begin(), '-');
  return out;
}

RunSetErrorGuard::RunSetErrorGuard(Workbench& wb, double (*error)(Workbench&)) : wb_(wb) { wb_.RunSetError = error; }
RunSetErrorGuard::~RunSetErrorGuard() { wb_.RunSetError = nullptr; }

}  // namespace wl
