#include "smlp/smlp_enumeration.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/numfmt.h"
#include "smlp/lunit_net.h"
#include "smlp/smlp_network.h"
#include "state/hooks.h"
#include "state/workbench.h"
#include "training/prepare_run.h"

namespace wl {

namespace {

constexpr int kUnits = 4;   // hidden units enumerated
constexpr int kInputs = 4;  // input weights of each
constexpr std::int64_t kTernaryBlock = 1594323;  // 3^13: networks per value of hidden unit 0's third weight
constexpr std::int64_t kBinarySweep = 1048576;   // 4 * 64^3: one sweep of hidden unit 0's threshold loop
constexpr std::int64_t kPumpEvery = 4096;        // networks between two paints of the windows

void Show(Edit& e, const std::string& text) {
  e.SetText(text);
  e.Repaint();
}

void StartTexts(Workbench& wb) {
  TForm1& f = wb.Form1;
  Show(f.ge, " ");
  Show(f.ep, "0 mln searched");
  Show(f.EditSuccess, "0 found");
  Show(f.TrainingEdit, " ");
}

std::string Millions(double n, int precision, int digits) { return FixedDisplayText(n * 1e-6, precision, digits); }

// The one hit report of a run: each hit's result report (mode 5, which rewrites its file) is written to a
// scratch file and appended here, so that every hit's report is kept. Created at the first hit.
class HitReport {
 public:
  explicit HitReport(Workbench& wb)
      : wb_(wb), path_(wb.ResultsPrefix + (wb.WeightedError ? "_rn" : "_rs") + "-trn.txt"),
        scratch_(wb.ResultsPrefix + "_hit.txt") {}
  ~HitReport() {
    if (out_.is_open()) out_.close();
  }
  HitReport(const HitReport&) = delete;
  HitReport& operator=(const HitReport&) = delete;

  void Add() {
    wb_.ResultsFileName = scratch_;
    const bool written = CallWriteResultFile(wb_, 5);
    wb_.ResultsFileName.clear();
    if (!written) return;
    if (!out_.is_open()) {
      out_.open(path_, std::ios::binary | std::ios::trunc);
      if (!out_) throw FileError("Cannot write file " + path_);
    }
    {
      std::ifstream in(scratch_, std::ios::binary);
      if (!in) throw FileError("Cannot read file " + scratch_);
      out_ << in.rdbuf();
    }
    out_.flush();
    if (!out_) throw FileError("Cannot write file " + path_);
    std::remove(scratch_.c_str());
  }

  void Close() {
    if (!out_.is_open()) return;
    out_.close();
    if (!out_) throw FileError("Cannot write file " + path_);
  }

