#include "smlp/smlp_crossvalidation.h"

#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/numfmt.h"
#include "smlp/rules_report.h"
#include "smlp/single_class.h"
#include "smlp/single_class_reports.h"
#include "smlp/smlp_driver.h"
#include "smlp/vss_smlp.h"
#include "state/workbench.h"

namespace wl {

namespace {

bool ClassChosen(const Workbench& wb) { return wb.Form1.CurrentClassBox.ItemIndex() > 0; }

// Method 1: the network of the chosen class, else the SMLP of all classes by the mode of the two boxes.
bool TrainSMLPFold(Workbench& wb) {
  StepNetworkLabelsKept labels(wb);
  wb.NetKind = 1;
  if (ClassChosen(wb)) {
    if (!SMLPTraining(wb, 0)) return false;
    // The trainer's last evaluation may be a trial it undid: the accuracy is the trained network's.
    ComputeSMLPError(wb, wb.Layers[1] - 1);
    return true;
  }
  const TForm1& f = wb.Form1;
  return RunSMLP(wb, f.FReduceBox.Checked() ? 3 : f.FExpandBox.Checked() ? 5 : 1);
}

// The rules report's evaluation leaves each vector's correctness; the crossvalidation counters take it as
// class 0 against the others, as the error functions of the other methods count it.
void AddClassZeroCounts(Workbench& wb) {
  const auto k = static_cast<std::size_t>(wb.CVIndex);
  double tpt = 0, tpn = 0, npn = 0, npt = 0;
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    const bool right = static_cast<std::size_t>(v) < wb.VectorCorrect.size() && wb.VectorCorrect[v] == 1;
    if (wb.VectorClass[static_cast<std::size_t>(v)] == 0)
      (right ? tpt : tpn) += 1;
    else
      (right ? npn : npt) += 1;
  }
  auto add = [k](std::vector<double>& acc, double x) {
    if (k < acc.size()) acc[k] += x;
  };
  add(wb.CVTruePredT, tpt);
  add(wb.CVTruePredN, tpn);
  add(wb.CVNegPredN, npn);
  add(wb.CVNegPredT, npt);
}

}  // namespace

bool IsStepCVMethod(std::uint8_t method) { return method == 1 || method == 4; }

void SMLPCVRunStart(Workbench& wb, std::uint8_t method) {
  if (method == 1) ReadHiddenPerClass(wb);
  // A fold's perceptron that cannot be converted is refused before any fold replaces the network; so is
  // a field the conversion converts, and a feature file it cannot read.
  if (method == 4) {
    if (const std::string refusal = VSSSMLPPlanRefusal(wb); !refusal.empty()) throw WlError(refusal);
    ReadAllFirst(VSSSMLPFieldReads(wb.Form1));
    ReadHiddenPerClass(wb);
  }
}

bool SMLPCVTrain(Workbench& wb, std::uint8_t method) {
  switch (method) {
    case 1:
      return TrainSMLPFold(wb);
    case 4:
      return RunVSSThenSMLP(wb);
    default:
      throw WlError("The crossvalidation method " + IntToStr(method) + " trains no step network.");
  }
}

void SMLPCVTest(Workbench& wb, std::uint8_t method) {
  if (!IsStepCVMethod(method)) throw WlError("The crossvalidation method " + IntToStr(method) + " tests no step network.");
  if (ClassChosen(wb)) {
    const std::string mismatch = PrepareSingleClassTestSet(wb);
    if (!mismatch.empty()) throw WlError("The fold's test set does not fit the trained network: " + mismatch + ".");
    WriteSMLPRules(wb, wb.Layers[1] - 1);
    return;
  }
  WriteRulesReport(wb, 12);
  AddClassZeroCounts(wb);
}

}  // namespace wl
