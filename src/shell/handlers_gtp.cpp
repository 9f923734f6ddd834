#include <vector>

#include "analysis/progress_plot.h"
#include "shell/command.h"

namespace wl {

// The training-progress window's buttons.
const std::vector<HandlerRow>& GTPHandlerTable() {
  static const std::vector<HandlerRow> table = {
      {"Button1", ControlEvent::MouseReleased, [](Workbench& wb) { SaveProgressPicture(wb); }},
      {"Button2", ControlEvent::MouseReleased, [](Workbench& wb) { SaveProgressPictureAs(wb); }},
      {"ResizeButton", ControlEvent::MouseReleased, [](Workbench& wb) { ResizeTrainingProgressPlot(wb); }},
      {"Button3", ControlEvent::MouseReleased, [](Workbench& wb) { CompareErrorsButton(wb); }},
  };
  return table;
}

// Run through the command boundary like the main window's.
int ConnectGTPHandlers(Workbench& wb) { return ConnectHandlerRows(wb, wb.GTP, GTPHandlerTable()); }

}  // namespace wl
