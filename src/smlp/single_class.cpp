#include "smlp/single_class.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <utility>

#include "model/data_file.h"
#include "model/run_status.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/field_reads.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/rounding.h"
#include "smlp/smlp_driver.h"
#include "smlp/step_rules.h"
#include "state/analysis_shapes.h"
#include "state/hooks.h"
#include "state/report_opener.h"
#include "state/workbench.h"
#include "training/prepare_run.h"

namespace wl {

namespace {

std::string Fixed0(double x) { return FixedDisplayText(x, 12, 0); }
std::string Rate(double x) { return FixedDisplayText(x, 7, 5); }

// The start of a search: the epochs, the clock, the start error and the displays.
class SearchRun {
 public:
  SearchRun(Workbench& wb, int last) : wb_(wb) {
    wb.NumOfEpochs = StrToInt(Trim(wb.Form1.EpochEditT2.Text()));
    start_ = MonotonicMs();
    wb.CurrentError = ComputeSMLPError(wb, last);
    bestRate_ = wb.SuccessRate;
    wb.StopError *= wb.CurrentError;
    wb.ResultText = Fixed0(wb.CurrentError);
    wb.Form1.ge.SetText("- / " + wb.ResultText);
    wb.Form1.ge.Repaint();
  }

  // The acceptance test of a trial whose error is NewError and success rate SuccessRate.
  bool Accept() {
    if (!(wb_.NewError < wb_.CurrentError && wb_.WorthChanging * bestRate_ < wb_.SuccessRate)) return false;
    bestRate_ = wb_.SuccessRate;
    wb_.CurrentError = wb_.NewError;
    return true;
  }

  // S2 mode 0 stores the pairs that lower the error; the worth test alone then decides on CurrentError.
  bool PassesWorth() {
    if (!(wb_.WorthChanging * bestRate_ < wb_.SuccessRate)) return false;
    bestRate_ = wb_.SuccessRate;
    wb_.CurrentError = wb_.NewError;
    return true;
  }

  void Show(const std::string& ep, double rate) {
    TForm1& f = wb_.Form1;
    f.ep.SetText(ep);
    f.ep.Repaint();
    f.ge.SetText(Fixed0(wb_.CurrentError) + " / " + wb_.ResultText);
    f.ge.Repaint();
    f.EditSuccess.SetText(Rate(rate));
    f.EditSuccess.Repaint();
  }

  // The final state: the held network's error and success rate; the run's time.
  void Finish(bool showTime) {
    wb_.ElapsedTime = MonotonicMs() - start_;
    Show("  ", bestRate_);
    if (showTime) {
      wb_.Form1.TrainingEdit.SetText(FixedDisplayText(static_cast<double>(wb_.ElapsedTime) / 1000.0, 12, 2) + "s");
      wb_.Form1.TrainingEdit.Repaint();
    }
  }

