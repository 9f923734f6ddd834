// The feature expansion of the single-class SMLP: rank the features by what a network achieves on each
// alone, then add them one by one in that order.
#include <string>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "model/run_status.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "smlp/rules_report.h"
#include "smlp/single_class.h"
#include "smlp/smlp_driver.h"
#include "state/report_opener.h"
#include "state/workbench.h"
#include "training/prepare_run.h"

namespace wl {

namespace {

void ShowFeature(Workbench& wb, const std::string& name, int blanks) {
  ShowRunMethod(wb, name + std::string(static_cast<std::size_t>(blanks), ' '));
}

void RulesLine(Workbench& wb, const std::string& line) {
  wb.SMLPRulesFile << line << "\n";
  if (!wb.SMLPRulesFile) throw FileError("Cannot write file " + wb.SMLPRulesFileName);
}

}  // namespace

void SortFeatureRankTable(std::vector<TFeatureRank>& t) {
  for (std::size_t i = 0; i < t.size(); ++i)
    for (std::size_t j = 0; j < i; ++j)
      if (t[j].Rate < t[i].Rate) std::swap(t[i], t[j]);
}

void SMLPFeatureExpansion(Workbench& wb, std::uint8_t method) {
  TForm1& form = wb.Form1;
  const int nf = wb.NumOfFeatures;
  std::vector<TFeatureRank> table(static_cast<std::size_t>(nf));
  wb.StepRateHistory.assign(static_cast<std::size_t>(nf) + 2, 0.0);
  wb.StepCount = nf;
  // Inside a crossvalidation the lines go into the rules file the run holds open.
  const bool own = !wb.InCrossvalidation;
  if (own) {
    wb.SMLPRulesFileName = wb.ResultsPrefix + "_FERE.txt";
    const std::size_t slash = wb.SMLPRulesFileName.find_last_of('/');
    if (slash != std::string::npos) EnsureDirectory(wb.SMLPRulesFileName.substr(0, slash));
    if (wb.SMLPRulesFile.is_open()) wb.SMLPRulesFile.close();
    wb.SMLPRulesFile.clear();
    wb.SMLPRulesFile.open(wb.SMLPRulesFileName, std::ios::binary | std::ios::trunc);
    if (!wb.SMLPRulesFile) throw FileError("Cannot write file " + wb.SMLPRulesFileName);
  } else if (!wb.SMLPRulesFile.is_open()) {
    throw FileError("No rules file is open for the feature expansion");
  }

  wb.FeatureMask.assign(static_cast<std::size_t>(nf), 0);
  if (wb.FeatureAvailable.size() < static_cast<std::size_t>(nf)) wb.FeatureAvailable.resize(static_cast<std::size_t>(nf), 0);
  // Each kept change must raise the success rate; the value stays after the expansion.
  wb.WorthChanging = 1.0;
  auto train = [&wb, method] {
    if (method == 1)
      TrainNeuronS1(wb, 0);
    else
      TrainNeuronS2(wb, 0, 1);
  };

  for (int f = 0; f < nf; ++f) {
    const auto fi = static_cast<std::size_t>(f);
    if (wb.FeatureAvailable[fi] != 1) {
      table[fi] = {f, 0.0};
      continue;
    }
    wb.FeatureMask[fi] = 1;
    ShowFeature(wb, wb.Features[fi].Name, 25);
    BuildSMLPNetwork(wb);
    train();
    WriteSMLPRules(wb, 0);
    table[fi] = {f, wb.SuccessRate};
    wb.FeatureMask[fi] = 0;
  }
  SortFeatureRankTable(table);
  const std::string sLine(34, 'S');
  RulesLine(wb, sLine);
  for (const TFeatureRank& r : table)
    RulesLine(wb, wb.Features[static_cast<std::size_t>(r.Feature)].Name + " " + FixedDisplayText(100.0 * r.Rate, 6, 2) +
                      "%");
  RulesLine(wb, sLine);
  BuildSMLPNetwork(wb);

  auto finish = [&wb, own] {
    if (!own) return;
    wb.SMLPRulesFile.close();
    if (wb.SMLPRulesFile.fail()) throw FileError("Cannot write file " + wb.SMLPRulesFileName);
    ShowInNotepad(wb, "notepad.exe " + wb.SMLPRulesFileName);
  };
  const std::string ranking = Trim(form.RankingEdit.Text());
  const int toAdd = FeaturesToAdd(ranking, nf);
  if (!ranking.empty() && form.Add1Box.Checked()) {
    for (int i = 0; i < toAdd; ++i) wb.FeatureMask[static_cast<std::size_t>(table[static_cast<std::size_t>(i)].Feature)] = 1;
    finish();
    return;
  }

  for (int i = 0; i < toAdd; ++i) {
    const int f = table[static_cast<std::size_t>(i)].Feature;
    const auto fi = static_cast<std::size_t>(f);
    if (wb.FeatureAvailable[fi] != 1) continue;
    wb.FeatureMask[fi] = 1;
    ShowFeature(wb, wb.Features[fi].Name, 18);
    if (form.Add1Box.Checked()) {
      for (int round = 0; round < 4; ++round) {
        train();
        // A crossvalidation holds its report file open: the report goes into it.
        WriteRulesReport(wb, wb.InCrossvalidation ? 13 : 1);
        const auto c = static_cast<std::size_t>(wb.CurrentClass);
        if (wb.ClassCorrectCount[c] >= wb.VectorsPerClass[c]) break;
        WriteCFFile(wb);
        BuildSMLPNetwork(wb);
      }
    } else if (form.RecrBox.Checked()) {
      BuildSMLPNetwork(wb);
      train();
    } else {
      SMLPTrainNewWeights(wb, f);
    }
    RulesLine(wb, std::string(19, '*') + IntToStr(i) + std::string(21, '*'));
    // The network after this feature was added, as the ranking shows each feature's.
    WriteSMLPRules(wb, 0);
  }
  finish();
}

}  // namespace wl