 private:
  Workbench& wb_;
  std::string path_, scratch_;
  AtomicOfstream out_{AtomicOfstream::RunLog};  // the hits found so far when an error ends the run
};

// Weight k of hidden unit `unit`.
double& InputWeight(Workbench& wb, int unit, int k) { return wb.Net[1][static_cast<std::size_t>(unit)].Weights[static_cast<std::size_t>(k)]; }

}  // namespace

namespace {

std::string ShapeRefusal(int inputs, int hidden, const char* caption) {
  if (inputs >= kInputs && hidden >= kUnits) return "";
  return std::string("\"") + caption + "\" needs a network of at least four inputs and four hidden neurons; this one has " +
         IntToStr(inputs) + (inputs == 1 ? " input" : " inputs") + " and " + IntToStr(hidden) +
         (hidden == 1 ? " hidden neuron." : " hidden neurons.");
}

}  // namespace

std::string EnumerationRefusal(const Workbench& wb, const char* caption) {
  return ShapeRefusal(wb.Layers.size() > 1 ? wb.Layers[0] : 0, wb.Layers.size() > 1 ? wb.Layers[1] : 0, caption);
}

std::string EnumerationBuildRefusal(const Workbench& wb, const char* caption) {
  if (wb.LUnitsMode == 1) return ShapeRefusal(LUnitInputCount(wb), kLUnitHiddenPerClass * wb.NumOfClasses, caption);
  int inputs = 0, hidden = 0;
  for (const TFeature& f : wb.Features) inputs += f.NValues;
  for (int c = 0; c < wb.NumOfClasses && static_cast<std::size_t>(c) < wb.HidPerOut.size(); ++c)
    hidden += wb.HidPerOut[static_cast<std::size_t>(c)];
  return ShapeRefusal(inputs, hidden, caption);
}

std::string EnumerationPlanRefusal(const Workbench& wb, const char* caption) {
  const int classes = wb.NumOfClasses;
  const int perClass = classes > 0 && !wb.HidPerOut.empty() ? wb.HidPerOut[0] : 0;
  const int hidden = classes * perClass;
  bool continuous = false;
  int inputs = 0;
  for (const TFeature& f : wb.Features) {
    continuous = continuous || f.Kind == 'c';
    inputs += f.NValues;
  }
  const bool fewInputs = !continuous && inputs < kInputs;
  if (!fewInputs && hidden >= kUnits) return "";
  std::string text = std::string("\"") + caption + "\" needs a network of at least four inputs and four hidden neurons; the SMLP of " +
                     "this data set would have ";
  if (!continuous) text += IntToStr(inputs) + (inputs == 1 ? " input and " : " inputs and ");
  text += IntToStr(hidden) + (hidden == 1 ? " hidden neuron" : " hidden neurons") + " (" + IntToStr(perClass) +
          " per class).";
  if (hidden < kUnits) text += " Set more hidden neurons per class.";
  return text;
}

bool ExhaustiveTernarySearch(Workbench& wb) {
  if (const std::string refusal = EnumerationRefusal(wb, "OldPlot"); !refusal.empty()) {
    wb.Plat.ShowMessage(refusal);
    return false;
  }
  TForm1& f = wb.Form1;
  StartTexts(wb);
  HitReport report(wb);
  static const double kValues[3] = {-1.0, 0.0, 1.0};
  // An odometer over the 16 weights, position 0 (hidden unit 0, weight 0) outermost.
  constexpr int kPositions = kUnits * kInputs;
  std::array<int, kPositions> digit{};
  std::array<double*, kPositions> weight{};
  for (int p = 0; p < kPositions; ++p) {
    weight[p] = &InputWeight(wb, p / kInputs, p % kInputs);
    *weight[p] = kValues[0];
  }
  std::int64_t evaluated = 0;
  int hits = 0;
  for (;;) {
    if (evaluated % kTernaryBlock == 0) Show(f.ep, Millions(static_cast<double>(evaluated), 6, 2) + " mln searched");
    const double e = EvaluateNetwork(wb);
    ++evaluated;
    wb.ErrorEvaluations = static_cast<double>(evaluated);
    if (e < 0.1) {
      report.Add();
      ++hits;
      Show(f.EditSuccess, IntToStr(hits) + " found");
    }
    if (evaluated % kPumpEvery == 0) wb.Plat.ProcessEvents();
    int p = kPositions - 1;
    while (p >= 0 && digit[p] == 2) {
      digit[p] = 0;
      *weight[p] = kValues[0];
      --p;
    }
    if (p < 0) break;
    *weight[p] = kValues[++digit[p]];
  }
  // The last network enumerated stays: every weight 1.0.
  for (int p = 0; p < kPositions; ++p) *weight[p] = kValues[2];
  report.Close();
  return true;
}

int SearchCandidates(Workbench& wb, int n) {
  TForm1& f = wb.Form1;
  StartTexts(wb);
  HitReport report(wb);
  static const double kWeights[2] = {0.0, 1.0};
  static const double kThresholds[4] = {-0.5, 0.5, 1.5, 2.5};
  // An odometer over 20 positions: per hidden unit its weights 0 .. 3, then Weights[4]; unit 0 outermost.
  constexpr int kPerUnit = kInputs + 1;
  constexpr int kPositions = kUnits * kPerUnit;
  std::array<int, kPositions> digit{};
  std::array<double*, kPositions> weight{};
  std::array<const double*, kPositions> values{};
  std::array<int, kPositions> last{};
  for (int p = 0; p < kPositions; ++p) {
    const int k = p % kPerUnit;
    weight[p] = &InputWeight(wb, p / kPerUnit, k);
    values[p] = k < kInputs ? kWeights : kThresholds;
    last[p] = k < kInputs ? 1 : 3;
    *weight[p] = values[p][0];
  }
  const std::size_t l1 = static_cast<std::size_t>(wb.Layers[1]);
  const std::size_t width = static_cast<std::size_t>(wb.Layers[0]) + 1;
  std::int64_t evaluated = 0;
  int hits = 0;
  for (;;) {
    const double e = EvaluateNetwork(wb);
    ++evaluated;
    wb.ErrorEvaluations = static_cast<double>(evaluated);
    if (e < 3.1) {
      report.Add();
      ++hits;
      Show(f.EditSuccess, IntToStr(hits) + " found");
      if (static_cast<std::size_t>(hits) <= wb.EnumCandidates.size()) {
        SmlpState::TEnumCandidate& slot = wb.EnumCandidates[static_cast<std::size_t>(hits - 1)];
        slot.Weights.resize(l1 * width);
        for (std::size_t j = 0; j < l1; ++j)
          for (std::size_t i = 0; i < width; ++i) slot.Weights[j * width + i] = wb.Net[1][j].Weights[i];
      }
      if (hits >= n) break;
    }
    if (evaluated % kBinarySweep == 0) {
      Show(f.ep, Millions(static_cast<double>(evaluated), 6, 2) + " mln searched");
      Show(f.EditSuccess, Millions(hits, 7, 5) + " mln found");
    }
    if (evaluated % kPumpEvery == 0) wb.Plat.ProcessEvents();
    int p = kPositions - 1;
    while (p >= 0 && digit[p] == last[p]) {
      digit[p] = 0;
      *weight[p] = values[p][0];
      --p;
    }
    if (p < 0) {
      // The last network enumerated stays.
      for (int q = 0; q < kPositions; ++q) *weight[q] = values[q][last[q]];
      break;
    }
    *weight[p] = values[p][++digit[p]];
  }
  report.Close();
  return hits;
}

void EvalAccuracyAndMark(Workbench& wb, int slot) {
  SmlpState::TEnumCandidate& c = wb.EnumCandidates.at(static_cast<std::size_t>(slot));
  const int classes = wb.NumOfClasses;
  c.ClassFlags.assign(static_cast<std::size_t>(std::max(0, classes)), 0);
  const std::vector<TNeuron>& out = wb.Net.back();
  const int outputs = static_cast<int>(out.size());
  std::array<double, 64> y{};
  if (outputs > static_cast<int>(y.size())) throw WlError("Too many outputs for the enumeration.");
  int correct = 0;
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    ForwardSMLP(wb, v);
    for (int o = 0; o < outputs; ++o) y[static_cast<std::size_t>(o)] = out[static_cast<std::size_t>(o)].Signal;
    const int cls = wb.VectorClass[static_cast<std::size_t>(v)];
    const bool right = StepPrediction(y.data(), outputs) == cls;
    if (cls >= 0 && cls < classes) c.ClassFlags[static_cast<std::size_t>(cls)] = right ? 1 : 0;
    if (right) ++correct;
  }
  if (wb.NumOfVectors == 0) throw FloatError("Invalid floating point operation: the accuracy of an empty data set (0 / 0)");
  wb.SuccessRate = static_cast<double>(correct) / wb.NumOfVectors;
  wb.ErrorEvaluations += 1;
}

void CombineCandidates(Workbench& wb, int hits) {
  const std::size_t width = static_cast<std::size_t>(wb.Layers[0]) + 1;
  for (int s = 0; s < hits && static_cast<std::size_t>(s) < wb.EnumCandidates.size(); ++s) {
    const std::vector<double>& w = wb.EnumCandidates[static_cast<std::size_t>(s)].Weights;
    for (std::size_t j = 0; j < wb.Net[1].size() && (j + 1) * width <= w.size(); ++j)
      for (std::size_t i = 0; i < width; ++i) wb.Net[1][j].Weights[i] = w[j * width + i];
    EvalAccuracyAndMark(wb, s);
  }
}

bool AllNeuronsTwoChanges(Workbench& wb) {
  if (const std::string refusal = EnumerationRefusal(wb, "NewPlot"); !refusal.empty()) {
    wb.Plat.ShowMessage(refusal);
    return false;
  }
  wb.EnumCandidates.assign(8, {});
  const int hits = SearchCandidates(wb, 8);
  CombineCandidates(wb, hits);
  return true;
}

}  // namespace wl
