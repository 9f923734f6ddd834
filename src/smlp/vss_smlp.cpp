#include "smlp/vss_smlp.h"

#include <fstream>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "smlp/single_class.h"
#include "smlp/smlp_driver.h"
#include "state/report_opener.h"
#include "state/workbench.h"
#include "training/one_change.h"

namespace wl {

namespace {

int OneHotWidth(const Workbench& wb) {
  int n = 0;
  for (const TFeature& f : wb.Features) n += f.NValues;
  return n;
}

// Steps 3 and 4 of the conversion: the perceptron's hidden weights (inputs, then the threshold) are
// copied aside and the single-class SMLP of CurrentClass is built with as many hidden neurons.
std::vector<std::vector<double>> BuildFromPerceptron(Workbench& wb) {
  std::vector<std::vector<double>> copy;
  for (const TNeuron& n : wb.Net[1]) copy.push_back(n.Weights);
  const int hidden = wb.Layers[1];
  // The feature file read first: a file that cannot be read leaves the perceptron a perceptron.
  ReadHiddenPerClass(wb);
  wb.NetKind = 1;
  wb.NumOfContinuous = 0;
  for (const TFeature& f : wb.Features)
    if (f.Kind == 'c') ++wb.NumOfContinuous;
  wb.HiddenPerClass.assign(static_cast<std::size_t>(wb.NumOfClasses), 0);
  wb.HiddenPerClass[static_cast<std::size_t>(wb.CurrentClass)] = hidden;
  BuildSMLPNetwork(wb);
  wb.CurrentNeuron = StrToInt(Trim(wb.Form1.CurrentNeuronBox.Text()));
  return copy;
}

// Step 6: the rounded weights and thresholds.
void RoundWeights(Workbench& wb, const std::vector<std::vector<double>>& copy, double p) {
  const auto l0 = static_cast<std::size_t>(wb.Layers[0]);
  for (std::size_t h = 0; h < wb.Net[1].size() && h < copy.size(); ++h) {
    std::vector<double>& w = wb.Net[1][h].Weights;
    for (std::size_t i = 0; i < l0; ++i) w[i] = VSSSMLPWeight(copy[h][i], p);
    w[l0] = VSSSMLPThreshold(copy[h][l0], p);
  }
}

// The refusal of VSSSMLPRefusal, for a network read before the class box.
std::string CheckClass(const Workbench& wb) {
  const int c = wb.Form1.CurrentClassBox.ItemIndex() - 1;
  if (c < 0)
    return "\"VSS+SMLP\" turns the perceptron into the network of one class: choose a class (not \"all\") in "
           "\"Class\".";
  if (c >= wb.NumOfClasses)
    return "The data set has no class " + IntToStr(c) + ": it has the classes 0 to " + IntToStr(wb.NumOfClasses - 1) +
           ".";
  return "";
}

}  // namespace

namespace {

const char* const kNotPerceptron =
    "\"VSS+SMLP\" converts a three-layer perceptron whose inputs are the SMLP's (one per value of every "
    "discrete feature). Train such a perceptron first (New Training on a data set of discrete features).";

}  // namespace

FieldReads VSSSMLPFieldReads(const TForm1& form) {
  FieldReads reads = {{form.pmwEdit.Text(), ReadAs::Float}, {form.CurrentNeuronBox.Text(), ReadAs::Int}};
  AddReads(reads, SMLPBuildFieldReads(form));
  return reads;
}

std::string VSSSMLPPlanRefusal(const Workbench& wb) {
  if (wb.NumOfVectors <= 0 || wb.Features.empty())
    return "No data set has been opened yet. Open a data set first (Open -> Open Training Set).";
  if (const std::string c = CheckClass(wb); !c.empty()) return c;
  // The folds build their perceptrons by the parameters on the data set's one-hot inputs.
  if (wb.NumOfLayers != 3 || wb.Form1.strbox.Checked()) return kNotPerceptron;
  for (const TFeature& f : wb.Features)
    if (f.Kind == 'c') return kNotPerceptron;
  return "";
}

std::string VSSSMLPRefusal(const Workbench& wb) {
  if (wb.NumOfVectors <= 0 || wb.Features.empty())
    return "No data set has been opened yet. Open a data set first (Open -> Open Training Set).";
  if (const std::string c = CheckClass(wb); !c.empty()) return c;
  const std::string notPerceptron = kNotPerceptron;
  if (wb.NetKind != 0 || wb.NumOfLayers != 3 || wb.Net.size() != 3 || wb.Layers.size() != 3) return notPerceptron;
  for (const TFeature& f : wb.Features)
    if (f.Kind == 'c') return notPerceptron;
  const int l0 = OneHotWidth(wb);
  if (wb.Layers[0] != l0 || wb.Net[0].size() != static_cast<std::size_t>(l0) || wb.Layers[1] < 1 ||
      wb.Net[1].size() != static_cast<std::size_t>(wb.Layers[1]))
    return notPerceptron;
  for (const TNeuron& n : wb.Net[1])
    if (n.Weights.size() < static_cast<std::size_t>(l0) + 1) return notPerceptron;
  return "";
}

double VSSSMLPWeight(double w, double p) {
  const float x = static_cast<float>(w);
  const float half = static_cast<float>(p * 0.5);
  if (x > half) return 1.0;
  if (x < -half) return -1.0;
  return 0.0;
}

double VSSSMLPThreshold(double t, double p) {
  const float x = static_cast<float>(t);
  if (x < static_cast<float>(p)) return 0.5;
  if (x < static_cast<float>(2.0 * p)) return 1.5;
  return 2.5;
}

bool RunVSSThenSMLP(Workbench& wb) {
  ReadAllFirst(VSSSMLPFieldReads(wb.Form1));
  const double p = StrToFloat(Trim(wb.Form1.pmwEdit.Text()));
  TrainOneChange(wb, 2);
  if (const std::string refusal = VSSSMLPRefusal(wb); !refusal.empty()) {
    wb.Plat.ShowMessage(refusal);
    return false;
  }
  const auto copy = BuildFromPerceptron(wb);
  RoundWeights(wb, copy, p);
  // The fold's training accuracy is that of the converted network.
  ComputeSMLPError(wb, wb.Layers[1] - 1);
  return true;
}

void VSSSMLPResults(Workbench& wb) {
  if (const std::string refusal = VSSSMLPRefusal(wb); !refusal.empty()) {
    wb.Plat.ShowMessage(refusal);
    return;
  }
  ReadAllFirst(VSSSMLPFieldReads(wb.Form1));
  const double p = StrToFloat(Trim(wb.Form1.pmwEdit.Text()));
  const auto copy = BuildFromPerceptron(wb);
  wb.SMLPRulesFileName = wb.ResultsPrefix + "_RE.txt";
  const std::size_t slash = wb.SMLPRulesFileName.find_last_of('/');
  if (slash != std::string::npos) EnsureDirectory(wb.SMLPRulesFileName.substr(0, slash));
  if (wb.SMLPRulesFile.is_open()) wb.SMLPRulesFile.close();
  wb.SMLPRulesFile.clear();
  wb.SMLPRulesFile.open(wb.SMLPRulesFileName, std::ios::binary | std::ios::trunc);
  if (!wb.SMLPRulesFile) throw FileError("Cannot write file " + wb.SMLPRulesFileName);
  struct CloseOnError {
    Workbench& wb;
    ~CloseOnError() {
      if (wb.SMLPRulesFile.is_open()) wb.SMLPRulesFile.close();
      wb.SMLPRulesFile.clear();
    }
  } closer{wb};
  wb.SMLPRulesFile << wb.DataFileName << "\n";
  RoundWeights(wb, copy, p);
  WriteSMLPRules(wb, wb.Layers[1] - 1);
  wb.SMLPRulesFile.close();
  if (wb.SMLPRulesFile.fail()) throw FileError("Cannot write file " + wb.SMLPRulesFileName);
  ShowInNotepad(wb, "notepad.exe " + wb.SMLPRulesFileName);
}

void SignFeatureWeights(std::vector<double>& weights) {
  const std::vector<double> copy = weights;
  for (std::size_t j = 1; j + 1 < copy.size(); ++j) {
    if (copy[j - 1] == -1.0 && copy[j + 1] == -1.0) weights[j] = -1.0;
    if (copy[j - 1] == 1.0 && copy[j + 1] == 1.0) weights[j] = 1.0;
  }
}

void SignFirstLayerWeights(Workbench& wb) {
  if (wb.Net.size() < 2 || wb.Net[1].empty()) return;
  std::vector<double>& w = wb.Net[1][0].Weights;
  std::size_t offset = 0;
  for (const TFeature& f : wb.Features) {
    const auto n = static_cast<std::size_t>(std::max(0, f.NValues));
    if (offset + n > w.size()) break;  // inputs the neuron does not have
    std::vector<double> values(w.begin() + static_cast<std::ptrdiff_t>(offset),
                               w.begin() + static_cast<std::ptrdiff_t>(offset + n));
    SignFeatureWeights(values);
    std::copy(values.begin(), values.end(), w.begin() + static_cast<std::ptrdiff_t>(offset));
    offset += n;
  }
}

}  // namespace wl
