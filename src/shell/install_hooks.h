#pragma once
// The wiring of the hooks table: the upward calls of the lower floors to the routines above them.
#include "state/hooks.h"

namespace wl {

void InstallHooks(HooksTable& hooks);

}  // namespace wl
