#include <string>

#include "analysis/progress_plot.h"
#include "shell/command.h"

namespace wl {

// The training-progress window's buttons, run through the command boundary like the main window's.
int ConnectGTPHandlers(Workbench& wb) {
  return wb.GTP.AddListener([&wb](const ControlNotice& n) {
    if (!n.Source || n.Event != ControlEvent::MouseReleased || n.By != ChangeSource::User) return;
    const std::string& name = n.Source->Name();
    if (name == "Button1") {
      RunCommand(wb, [&] { SaveProgressPicture(wb); });
    } else if (name == "Button2") {
      RunCommand(wb, [&] { SaveProgressPictureAs(wb); });
    } else if (name == "ResizeButton") {
      RunCommand(wb, [&] { ResizeTrainingProgressPlot(wb); });
    } else if (name == "Button3") {
      RunCommand(wb, [&] { CompareErrorsButton(wb); });
    }
  });
}

}  // namespace wl
