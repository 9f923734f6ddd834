#include "smlp/single_class_reports.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "model/class_weights.h"
#include "model/data_file.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "smlp/single_class.h"
#include "state/hooks.h"
#include "state/report_opener.h"
#include "state/workbench.h"

namespace wl {

namespace {

// A set read in testing mode keeps the training set's vector weights; its balanced accuracy needs its
// own, from its own classes.
void WeighByOwnClasses(Workbench& wb) {
  wb.VectorWeight = BalancedVectorWeights(wb.VectorClass, wb.NumOfVectors, wb.NumOfClasses);
}

}  // namespace

std::string PrepareSingleClassTestSet(Workbench& wb) {
  int continuous = 0;
  for (const TFeature& f : wb.Features)
    if (f.Kind == 'c') ++continuous;
  // Raw continuous values match no input: the set is labelled as the training set was.
  if (continuous > 0) CallDiscretizeContinuousFeatures(wb, false);
  WeighByOwnClasses(wb);
  const std::vector<int>& counts = wb.FeatureValueCount;
  if (wb.NumOfFeatures != static_cast<int>(counts.size()))
    return "it has " + IntToStr(wb.NumOfFeatures) + " features; the network was trained on " +
           IntToStr(static_cast<std::int64_t>(counts.size()));
  for (int f = 0; f < wb.NumOfFeatures; ++f) {
    const TFeature& feat = wb.Features[static_cast<std::size_t>(f)];
    if (feat.Kind == 'c' || feat.NValues != counts[static_cast<std::size_t>(f)])
      return "feature " + IntToStr(f + 1) + " (" + Trim(feat.Name) + ") is coded otherwise than in the training set";
  }
  if (wb.CurrentClass < 0 || wb.CurrentClass >= wb.NumOfClasses)
    return "it has no class " + IntToStr(wb.CurrentClass);
  if (wb.NumOfVectors <= 0) return "it has no vectors";
  return "";
}

void SMLPValidationReport(Workbench& wb) {
  if (!HasSingleClassNetwork(wb)) {
    wb.Plat.ShowMessage("There is no single-class network to test: run \"SMLP Training\" with a class first.");
    return;
  }
  const DataSetState before = wb;
  const std::string prefix = wb.ResultsPrefix, fileName = wb.ResultsFileName, paramText0 = wb.ParamText[0];
  if (!OpenDataFile(wb, 0)) return;
  auto restore = [&] {
    static_cast<DataSetState&>(wb) = before;
    wb.ResultsPrefix = prefix;
    wb.ResultsFileName = fileName;
    wb.ParamText[0] = paramText0;
  };
  std::string mismatch;
  try {
    mismatch = PrepareSingleClassTestSet(wb);
  } catch (...) {
    restore();
    throw;
  }
  if (!mismatch.empty()) {
    restore();
    wb.Plat.ShowMessage("The validation set does not fit the trained network: " + mismatch + ". No report is written.");
    return;
  }

  wb.SMLPRulesFileName = wb.ResultsPrefix + "_ValRE.txt";
  const std::size_t slash = wb.SMLPRulesFileName.find_last_of('/');
  if (slash != std::string::npos) EnsureDirectory(wb.SMLPRulesFileName.substr(0, slash));
  if (wb.SMLPRulesFile.is_open()) wb.SMLPRulesFile.close();
  wb.SMLPRulesFile.clear();
  wb.SMLPRulesFile.open(wb.SMLPRulesFileName, std::ios::binary | std::ios::trunc);
  if (!wb.SMLPRulesFile) throw FileError("Cannot write file " + wb.SMLPRulesFileName);
  try {
    WriteSMLPRules(wb, wb.Layers[1] - 1);
  } catch (...) {
    wb.SMLPRulesFile.end_after_error();  // the report before stays
    throw;
  }
  wb.SMLPRulesFile.close();
  if (wb.SMLPRulesFile.fail()) throw FileError("Cannot write file " + wb.SMLPRulesFileName);
  ShowInNotepad(wb, "notepad.exe " + wb.SMLPRulesFileName);
  wb.ResultsFileName.clear();
}

}  // namespace wl
