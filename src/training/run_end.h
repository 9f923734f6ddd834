#pragma once
// The steps every trainer takes at the end of its run, after its progress plot is finished.
#include <string>

namespace wl {

struct Workbench;

// The records of a run that pruned inputs fitted to the network as it now is (FitRecordsToNetwork); then
// the weight matrix for the Matlab analysis: when "PCA in Matlab (pc6.m)" or "ICA in Matlab (fastica.m)"
// is chosen (with always, whatever they say), BuildWMForMatlab builds the matrix of the chosen epochs from
// the run's weight history and writes "PCA/WM_weightlab.txt" for PCA in Matlab. Its result is not looked
// at; a fault it meets is shown and the run ends as it would. Call it once, before the run's epoch count
// is settled (a run stopped early still counts its stopping epoch here).
// With always, the export is made only when "from WM", "to WM" and "every WM" fit the run's epochs;
// otherwise a plain message says why no matrix was exported.
void ExportWeightMatrixAtRunEnd(Workbench& wb, bool always = false);

// True when the chosen epochs of the weight matrix ("from WM" .. "to WM", "every WM") fit the run's
// NumOfEpochs; else false with the reason in plain words. Fields that hold no integer count as fitting
// (the export's own check names them).
bool WeightMatrixRangeFits(Workbench& wb, std::string& why);

}  // namespace wl
