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
// First the weight-matrix fields the run's command set for it (ApplyWeightMatrixFieldsForRun).
// The export is made only when "from WM", "to WM" and "every WM" fit the run's epochs; otherwise a
// plain message says why no matrix was exported (also for a run of no epoch).
void ExportWeightMatrixAtRunEnd(Workbench& wb, bool always = false);

// True when the chosen epochs of the weight matrix ("from WM" .. "to WM", "every WM") fit the run's
// NumOfEpochs; else false with the reason in plain words. Fields that hold no integer count as fitting
// (the export's own check names them).
bool WeightMatrixRangeFits(Workbench& wb, std::string& why);

// While it lives, the run a command starts sets the weight-matrix fields of the run (RunWMFields) at its
// end, before its matrix is exported (ExportWeightMatrixAtRunEnd): a run refused, before it starts or in its
// course, leaves them as they were. The fields are set at most once; the guard's end drops what was not
// applied.
class WeightMatrixFieldsForRun {
 public:
  WeightMatrixFieldsForRun(Workbench& wb, bool clamp);
  ~WeightMatrixFieldsForRun();
  WeightMatrixFieldsForRun(const WeightMatrixFieldsForRun&) = delete;
  WeightMatrixFieldsForRun& operator=(const WeightMatrixFieldsForRun&) = delete;

 private:
  Workbench& wb_;
};

// The end of a run applies the fields a command set for it, if any (ExportWeightMatrixAtRunEnd, and the
// numerical gradient before it fits the range to the epochs it ran).
void ApplyWeightMatrixFieldsForRun(Workbench& wb);

// The same fields as that run would set them, for ReadParameters to check before the run: with "full WM"
// the values the run will give them. Returns the texts they had, to be put back (RestoreWMFields).
struct WMFieldTexts {
  std::string To, Every, Any;
};
WMFieldTexts PreviewWeightMatrixFields(Workbench& wb);
void RestoreWMFields(Workbench& wb, const WMFieldTexts& texts);

}  // namespace wl