 private:
  Workbench& wb_;
  std::int64_t start_ = 0;
  double bestRate_ = 0.0;
};

int InputCount(const Workbench& wb) {
  int l0 = 0;
  for (int f = 0; f < wb.NumOfFeatures; ++f) l0 += wb.Features[static_cast<std::size_t>(f)].NValues;
  return l0;
}

}  // namespace

bool HasSingleClassNetwork(const Workbench& wb) {
  // Every weight the rules and the evaluation read, for the inputs of the data set in memory.
  return wb.SingleClassNet && SingleClassShapeHolds(wb) && wb.Layers[0] == InputCount(wb) && wb.NumOfVectors > 0;
}

namespace {

// The hidden neuron the trainers work on, of a network of `hidden` hidden neurons, or -1 after a message.
int ChosenNeuron(Workbench& wb, int hidden) {
  const int n = StrToInt(Trim(wb.Form1.CurrentNeuronBox.Text()));
  if (n < 0 || n >= hidden) {
    wb.Plat.ShowMessage("The neuron " + IntToStr(n) + " does not exist: the network has hidden neurons 0 to " +
                        IntToStr(hidden - 1) + ".");
    return -1;
  }
  return n;
}
int ChosenNeuron(Workbench& wb) { return ChosenNeuron(wb, wb.Layers[1]); }

void OpenRulesFile(Workbench& wb, const std::string& suffix) {
  wb.SMLPRulesFileName = wb.ResultsPrefix + suffix;
  const std::size_t slash = wb.SMLPRulesFileName.find_last_of('/');
  if (slash != std::string::npos) EnsureDirectory(wb.SMLPRulesFileName.substr(0, slash));
  if (wb.SMLPRulesFile.is_open()) wb.SMLPRulesFile.close();
  wb.SMLPRulesFile.clear();
  wb.SMLPRulesFile.open(wb.SMLPRulesFileName, std::ios::binary | std::ios::trunc);
  if (!wb.SMLPRulesFile) throw FileError("Cannot write file " + wb.SMLPRulesFileName);
  wb.SMLPRulesFile << wb.DataFileName << "\n";
}

void CloseAndShowRules(Workbench& wb) {
  wb.SMLPRulesFile.close();
  if (wb.SMLPRulesFile.fail()) throw FileError("Cannot write file " + wb.SMLPRulesFileName);
  ShowInNotepad(wb, "notepad.exe " + wb.SMLPRulesFileName);
}

}  // namespace

FieldReads SMLPBuildFieldReads(const TForm1& form) { return {{form.Out2WEdit.Text(), ReadAs::Int}}; }

void BuildSMLPNetwork(Workbench& wb) {
  TForm1& form = wb.Form1;
  ReadAllFirst(SMLPBuildFieldReads(form));
  const int l0 = InputCount(wb);
  const int l1 = wb.HiddenPerClass[static_cast<std::size_t>(wb.CurrentClass)];
  wb.NumOfLayers = 3;
  wb.Layers = {l0, l1, 1};
  form.Label55.SetCaption("Vectors= " + IntToStr(wb.NumOfVectors) + "   L0= " + IntToStr(l0) + "   L1= " +
                          IntToStr(l1) + "   L2= " + IntToStr(wb.NumOfClasses));
  form.Label55.Repaint();

  wb.Net.assign(3, {});
  wb.Net[0].resize(static_cast<std::size_t>(l0));
  for (TNeuron& n : wb.Net[0]) n.Weights.assign(1, 1.0);
  wb.Net[1].resize(static_cast<std::size_t>(l1));
  for (TNeuron& n : wb.Net[1]) {
    n.Weights.assign(static_cast<std::size_t>(l0) + 1, 0.0);
    n.OldWeights.assign(static_cast<std::size_t>(l0) + 1, 0.0);
  }
  wb.Net[2].resize(1);
  wb.Net[2][0].Weights.assign(static_cast<std::size_t>(l1) + 1, 0.0);
  wb.Net[2][0].OldWeights.assign(static_cast<std::size_t>(l1) + 1, 0.0);
  wb.ParamText[1] = "Initial   weights = 0, hid.bias = " + form.HidBEdit.Text() + "   out.bias = " + form.OutBEdit.Text();

  if (form.Rinit.Checked()) {
    wb.Rng.Randomize(wb.Plat.MillisecondsOfDay());
    for (TNeuron& n : wb.Net[1])
      for (int i = 0; i < l0; ++i) n.Weights[static_cast<std::size_t>(i)] = static_cast<double>(1 - wb.Rng.Below(3));
  }
  for (TNeuron& n : wb.Net[1]) n.Weights[static_cast<std::size_t>(l0)] = wb.HidBias;
  const double out2 = static_cast<double>(StrToInt(Trim(form.Out2WEdit.Text())));
  std::vector<double>& ow = wb.Net[2][0].Weights;
  ow[0] = 1.0;
  for (int h = 1; h < l1; ++h) ow[static_cast<std::size_t>(h)] = out2;
  ow[static_cast<std::size_t>(l1)] = wb.OutBias;

  wb.LayerInputs = {l0, l1, 0, 0};
  wb.NumOfWeights = l1 * (l0 + 1) + l1 + 1;
  wb.InputFeature.assign(static_cast<std::size_t>(l0), 0);
  wb.InputValue.assign(static_cast<std::size_t>(l0), 0);
  int i = 0;
  for (int f = 0; f < wb.NumOfFeatures; ++f)
    for (int j = 0; j < wb.Features[static_cast<std::size_t>(f)].NValues; ++j, ++i) {
      wb.InputFeature[static_cast<std::size_t>(i)] = f;
      wb.InputValue[static_cast<std::size_t>(i)] = j;
    }
  wb.FeatureValueCount.resize(static_cast<std::size_t>(wb.NumOfFeatures));
  for (int f = 0; f < wb.NumOfFeatures; ++f) wb.FeatureValueCount[static_cast<std::size_t>(f)] = wb.Features[f].NValues;
  wb.ActiveInputs.resize(std::max(wb.ActiveInputs.size(), static_cast<std::size_t>(wb.NumOfFeatures)));
  wb.NetType = 3;
  wb.NetKind = 1;
  wb.LUnitsMode = 0;
  wb.SingleClassNet = true;
  ++wb.SMLPBuilds;
}

void SMLPForward(Workbench& wb, int v, int last) {
  const double* row = wb.Data[static_cast<std::size_t>(v)].data();
  std::vector<TNeuron>& in = wb.Net[0];
  int* active = wb.ActiveInputs.data();
  int nActive = 0;
  int offset = 0;
  for (int f = 0; f < wb.NumOfFeatures; ++f) {
    const TFeature& feat = wb.Features[static_cast<std::size_t>(f)];
    const int known = std::min(feat.NValues, static_cast<int>(feat.Values.size()));
    for (int k = 0; k < feat.NValues; ++k) {
      const bool hot = k < known && row[f] == feat.Values[static_cast<std::size_t>(k)];
      in[static_cast<std::size_t>(offset + k)].Signal = hot ? 1.0 : 0.0;
      if (hot) active[nActive++] = offset + k;
    }
    offset += feat.NValues;
  }
  const int l0 = wb.Layers[0];
  std::vector<TNeuron>& hid = wb.Net[1];
  const double* ow = wb.Net[2][0].Weights.data();
  double out = 0.0;
  for (int h = 0; h <= last; ++h) {
    const double* w = hid[static_cast<std::size_t>(h)].Weights.data();
    double sum = 0.0;
    for (int a = 0; a < nActive; ++a) sum += w[active[a]];
    const double s = sum > w[l0] ? 1.0 : 0.0;
    hid[static_cast<std::size_t>(h)].Signal = s;
    out += s * ow[h];
  }
  wb.Net[2][0].Signal = out > 0.5 ? 1.0 : 0.0;
}

double ComputeSMLPError(Workbench& wb, int last) {
  if (wb.NumOfVectors <= 0) throw FloatError("The data set has no vectors.");
  wb.Plat.Pulse(wb.NumOfVectors);
  if (!HasSingleClassNetwork(wb) || last >= wb.Layers[1])
    throw WlError("The network does not fit the data set: build it anew (SMLP Training).");
  // One slot per input: a feature whose list holds a value twice makes two of its inputs hot.
  const auto inputs = static_cast<std::size_t>(std::max(0, wb.Layers[0]));
  if (wb.ActiveInputs.size() < std::max(inputs, wb.Features.size()))
    wb.ActiveInputs.resize(std::max(inputs, wb.Features.size()));
  const auto nv = static_cast<std::size_t>(wb.NumOfVectors);
  if (wb.VectorCorrect.size() < nv) wb.VectorCorrect.resize(nv);
  wb.ClassCorrectCount.assign(static_cast<std::size_t>(std::max(0, wb.NumOfClasses)), 0);
  wb.WeightedCorrect = 0.0;
  wb.CountTPT = wb.CountNPN = wb.CountTPN = wb.CountNPT = 0;
  const bool weighted = wb.Form1.WeightedErrorBox.Checked();
  int correct = 0;
  double error = 0.0;
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    SMLPForward(wb, v, last);
    const int cls = wb.VectorClass[static_cast<std::size_t>(v)];
    const bool ofClass = cls == wb.CurrentClass;
    const double out = wb.Net[2][0].Signal;
    double y = ofClass ? 1.0 - out : out;
    const double vw = wb.VectorWeight.size() > static_cast<std::size_t>(v) ? wb.VectorWeight[v] : 1.0;
    if (y <= 0.5) {
      wb.WeightedCorrect += vw;
      wb.VectorCorrect[static_cast<std::size_t>(v)] = 1;
      if (cls >= 0 && cls < wb.NumOfClasses) ++wb.ClassCorrectCount[static_cast<std::size_t>(cls)];
      ++correct;
      ++(ofClass ? wb.CountTPT : wb.CountNPN);
    } else {
      wb.VectorCorrect[static_cast<std::size_t>(v)] = 0;
      ++(ofClass ? wb.CountTPN : wb.CountNPT);
    }
    if (weighted) y *= vw;
    error += y;
  }
  if (wb.InCrossvalidation && wb.TestingMode) {
    const auto k = static_cast<std::size_t>(wb.CVIndex);
    auto add = [k](std::vector<double>& acc, double x) {
      if (k < acc.size()) acc[k] += x;
    };
    add(wb.CVCorrect, correct);
    add(wb.CVWeightedCorrect, wb.WeightedCorrect);
    add(wb.CVTruePredT, wb.CountTPT);
    add(wb.CVNegPredN, wb.CountNPN);
    add(wb.CVTruePredN, wb.CountTPN);
    add(wb.CVNegPredT, wb.CountNPT);
  }
  wb.WeightedCorrect /= wb.NumOfVectors;
  wb.NumOfCorrect = correct;
  wb.SuccessRate = static_cast<double>(correct) / wb.NumOfVectors;
  wb.TestSuccessRate = wb.SuccessRate;
  return error;
}

