#include <vector>

#include "model/data_file.h"
#include "model/read_parameters.h"
#include "platform/numfmt.h"
#include "shell/command.h"
#include "smlp/cut_point_search.h"
#include "smlp/genetic_algorithm.h"
#include "smlp/nofm_five_layer.h"
#include "smlp/lnet_drivers.h"
#include "smlp/rules_report.h"
#include "smlp/single_class.h"
#include "smlp/smlp_driver.h"
#include "smlp/vss_smlp.h"
#include "smlp/xor_ng.h"

namespace wl {

namespace {

// The mode of a one-change (1) or two-change (2) run: feature reduction, else feature expansion, else the
// plain training.
std::uint8_t SMLPMode(const TForm1& f, std::uint8_t changes) {
  if (f.FReduceBox.Checked()) return changes == 1 ? 3 : 4;
  if (f.FExpandBox.Checked()) return changes == 1 ? 5 : 6;
  return changes;
}

// The network kind becomes the run's (1 an SMLP, 7 the genetic algorithm and "NewPlot", 8 "OldPlot", 11
// the five-layer N-of-M network); a run refused or ended before it built its network leaves the kind of
// the network that is still there.
class NetKindForRun {
 public:
  explicit NetKindForRun(Workbench& wb, std::uint8_t kind = 1)
      : wb_(wb), before_(wb.NetKind), builds_(wb.SMLPBuilds) {
    wb.NetKind = kind;
  }
  ~NetKindForRun() {
    if (wb_.SMLPBuilds == builds_) wb_.NetKind = before_;
  }
  NetKindForRun(const NetKindForRun&) = delete;
  NetKindForRun& operator=(const NetKindForRun&) = delete;

 private:
  Workbench& wb_;
  std::uint8_t before_;
  int builds_;
};

void SMLPMenuRun(Workbench& wb, std::uint8_t changes) {
  NetKindForRun kind(wb);
  RunSMLP(wb, SMLPMode(wb.Form1, changes));
}

// "NewPlot" (mode 7) and "OldPlot" (mode 8) under their network kinds.
void EnumerationRun(Workbench& wb, std::uint8_t mode) {
  NetKindForRun kind(wb, mode);
  RunSMLP(wb, mode);
}

// "SMLP Training": with a class chosen, the cut-point shift search when a feature to shift is given, else
// the single-class training; otherwise a data set, then the network of all classes by S1 or S2, and its
// rules report.
void SMLPTrainingClick(Workbench& wb) {
  StepNetworkLabelsKept kept(wb);
  TForm1& f = wb.Form1;
  if (ReadParameters(wb, 10)) return;
  if (f.CurrentClassBox.ItemIndex() > 0) {
    if (!Trim(f.ShiftEdit1.Text()).empty())
      CutPointShiftSearch(wb);
    else
      SMLPTraining(wb, 0);
    return;
  }
  if (f.S1SMLPButton.Checked() || f.S2SMLPButton.Checked()) {
    if (!OpenDataFile(wb, 0)) return;
    NetKindForRun kind(wb);
    if (!RunSMLP(wb, SMLPMode(f, f.S1SMLPButton.Checked() ? 1 : 2))) return;
  } else if (f.GASMLPButton.Checked()) {
    wb.Plat.ShowMessage("will be ready soon");
    return;
  }
  if (f.TrainingSMLPBox.Checked()) WriteRulesReport(wb, 1);
}

}  // namespace

// The "SMLP" menu, the "SMLP" tab and "VSS+SMLP Results". "N of M 4/5" runs the four-layer N-of-M network
// with the network kind unchanged.
void AddSmlpHandlers(std::vector<HandlerRow>& t) {
  t.push_back({"SMLP1change", ControlEvent::MouseReleased, [](Workbench& wb) { SMLPMenuRun(wb, 1); }});
  t.push_back({"SMLP2changes", ControlEvent::MouseReleased, [](Workbench& wb) { SMLPMenuRun(wb, 2); }});
  t.push_back({"CompareRules1", ControlEvent::MouseReleased, [](Workbench& wb) { CompareRules(wb); }});
  t.push_back({"splittingL1", ControlEvent::MouseReleased,
               [](Workbench& wb) { wb.Plat.ShowMessage("I will write this procedure when I have time"); }});
  t.push_back({"AllNeurons2ch1", ControlEvent::MouseReleased, [](Workbench& wb) { EnumerationRun(wb, 7); }});
  t.push_back({"OldPlot1", ControlEvent::MouseReleased, [](Workbench& wb) { EnumerationRun(wb, 8); }});
  t.push_back({"XNG1", ControlEvent::MouseReleased, [](Workbench& wb) { RunXORNG(wb); }});
  t.push_back({"NofM1", ControlEvent::MouseReleased, [](Workbench& wb) { RunSMLP(wb, 10); }});
  t.push_back({"GeneticAlg1", ControlEvent::MouseReleased, [](Workbench& wb) {
                 NetKindForRun kind(wb, 7);
                 RunGeneticAlgorithm(wb, 1);
               }});
  t.push_back({"NofM51", ControlEvent::MouseReleased, [](Workbench& wb) {
                 NetKindForRun kind(wb, 11);
                 RunSMLP(wb, 11);
               }});
  t.push_back({"GetSMLP5Error1", ControlEvent::MouseReleased, [](Workbench& wb) { ShowSMLP5Error(wb); }});
  t.push_back({"TrainLunits1", ControlEvent::MouseReleased, [](Workbench& wb) {
                 NetKindForRun kind(wb);
                 TrainConstantL(wb);
               }});
  t.push_back({"Lunits4NClass1", ControlEvent::MouseReleased, [](Workbench& wb) {
                 NetKindForRun kind(wb);
                 TrainMergingL(wb);
               }});
  t.push_back({"LNumgrad", ControlEvent::MouseReleased, [](Workbench& wb) {
                 NetKindForRun kind(wb);
                 RunSMLP(wb, 9);
               }});
  t.push_back({"Button13", ControlEvent::MouseReleased, [](Workbench& wb) { VSSSMLPResults(wb); }});
  t.push_back({"Button5", ControlEvent::MouseReleased, [](Workbench& wb) { SMLPTrainingClick(wb); }});
  t.push_back({"SMLPContButton", ControlEvent::MouseReleased, [](Workbench& wb) { SMLPContinue(wb); }});
}

}  // namespace wl
