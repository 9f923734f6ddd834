#include <vector>

#include "model/settings_file.h"
#include "shell/command.h"

namespace wl {

// Menu "Tools" -> "Parameters": the run's parameter file, opened in the editor.
void AddSettingsHandlers(std::vector<HandlerRow>& t) {
  t.push_back({"Parameters1", ControlEvent::MouseReleased, [](Workbench& wb) { ShowParameterFile(wb); }});
}

}  // namespace wl
