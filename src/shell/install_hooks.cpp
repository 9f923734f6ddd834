#include "shell/install_hooks.h"

#include "analysis/direction_scans.h"
#include "analysis/ng_section.h"
#include "analysis/progress_plot.h"
#include "analysis/weight_matrix.h"
#include "experiments/discretization.h"
#include "experiments/representation_hook.h"
#include "experiments/result_report.h"
#include "smlp/smlp_crossvalidation.h"
#include "smlp/nofm_five_layer.h"
#include "smlp/smlp_driver.h"
#include "smlp/smlp_network.h"
#include "smlp/vss_smlp.h"

namespace wl {

void InstallHooks(HooksTable& hooks) {
  hooks.RunPrepared = [](Workbench& wb, int epochs) { InitTrainingProgressPlot(wb, epochs, false); };
  hooks.EpochDone = PlotTrainingProgressEpoch;
  hooks.DetailPoint = PlotTrainingDetail;
  hooks.RunEnded = FinishTrainingProgressPlot;
  hooks.WeightMatrixExport = BuildWMForMatlabAtRunEnd;
  hooks.RepresentationHook = TrainingEpochHook;
  hooks.NGSectionAxes = DrawNGSectionAxes;
  hooks.NGSectionCurve = DrawNGSectionCurve;
  hooks.NGSectionPoint = NGSectionPoint;
  hooks.NGSectionFrame = FrameNGSection;
  hooks.NGSectionShow = ShowNGSection;
  hooks.DrawESSections = DrawESSections;
  hooks.PlotVContraDW = PlotVContraDW;
  hooks.CreateSMLPNetwork = CreateSMLPNetwork;
  hooks.EvaluateNetwork = EvaluateNetwork;
  hooks.ForwardStepNetwork = ForwardStepNetwork;
  hooks.RunSMLP = [](Workbench& wb, std::uint8_t mode) { RunSMLP(wb, mode); };
  hooks.CreateFiveLayerNet = CreateFiveLayerNet;
  hooks.SignFirstLayerWeights = SignFirstLayerWeights;
  hooks.DiscretizeContinuousFeatures = [](Workbench& wb, bool lUnits) {
    return DiscretizeContinuousFeatures(wb, lUnits) == DiscretizationOutcome::ReadBack;
  };
  hooks.WriteResultFile = WriteResultFile;
  hooks.WriteVectorListing = WriteVectorListing;
  hooks.StepCVRunStart = SMLPCVRunStart;
  hooks.StepCVTrain = SMLPCVTrain;
  hooks.StepCVTest = SMLPCVTest;
}

}  // namespace wl
