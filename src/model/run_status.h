#pragma once
// The training-status fields of the main window's "Training Progress" group that say what the last run
// was and what it ran on: the method label (Label19) and the number of training vectors (ENVEdit), with
// the result fields beside them (epoch, error, rates, evaluation count, h, ||W||; the run time is the
// timing commands' own). The method label and the vector count are written here only. The user's reading
// of a data set (OpenDataFile) makes every field empty (what they showed belonged to the set before); a run
// starts by emptying them and showing its vector count, and names its method, so that no field keeps the
// text of a run of another method or on another data set.
#include <string>

namespace wl {

struct Workbench;

// Every status field empty; the method label too.
void ClearRunStatus(Workbench& wb);
// A run starts: the result fields empty, NumOfVectors in ENVEdit. The method label is left to the run,
// which names itself with ShowRunMethod (some before, some after this call).
void StartRunStatus(Workbench& wb);
// The method label alone (a run that names the step it is at: the feature being tried, say).
void ShowRunMethod(Workbench& wb, const std::string& text);
// ENVEdit := NumOfVectors (the training set changed size during the run).
void ShowRunVectors(Workbench& wb);

}  // namespace wl
