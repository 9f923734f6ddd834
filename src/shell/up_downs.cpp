#include "shell/up_downs.h"

#include "analysis/trajectory_2d.h"
#include "analysis/trajectory_3d.h"
#include "shell/command.h"

namespace wl {

const std::vector<UpDownRow>& UpDownTable() {
  static const std::vector<UpDownRow> table = {
      {"LT2", "UpDown1", [](Workbench& wb, bool up) { TR2DUpDownClick(wb, 1, up); }},
      {"LT2", "UpDown2", [](Workbench& wb, bool up) { TR2DUpDownClick(wb, 2, up); }},
      {"LT2", "UpDown3", [](Workbench& wb, bool up) { TR2DUpDownClick(wb, 3, up); }},
      {"LT3", "UpDown1", [](Workbench& wb, bool up) { TR3DUpDownClick(wb, 1, up); }},
      {"LT3", "UpDown2", [](Workbench& wb, bool up) { TR3DUpDownClick(wb, 2, up); }},
      {"LT3", "UpDown3", [](Workbench& wb, bool up) { TR3DUpDownClick(wb, 3, up); }},
      {"LT3", "UpDown4", [](Workbench& wb, bool up) { TR3DUpDownClick(wb, 4, up); }},
  };
  return table;
}

const UpDownRow* FindUpDown(const std::string& window, const std::string& control) {
  for (const UpDownRow& r : UpDownTable())
    if (r.Window == window && r.Control == control) return &r;
  return nullptr;
}

bool ClickUpDown(Workbench& wb, const std::string& window, const std::string& control, bool up) {
  const UpDownRow* row = FindUpDown(window, control);
  if (!row) return false;
  return RunCommand(wb, [&] { row->Run(wb, up); });
}

}  // namespace wl
