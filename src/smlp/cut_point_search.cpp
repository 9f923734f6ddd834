#include "smlp/cut_point_search.h"

#include <string>

#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "smlp/single_class.h"
#include "state/report_opener.h"
#include "state/workbench.h"
#include "training/prepare_run.h"

namespace wl {

namespace {

std::string CutText(double x) { return FixedDisplayText(x, 18, 6); }

// One line of the report: the cut point and the accuracies of the network trained last.
std::string ResultLine(const Workbench& wb, const char* tag, double cut) {
  return std::string(tag) + CutText(cut) + "   std_acc: " + FixedDisplayText(wb.SuccessRate, 8, 5) +
         "   bal_acc: " + FixedDisplayText(wb.WeightedCorrect, 8, 5);
}

// The rules file that a search ended early leaves open is closed without being shown.
void DropRulesFile(Workbench& wb) {
  if (wb.SMLPRulesFile.is_open()) wb.SMLPRulesFile.close();
  wb.SMLPRulesFile.clear();
  wb.SMLPRulesFileName.clear();
}

class RulesFileGuard {
 public:
  explicit RulesFileGuard(Workbench& wb) : wb_(wb) {}
  ~RulesFileGuard() {
    if (wb_.SMLPRulesFile.is_open()) DropRulesFile(wb_);
  }
  RulesFileGuard(const RulesFileGuard&) = delete;
  RulesFileGuard& operator=(const RulesFileGuard&) = delete;

 private:
  Workbench& wb_;
};

}  // namespace

std::vector<double> CutPointShiftPositions(double base, bool fine) {
  std::vector<double> positions;
  if (fine)
    for (int k = -4; k <= 4; ++k) positions.push_back((1.0 + 0.2 * k * 0.03) * base);
  else
    for (int k = -5; k <= 5; ++k) positions.push_back((1.0 + 0.03 * k) * base);
  return positions;
}

void CutPointShiftSearch(Workbench& wb) {
  const std::string path = wb.ProgramDir + "/" + Trim(wb.Form1.DiscrFileEdit.Text()) + ".txt";
  if (!FileExists(path)) return;
  const int f = StrToInt(Trim(wb.Form1.ShiftEdit1.Text()));
  // The expansion writes and closes a report of its own; the search needs its rules file open.
  if (wb.Form1.FExpandBox.Checked()) {
    wb.Plat.ShowMessage("The cut-point shift search trains without \"F. Expansion\": clear it to run the search.");
    return;
  }

  RulesFileGuard closeOnError(wb);
  if (!SMLPTraining(wb, 9)) return;
  // The first cut point of f must come from the file, for this data set's continuous feature f.
  const auto fi = static_cast<std::size_t>(f);
  if (f < 0 || f >= wb.NumOfFeatures || wb.NumOfContinuous == 0 || wb.DiscrSource != DiscretizationSource::File ||
      fi >= wb.DiscrFeatureKinds.size() || wb.DiscrFeatureKinds[fi] != 'c' || fi >= wb.DiscrCutPoints.size() ||
      wb.DiscrCutPoints[fi].empty()) {
    DropRulesFile(wb);
    wb.Plat.ShowMessage("Feature " + IntToStr(f) + " has no cut point in the cut-point file " + path +
                        ": there is no cut point to shift.");
    return;
  }
  double eBest = wb.CurrentError;
  FlagGuard<bool> testing(wb.TestingMode, true);
  std::vector<std::string> report;
  report.push_back(ResultLine(wb, "dvF: ", wb.DiscrCutPoints[fi][0]));

  double best = wb.DiscrCutPoints[fi][0];
  for (const bool fine : {false, true}) {
    for (const double position : CutPointShiftPositions(best, fine)) {
      wb.DiscrCutPoints[fi][0] = position;
      wb.Form1.Label56.SetCaption("dvF: " + CutText(position));
      wb.Form1.Label56.Repaint();
      if (!SMLPTraining(wb, 10)) return;
      report.push_back(ResultLine(wb, "dvF: ", position));
      if (wb.CurrentError < eBest) {
        eBest = wb.CurrentError;
        best = position;
      }
    }
  }
  // The rules and the last line describe the network of the best cut point, trained again.
  wb.DiscrCutPoints[fi][0] = best;
  if (!SMLPTraining(wb, 10)) return;
  WriteSMLPRules(wb, 0);
  report.push_back(ResultLine(wb, "ovF: ", wb.DiscrCutPoints[fi][0]));

  for (const std::string& line : report) wb.SMLPRulesFile << line << "\n";
  wb.SMLPRulesFile.close();
  if (wb.SMLPRulesFile.fail()) throw FileError("Cannot write file " + wb.SMLPRulesFileName);
  ShowInNotepad(wb, "notepad.exe " + wb.SMLPRulesFileName);
  wb.SMLPRulesFileName.clear();
}

}  // namespace wl
