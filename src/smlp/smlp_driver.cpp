#include "smlp/smlp_driver.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "model/class_weights.h"
#include "model/data_file.h"
#include "model/run_status.h"
#include "smlp/genetic_algorithm.h"
#include "smlp/nofm_five_layer.h"
#include "smlp/lnum_grad.h"
#include "smlp/lunit_net.h"
#include "smlp/nofm_network.h"
#include "model/read_parameters.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/rounding.h"
#include "platform/text_file.h"
#include "smlp/rules_report.h"
#include "smlp/smlp_beam_search.h"
#include "smlp/smlp_enumeration.h"
#include "smlp/smlp_network.h"
#include "smlp/smlp_training.h"
#include "state/report_opener.h"
#include "state/training_parts.h"
#include "state/workbench.h"

namespace wl {

namespace {

const char* const kNoDataSet = "No data set has been opened yet. Open a data set first (Open -> Open Training Set).";

// The run log is closed at every exit of a run.
class LogFileGuard {
 public:
  explicit LogFileGuard(Workbench& wb) : wb_(wb) {}
  ~LogFileGuard() {
    if (wb_.LogFile.is_open()) wb_.LogFile.close();
    wb_.LogFile.clear();
  }
  LogFileGuard(const LogFileGuard&) = delete;
  LogFileGuard& operator=(const LogFileGuard&) = delete;

 private:
  Workbench& wb_;
};

// What a run changes before the enumerations' refusal can be known, put back when they refuse: the data
// set read back discretized (with its name, captions and parameter lines), the discretization held for a
// test set, and the feature flags and counts sized for the set.
class DiscretizedRunKept {
 public:
  explicit DiscretizedRunKept(const Workbench& wb)
      : dataSet_(wb),
        source_(wb.DiscrSource),
        kinds_(wb.DiscrFeatureKinds),
        cutPoints_(wb.DiscrCutPoints),
        cutCounts_(wb.DiscrCutCounts),
        precision_(wb.DiscrPrecision),
        intervals_(wb.DiscrIntervals),
        min_(wb.FeatureMin),
        max_(wb.FeatureMax),
        binWidth_(wb.BinWidth),
        classMin_(wb.FeatureClassMin),
        classMax_(wb.FeatureClassMax),
        joinedCuts_(wb.CutPoints),
        joinedCutCounts_(wb.NumCutPoints),
        discretizedFile_(wb.DiscretizedFileName),
        available_(wb.FeatureAvailable),
        mask_(wb.FeatureMask),
        valueCount_(wb.FeatureValueCount),
        vectorCorrect_(wb.VectorCorrect),
        classCorrect_(wb.ClassCorrectCount),
        currentClass_(wb.CurrentClass),
        continuous_(wb.NumOfContinuous) {}

  void Restore(Workbench& wb) const {
    dataSet_.Restore(wb);
    wb.DiscrSource = source_;
    wb.DiscrFeatureKinds = kinds_;
    wb.DiscrCutPoints = cutPoints_;
    wb.DiscrCutCounts = cutCounts_;
    wb.DiscrPrecision = precision_;
    wb.DiscrIntervals = intervals_;
    wb.FeatureMin = min_;
    wb.FeatureMax = max_;
    wb.BinWidth = binWidth_;
    wb.FeatureClassMin = classMin_;
    wb.FeatureClassMax = classMax_;
    wb.CutPoints = joinedCuts_;
    wb.NumCutPoints = joinedCutCounts_;
    wb.DiscretizedFileName = discretizedFile_;
    wb.FeatureAvailable = available_;
    wb.FeatureMask = mask_;
    wb.FeatureValueCount = valueCount_;
    wb.VectorCorrect = vectorCorrect_;
    wb.ClassCorrectCount = classCorrect_;
    wb.CurrentClass = currentClass_;
    wb.NumOfContinuous = continuous_;
  }

