#include "training/run_end.h"

#include "state/hooks.h"
#include "state/workbench.h"
#include "training/prepare_run.h"

namespace wl {

void ExportWeightMatrixAtRunEnd(Workbench& wb, bool always) {
  FitRecordsToNetwork(wb);
  if (always || wb.Form1.MatLabBox.Checked() || wb.Form1.FastICABox.Checked()) CallWeightMatrixExport(wb);
}

}  // namespace wl
