#pragma once
// Reading the evaluation options (state/eval_options.h) from the main window. A run reads them once;
// the Workbench holds a copy for the callers of the plain evaluator forms (TrainingSetError(wb), ...),
// which is read again only after one of its controls changed.
#include "state/eval_options.h"

namespace wl {

struct Workbench;

// Reads the options from the main window: DefClassBox, entrBox, OutsideBox, WeightedErrorBox, WymEdit,
// StartWEdit, pmwEdit and the structure buttons. NetworkFits is false.
EvalOptions ReadEvalOptions(const Workbench& wb);

// The Workbench's copy, read again when a control it depends on has changed since it was read.
const EvalOptions& HeldEvalOptions(Workbench& wb);

// The number, or the error its text gives.
double NumberOf(const OptionNumber& n);

}  // namespace wl
