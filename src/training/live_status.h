#pragma once
// What the main window's "Training Progress" group shows while a run goes on: at each pass of the event
// pump (a few times a second) the time since the run started ("Time", TrainingEdit), the norm of the
// network's weights ("||W||", modWEdit) and the transfer-function evaluations so far ("TF evaluations",
// alsigEdit). What the run writes at its end stands over them.
#include <cstdint>

namespace wl {

struct Workbench;

// Shows the run's figures from its construction to its end (also when an error ends the run).
class LiveRunStatus {
 public:
  explicit LiveRunStatus(Workbench& wb);
  ~LiveRunStatus();
  LiveRunStatus(const LiveRunStatus&) = delete;
  LiveRunStatus& operator=(const LiveRunStatus&) = delete;

 private:
  void Show();

  Workbench& wb_;
  std::int64_t startMs_;
  bool installed_ = false;
};

}  // namespace wl
