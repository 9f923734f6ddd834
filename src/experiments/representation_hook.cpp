#include "experiments/representation_hook.h"

namespace wl {

// The representation records are not kept yet: the hook has nothing to record.
void TrainingEpochHook(Workbench& wb, int epoch) {}

}  // namespace wl
