#include "state/hooks.h"

#include <string>

#include "platform/errors.h"
#include "state/workbench.h"

namespace wl {

HooksTable& DefaultHooks() {
  static HooksTable table;
  return table;
}

void CallRunPrepared(Workbench& wb, int epochs) {
  if (wb.Hooks.RunPrepared) wb.Hooks.RunPrepared(wb, epochs);
}

void CallEpochDone(Workbench& wb, int epoch, double error) {
  if (wb.Hooks.EpochDone) wb.Hooks.EpochDone(wb, epoch, error);
}

void CallDetailPoint(Workbench& wb, int epoch, int layerIndex, int neuron, int weightIndex, int ordinal, double error,
                     double step) {
  if (wb.Hooks.DetailPoint) wb.Hooks.DetailPoint(wb, epoch, layerIndex, neuron, weightIndex, ordinal, error, step);
}

void CallRunEnded(Workbench& wb) {
  if (wb.Hooks.RunEnded) wb.Hooks.RunEnded(wb);
}

void CallWeightMatrixExport(Workbench& wb) {
  if (wb.Hooks.WeightMatrixExport) wb.Hooks.WeightMatrixExport(wb);
}

void CallRepresentationHook(Workbench& wb, int epoch) {
  if (wb.Hooks.RepresentationHook) wb.Hooks.RepresentationHook(wb, epoch);
}

void CallNGSectionAxes(Workbench& wb) {
  if (wb.Hooks.NGSectionAxes) wb.Hooks.NGSectionAxes(wb);
}

void CallNGSectionCurve(Workbench& wb, int i, int n) {
  if (wb.Hooks.NGSectionCurve) wb.Hooks.NGSectionCurve(wb, i, n);
}

void CallNGSectionPoint(Workbench& wb, double x, double y, bool first) {
  if (wb.Hooks.NGSectionPoint) wb.Hooks.NGSectionPoint(wb, x, y, first);
}

void CallNGSectionFrame(Workbench& wb) {
  if (wb.Hooks.NGSectionFrame) wb.Hooks.NGSectionFrame(wb);
}

void CallNGSectionShow(Workbench& wb) {
  if (wb.Hooks.NGSectionShow) wb.Hooks.NGSectionShow(wb);
}

void CallDrawESSections(Workbench& wb, int mode) {
  if (wb.Hooks.DrawESSections) wb.Hooks.DrawESSections(wb, mode);
}

void CallPlotVContraDW(Workbench& wb, int mode) {
  if (wb.Hooks.PlotVContraDW) wb.Hooks.PlotVContraDW(wb, mode);
}

namespace {

template <class F>
F Required(F f, const char* what) {
  if (!f) throw WlError(std::string(what) + " is not available in this program.");
  return f;
}

}  // namespace

int CallCreateSMLPNetwork(Workbench& wb) { return Required(wb.Hooks.CreateSMLPNetwork, "The SMLP network")(wb); }

double CallEvaluateNetwork(Workbench& wb) { return Required(wb.Hooks.EvaluateNetwork, "The step networks' error")(wb); }

void CallForwardStepNetwork(Workbench& wb, int v) {
  Required(wb.Hooks.ForwardStepNetwork, "The step networks' forward pass")(wb, v);
}

void CallRunSMLP(Workbench& wb, std::uint8_t mode) { Required(wb.Hooks.RunSMLP, "The SMLP experiment")(wb, mode); }

bool CallCreateFiveLayerNet(Workbench& wb) {
  return Required(wb.Hooks.CreateFiveLayerNet, "The five-layer N-of-M network")(wb);
}
void CallSignFirstLayerWeights(Workbench& wb) { Required(wb.Hooks.SignFirstLayerWeights, "Join W")(wb); }

bool CallDiscretizeContinuousFeatures(Workbench& wb, bool lUnits) {
  return Required(wb.Hooks.DiscretizeContinuousFeatures, "Discretization")(wb, lUnits);
}

bool CallWriteResultFile(Workbench& wb, std::uint8_t mode, void (*after)(Workbench& wb)) {
  return Required(wb.Hooks.WriteResultFile, "The result report")(wb, mode, after);
}

void CallWriteVectorListing(Workbench& wb) { Required(wb.Hooks.WriteVectorListing, "The vector listing")(wb); }

void CallStepCVRunStart(Workbench& wb, std::uint8_t method) {
  Required(wb.Hooks.StepCVRunStart, "The step networks' crossvalidation")(wb, method);
}

bool CallStepCVTrain(Workbench& wb, std::uint8_t method) {
  return Required(wb.Hooks.StepCVTrain, "The step networks' crossvalidation")(wb, method);
}

void CallStepCVTest(Workbench& wb, std::uint8_t method) {
  Required(wb.Hooks.StepCVTest, "The step networks' crossvalidation")(wb, method);
}

}  // namespace wl