void TrainNeuronS1(Workbench& wb, int n) {
  TForm1& form = wb.Form1;
  SearchRun run(wb, n);
  const bool upgradeBias = form.UpgradeBiasBox.Checked();
  const bool onlyPositive = form.OnlyPositiveBox.Checked();
  std::vector<double>& w = wb.Net[1][static_cast<std::size_t>(n)].Weights;
  const auto threshold = static_cast<std::size_t>(wb.Layers[0]);
  for (int epoch = 1; epoch <= wb.NumOfEpochs; ++epoch) {
    int input = 0;
    for (int f = 0; f < wb.NumOfFeatures; ++f) {
      const int values = wb.Features[static_cast<std::size_t>(f)].NValues;
      std::string text = "N";
      text += IntToStr(n) + "  " + IntToStr(f);
      run.Show(text, wb.SuccessRate);
      const bool on = static_cast<std::size_t>(f) < wb.FeatureMask.size() && wb.FeatureMask[f] == 1;
      for (int j = 0; on && j < values; ++j) {
        double& weight = w[static_cast<std::size_t>(input + j)];
        const double w0 = weight;
        double change = 0.0;
        weight = w0 + 1.0;
        if (upgradeBias) w[threshold] = 0.5;
        wb.NewError = ComputeSMLPError(wb, n);
        if (run.Accept()) change = 1.0;
        if (!onlyPositive) {
          weight = w0 - 1.0;
          if (upgradeBias) w[threshold] = -0.5;
          wb.NewError = ComputeSMLPError(wb, n);
          if (run.Accept()) change = -1.0;
        }
        weight = w0 + change;
        if (wb.CurrentError < 0.5) break;
      }
      input += values;
    }
    if (wb.CurrentError < 0.5) break;
  }
  if (upgradeBias && w[threshold] > 1.0) w[threshold] -= 1.0;
  run.Finish(true);
}

