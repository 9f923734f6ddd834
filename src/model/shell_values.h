#pragma once
// The program-wide values that the shell sets and every subsystem reads: the progress trace, the
// font percentage and the timed-run clock.
#include <cstdint>
#include <string>

namespace wl {

struct ShellValues {
  std::string ProgressStage = "0", ProgressStep = "0", ProgressSubStep = "0";
  int FontPct = 120;
  std::int64_t StartTime = 0, ElapsedTime = 0;
  std::string ResultsDir;
};

}  // namespace wl
