#include "training/one_change.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "model/eval_options.h"
#include "model/layer_transfer.h"
#include "model/read_parameters.h"
#include "model/run_status.h"
#include "model/signal_table.h"
#include "model/weights_file.h"
#include "state/training_parts.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/field_reads.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"
#include "state/hooks.h"
#include "training/border_vectors.h"
#include "training/prepare_run.h"
#include "training/run_end.h"

namespace wl {

void RequireNetwork(const Workbench& wb) {
  if (wb.ResultsPrefix.empty() || wb.NumOfVectors < 1)
    throw WlError("No data set has been opened yet. Open a data set first (Open -> Open Training Set).");
  if (wb.Net.size() < 2 || wb.Net.size() != wb.Layers.size())
    throw WlError("No network has been created yet. Create the network first (Create Network).");
  if (static_cast<int>(wb.Net.size()) != wb.NumOfLayers)
    throw WlError("The network has " + IntToStr(static_cast<std::int64_t>(wb.Net.size())) +
                  " layers, the parameters ask for " + IntToStr(wb.NumOfLayers) + ". Create the network again.");
}

double StepFactor(double deltaDecay, int epoch) {
  if (deltaDecay == 0.0) return 1.0;
  return 1.0 - std::exp(-deltaDecay / epoch);
}

std::string GroupedCount(std::int64_t n) {
  const std::string digits = IntToStr(n < 0 ? -n : n);
  std::string out;
  const std::size_t len = digits.size();
  for (std::size_t i = 0; i < len; ++i) {
    if (i > 0 && (len - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return n < 0 ? "-" + out : out;
}

void ShowEvaluationCount(Workbench& wb) {
  wb.Form1.alsigEdit.SetText(GroupedCount(wb.SigmoidCount));
  wb.Form1.alsigEdit.Repaint();
}

std::string OneChangeFieldsRefusal(const TForm1& f) {
  const bool vss = f.OldDH2Box.Checked();
  FieldReads reads;
  auto vssReads = [&] {
    AddReads(reads, {{f.c3Edit.Text(), ReadAs::Float}, {f.XLCEdit.Text(), ReadAs::Float},
                     {f.FCMAEdit.Text(), ReadAs::Int}, {f.MaxWeightEdit.Text(), ReadAs::Float},
                     {f.MaxDeltaEdit.Text(), ReadAs::Float}});
  };
  bool iterations = false;  // the route refuses a negative max iteration
  if (f.InPlaceBox.Checked()) {
    if (vss || f.SMWSButton.Checked()) reads.push_back({f.SelEpochEdit.Text(), ReadAs::Int});
    if (vss) vssReads();
  } else if (!f.OSTBox.Checked()) {
    reads.push_back({f.SelEpochEdit.Text(), ReadAs::Int});
    if (f.SMDH1Button.Checked()) {
      AddReads(reads, {{f.FCMAEdit.Text(), ReadAs::Int}, {f.MaxDeltaEdit.Text(), ReadAs::Float}});
      iterations = true;
    } else if (vss) {
      vssReads();
      iterations = true;
    }
  }
  ReadAllFirst(reads);
  if (iterations && StrToInt(f.FCMAEdit.Text()) < 0) return "max iteration must be an Integer from 0 to 999";
  return "";
}

void TrainOneChange(Workbench& wb, std::uint8_t mode) {
  TForm1& f = wb.Form1;
  if (f.InPlaceBox.Checked()) {
    InPlaceTrain1(wb);
    return;
  }
  wb.UseSignalTable = f.SMSTBox.Checked() && wb.NumOfLayers < 4;
  if (ReadParameters(wb)) return;
  if (f.OSTBox.Checked()) {
    ShowEvaluationCount(wb);
    return;
  }
  if (const std::string refusal = OneChangeFieldsRefusal(f); !refusal.empty()) {
    wb.Plat.ShowMessage(refusal);
    return;
  }
  const int n = StrToInt(f.SelEpochEdit.Text());
  bool trained = true;
  if (f.SMDH1Button.Checked()) {
    RequireNetwork(wb);
    TrainDH1(wb, mode, n, wb.SMDH1);
  } else if (f.OldDH2Box.Checked()) {
    RequireNetwork(wb);
    if (f.RWOrderBox.Checked() || f.CustOrderBox.Checked())
      TrainVSSOrdered(wb, mode, n);
    else
      TrainVSS(wb, mode, n);
  } else if (f.SMWSButton.Checked()) {
    RequireNetwork(wb);
    TrainWeightSections(wb, mode, n);
  } else if (f.SMstdButton.Checked()) {
    RequireNetwork(wb);
    TrainOneChangeStandard(wb, mode);
  } else {
    trained = false;
  }
  if (trained) ShowEvaluationCount(wb);
}

double ParabolicStep(double x1, double x2, double e0, double e1, double e2, double aMax) {
  using R = long double;
  const R X1 = x1, X2 = x2, E0 = e0, E1 = e1, E2 = e2;
  const R s1 = (E0 - E1) / std::fabs(X1);
  const R s2 = (E0 - E2) / std::fabs(X2);
  if (s1 <= s2) return 0.0;
  const R num = X1 * X1 * (E1 - E2) - (X1 - X2) * (X1 - X2) * (E1 - E0);
  const R den = X1 * (E1 - E2) - (X1 - X2) * (E1 - E0);
  const R p = X1 - 0.5L * num / den;
  auto sign = [](R v) { return (v > 0) - (v < 0); };
  if (sign(p) != sign(X2)) return 0.0;
  const R cap = static_cast<R>(aMax) * X1;
  if (std::fabs(p) > std::fabs(cap)) return static_cast<double>(cap);
  if (std::fabs(p) < std::fabs(X1)) return x1;
  return static_cast<double>(p);
}

// ---- the frame -----------------------------------------------------------------------------------

SearchRunningGuard::SearchRunningGuard(Workbench& wb) : wb_(wb) { wb_.SearchRunning = true; }
SearchRunningGuard::~SearchRunningGuard() { wb_.SearchRunning = false; }

OneChangeFrame::OneChangeFrame(Workbench& wb) : wb_(wb), setChanges_(wb.TrainingSetChanges) {
  tableTrials_ = wb.UseSignalTable && !wb.NonStandardTF;
}

OneChangeFrame::~OneChangeFrame() { wb_.RunSetError = nullptr; }

TNeuron& OneChangeFrame::Neuron(const WeightRef& w) {
  return wb_.Net[static_cast<std::size_t>(w.l)][static_cast<std::size_t>(w.n)];
}

void OneChangeFrame::Prepare(std::uint8_t mode, const std::string& tag, bool drawsParts) {
  if (!drawsParts && tableTrials_) RequirePartsFit(wb_);
  wb_.MethodTag = tag;
  wb_.RunSetError = OneChangeRunError;
  // A network the records cannot take is refused before the start weights are written.
  if (mode < 100) RequireRecordableNetwork(wb_);
  SaveWeights(wb_, 0);
  if (mode < 100) PrepareTrainingRun(wb_);

  // A rerun records into the histories of the first run, which must be long enough and of this network.
  const auto rows = static_cast<std::size_t>(std::max(0, wb_.NumOfEpochs)) + 1;
  const int nl = static_cast<int>(wb_.Net.size());
  const WeightShape shape = WeightShape::Of(wb_.Layers, wb_.LayerInputs.data(), nl);
  auto sameShape = [&](const WeightShape& s) { return s.Neurons == shape.Neurons && s.Weights == shape.Weights; };
  if (wb_.EpochHistory.size() < rows || wb_.WNormHistory.size() < rows || wb_.WeightHistory.Rows() < rows ||
      wb_.WeightTrialHistory.Rows() < rows || wb_.DetailWNormHistory.Rows() < rows ||
      !sameShape(wb_.WeightHistory.Shape()) || !sameShape(wb_.WeightTrialHistory.Shape()) ||
      !sameShape(wb_.DetailWNormHistory.Shape()))
    throw WlError("The records of the first run do not fit this run. Start the training anew.");
}

void OneChangeFrame::SizeStepHistories() {
  const auto rows = static_cast<std::size_t>(std::max(0, wb_.NumOfEpochs)) + 1;
  wb_.StepRateHistory.resize(rows, 0.0);
  wb_.StepErrorHistory.resize(rows, 0.0);
}

void OneChangeFrame::ShowLabel(const std::string& label) {
  wb_.ParamText[7] = label;
  ShowRunMethod(wb_, label);
}

void OneChangeFrame::DrawParts() {
  if (wb_.NumOfParts > 1) DrawRandomParts(wb_);
}

const EvalOptions& OneChangeFrame::Options() {
  // A control the options come from changed during the run: read them again, keeping the run's check.
  if (wb_.HeldEvalStale || !optionsRead_) {
    const bool fits = options_.NetworkFits;
    options_ = HeldEvalOptions(wb_);
    options_.NetworkFits = fits;
    optionsRead_ = true;
  }
  return options_;
}

double OneChangeFrame::FullError() {
  const EvalOptions& o = Options();
  const double e = tableTrials_ ? ErrorFullPass(wb_, o) : TrainingSetError(wb_, o);
  // The pass checked the network against every vector; until the data set changes, trials need not.
  options_.NetworkFits = true;
  return e;
}

void OneChangeFrame::Start(bool integerWeights) {
  const double e = FullError();
  wb_.CurrentError = e;
  HoldFullPassRates();
  wb_.StopError = wb_.StopError * e;
  wb_.ResultText = FixedDisplayText(e, 12, 3);
  wb_.Form1.ge.SetText("- / " + wb_.ResultText);
  wb_.Form1.ge.Repaint();
  wb_.StartError = e;
  if (integerWeights) IntegerWeights();
  BuildOrder(integerWeights && wb_.IntegerW != 0.0);
}

// With the integer-weights option in a three-layer network the output neurons sum their hidden inputs
// with weight 1 against a threshold of 0.5, and only layer 1 is trained.
void OneChangeFrame::IntegerWeights() {
  integerOn_ = wb_.IntegerW > 0.0 && wb_.Net.size() == 3;
  if (!integerOn_) return;
  const int hidden = wb_.Layers[1];
  const int th = wb_.LayerInputs[1];
  for (TNeuron& out : wb_.Net[2]) {
    for (int i = 0; i < hidden; ++i) out.Weights[static_cast<std::size_t>(i)] = 1.0;
    out.Weights[static_cast<std::size_t>(th)] = 0.5;
  }
  // The table was filled with the output weights as they were; the error carried on stays the start error.
  if (tableTrials_) ErrorFullPass(wb_, Options());
}

void OneChangeFrame::BuildOrder(bool select) {
  setChanges_ = wb_.TrainingSetChanges;
  selectNeurons_ = select;
  order_.clear();
  const int nl = static_cast<int>(wb_.Net.size());
  for (int l = 1; l < nl; ++l) {
    if (integerOn_ && l > 1) continue;
    for (int n = 0; n < wb_.Layers[l]; ++n) {
      const auto un = static_cast<std::size_t>(n);
      if (select && !(un < wb_.NeuronSelect.size() && wb_.NeuronSelect[un] == n)) continue;
      for (int k = 0; k <= wb_.LayerInputs[static_cast<std::size_t>(l - 1)]; ++k) order_.push_back({l, n, k});
    }
  }
}

double OneChangeFrame::Try(const WeightRef& w, double value) {
  Neuron(w).Weights[static_cast<std::size_t>(w.k)] = value;
  const EvalOptions& o = Options();
  const double e = tableTrials_ ? ErrorWithChangedWeight(wb_, o, w.l, w.n, w.k) : TrainingSetError(wb_, o);
  wb_.NewError = e;
  return e;
}

bool OneChangeFrame::Improve(const WeightRef& w, double value, double step, double& s) {
  const double trial = Try(w, value);
  if (!(trial < wb_.CurrentError)) return false;
  wb_.CurrentError = trial;
  HoldRates(wb_);
  s = step;
  return true;
}

void OneChangeFrame::TryAroundStep(const WeightRef& w, double w0, double F, double maxWeight, double& s) {
  auto clamp = [maxWeight](double v) { return std::min(std::max(v, -maxWeight), maxWeight); };
  const double t = s;
  const double inner = 2.0 * t / (F + 1.0);
  if (Improve(w, clamp(w0 + inner), inner, s)) return;
  const double outer = t * (F + 1.0) / 2.0;
  Improve(w, clamp(w0 + outer), outer, s);
}

void OneChangeFrame::Keep(const WeightRef& w, double w0, double s, bool stairTable) {
  TNeuron& neuron = Neuron(w);
  const auto k = static_cast<std::size_t>(w.k);
  neuron.Weights[k] = w0 + s;
  neuron.OldWeights[k] = w0;
  if (s != 0.0) FoldIntoTable(w, stairTable);
}

void OneChangeFrame::FoldIntoTable(const WeightRef& w, bool stairTable) {
  if (!wb_.UseSignalTable) return;
  if (stairTable)
    UpdateSignalTableAfterChange(wb_, w.l, w.n, w.k);
  else
    UpdateSignalTable(wb_, w.l, w.n, w.k);
}

StepMemory::StepMemory(const Workbench& wb)
    : wb_(&wb), changes_(&wb.InputChanges), inputChanges_(wb.InputChanges), steps_(wb.Net.size()) {
  for (std::size_t l = 1; l < wb.Net.size(); ++l) {
    steps_[l].resize(wb.Net[l].size());
    for (std::size_t j = 0; j < wb.Net[l].size(); ++j) steps_[l][j].assign(wb.Net[l][j].Weights.size(), 0.0);
  }
}

void StepMemory::FollowInputs() {
  inputChanges_ = wb_->InputChanges;
  const std::vector<int>& kept = wb_->KeptInputs;
  auto compact = [&kept](std::vector<double>& steps, std::size_t before, std::size_t oldInputs) {
    if (steps.size() < before + oldInputs) return;
    std::vector<double> out(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(before));
    for (int i : kept) out.push_back(steps[before + static_cast<std::size_t>(i)]);
    out.insert(out.end(), steps.begin() + static_cast<std::ptrdiff_t>(before + oldInputs), steps.end());
    steps = std::move(out);
  };
  if (steps_.size() < 2) return;
  for (std::size_t j = 0; j < steps_[1].size(); ++j) {
    std::vector<double>& s = steps_[1][j];
    if (s.empty()) continue;
    compact(s, 0, s.size() - 1);
  }
  // With skip connections the output neurons' input weights follow their hidden weights.
  const std::size_t hidden = steps_[1].size();
  if (steps_.size() == 3 && wb_->Net.size() == 3 && wb_->LayerInputs[1] == wb_->Layers[1] + wb_->Layers[0])
    for (std::vector<double>& s : steps_[2])
      if (s.size() > hidden + 1) compact(s, hidden, s.size() - hidden - 1);
}

double OneChangeRunError(Workbench& wb) {
  return wb.UseSignalTable && !wb.NonStandardTF ? ErrorFullPass(wb) : TrainingSetError(wb);
}

double RefreshRunError(Workbench& wb) {
  const double e = wb.RunSetError ? wb.RunSetError(wb) : TrainingSetError(wb);
  // The error the caller carries on is this network's: so is the accuracy the next record takes.
  HoldRates(wb, false);
  return e;
}

const std::vector<WeightRef>& OneChangeFrame::Order() {
  if (setChanges_ != wb_.TrainingSetChanges) FollowTrainingSet();
  return order_;
}

void OneChangeFrame::FollowTrainingSet() {
  setChanges_ = wb_.TrainingSetChanges;
  options_.NetworkFits = false;  // a new training set: the next full pass checks it
  if (wb_.NumOfParts > 1) DrawParts();
  BuildOrder(selectNeurons_);
}

void OneChangeFrame::RecordWeight(int e, const WeightRef& w) {
  const auto ue = static_cast<std::size_t>(e), l = static_cast<std::size_t>(w.l - 1), n = static_cast<std::size_t>(w.n),
             k = static_cast<std::size_t>(RunWeightIndex(wb_, w.l, w.k));
  wb_.WeightHistory[ue][l][n][k] = Neuron(w).Weights[static_cast<std::size_t>(w.k)];
  wb_.WeightTrialHistory[ue][l][n][k].Error = wb_.CurrentError;
}

void OneChangeFrame::PlotWeight(int e, const WeightRef& w, int ordinal, double step) {
  CallDetailPoint(wb_, e, w.l - 1, w.n, RunWeightIndex(wb_, w.l, w.k), ordinal, wb_.CurrentError, step);
  wb_.Plat.ProcessEvents();
}

void OneChangeFrame::ShowEpoch(int e, double rate, const double* weighted) {
  TForm1& f = wb_.Form1;
  f.ep.SetText(IntToStr(e));
  f.ge.SetText(FixedDisplayText(wb_.CurrentError, 12, 4) + " / " + wb_.ResultText);
  f.EditSuccess.SetText(FixedDisplayText(rate, 7, 5));
  f.ep.Repaint();
  f.ge.Repaint();
  f.EditSuccess.Repaint();
  if (weighted) {
    f.WeightedAccEdit.SetText(FixedDisplayText(*weighted, 7, 5));
    f.WeightedAccEdit.Repaint();
  }
}

void OneChangeFrame::RecordEpoch(int e) { RecordEpochRow(wb_, e); }

void OneChangeFrame::HoldFullPassRates() { HoldRates(wb_, !tableTrials_); }

void OneChangeFrame::BorderVectors() {
  SelectBorderVectors(wb_, 3);
  options_.NetworkFits = false;  // a new training set: the next full pass checks it
  wb_.CurrentError = FullError();
  HoldFullPassRates();
}

void OneChangeFrame::End(int e) {
  if (!wb_.Form1.NoGTPBox.Checked()) CallRunEnded(wb_);
  wb_.ParamText[4] = "Start Error = " + wb_.ResultText + "   End Error = " + FormatFixed(wb_.CurrentError, 4);
  ExportWeightMatrixAtRunEnd(wb_);
  wb_.NumOfEpochs = e - 1;
}

}  // namespace wl
