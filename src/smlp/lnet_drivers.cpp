#include "smlp/lnet_drivers.h"

#include <cstdint>
#include <string>

#include "model/read_parameters.h"
#include "model/run_status.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "smlp/lnet.h"
#include "smlp/smlp_driver.h"
#include "smlp/lnum_grad.h"
#include "state/workbench.h"

namespace wl {

namespace {

const char* const kNoDataSet = "No data set has been opened yet. Open a data set first (Open -> Open Training Set).";

// The run log is closed at every exit of a run.
class RunLog {
 public:
  RunLog(Workbench& wb, const std::string& suffix) : wb_(wb) {
    if (wb.LogFile.is_open()) wb.LogFile.close();
    wb.LogFile.clear();
    wb.LogFileName = wb.ResultsPrefix + suffix;
    const std::size_t slash = wb.LogFileName.find_last_of('/');
    if (slash != std::string::npos) EnsureDirectory(wb.LogFileName.substr(0, slash));
    wb.LogFile.open(wb.LogFileName, std::ios::binary | std::ios::trunc);
    if (!wb.LogFile) throw FileError("Cannot write file " + wb.LogFileName);
  }
  ~RunLog() {
    if (wb_.LogFile.is_open()) wb_.LogFile.close();
    wb_.LogFile.clear();
  }
  void Close() {
    wb_.LogFile.close();
    if (wb_.LogFile.fail()) throw FileError("Cannot write file " + wb_.LogFileName);
  }
  RunLog(const RunLog&) = delete;
  RunLog& operator=(const RunLog&) = delete;

 private:
  Workbench& wb_;
};

// What the L-net needs before anything is written: the message that refuses the run, or "".
std::string LNetRefusal(Workbench& wb) {
  if (wb.NumOfVectors <= 0 || wb.NumOfFeatures <= 0 || wb.NumOfClasses <= 0 || wb.ResultsPrefix.empty())
    return kNoDataSet;
  if (static_cast<int>(wb.HidPerOut.size()) < wb.NumOfClasses) wb.HidPerOut.resize(static_cast<std::size_t>(wb.NumOfClasses), 0);
  for (int c = 1; c < wb.NumOfClasses; ++c)
    if (wb.HidPerOut[static_cast<std::size_t>(c)] != wb.HidPerOut[0])
      return "An SMLP network needs the same number of hidden neurons for every class (class 0 has " +
             IntToStr(wb.HidPerOut[0]) + ", class " + IntToStr(c) + " has " +
             IntToStr(wb.HidPerOut[static_cast<std::size_t>(c)]) + "). Set the hidden neurons of the classes alike.";
  return "";
}

// The common start: the parameters and the data set; false when refused (the caller's StepNetworkLabelsKept
// then gives the network in Net back the settings the read changed).
bool Prepare(Workbench& wb) {
  if (ReadParameters(wb, 10)) return false;
  if (const std::string refusal = LNetRefusal(wb); !refusal.empty()) {
    wb.Plat.ShowMessage(refusal);
    return false;
  }
  return true;
}

}  // namespace

void TrainConstantL(Workbench& wb) {
  StepNetworkLabelsKept kept(wb);
  if (!Prepare(wb)) return;
  HourglassGuard hourglass(wb.Plat);
  RunLog log(wb, "_Lconst.txt");
  StartRunStatus(wb);
  ShowRunMethod(wb, "L-units - constant L");
  wb.LUnitsMode = 7;
  SetupLNetIntervals(wb, 1);
  BuildLNet(wb, 1);
  if (wb.Form1.UseNG.Checked()) {
    LNumGradTrain(wb, 7);
  } else {
    TrainLNetOneChange(wb, 1);
    ShiftLIntervalBounds(wb, 1);
  }
  WriteLNetRules(wb, 1);
  log.Close();
}

void TrainMergingL(Workbench& wb) {
  StepNetworkLabelsKept kept(wb);
  if (!Prepare(wb)) return;
  HourglassGuard hourglass(wb.Plat);
  RunLog log(wb, "_Lmerge.txt");
  StartRunStatus(wb);
  ShowRunMethod(wb, "L-units - merging L");
  wb.LUnitsMode = 7;
  SetupLNetIntervals(wb, 4);
  BuildLNet(wb, 4);
  TrainLNetOneChange(wb, 4);
  WriteLNetRules(wb, 1);
  log.Close();
}

}  // namespace wl