void SortPairCandidates(std::vector<TPairCandidate>& c, int count) {
  for (int m = 0; m < count; ++m)
    for (int k = 0; k < count; ++k)
      if (c[static_cast<std::size_t>(m)].Rate > c[static_cast<std::size_t>(k)].Rate)
        std::swap(c[static_cast<std::size_t>(m)], c[static_cast<std::size_t>(k)]);
}

void TrainNeuronS2(Workbench& wb, int last, int mode) {
  SearchRun run(wb, last);
  std::vector<double>& w = wb.Net[1][static_cast<std::size_t>(wb.CurrentNeuron)].Weights;
  const auto l0 = static_cast<std::size_t>(wb.Layers[0]);
  if (wb.PairCandidates.size() < l0 * l0) wb.PairCandidates.resize(l0 * l0);
  int count = 0;
  std::vector<int> first(static_cast<std::size_t>(wb.NumOfFeatures) + 1, 0);  // each feature's first input
  for (int f = 0; f < wb.NumOfFeatures; ++f) first[f + 1] = first[f] + wb.Features[f].NValues;
  auto mask = [&wb](int f) { return static_cast<std::size_t>(f) < wb.FeatureMask.size() ? wb.FeatureMask[f] : 0; };
  bool done = false;
  for (int epoch = 1; epoch <= wb.NumOfEpochs && !done; ++epoch) {
    for (int f1 = 0; f1 < wb.NumOfFeatures && !done; ++f1) {
      for (int v1 = 0; v1 < wb.Features[f1].NValues && !done; ++v1) {
        const int i = first[f1] + v1;
        std::string text = "N";
        text += IntToStr(wb.CurrentNeuron) + "  " + IntToStr(f1) + "  " + IntToStr(v1);
        run.Show(text, wb.SuccessRate);
        for (int f2 = 0; f2 < f1 && !done; ++f2) {
          if (mask(f1) == 0 || mask(f2) == 0) continue;
          for (int v2 = 0; v2 < wb.Features[f2].NValues && !done; ++v2) {
            const int j = first[f2] + v2;
            const double wi = w[i], wj = w[j];
            w[i] = wi + 1.0;
            w[j] = wj + 1.0;
            wb.NewError = ComputeSMLPError(wb, last);
            bool kept = false;
            if (wb.NewError < wb.CurrentError) {
              if (mode == 0) {
                if (static_cast<std::size_t>(count) == wb.PairCandidates.size())
                  wb.PairCandidates.resize(std::max<std::size_t>(1, 2 * wb.PairCandidates.size()));
                wb.PairCandidates[static_cast<std::size_t>(count++)] = {wb.NewError, wb.SuccessRate, w[i], w[j], i, j};
              }
              kept = run.PassesWorth();
            }
            if (mode != 1 || !kept) {
              w[i] = wi;
              w[j] = wj;
            }
            if (wb.CurrentError < 0.5) done = true;
          }
        }
      }
    }
  }
  if (mode == 0 && count > 0) {
    SortPairCandidates(wb.PairCandidates, count);
    const TPairCandidate& best = wb.PairCandidates[0];
    w[static_cast<std::size_t>(best.InputI)] = best.WeightI;
    w[static_cast<std::size_t>(best.InputJ)] = best.WeightJ;
  }
  run.Finish(false);
}

