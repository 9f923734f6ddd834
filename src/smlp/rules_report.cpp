#include "smlp/rules_report.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/create_network.h"
#include "model/data_file.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/rounding.h"
#include "smlp/lunit_net.h"
#include "smlp/single_class.h"
#include "smlp/smlp_driver.h"
#include "smlp/smlp_network.h"
#include "smlp/step_rules.h"
#include "state/report_opener.h"
#include "state/workbench.h"
#include "training/prepare_run.h"

namespace wl {

namespace {

void Line(Workbench& wb, const std::string& line) {
  if (!wb.ResultsFile.is_open()) throw FileError("No report file is open to write \"" + line + "\"");
  wb.ResultsFile << line << '\n';
  if (!wb.ResultsFile) throw FileError("Cannot write file " + wb.ResultsFilePath);
}

void OpenReport(Workbench& wb, const std::string& path) {
  if (wb.ResultsFile.is_open()) wb.ResultsFile.close();
  wb.ResultsFile.clear();
  wb.ResultsFile.open(path, std::ios::binary | std::ios::trunc);
  wb.ResultsFilePath = path;
  if (!wb.ResultsFile) throw FileError("Cannot write file " + path);
}

// Round to the nearest integer, halves to even.
int RoundToInt(double x) { return static_cast<int>(Round(x)); }

// Mlt tables keep their entries when their shape stays; table `opt` is cleared.
void SizeMlt(Workbench& wb, int opt) {
  const int classes = wb.NumOfClasses;
  const int nf = static_cast<int>(wb.Features.size());
  for (int m = 0; m < 3; ++m) {
    auto& table = wb.Mlt[static_cast<std::size_t>(m)];
    table.resize(static_cast<std::size_t>(classes));
    for (auto& perClass : table) {
      perClass.resize(static_cast<std::size_t>(nf));
      for (int f = 0; f < nf; ++f) {
        perClass[f].resize(static_cast<std::size_t>(std::max(0, StepInputCount(wb, static_cast<std::size_t>(f)))), 0);
        if (m == opt) std::fill(perClass[f].begin(), perClass[f].end(), 0);
      }
    }
  }
}

// The set the network was trained on must fit a validation set: the same features, coded alike, and the
// same classes. "" when it fits.
std::string ValidationMismatch(const Workbench& wb, const std::vector<int>& valueCounts, int classes) {
  if (wb.NumOfFeatures != static_cast<int>(valueCounts.size()))
    return "it has " + IntToStr(wb.NumOfFeatures) + " features; the network was trained on " +
           IntToStr(static_cast<std::int64_t>(valueCounts.size()));
  for (int f = 0; f < wb.NumOfFeatures; ++f) {
    const TFeature& feat = wb.Features[f];
    if (feat.Kind == 'c' || feat.NValues != valueCounts[f])
      return "feature " + IntToStr(f + 1) + " (" + Trim(feat.Name) + ") is coded otherwise than in the training set";
  }
  if (wb.NumOfClasses != classes)
    return "it has " + IntToStr(wb.NumOfClasses) + " classes; the network has " + IntToStr(classes);
  return "";
}

// The same for an L-unit network or an L-net: the features of the training set, of the same kinds.
std::string IntervalValidationMismatch(const Workbench& wb, const DataSetState& training, int classes) {
  if (wb.Features.size() != training.Features.size())
    return "it has " + IntToStr(wb.NumOfFeatures) + " features; the network was trained on " +
           IntToStr(static_cast<std::int64_t>(training.Features.size()));
  for (std::size_t f = 0; f < wb.Features.size(); ++f) {
    const TFeature& feat = wb.Features[f];
    const TFeature& was = training.Features[f];
    if (feat.Kind != was.Kind || (feat.Kind != 'c' && feat.Values != was.Values))
      return "feature " + IntToStr(static_cast<std::int64_t>(f) + 1) + " (" + Trim(feat.Name) +
             ") is coded otherwise than in the training set";
  }
  if (wb.NumOfClasses != classes)
    return "it has " + IntToStr(wb.NumOfClasses) + " classes; the network has " + IntToStr(classes);
  return "";
}

void WriteConfusionMatrix(Workbench& wb) {
  ComputeConfusionMatrix(wb);
  const int classes = static_cast<int>(wb.ConfusionMatrix.size());
  Line(wb, "    Confusion Matrix");
  Line(wb, "Predicted       Original");
  std::string head = "        ";
  for (int i = 0; i < classes; ++i) head += "     " + IntToStr(i);
  Line(wb, head);
  for (int p = 0; p <= classes; ++p) {
    std::string row = p < classes ? "   " + IntToStr(p) + "    " : std::string("   -    ");
    for (int j = 0; j < classes; ++j) row += "     " + IntToStr(wb.ConfusionMatrix[j][p]);
    Line(wb, row);
  }
}

StepRules NeuronRules(Workbench& wb);

// The section "[Rules]": each class's rule, combining its units as its output does, and the note of
// logistic units; returns the texts of the class rules as printed, for the count that reads them back.
std::vector<std::string> WriteRulesSection(Workbench& wb, const StepRules& rules) {
  Line(wb, "[Rules]");
  std::vector<std::string> texts;
  for (int c = 0; c < wb.NumOfClasses; ++c) {
    texts.push_back(RuleText(rules.Features, rules.Classes[static_cast<std::size_t>(c)], "       or      "));
    Line(wb, "class " + IntToStr(c) + " if    " + texts.back());
  }
  if (rules.Logistic) Line(wb, kLogisticRulesNote);
  if (const std::string note = IntervalRulesNote(rules.Features, wb.Normalised); !note.empty()) Line(wb, note);
  return texts;
}

// The end of each result report of Compare Rules: the rules of the network just trained and how many
// vectors they classify as the network does.
void WriteTrainedRules(Workbench& wb) {
  const StepRules rules = BuildStepRules(wb);
  Line(wb, "");
  const std::vector<std::string> texts = WriteRulesSection(wb, rules);
  Line(wb, RulesAgreementLine(StepRulesAgreement(wb, rules.Features, texts), wb.NumOfVectors));
}

// The rules, the confusion matrix, the threshold rules, the features and the success rate of a network of
// all classes.
void WriteClassRules(Workbench& wb, std::uint8_t mode) {
  TForm1& form = wb.Form1;
  const StepRules rules = NeuronRules(wb);
  const std::vector<std::string> texts = WriteRulesSection(wb, rules);
  // The threshold rules below are counted too: a vector agrees when every set of printed rules gives it
  // the network's class.
  std::vector<PrintedClassRules> printed{{texts, false}};
  if (wb.NetKind != 7)
    for (const std::vector<std::string>* lines : {&wb.ClassSumRules, &wb.ClassWeightRules}) {
      printed.push_back({{}, true});
      for (int c = 0; c < wb.NumOfClasses; ++c) {
        const std::string& line = (*lines)[static_cast<std::size_t>(c)];
        const std::size_t head = ("Class " + IntToStr(c) + " if").size();
        printed.back().Texts.push_back(line.size() > head ? line.substr(head) : std::string());
      }
    }
  Line(wb, RulesAgreementLine(StepRulesAgreement(wb, rules.Features, printed), wb.NumOfVectors));
  WriteConfusionMatrix(wb);

  if (wb.NetKind != 7) {
    for (const std::string& rule : wb.ClassSumRules) Line(wb, rule);
    Line(wb, "");
    for (const std::string& rule : wb.ClassWeightRules) Line(wb, rule);
    Line(wb, "");
    Line(wb, "Eliminated Feature = 0");
    if (wb.LUnitsMode != 7)
      for (int f = 0; f < wb.NumOfFeatures; ++f) {
        const int mask = static_cast<std::size_t>(f) < wb.FeatureMask.size() ? wb.FeatureMask[f] : 1;
        Line(wb, wb.Features[f].Name + " " + IntToStr(mask));
      }
    if (mode == 3) WriteSimplifiedRules(wb);
    EvaluateNetwork(wb);
  }
  Line(wb, "Success Rate: " + FixedDisplayText(wb.SuccessRate, 7, 5));
  Line(wb, "");
  if (form.WriteDetails.Checked()) {
    CallWriteVectorListing(wb);
  }
}

}  // namespace

std::string RuleCoefficient(int m, int count) {
  std::string coefficient = m == 1 ? "" : m == -1 ? "-" : IntToStr(m);
  if (m > 0 && count >= 2) coefficient = "+" + coefficient;
  return " " + coefficient + " ";
}

namespace {

StepRules NeuronRules(Workbench& wb) {
  const int classes = wb.NumOfClasses;
  const int nf = static_cast<int>(wb.Features.size());
  const int opt = std::clamp(wb.OptMet, 0, 2);
  StepRules rules = BuildStepRules(wb);
  wb.RuleTexts.assign(static_cast<std::size_t>(classes), {});
  for (int c = 0; c < classes; ++c) {
    wb.RuleTexts[c].assign(static_cast<std::size_t>(std::max(0, wb.HidPerOut[c])), " ");
    // Each term is the exact condition of its unit; a unit that never fires leaves its text blank.
    const auto& units = rules.Units[static_cast<std::size_t>(c)];
    for (std::size_t t = 0; t < units.size() && t < wb.RuleTexts[c].size(); ++t) {
      std::string text(1, ' ');
      text += RuleText(rules.Features, units[t]);
      wb.RuleTexts[c][t] = std::move(text);
    }
  }
  wb.ClassSumRules.assign(static_cast<std::size_t>(classes), "");
  wb.ClassWeightRules.assign(static_cast<std::size_t>(classes), "");
  SizeMlt(wb, opt);
  auto& mlt = wb.Mlt[static_cast<std::size_t>(opt)];
  // A feature's inputs: its values, or in an L-unit network or an L-net its intervals.
  std::vector<int> offset(static_cast<std::size_t>(nf) + 1, 0), slots(static_cast<std::size_t>(nf), 0);
  for (int f = 0; f < nf; ++f) {
    slots[f] = std::max(0, StepInputCount(wb, static_cast<std::size_t>(f)));
    offset[f + 1] = offset[f] + slots[f];
  }
  const std::vector<TNeuron>& hidden = wb.Net[1];

  auto weight = [&](std::size_t neuron, int index) {
    if (neuron >= hidden.size() || index < 0 || static_cast<std::size_t>(index) >= hidden[neuron].Weights.size())
      throw WlError("The SMLP network does not fit the data set. Train the network again.");
    return hidden[neuron].Weights[static_cast<std::size_t>(index)];
  };

  // The signed rule weights of the comparison table.
  if (wb.Net.size() == 3) {
    for (int c = 0; c < classes; ++c)
      for (int t = 0; t < wb.HidPerOut[c]; ++t) {
        const std::size_t neuron = static_cast<std::size_t>(t) * classes + c;
        const double outWeight = SMLPOutWeight(wb, t);
        for (int f = 0; f < nf; ++f)
          for (int v = 0; v < slots[f]; ++v)
            mlt[c][f][v] += RoundToInt(static_cast<double>(RoundToInt(weight(neuron, offset[f] + v))) * outWeight);
      }
  } else {
    // The deeper networks: one first-layer neuron per (term, class, feature), carrying that feature's values.
    std::size_t neuron = 0;
    const int terms = wb.HidPerOut.empty() ? 0 : wb.HidPerOut[0];
    for (int t = 0; t < terms; ++t)
      for (int c = 0; c < classes; ++c)
        for (int f = 0; f < nf; ++f, ++neuron)
          for (int v = 0; v < wb.Features[f].NValues; ++v) mlt[c][f][v] += RoundToInt(weight(neuron, v));
  }

  Line(wb, "");
  for (int c = 0; c < classes; ++c) Line(wb, RuleText(rules.Features, rules.Classes[static_cast<std::size_t>(c)]));
  // The threshold rules: each class's condition as its units' thresholds below their weighted sums.
  for (int c = 0; c < classes; ++c) {
    const std::string head = "Class " + IntToStr(c) + " if   ";
    wb.ClassSumRules[static_cast<std::size_t>(c)] = head + rules.SumRules[static_cast<std::size_t>(c)];
    wb.ClassWeightRules[static_cast<std::size_t>(c)] = head + rules.WeightRules[static_cast<std::size_t>(c)];
  }
  return rules;
}

}  // namespace

void WriteNeuronRules(Workbench& wb) { NeuronRules(wb); }

void WriteSimplifiedRules(Workbench& wb) {
  const int classes = wb.NumOfClasses;
  const int nf = static_cast<int>(wb.Features.size());
  SizeMlt(wb, -1);
  auto& m0 = wb.Mlt[0];
  const auto& m1 = wb.Mlt[1];
  const auto& m2 = wb.Mlt[2];
  Line(wb, "Mlt[opt_met][class][feature][value]");
  Line(wb, "");
  for (int c = 0; c < classes; ++c)
    for (int f = 0; f < nf; ++f)
      for (int v = 0; v < StepInputCount(wb, static_cast<std::size_t>(f)); ++v) {
        const int a = m1[c][f][v], b = m2[c][f][v];
        if (a == 0 && b == 0) continue;
        m0[c][f][v] = std::abs(b) < std::abs(a) ? b : a;
        const std::string at = "][" + IntToStr(c) + "][" + IntToStr(f) + "][" + IntToStr(v) + "] =";
        Line(wb, "Mlt[1" + at + IntToStr(a));
        Line(wb, "Mlt[2" + at + IntToStr(b));
        Line(wb, "Mlt[0" + at + IntToStr(m0[c][f][v]));
        Line(wb, "");
      }
  Line(wb, "Simplified Rules:");
  for (int c = 0; c < classes; ++c)
    for (int f = 0; f < nf; ++f)
      for (int v = 0; v < StepInputCount(wb, static_cast<std::size_t>(f)); ++v)
        if (m0[c][f][v] != 0)
          Line(wb, "Class " + IntToStr(c) + "   Feature[" + IntToStr(f) + "].value[" + IntToStr(v) +
                       "] = " + IntToStr(m0[c][f][v]));
}

namespace {

// The network the class rules are read from and checked against, before any line of the report is written:
// the network that NetType names, built for the set in memory (a single-class network is read by rules of
// its own).
void RequireReportedNetwork(const Workbench& wb) {
  if (!(HasSingleClassNetwork(wb) && wb.CurrentClass > -1)) RequireStepNetwork(wb);
}

}  // namespace

bool WriteRulesReport(Workbench& wb, std::uint8_t mode) {
  TForm1& form = wb.Form1;
  if (wb.Net.size() < 3 || wb.NumOfVectors <= 0 || static_cast<int>(wb.HidPerOut.size()) < wb.NumOfClasses) {
    wb.Plat.ShowMessage("No SMLP network has been trained yet. Train one first (SMLP -> 1 change).");
    return false;
  }
  wb.ListingDigits = 3;
  EnsureDirectory(wb.ProgramDir + "/results");

  if (mode == 2 || mode == 12) {
    // The set the network was trained on, put back when a validation set does not fit.
    const DataSetKept before(wb);
    if (mode == 2 && !OpenDataFile(wb, 0)) return false;
    int continuous = 0;
    for (const TFeature& f : wb.Features)
      if (f.Kind == 'c') ++continuous;
    auto restore = [&] { before.Restore(wb); };
    // An L-unit network and an L-net read the values themselves: the set is not discretized.
    if (continuous > 0 && wb.LUnitsMode == 0) {
      try {
        CallDiscretizeContinuousFeatures(wb, false);
      } catch (...) {
        restore();  // a set that cannot be labelled like the training set does not stay
        throw;
      }
    }
    const std::string mismatch = wb.LUnitsMode != 0 ? IntervalValidationMismatch(wb, before.DataSet(), wb.Layers.back())
                                                    : ValidationMismatch(wb, wb.FeatureValueCount, wb.Layers.back());
    if (!mismatch.empty()) {
      restore();
      wb.Plat.ShowMessage("The validation set does not fit the trained network: " + mismatch +
                          ". No report is written.");
      return false;
    }
    try {
      RequireReportedNetwork(wb);
    } catch (...) {
      restore();
      throw;
    }
  } else {
    RequireReportedNetwork(wb);
  }

  const bool own = mode < 11;
  if (own) {
    wb.ResultsFileName = wb.ResultsPrefix + "_RE.txt";
    OpenReport(wb, wb.ResultsFileName);
  }
  try {
    const char* scope = mode == 12 ? " (- crossvalidation)" : mode == 2 ? " (with validation Set)" : " (training set only)";
    Line(wb, wb.ParamText[0] + scope);
    wb.ParamText[6] = "Number of of Epochs = " + IntToStr(wb.NumOfEpochs);
    wb.ParamText[15] = wb.NumOfParts > 1 ? "Training set devided into " + IntToStr(wb.NumOfParts) + " parts" : "";
    for (int i = 1; i <= 19; ++i)
      if (!Trim(wb.ParamText[static_cast<std::size_t>(i)]).empty()) Line(wb, wb.ParamText[static_cast<std::size_t>(i)]);
    Line(wb, "Training Time: " + FormatFixed(static_cast<double>(wb.ElapsedTime) / 1000.0, 2) + "s");
    Line(wb, form.RecrBox.Checked() ? "Recreate network" : "NO recreate network");

    if (HasSingleClassNetwork(wb) && wb.CurrentClass > -1) {
      // The network of the last single-class run: its hidden neurons up to the one trained last.
      const int last = std::min(std::max(wb.CurrentNeuron, 0), wb.Layers[1] - 1);
      WriteSMLPRules(wb, last, wb.ResultsFile, wb.ResultsFilePath);
    } else {
      WriteClassRules(wb, mode);
    }
  } catch (...) {
    if (own) wb.ResultsFile.end_after_error();  // the report before stays
    throw;
  }

  if (own) {
    wb.ResultsFile.close();
    if (!wb.ResultsFile) throw FileError("Cannot write file " + wb.ResultsFileName);
    ShowInNotepad(wb, "notepad.exe " + wb.ResultsFileName);
    wb.ResultsFileName.clear();
  }
  return true;
}

void CompareRules(Workbench& wb) {
  OpenDataFile(wb, 0);  // the comparison goes on with the set loaded when none is chosen
  const std::string suffix = std::string(wb.WeightedError ? "_rn" : "_rs") + "-trn.txt";
  if (!RunSMLP(wb, 1)) return;
  // Each training keeps its own report: under one name the second would replace the first.
  wb.ResultsFileName = wb.ResultsPrefix + "_1ch" + suffix;
  CallWriteResultFile(wb, 0, WriteTrainedRules);
  if (!RunSMLP(wb, 2)) return;
  wb.ResultsFileName = wb.ResultsPrefix + "_2ch" + suffix;
  CallWriteResultFile(wb, 3, WriteTrainedRules);
}

}  // namespace wl
