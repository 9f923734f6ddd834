#pragma once
// The program-wide state of numerical-gradient training: the step size, the direction and its helpers,
// the E(h) section chart's geometry and the run's text files.
#include <string>
#include <vector>

#include "platform/paths.h"
#include "state/eval_options.h"
#include "state/training_state.h"

namespace wl {

struct NGState {
  double NGStep = 0.0;       // h, the current step size
  double NGRefError = 0.0;   // the error at the start of the current epoch
  double NGStartError = 0.0;
  double NGInputCount = 0.0;  // NumOfVectors * Layers[0]
  double StepResult = 0.0;    // what the step rule of the last epoch returned
  double GradSumSq = 0.0;     // sum of the squared direction components, and its root
  double NormV = 0.0;
  int InitialNumOfVectors = 0;  // NumOfVectors at the start of the run (border vectors may shrink it)

  // One component per weight, in the weights' own layout (one row): the direction V; per weight the
  // previous grid step V * t (momentum); the previous epoch's component (weight freezing); the error of
  // the better side (normalised rule); the offset of the error minimum along the weight (weight-direction
  // scans). Sizing keeps the values of a previous run on a network of the same shape.
  WeightRecords<double> SearchDirection, PrevStep, PrevDirection, SideError, VdwData;

  // The grid search's bookkeeping over one run: the sum and the largest chosen step factor, and the
  // number of E(h) curves started.
  double StepFactorSum = 0.0, MaxStepFactor = 0.0;
  int SectionCurveCount = 0;

  // The evaluation options of the current run: read when the run starts, again when one of their controls
  // changed; NetworkFits once a full evaluation has checked the network against the data set.
  EvalOptions NGEval;
  bool NGEvalRead = false;

  // The weights on entry to the accelerating step (working storage, sized once per network).
  std::vector<double> NGEntryWeights;

  // The E(h) chart, in pixels at point size 1.
  int NGChartWidth = 590, NGChartHeight = 510, NGChartMargin = 30, NGChartPlotWidth = 530,
      NGChartPlotHeight = 450;
  bool ChartDrawn = false;

  // The log of the NG beam (ResultsPrefix + "_xng.txt"). It has a name of its own so that the result
  // reports, which keep theirs in ResultsFileName, never write into it.
  std::string NGLogFileName;
  // The run's text files, open only while a run writes them: one chosen step factor per epoch
  // ("_optH.txt"), one direction per epoch ("_nggradients.txt") and the beam log. Each is published as
  // far as the run got when an error ends it, unless a write of the log itself failed.
  AtomicOfstream OptHFile{AtomicOfstream::RunLog}, GradientsFile{AtomicOfstream::RunLog},
      NGLogFile{AtomicOfstream::RunLog};

  // The weight-direction scans (training/direction_scan.h): per weight of the neuron whose sections are
  // drawn, 202 slots of which a scan fills the first 201 sampled errors; the scan log "_LogWMD.txt" while
  // a scan command writes it.
  std::vector<std::vector<double>> SectionSamples;
  AtomicOfstream LogWMDFile{AtomicOfstream::RunLog};
};

}  // namespace wl