void SMLPTrainNewWeights(Workbench& wb, int F) {
  const std::string logName = wb.ResultsPrefix + "_WC.txt";
  const std::size_t slash = logName.find_last_of('/');
  if (slash != std::string::npos) EnsureDirectory(logName.substr(0, slash));
  AtomicOfstream log(logName, std::ios::binary | std::ios::trunc, AtomicOfstream::RunLog);
  if (!log) throw FileError("Cannot write file " + logName);
  wb.OptMet = 1;
  SearchRun run(wb, 0);
  wb.ParamText[7] = "SLMP-1ch ";
  const auto entries = static_cast<std::size_t>(std::max(0, wb.NumOfEpochs + 1));
  wb.StepRateHistory.assign(entries, 0.0);
  wb.StepErrorHistory.assign(entries, 0.0);
  auto mask = [&wb](int f) { return static_cast<std::size_t>(f) < wb.FeatureMask.size() ? wb.FeatureMask[f] : 0; };
  for (int epoch = 1; epoch <= wb.NumOfEpochs; ++epoch) {
    for (int k = 0; k < wb.Layers[1]; ++k) {
      std::vector<double>& w = wb.Net[1][static_cast<std::size_t>(k)].Weights;
      int i = 0;
      for (int f = 0; f < wb.NumOfFeatures; ++f) {
        const TFeature& feat = wb.Features[static_cast<std::size_t>(f)];
        for (int j = 0; j < feat.NValues; ++j, ++i) {
          double& weight = w[static_cast<std::size_t>(i)];
          if (mask(f) == 0) weight = 0.0;
          wb.Form1.ep.SetText(IntToStr(epoch) + "/" + IntToStr(k) + "  " + feat.Name);
          wb.Form1.ep.Repaint();
          if (f != F) continue;
          const double w0 = weight;
          double change = 0.0;
          for (const double step : {1.0, -1.0}) {
            weight = w0 + step;
            wb.NewError = ComputeSMLPError(wb, 0);
            if (!run.Accept()) continue;
            change = step;
            log << "Error: " << FloatToStr(wb.CurrentError) << "    SuccessRt: " << FloatToStr(wb.SuccessRate)
                << "    N.W: " << k << "." << i << "\n";
          }
          weight = w0 + change;
        }
      }
    }
    const std::string position = wb.Form1.ep.Text();
    run.Show(position, wb.SuccessRate);
    wb.StepRateHistory[static_cast<std::size_t>(epoch)] = wb.SuccessRate;
    wb.StepErrorHistory[static_cast<std::size_t>(epoch)] = wb.CurrentError;
  }
  run.Finish(true);
  wb.ParamText[4] = "Start Error = " + wb.ResultText + "   End Error = " + FixedDisplayText(wb.CurrentError, 12, 4);
  log.close();
  if (log.fail()) throw FileError("Cannot write file " + logName);
}

