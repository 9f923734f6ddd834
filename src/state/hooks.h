#pragma once
// The calls that run up the floors. A trainer reports its run to the progress plot, and the plot and the
// run preparation call the hidden-representation analysis; both sit on floors above the caller. The
// caller goes through this table instead, which shell/ fills at start-up (shell/install_hooks.cpp), so
// that every program linking the shell (the application, the script driver, the tests, the benchmarks)
// runs the same wiring. A Workbench copies the table when it is made; a test may replace an entry of its
// own Workbench's copy. An empty entry does nothing.
#include <cstdint>

namespace wl {

struct Workbench;

struct HooksTable {
  // The run is prepared: the training-progress plot opened for epochs 0 .. epochs.
  void (*RunPrepared)(Workbench& wb, int epochs) = nullptr;
  // Epoch e of a run is done with this error (the plot's epoch: records the weight norm, draws, calls the
  // representation hook).
  void (*EpochDone)(Workbench& wb, int epoch, double error) = nullptr;
  // A one-change trainer visited a weight (layer layerIndex + 1, neuron, weight index; ordinal: weights
  // visited before it in this epoch) with the accepted error and step.
  void (*DetailPoint)(Workbench& wb, int epoch, int layerIndex, int neuron, int weightIndex, int ordinal,
                      double error, double step) = nullptr;
  // The run ended (the plot finished).
  void (*RunEnded)(Workbench& wb) = nullptr;
  // The end of a run for the Matlab analysis: the weight matrix built and exported (BuildWMForMatlab).
  void (*WeightMatrixExport)(Workbench& wb) = nullptr;
  // The hidden-representation analysis after an epoch (0: the run's start, -1: the validation-set report).
  void (*RepresentationHook)(Workbench& wb, int epoch) = nullptr;
  // The NG error-section chart of numerical-gradient training: a new chart with its axes; curve i started
  // with its legend number n; a point of the current curve at chart coordinates (first: only move there);
  // the white frame round the chart; the chart copied to its window.
  void (*NGSectionAxes)(Workbench& wb) = nullptr;
  void (*NGSectionCurve)(Workbench& wb, int i, int n) = nullptr;
  void (*NGSectionPoint)(Workbench& wb, double x, double y, bool first) = nullptr;
  void (*NGSectionFrame)(Workbench& wb) = nullptr;
  void (*NGSectionShow)(Workbench& wb) = nullptr;
  // The weight-direction pictures of numerical-gradient training with "V contra dW": DrawESSections in a
  // mode (1 new pictures, 2 shown) and PlotVContraDW in a mode (2 scaled and drawn, 3 the second epoch).
  void (*DrawESSections)(Workbench& wb, int mode) = nullptr;
  void (*PlotVContraDW)(Workbench& wb, int mode) = nullptr;

  // The step-function networks (smlp/), for the network builder, the reports, crossvalidation and batch
  // tasks: build the SMLP when the "SMLP" structure is chosen (the builder's result); the error of the
  // current step network with its accuracy variables; the forward pass of one vector by the network's
  // kind; the SMLP experiment driver in a mode.
  int (*CreateSMLPNetwork)(Workbench& wb) = nullptr;
  double (*EvaluateNetwork)(Workbench& wb) = nullptr;
  void (*ForwardStepNetwork)(Workbench& wb, int v) = nullptr;
  void (*RunSMLP)(Workbench& wb, std::uint8_t mode) = nullptr;
  // The five-layer N-of-M network built anew, for LoadWeights while NetKind is 11 (false after a message).
  bool (*CreateFiveLayerNet)(Workbench& wb) = nullptr;
  // "Join W" before a crossvalidation test: hidden neuron 0's first-layer weights signed.
  void (*SignFirstLayerWeights)(Workbench& wb) = nullptr;
  // The experiments (experiments/), for the SMLP runs: the discretization of continuous features (false:
  // the L-unit route, which reads no file back), the result report in a mode (false when it wrote
  // nothing; `after`, when given, writes further lines at its end) and the per-vector listing into the
  // open report.
  bool (*DiscretizeContinuousFeatures)(Workbench& wb, bool lUnits) = nullptr;
  bool (*WriteResultFile)(Workbench& wb, std::uint8_t mode, void (*after)(Workbench& wb)) = nullptr;
  void (*WriteVectorListing)(Workbench& wb) = nullptr;
  // Crossvalidation of the step networks (smlp/), for the crossvalidation of experiments/: the start of a
  // run (also once before the runs; it may refuse them by throwing WlError), the training on the fold's training set just read (false: nothing was trained, after a message)
  // and the test on the fold's test set just read (TestingMode set), each by the method.
  void (*StepCVRunStart)(Workbench& wb, std::uint8_t method) = nullptr;
  bool (*StepCVTrain)(Workbench& wb, std::uint8_t method) = nullptr;
  void (*StepCVTest)(Workbench& wb, std::uint8_t method) = nullptr;
};

// The table every new Workbench starts from.
HooksTable& DefaultHooks();

// The calls through a Workbench's table.
void CallRunPrepared(Workbench& wb, int epochs);
void CallEpochDone(Workbench& wb, int epoch, double error);
void CallDetailPoint(Workbench& wb, int epoch, int layerIndex, int neuron, int weightIndex, int ordinal, double error,
                     double step);
void CallRunEnded(Workbench& wb);
void CallWeightMatrixExport(Workbench& wb);
void CallRepresentationHook(Workbench& wb, int epoch);
void CallNGSectionAxes(Workbench& wb);
void CallNGSectionCurve(Workbench& wb, int i, int n);
void CallNGSectionPoint(Workbench& wb, double x, double y, bool first);
void CallNGSectionFrame(Workbench& wb);
void CallNGSectionShow(Workbench& wb);
void CallDrawESSections(Workbench& wb, int mode);
void CallPlotVContraDW(Workbench& wb, int mode);
// The step networks' and the experiments' entries: an empty one throws WlError (the program was built
// without them), since their callers cannot go on without the result.
int CallCreateSMLPNetwork(Workbench& wb);
double CallEvaluateNetwork(Workbench& wb);
void CallForwardStepNetwork(Workbench& wb, int v);
void CallRunSMLP(Workbench& wb, std::uint8_t mode);
bool CallCreateFiveLayerNet(Workbench& wb);
void CallSignFirstLayerWeights(Workbench& wb);
bool CallDiscretizeContinuousFeatures(Workbench& wb, bool lUnits);
bool CallWriteResultFile(Workbench& wb, std::uint8_t mode, void (*after)(Workbench& wb) = nullptr);
void CallWriteVectorListing(Workbench& wb);
void CallStepCVRunStart(Workbench& wb, std::uint8_t method);
bool CallStepCVTrain(Workbench& wb, std::uint8_t method);
void CallStepCVTest(Workbench& wb, std::uint8_t method);

}  // namespace wl
