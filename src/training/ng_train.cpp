// The drivers of numerical-gradient training and their preparation.
#include "training/ng_train.h"
#include "model/run_status.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "state/hooks.h"
#include "state/training_parts.h"
#include "model/error_functions.h"
#include "model/eval_options.h"
#include "model/forward_pass.h"
#include "model/layer_transfer.h"
#include "model/read_parameters.h"
#include "model/weights_file.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "training/border_vectors.h"
#include "training/live_status.h"
#include "training/ng_direction.h"
#include "training/ng_steps.h"
#include "training/ng_weights.h"
#include "training/one_change.h"
#include "training/prepare_run.h"
#include "training/run_end.h"

namespace wl {

namespace {

void OpenRunFile(AtomicOfstream& file, const std::string& path) {
  file.open(path, std::ios::binary | std::ios::trunc);
  if (!file) throw FileError("Cannot write file " + path);
}

// The run's text files end with the run, also when an error ends it (they keep what the run wrote).
class RunFilesGuard {
 public:
  explicit RunFilesGuard(Workbench& wb) : opt_(wb.OptHFile), gradients_(wb.GradientsFile) {}

 private:
  LogEnd opt_, gradients_;
};

// The run's text files at its normal end: a file that could not be written is refused with a message.
void CloseRunFiles(Workbench& wb) {
  for (AtomicOfstream* f : {&wb.OptHFile, &wb.GradientsFile})
    if (f->is_open()) CloseWritten(*f);
}

// A new random part of the training set in the entries BatchIndex already has.
void RefillBatch(Workbench& wb) { RefillRandomParts(wb); }

// The step of an epoch, by the radio buttons of the NG page.
double StepAlongDirection(Workbench& wb, std::uint8_t method) {
  const TForm1& f = wb.Form1;
  if (f.h01.Checked()) return FindStepLength(wb, method);
  if (f.DH1Button.Checked()) return MoveAlongDirectionEdit(wb, method);
  return MoveAlongDirection(wb, method);
}

bool ProbingMethod(std::uint8_t method) { return method >= 1 && method <= 4; }

// The walk over the weights (the direction's shape, the network's) writes each weight into its column of
// the record: the same index while the record has the walk's shape, the mapped one after a pruning.
void RecordWeights(Workbench& wb, std::size_t row) {
  if (row >= wb.WeightHistory.Rows()) return;
  const std::span<double> record = wb.WeightHistory.Row(row);
  const WeightShape& walk = wb.SearchDirection.Shape();
  const WeightShape& kept = wb.WeightHistory.Shape();
  if (walk.Neurons == kept.Neurons && walk.Weights == kept.Weights) {
    ForEachNGWeight(wb, [&](int, int, int k, std::size_t i, TNeuron& nr) {
      record[i] = nr.Weights[static_cast<std::size_t>(k)];
    });
    return;
  }
  const std::vector<std::size_t> columns = RecordedWeightColumns(wb, walk);
  if (columns.size() != walk.RowSize)
    throw WlError("The network no longer has the shape of the run's records. Create the network again.");
  ForEachNGWeight(wb, [&](int, int, int k, std::size_t i, TNeuron& nr) {
    record[columns[i]] = nr.Weights[static_cast<std::size_t>(k)];
  });
}

// The weight-matrix range of the analysis must lie within the epochs the run did.
void FitWeightMatrixRange(Workbench& wb) {
  TForm1& f = wb.Form1;
  const int n = wb.NumOfEpochs;
  if (StrToInt(Trim(f.WMepEdit.Text())) > n) f.WMepEdit.SetText(IntToStr(n));
  if (StrToInt(Trim(f.fromEdit.Text())) > n - 4) f.fromEdit.SetText(IntToStr(std::max(0, n - 4)));
}

}  // namespace

double ChangedErrorExponent(double p, double e1, double e2) {
  if (!(e1 > 0.0 && e2 > e1)) return p;
  // ln(E2) is 0 at E2 = 1, and the ratio turns negative when E1 < 1 < E2: such exponents are no exponents.
  const double q = p * std::log(e1) / std::log(e2);
  return std::isfinite(q) && q > 0.0 ? q : p;
}

void RandomBatch(Workbench& wb) {
  wb.BatchIndex.assign(static_cast<std::size_t>(std::max(0, wb.NumOfVectors / std::max(1, wb.NumOfParts))), 0);
  RefillBatch(wb);
}

void DrawChartFrame(Workbench& wb) {
  if (wb.Form1.ChartH.Checked()) CallNGSectionFrame(wb);
  wb.ChartDrawn = true;
}

void RequireNGNetwork(Workbench& wb) {
  // As the NG error will check it at its first pass.
  EvalNeeds needs;
  needs.VectorWeights = true;
  const bool smlp = HeldEvalOptions(wb).Structure == NetStructure::Smlp;
  RequireEvaluable(wb, smlp ? NetLayout::Smlp : NetLayout::Standard, needs);
  RequireRecordableNetwork(wb);
}

void PrepareNGRun(Workbench& wb, double (*startError)(Workbench&)) {
  wb.NGChartWidth = 590;
  wb.NGChartHeight = 510;
  wb.NGChartMargin = 30;
  wb.NGChartPlotWidth = wb.NGChartWidth - 2 * wb.NGChartMargin;
  wb.NGChartPlotHeight = wb.NGChartHeight - 2 * wb.NGChartMargin;
  wb.NGInputCount = static_cast<double>(wb.NumOfVectors) * (wb.Layers.empty() ? 0 : wb.Layers[0]);
  wb.ChartDrawn = false;
  wb.ParamText[7] = "Numerical gradient";

  if (wb.Form1.ChartH.Checked()) {
    wb.Plat.ShowWindow(wb.NGF.Name());
    CallNGSectionAxes(wb);
    wb.NGF.ShowBitmap();
    wb.NGFFormExists = true;
  }
  wb.NGLogFileName = wb.ResultsPrefix + "_xng.txt";
  if (wb.NumOfParts > 1) RandomBatch(wb);

  wb.NGStartError = startError(wb);
  wb.StartError = wb.NGStartError;

  const WeightShape shape = NGShape(wb);
  SizeLike(wb.SearchDirection, shape);
  if (wb.Form1.VdwBox.Checked()) SizeLike(wb.VdwData, shape);
  SizeLike(wb.PrevStep, shape);
  SizeLike(wb.PrevDirection, shape);

  wb.NGRefError = 2.0 * wb.NGStartError;
  wb.StopError = wb.NGStartError * wb.StopError;
  wb.ResultText = FixedDisplayText(wb.NGStartError, 12, 3);
  wb.Form1.ge.SetText("- / " + wb.ResultText);
  wb.Form1.ge.Repaint();
  wb.CurrentError = 0.0;
}

void InitNG(Workbench& wb, std::uint8_t method) {
  StartNGEvaluations(wb);
  PrepareNGRun(wb, &NGTrainingSetError);
  // The normalised rule keeps the error of each weight's better side, for every weight layer.
  if (method == 2) SizeLike(wb.SideError, NGShape(wb));
}

void NGEpochBookkeeping(Workbench& wb, std::uint8_t method) {
  if (method == 10) {
    wb.StepResult = 1.0;
  } else {
    // A rerun steps from the weights it was given (the caller's restored start weights), along the
    // direction the first run left.
    if (!ProbingMethod(method)) SaveOldWeights(wb);
    wb.StepResult = StepAlongDirection(wb, method);
  }
  const int e = wb.Epoch;
  RecordWeights(wb, static_cast<std::size_t>(e));
  if (method == 4 && e >= 203 && e % 100 == 0) {
    const auto row = static_cast<std::size_t>(e / 100 + 200);
    RecordWeights(wb, row);
    if (row < wb.EpochHistory.size()) wb.EpochHistory[row] = {wb.CurrentError, wb.SuccessRate};
  }
  if (wb.Form1.SelMetBox.Checked() && StrToInt(Trim(wb.Form1.SelEpochEdit.Text())) == e) {
    SelectBorderVectors(wb, 3);
    StartNGEvaluations(wb);  // a new training set: the next full evaluation checks it
  }
}

FieldReads NGFieldReads(const TForm1& f, std::uint8_t method, int epochs, bool relative) {
  FieldReads reads;
  if (f.h01.Checked()) AddReads(reads, {{f.M2Edit.Text(), ReadAs::Float}, {f.EachEHBox.Text(), ReadAs::Int}});
  if (relative || method == 1 || method == 10) {
    if (f.VdwBox.Checked()) AddReads(reads, {{f.VdwEdit1.Text(), ReadAs::Int}, {f.VdwEdit2.Text(), ReadAs::Int}});
    if (f.HSegButton.Checked())
      AddReads(reads, SegmentScheduleReads({f.EEdit1.Text(), f.EEdit2.Text(), f.EEdit3.Text()},
                                           {f.MEdit1.Text(), f.MEdit2.Text(), f.MEdit3.Text(), f.MEdit4.Text()},
                                           ReadAs::Float, epochs));
  }
  if (method == 4) reads.push_back({f.elimdVEdit.Text(), ReadAs::Float});
  if (f.SelMetBox.Checked()) reads.push_back({f.SelEpochEdit.Text(), ReadAs::Int});
  return reads;
}

void NGTrain(Workbench& wb, std::uint8_t method) {
  RequireNetwork(wb);
  TForm1& f = wb.Form1;
  wb.SectionCurveCount = 0;
  wb.MethodTag = "NG";
  HourglassGuard hourglass(wb.Plat);
  RunFilesGuard files(wb);
  // Every refusal comes before the first file is opened or written: a refused run leaves the last run's
  // files as they were.
  if (ReadParameters(wb)) return;
  const int pointSize = std::max(1, StrToInt(Trim(f.PSEdit.Text())));
  ReadAllFirst(NGFieldReads(f, method, wb.NumOfEpochs));
  RequireNGNetwork(wb);
  const LiveRunStatus live(wb);
  if (!wb.InCrossvalidation) OpenRunFile(wb.OptHFile, wb.ResultsPrefix + "_optH.txt");
  wb.StepFactorSum = 0.0;
  wb.MaxStepFactor = 0.0;

  wb.PointSize = pointSize;
  ShowRunMethod(wb, "Numerical Gradient");
  SaveWeights(wb, 0);
  // The signal table sizes itself to the network and the data set at its first full pass.
  wb.InitialNumOfVectors = wb.NumOfVectors;

  PrepareTrainingRun(wb);
  InitNG(wb, method);
  wb.Epoch = 1;
  wb.NGStep = 2.0 * wb.NGdelta;
  double E1 = wb.CurrentError, E2 = wb.CurrentError;
  if (f.LogGradientBox.Checked()) OpenRunFile(wb.GradientsFile, wb.ResultsPrefix + "_nggradients.txt");
  if (f.VdwBox.Checked()) CallDrawESSections(wb, 1);

  const bool changeExponent = f.chpwr.Checked();
  const bool oldPoint = f.OldPointBox.Checked();
  double p = wb.ErrorExponent;
  bool stopped = false;
  while (!stopped && wb.Epoch <= wb.NumOfEpochs && wb.NGStep > 1e-7) {
    wb.NGStep = method == 10 ? wb.InitialDelta : wb.NGStep * 0.5;
    wb.CurrentError = 0.0;
    do {
      if (changeExponent) {
        wb.ErrorExponent = ChangedErrorExponent(p, E1, E2);
        p = wb.ErrorExponent;
      }
      if (wb.Epoch > wb.NumOfEpochs) break;
      wb.GradSumSq = 0.0;
      if (wb.NumOfParts > 1) RefillBatch(wb);
      wb.NGRefError = NGTrainingSetError(wb);

      bool back = false;
      switch (method) {
        // The relative rule leaves the weights where they were, so it never goes back to an old point
        // (its result is an error, not a flag).
        case 1:
        case 10: ProbeWeightsRelative(wb, wb.Epoch); break;
        case 2: back = ProbeWeightsNormalised(wb); break;
        case 3: back = ProbeWeightsPower(wb); break;
        case 4: ProbeWeightsAboveLimit(wb); break;
        default: break;
      }
      if (back && oldPoint) break;  // h is halved at the next pass
      if (method != 33) NGEpochBookkeeping(wb, method);

      E2 = E1;
      E1 = wb.CurrentError;
      HoldRates(wb);
      f.ep.SetText(IntToStr(wb.Epoch));
      f.ge.SetText(FixedDisplayText(wb.CurrentError, 12, 4) + " / " + wb.ResultText);
      f.EditSuccess.SetText(FixedDisplayText(wb.AcceptedSuccessRate, 7, 5));
      f.WeightedAccEdit.SetText(FixedDisplayText(wb.AcceptedWeightedRate, 7, 5));
      f.ep.Repaint();
      f.ge.Repaint();
      f.EditSuccess.Repaint();
      f.WeightedAccEdit.Repaint();

      if (static_cast<std::size_t>(wb.Epoch) < wb.EpochHistory.size())
        RecordEpochRow(wb, wb.Epoch);
      else
        CallEpochDone(wb, wb.Epoch, wb.CurrentError);
      wb.Plat.ProcessEvents();
      wb.Epoch += 1;
      // The epoch that reaches the stop error was trained: it is shown, recorded and counted.
      if (wb.CurrentError < wb.StopError) {
        stopped = true;
        break;
      }
    } while (wb.CurrentError < wb.NGRefError * wb.next_D);
    if (wb.CurrentError < wb.StopError) stopped = true;
  }
  CloseRunFiles(wb);

  if (!f.NoGTPBox.Checked()) CallRunEnded(wb);
  ShowEvaluationCount(wb);
  wb.NumOfEpochs = wb.Epoch - 1;
  ApplyWeightMatrixFieldsForRun(wb);  // the fields the run's command set, before they are fitted to its epochs
  FitWeightMatrixRange(wb);
  if (f.VdwBox.Checked()) CallDrawESSections(wb, 2);
  ExportWeightMatrixAtRunEnd(wb);
  DrawChartFrame(wb);
  if (f.ChartH.Checked()) CallNGSectionShow(wb);
}

void NGTrainGlobalToLocal(Workbench& wb, std::uint8_t method) {
  RequireNetwork(wb);
  HourglassGuard hourglass(wb.Plat);
  if (ReadParameters(wb)) return;
  ReadAllFirst(NGFieldReads(wb.Form1, method, wb.NumOfEpochs, true));
  // The parameters just read may describe another network than the one in place.
  RequireNGNetwork(wb);
  const LiveRunStatus live(wb);
  wb.MethodTag = "NG";
  InitNG(wb, method);
  wb.Epoch = 1;
  wb.NGStep = wb.NGdelta;
  // The grid search's figures and chart scale belong to this run.
  wb.InitialNumOfVectors = wb.NumOfVectors;
  wb.StepFactorSum = 0.0;
  wb.MaxStepFactor = 0.0;
  wb.SectionCurveCount = 0;
  wb.CurrentError = NGRuleError(wb);
  while (wb.Epoch <= wb.NumOfEpochs && wb.CurrentError > wb.StopError) {
    wb.GradSumSq = 0.0;
    if (wb.NumOfParts > 1) RefillBatch(wb);
    wb.NGRefError = ComputeError(wb, NGOptions(wb), static_cast<std::uint8_t>(wb.ErrorTFKind));
    ProbeWeightsRelative(wb, wb.Epoch);
    wb.StepResult = StepAlongDirection(wb, method);
    SaveWeights(wb, 1);
    wb.Plat.ProcessEvents();
    wb.Epoch += 1;
    wb.NGStep *= 0.86;
  }
  DrawChartFrame(wb);
  if (wb.Form1.ChartH.Checked()) CallNGSectionShow(wb);
}

}  // namespace wl