void WriteSMLPRules(Workbench& wb, int last) { WriteSMLPRules(wb, last, wb.SMLPRulesFile, wb.SMLPRulesFileName); }

void WriteSMLPRules(Workbench& wb, int last, std::ostream& out, const std::string& fileName) {
  const int l0 = wb.Layers[0];
  for (int h = 0; h <= last; ++h) {
    const std::vector<double>& w = wb.Net[1][static_cast<std::size_t>(h)].Weights;
    out << "\n[Rules for Neuron nr " << h << "]\n";
    out << "bias=" << FixedDisplayText(w[static_cast<std::size_t>(l0)], 5, 2) << "\n";
    int i = 0;
    for (int f = 0; f < wb.NumOfFeatures; ++f) {
      const TFeature& feat = wb.Features[static_cast<std::size_t>(f)];
      for (int j = 0; j < feat.NValues; ++j, ++i) {
        const double x = w[static_cast<std::size_t>(i)];
        if (x == 0.0) continue;
        const std::string value = j < static_cast<int>(feat.Symbols.size()) ? feat.Symbols[j]
                                  : j < static_cast<int>(feat.Values.size()) ? FloatToStr(feat.Values[j])
                                                                             : std::string();
        out << feat.Name << (x > 0.0 ? " = " : " <> ") << value << "           " << RoundInt(x) << "\n";
      }
    }
    out << "\n";
  }
  // The rule of the class the network detects: its neurons combined as its output combines them, read
  // back to count the vectors it answers as the network does.
  if (last < wb.Layers[1] && HasSingleClassNetwork(wb)) {
    const RuleFeatures features = ValueRuleFeatures(wb, false);
    const std::string rule = RuleText(features, SingleClassRule(wb, features, last), "       or      ");
    out << "class " << wb.CurrentClass << " if    " << rule << "\n";
    out << RulesAgreementLine(SingleClassAgreement(wb, features, rule, last), wb.NumOfVectors) << "\n";
  }
  out << "\n";
  ComputeSMLPError(wb, last);
  int ok = 0;
  for (int c : wb.ClassCorrectCount) ok += c;
  out << "Standard Accuracy: " << FixedDisplayText(wb.SuccessRate, 8, 5) << "\n";
  out << "Balanced Accuracy: " << FixedDisplayText(wb.WeightedCorrect, 8, 5) << "\n";
  out << "NumOfVectors: " << wb.NumOfVectors << "\n";
  out << "  OK= " << ok << "   Failed= " << (wb.NumOfVectors - ok) << "\n";
  out << " t/pt=" << wb.CountTPT << "  n/pn=" << wb.CountNPN << "  t/pn=" << wb.CountTPN << "  n/pt=" << wb.CountNPT
      << "\n";
  if (wb.CountTPT + wb.CountTPN > 0)
    out << "Sensibility: "
        << FixedDisplayText(static_cast<double>(wb.CountTPT) / (wb.CountTPT + wb.CountTPN), 8, 5) << "\n";
  if (wb.CountNPN + wb.CountNPT > 0)
    out << "Specificity: "
        << FixedDisplayText(static_cast<double>(wb.CountNPN) / (wb.CountNPN + wb.CountNPT), 8, 5) << "\n";
  out << (wb.Form1.WeightedErrorBox.Checked() ? "maximized accuracy: balanced" : "maximized accuracy: standard")
      << "\n\n";
  if (wb.Form1.WriteDetails.Checked()) {
    out << "\n";
    for (int l = 1; l < wb.NumOfLayers; ++l)
      for (std::size_t k = 0; k < wb.Net[static_cast<std::size_t>(l)].size(); ++k) {
        const std::vector<double>& w = wb.Net[static_cast<std::size_t>(l)][k].Weights;
        for (std::size_t i = 0; i < w.size(); ++i)
          out << l << "  " << k << "  " << i << "   " << FixedDisplayText(w[i], 6, 1) << "           \n";
      }
    out << "\n";
    for (int v = 0; v < wb.NumOfVectors; ++v)
      out << v << "   " << wb.VectorClass[static_cast<std::size_t>(v)]
          << (wb.VectorCorrect[static_cast<std::size_t>(v)] == 0 ? "-" : "") << "\n";
    out << "\n";
  }
  if (!out) throw FileError("Cannot write file " + fileName);
}

