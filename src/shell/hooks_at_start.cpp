// Fills the default hooks table when the program starts, before any Workbench is made. This file is
// compiled into every program that links wl_core (see src/CMakeLists.txt), so no program can run with
// an empty table by forgetting a call.
#include "shell/install_hooks.h"

namespace wl {
namespace {

const bool kHooksInstalled = (InstallHooks(DefaultHooks()), true);

}  // namespace
}  // namespace wl
