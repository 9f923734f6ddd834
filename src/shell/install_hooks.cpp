#include "shell/install_hooks.h"

#include "analysis/ng_section.h"
#include "analysis/progress_plot.h"
#include "analysis/weight_matrix.h"
#include "experiments/representation_hook.h"

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
}

}  // namespace wl
