#include <vector>

#include "model/data_file.h"
#include "shell/command.h"

namespace wl {

// Menu "Open".
void AddDataHandlers(std::vector<HandlerRow>& t) {
  t.push_back({"Simple1", ControlEvent::MouseReleased, [](Workbench& wb) { OpenDataFile(wb, 0); }});
}

}  // namespace wl