 private:
  DataSetKept dataSet_;
  DiscretizationSource source_;
  std::vector<char> kinds_;
  std::vector<std::vector<double>> cutPoints_;
  std::vector<int> cutCounts_, precision_;
  int intervals_;
  std::vector<double> min_, max_, binWidth_;
  std::vector<std::vector<double>> classMin_, classMax_, joinedCuts_;
  std::vector<int> joinedCutCounts_;
  std::string discretizedFile_;
  std::vector<int> available_, mask_, valueCount_;
  std::vector<std::uint8_t> vectorCorrect_;
  std::vector<int> classCorrect_;
  int currentClass_, continuous_;
};

// The message that refuses a mode no run has, or "".
std::string UnavailableOption(std::uint8_t mode) {
  if (mode < 1 || mode > 11) return "There is no SMLP run of mode " + IntToStr(mode) + ".";
  return "";
}

void Train(Workbench& wb, std::uint8_t method) {
  if (method == 1)
    TrainSMLPOneChange(wb);
  else
    TrainSMLPTwoChanges(wb);
}

void WriteResultReport(Workbench& wb, std::uint8_t mode) { CallWriteResultFile(wb, mode); }

void Discretize(Workbench& wb) { CallDiscretizeContinuousFeatures(wb, wb.LUnitsMode == 1); }


void WriteLine(Workbench& wb, const std::string& line) {
  if (!wb.ResultsFile.is_open()) throw FileError("No report file is open to write \"" + line + "\"");
  wb.ResultsFile << line << '\n';
  if (!wb.ResultsFile) throw FileError("Cannot write file " + wb.ResultsFilePath);
}

std::string Stars(int n) { return "*******************" + IntToStr(n) + "*********************"; }

void ShowLabel19(Workbench& wb, const std::string& text) { ShowRunMethod(wb, text); }

}  // namespace

bool BuildRunNetwork(Workbench& wb, bool reseed) {
  if (wb.LUnitsMode == 1) {
    InitLUnitNet(wb, 1);
    return true;
  }
  return InitSMLPWeights(wb, reseed);
}

void ReadHiddenPerClass(Workbench& wb) {
  const auto nf = static_cast<std::size_t>(std::max(0, wb.NumOfFeatures));
  wb.FeatureAvailable.assign(nf, 1);
  wb.FeatureMask.assign(nf, 1);
  wb.ClassCorrectCount.assign(static_cast<std::size_t>(std::max(0, wb.NumOfClasses)), 0);
  wb.VectorCorrect.assign(static_cast<std::size_t>(std::max(0, wb.NumOfVectors)), 0);
  wb.CurrentClass = wb.Form1.CurrentClassBox.ItemIndex() - 1;

  const std::string name = Trim(wb.Form1.DiscrFileEdit.Text());
  if (name.empty()) return;
  const std::string path = wb.ProgramDir + "/" + name + ".txt";
  TextLineReader in;
  if (!in.Open(path)) throw FileError("Cannot open file " + path);
  std::fill(wb.FeatureAvailable.begin(), wb.FeatureAvailable.end(), 0);
  std::string line;
  bool listing = false;
  while (in.Next(line)) {
    const std::int64_t lineNo = in.LineNo();
    if (!listing) {
      std::string head = line.substr(0, 6);
      for (char& c : head)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      listing = head == "includ";
      continue;
    }
    const std::string text = Trim(line);
    if (text.empty()) continue;  // a blank line (the end of the file) names no feature
    std::int32_t f = 0;
    if (!TryStrToInt(text, f))
      throw FileError("File " + path + ", line " + IntToStr(lineNo) + ": " + QuotedText(text) + " is not a feature number");
    if (f < 0 || f >= wb.NumOfFeatures) {
      wb.Plat.ShowMessage("Wrong feature number");
      break;
    }
    wb.FeatureAvailable[static_cast<std::size_t>(f)] = 1;
  }
  if (in.Failed()) throw FileError("Cannot read file " + path);
  wb.FeatureMask = wb.FeatureAvailable;
}

StepNetworkLabelsKept::StepNetworkLabelsKept(Workbench& wb)
    : wb_(wb),
      kind_(wb.NetKind),
      type_(wb.NetType),
      lUnits_(wb.LUnitsMode),
      builds_(wb.SMLPBuilds),
      hidPerOut_(wb.HidPerOut),
      layers_(wb.NumOfLayers),
      slope_(wb.Slope),
      outWeights_(wb.SMLPOutWeights) {}

StepNetworkLabelsKept::~StepNetworkLabelsKept() {
  if (wb_.SMLPBuilds != builds_) return;
  wb_.NetKind = kind_;
  wb_.NetType = type_;
  wb_.LUnitsMode = lUnits_;
  wb_.HidPerOut = hidPerOut_;
  wb_.NumOfLayers = layers_;
  wb_.Slope = slope_;
  wb_.SMLPOutWeights = outWeights_;
}

std::string SMLPRunLabel(std::uint8_t mode, bool beamSearch, bool lUnits) {
  const std::string net = lUnits ? "L-units" : "SMLP";
  if (beamSearch) return net + " Beam Search";
  switch (mode) {
    case 1: return net + " - 1 change";
    case 2: return net + " - 2 changes";
    case 3: return net + " - 1 change, F. Reduction";
    case 4: return net + " - 2 changes, F. Reduction";
    case 5: return net + " - 1 change, F. Expansion";
    case 6: return net + " - 2 changes, F. Expansion";
    case 7: return net + " NewPlot";
    case 8: return net + " OldPlot";
    case 9: return "L Num Grad";
    case 10: return "N of M 4";
    case 11: return "N of M 5";
    default: return net;
  }
}

bool RunSMLP(Workbench& wb, std::uint8_t mode) {
  StepNetworkLabelsKept labels(wb);
  TForm1& form = wb.Form1;
  if (const std::string refusal = UnavailableOption(mode); !refusal.empty()) {
    wb.Plat.ShowMessage(refusal);
    return false;
  }
  if (ReadParameters(wb, 10)) return false;
  if (wb.NumOfVectors <= 0 || wb.NumOfFeatures <= 0 || wb.ResultsPrefix.empty()) {
    wb.Plat.ShowMessage(kNoDataSet);
    return false;
  }
  if (form.lunitsbox.Checked() && mode != 10 && mode != 11) {
    if (const std::string refusal = LUnitRefusal(wb); !refusal.empty()) {
      wb.Plat.ShowMessage(refusal);
      return false;
    }
  }
  // What the builders would refuse on the hidden neurons per class is refused before the run changes
  // anything (the discretization of continuous features, the feature flags, the log).
  {
    const bool smlpBuild = (mode != 10 || form.BeamSearch.Checked()) && !form.lunitsbox.Checked();
    const bool nofmBuild = (mode == 10 && !form.BeamSearch.Checked()) || mode == 11;
    std::string refusal = smlpBuild ? HiddenCountsRefusal(wb, "SMLP") : "";
    if (refusal.empty() && nofmBuild) refusal = NofMHiddenRefusal(wb);
    // "N of M 5" ends in the genetic algorithm, which reads its population and mutation fields.
    if (refusal.empty() && mode == 11 && !form.BeamSearch.Checked()) refusal = GAFieldsRefusal(form);
    // The feature expansion's count of features to add is read as its run reads it: a text that is no
    // number stops the run here, before anything changes.
    if (refusal.empty() && (mode == 5 || mode == 6) && !form.BeamSearch.Checked())
      FeaturesToAdd(form.RankingEdit.Text(), wb.NumOfFeatures);
    // The enumerations need a network of four inputs and four hidden units at least.
    if (refusal.empty() && (mode == 7 || mode == 8) && smlpBuild && !form.BeamSearch.Checked())
      refusal = EnumerationPlanRefusal(wb, mode == 7 ? "NewPlot" : "OldPlot");
    if (!refusal.empty()) {
      wb.Plat.ShowMessage(refusal);
      return false;
    }
  }
  // The enumerations' network is known only once the continuous features are discretized: what the run
  // changes until then is kept, to be put back when they refuse it.
  const bool enumeration = (mode == 7 || mode == 8) && !form.BeamSearch.Checked();
  std::optional<DiscretizedRunKept> kept;
  if (enumeration) kept.emplace(wb);
  ReadHiddenPerClass(wb);
  HourglassGuard hourglass(wb.Plat);
  LogFileGuard logGuard(wb);

  wb.SMLPOutWeights = {1.0, 1.0, 1.0, 1.0};
  wb.Slope = form.stepSMLPButton.Checked() ? 0.0 : 1.0;
  wb.FeatureValueCount.resize(static_cast<std::size_t>(wb.NumOfFeatures));
  wb.FeatureMask = wb.FeatureAvailable;
  wb.LUnitsMode = form.lunitsbox.Checked() ? 1 : 0;
  wb.NumOfContinuous = 0;
  for (const TFeature& f : wb.Features)
    if (f.Kind == 'c') ++wb.NumOfContinuous;

  if (wb.NumOfContinuous > 0) {
    const int before = wb.NumOfFeatures;
    Discretize(wb);
    // The older route may drop features: the feature flags then follow the set read back.
    if (wb.NumOfFeatures != before) {
      ReadHiddenPerClass(wb);
      wb.FeatureValueCount.resize(static_cast<std::size_t>(wb.NumOfFeatures));
    }
    if (static_cast<int>(wb.VectorCorrect.size()) != wb.NumOfVectors)
      wb.VectorCorrect.assign(static_cast<std::size_t>(wb.NumOfVectors), 0);
  }

  // The enumerations' network is known now that the continuous features are discretized: refused before
  // the log is opened and the hidden-neuron field and the network change, with the data set put back.
  if (enumeration)
    if (const std::string refusal = EnumerationBuildRefusal(wb, mode == 7 ? "NewPlot" : "OldPlot"); !refusal.empty()) {
      kept->Restore(wb);
      wb.Plat.ShowMessage(refusal);
      return false;
    }
  kept.reset();
  if (mode != 11) {
    wb.LogFileName = wb.ResultsPrefix + "_SMLP.txt";
    EnsureDirectory(wb.ResultsPrefix.substr(0, wb.ResultsPrefix.find_last_of('/')));
    wb.LogFile.open(wb.LogFileName, std::ios::binary | std::ios::trunc);
    if (!wb.LogFile) throw FileError("Cannot write file " + wb.LogFileName);
  }
  if (!wb.HidPerOut.empty()) {
    form.HiddenEditT2.SetText(IntToStr(static_cast<std::int64_t>(wb.HidPerOut[0]) * wb.NumOfClasses));
    form.HiddenEditT2.Repaint();
  }
  // The N-of-M run builds its own network; the beam search, which replaces it, evaluates the network
  // in place from its start, so it gets the three-layer one built here.
  if ((mode != 10 || form.BeamSearch.Checked()) && !BuildRunNetwork(wb)) return false;
  if (wb.NetKind == 0) wb.NetKind = 1;
  StartRunStatus(wb);
  ShowRunMethod(wb, SMLPRunLabel(mode, form.BeamSearch.Checked(), wb.LUnitsMode == 1));
  if (form.BeamSearch.Checked()) {  // the beam search replaces the mode's work
    SMLPBeamSearchTrain(wb);
    return true;
  }

  if (wb.NumOfParts > 1) {
    DrawRandomParts(wb);
  } else {
    wb.BatchIndex.assign(1, 0);
    StampParts(wb);
  }
  wb.ErrorEvaluations = 0;
  wb.NetType = 3;

  switch (mode) {
    case 1:
    case 2:
      Train(wb, mode);
      if (form.Add1Box.Checked()) WriteRulesReport(wb, 1);
      break;
    case 3:
      ReduceSMLPFeatures(wb, 1);
      break;
    case 4:
      ReduceSMLPFeatures(wb, 2);
      break;
    case 5:
      FeatureRankingAndExpansion(wb, 1);
      break;
    case 6:
      FeatureRankingAndExpansion(wb, 2);
      break;
    case 7:
      AllNeuronsTwoChanges(wb);
      break;
    case 8:
      ExhaustiveTernarySearch(wb);
      break;
    case 9:
      LNumGradTrain(wb, 1);
      break;
    case 10:
      RunNofMFourLayer(wb);
      break;
    case 11:
      RunNofMFiveLayer(wb);
      break;
    default:
      break;
  }
  return true;
}

void ReduceSMLPFeatures(Workbench& wb, std::uint8_t method) {
  const int nf = wb.NumOfFeatures;
  wb.StepCount = nf;
  wb.FeatureRateHistory.assign(static_cast<std::size_t>(nf) + 2, 0.0);
  if (!BuildRunNetwork(wb)) return;
  Train(wb, method);
  double best = wb.SuccessRate;
  wb.ResultsFileName.clear();
  WriteResultReport(wb, 0);
  for (int f = 0; f < nf; ++f) {
    wb.FeatureMask[static_cast<std::size_t>(f)] = 0;
    if (!BuildRunNetwork(wb)) return;
    Train(wb, method);
    const double rate = wb.SuccessRate;  // of the network trained without f, before the report evaluates
    wb.FeatureRateHistory[static_cast<std::size_t>(f)] = rate;
    wb.ResultsFileName.clear();
    WriteResultReport(wb, 0);
    if (rate >= best)
      best = rate;
    else
      wb.FeatureMask[static_cast<std::size_t>(f)] = 1;
  }
}

void SortFeatureRanks(std::vector<FeatureRank>& ranks) {
  const int n = static_cast<int>(ranks.size());
  for (int i = 1; i < n; ++i)
    for (int j = 0; j < i; ++j)
      if (ranks[i].Accuracy > ranks[j].Accuracy) std::swap(ranks[i], ranks[j]);
}

int FeaturesToAdd(const std::string& rankingText, int numOfFeatures) {
  const std::string text = Trim(rankingText);
  if (text.empty()) return numOfFeatures;
  return std::min(StrToInt(text), numOfFeatures);
}

void FeatureRankingAndExpansion(Workbench& wb, std::uint8_t method) {
  TForm1& form = wb.Form1;
  const int nf = wb.NumOfFeatures;
  const int toAdd = FeaturesToAdd(form.RankingEdit.Text(), nf);  // a bad text stops before any file is made
  wb.StepCount = nf;
  wb.StepRateHistory.assign(static_cast<std::size_t>(nf) + 2, 0.0);
  const bool own = !wb.InCrossvalidation;
  if (own) {
    wb.ResultsFileName = wb.ResultsPrefix + "_FERE.txt";
    if (wb.ResultsFile.is_open()) wb.ResultsFile.close();
    wb.ResultsFile.clear();
    wb.ResultsFile.open(wb.ResultsFileName, std::ios::binary | std::ios::trunc);
    wb.ResultsFilePath = wb.ResultsFileName;
    if (!wb.ResultsFile) throw FileError("Cannot write file " + wb.ResultsFileName);
  }
  // The report file is not left open when an error ends the run.
  struct CloseOnError {
    Workbench& wb;
    bool own;
    ~CloseOnError() {
      if (own && wb.ResultsFile.is_open()) {
        wb.ResultsFile.close();
        wb.ResultsFile.clear();
      }
    }
  } closer{wb, own};

  std::fill(wb.FeatureMask.begin(), wb.FeatureMask.end(), 0);
  wb.WorthChanging = 1.0;

  std::vector<FeatureRank> ranks(static_cast<std::size_t>(nf));
  for (int f = 0; f < nf; ++f) {
    ranks[f].Feature = f;
    if (wb.FeatureAvailable[static_cast<std::size_t>(f)] != 1) continue;
    wb.FeatureMask[static_cast<std::size_t>(f)] = 1;
    ShowLabel19(wb, wb.Features[f].Name + std::string(25, ' '));
    if (!BuildRunNetwork(wb)) return;
    Train(wb, method);
    const double rate = wb.SuccessRate;
    WriteLine(wb, Stars(f));
    WriteRulesReport(wb, 13);
    ranks[f].Accuracy = rate;
    wb.FeatureMask[static_cast<std::size_t>(f)] = 0;
  }

  SortFeatureRanks(ranks);
  const std::string esses(34, 'S');
  WriteLine(wb, esses);
  for (const FeatureRank& r : ranks) WriteLine(wb, wb.Features[r.Feature].Name + " " + FormatReal(r.Accuracy));
  WriteLine(wb, esses);
  if (!BuildRunNetwork(wb)) return;

  auto finish = [&] {
    if (!own) return;
    wb.ResultsFile.close();
    if (!wb.ResultsFile) throw FileError("Cannot write file " + wb.ResultsFileName);
    ShowInNotepad(wb, "notepad.exe " + wb.ResultsFileName);
  };

  if (!Trim(form.RankingEdit.Text()).empty() && form.Add1Box.Checked()) {
    for (int k = 0; k < toAdd; ++k) wb.FeatureMask[static_cast<std::size_t>(ranks[k].Feature)] = 1;
    finish();
    return;
  }

  for (int k = 0; k < toAdd; ++k) {
    const int f = ranks[k].Feature;
    if (wb.FeatureAvailable[static_cast<std::size_t>(f)] != 1) continue;
    wb.FeatureMask[static_cast<std::size_t>(f)] = 1;
    ShowLabel19(wb, wb.Features[f].Name + std::string(18, ' '));
    if (form.RecrBox.Checked()) {
      if (!BuildRunNetwork(wb)) return;
      Train(wb, method);
    } else {
      TrainSMLPOneChangeExpand(wb, f);
    }
    WriteLine(wb, Stars(k));
    WriteRulesReport(wb, 13);
  }
  finish();
}

void WriteCFFile(Workbench& wb) {
  if (wb.Form1.AllVBox.Checked() || wb.CurrentClass == -1) return;
  const int n = wb.NumOfVectors;
  const std::string path = wb.ProgramDir + "/CF.txt";
  AtomicOfstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw FileError("Cannot write file " + path);
  std::vector<int> kept;
  for (int v = 0; v < n; ++v) {
    const bool covered = static_cast<std::size_t>(v) < wb.VectorCorrect.size() && wb.VectorCorrect[v] == 1 &&
                         wb.VectorClass[v] == wb.CurrentClass;
    if (covered) {
      out << v << "  -\n";
    } else {
      kept.push_back(v);
      out << v << "  remains\n";
    }
  }
  out.close();
  if (!out) throw FileError("Cannot write file " + path);

  const int count = static_cast<int>(kept.size());
  for (int i = 0; i < count; ++i) {
    const auto src = static_cast<std::size_t>(kept[i]);
    if (static_cast<std::size_t>(i) == src) continue;
    wb.Data[i] = std::move(wb.Data[src]);
    wb.VectorClass[i] = wb.VectorClass[src];
    if (src < wb.TargetValue.size()) wb.TargetValue[i] = wb.TargetValue[src];
  }
  wb.NumOfVectors = count;
  wb.Data.resize(static_cast<std::size_t>(count));
  wb.VectorClass.resize(static_cast<std::size_t>(count));
  if (wb.TargetValue.size() > static_cast<std::size_t>(count)) wb.TargetValue.resize(static_cast<std::size_t>(count));
  wb.VectorCorrect.assign(static_cast<std::size_t>(count), 0);
  wb.VectorsPerClass.assign(static_cast<std::size_t>(std::max(0, wb.NumOfClasses)), 0);
  for (int v = 0; v < count; ++v) {
    const int c = wb.VectorClass[v];
    if (c >= 0 && c < wb.NumOfClasses) ++wb.VectorsPerClass[c];
  }
  wb.VectorWeight = BalancedVectorWeights(wb.VectorClass, count, wb.NumOfClasses);
  NewDataSetIdentity(wb);
}

}  // namespace wl