namespace {

// A single-class run starts like every run: the result fields emptied, its vector count shown, its method
// named ("S1+S2" trains neuron 0 by one change and neuron 1 by two).
void StartSingleClassRunStatus(Workbench& wb) {
  const TForm1& form = wb.Form1;
  StartRunStatus(wb);
  ShowRunMethod(wb, form.GASMLPButton.Checked() ? "SMLP - S1+S2"
                                                : SMLPRunLabel(form.S2SMLPButton.Checked() ? 2 : 1, false, false));
}

}  // namespace

bool SMLPTraining(Workbench& wb, std::uint8_t mode) {
  StepNetworkLabelsKept labels(wb);
  TForm1& form = wb.Form1;
  if (!wb.InCrossvalidation) {
    if (mode != 10) {
      if (!OpenDataFile(wb, 0)) return false;
      wb.SMLPDataFileName = wb.DataFileName;
    } else {
      ReadDataFile(wb, wb.SMLPDataFileName);
    }
  }
  HourglassGuard hourglass(wb.Plat);
  wb.NetKind = 1;
  ReadHiddenPerClass(wb);
  if (wb.CurrentClass < 0 || wb.CurrentClass >= wb.NumOfClasses) {
    wb.Plat.ShowMessage("The data set has no class " + IntToStr(wb.CurrentClass) + ": it has the classes 0 to " +
                        IntToStr(wb.NumOfClasses - 1) + ".");
    return false;
  }
  wb.NumOfContinuous = 0;
  for (const TFeature& f : wb.Features)
    if (f.Kind == 'c') ++wb.NumOfContinuous;
  if (wb.NumOfContinuous > 0) {
    const int before = wb.NumOfFeatures;
    CallDiscretizeContinuousFeatures(wb, false);
    if (wb.NumOfFeatures != before) ReadHiddenPerClass(wb);
    if (static_cast<int>(wb.VectorCorrect.size()) != wb.NumOfVectors)
      wb.VectorCorrect.assign(static_cast<std::size_t>(wb.NumOfVectors), 0);
  }

  wb.HiddenPerClass.assign(static_cast<std::size_t>(wb.NumOfClasses), 0);
  int hidden = StrToInt(Trim(form.HidPerOutEdit.Text()));
  if (form.GASMLPButton.Checked()) {
    hidden = 2;
    form.HidPerOutEdit.SetText("2");
  }
  if (hidden < 1) {
    wb.Plat.ShowMessage("The network needs at least one hidden neuron: set \"Hidden class 0\" to 1 or more.");
    return false;
  }
  // The neuron is one of the network about to be built (its hidden neurons are the class's): refused
  // before the network in place is replaced.
  const int neuron = ChosenNeuron(wb, hidden);
  if (neuron < 0) return false;
  wb.HiddenPerClass[static_cast<std::size_t>(wb.CurrentClass)] = hidden;
  BuildSMLPNetwork(wb);
  wb.CurrentNeuron = neuron;
  StartSingleClassRunStatus(wb);

  if (form.FExpandBox.Checked()) {
    SMLPFeatureExpansion(wb, form.S1SMLPButton.Checked() ? 1 : 2);
    return true;
  }
  const bool rulesFile = !wb.InCrossvalidation && mode != 10;
  if (rulesFile) OpenRulesFile(wb, "_RE.txt");
  const auto l0 = static_cast<std::size_t>(wb.Layers[0]);
  wb.PairCandidates.assign(l0 * l0, TPairCandidate{static_cast<double>(wb.NumOfVectors), 0.0, 0.0, 0.0, 0, 0});

  const std::size_t thr = l0;
  if (form.GASMLPButton.Checked()) {
    wb.Net[1][0].Weights[thr] = 0.5;
    wb.CurrentNeuron = 0;
    TrainNeuronS1(wb, 0);
    if (!wb.InCrossvalidation) WriteSMLPRules(wb, 0);
    wb.Net[1][1].Weights[thr] = 1.5;
    wb.CurrentNeuron = 1;
    TrainNeuronS2(wb, 1, 0);
    TrainNeuronS2(wb, 1, 1);
    if (!wb.InCrossvalidation) WriteSMLPRules(wb, 1);
  } else if (form.S2SMLPButton.Checked()) {
    wb.Net[1][static_cast<std::size_t>(wb.CurrentNeuron)].Weights[thr] = 1.5;
    TrainNeuronS2(wb, wb.CurrentNeuron, 0);
  } else {
    TrainNeuronS1(wb, wb.CurrentNeuron);
  }
  if (!wb.InCrossvalidation) {
    if (!form.GASMLPButton.Checked()) WriteSMLPRules(wb, wb.CurrentNeuron);
    if (mode < 8) CloseAndShowRules(wb);
  }
  return true;
}

void SMLPContinue(Workbench& wb) {
  TForm1& form = wb.Form1;
  if (!HasSingleClassNetwork(wb)) {
    wb.Plat.ShowMessage("There is no single-class network to continue: run \"SMLP Training\" with a class first.");
    return;
  }
  const int neuron = ChosenNeuron(wb);
  if (neuron < 0) return;
  OpenRulesFile(wb, "_REC.txt");
  StartSingleClassRunStatus(wb);
  wb.CurrentNeuron = neuron;
  wb.Net[1][static_cast<std::size_t>(neuron)].Weights[static_cast<std::size_t>(wb.Layers[0])] =
      StrToFloat(Trim(form.HidBEdit.Text()));
  if (form.S1SMLPButton.Checked())
    TrainNeuronS1(wb, neuron);
  else if (form.S2SMLPButton.Checked())
    TrainNeuronS2(wb, neuron, 0);
  WriteSMLPRules(wb, neuron);
  CloseAndShowRules(wb);
}

}  // namespace wl
