#include <vector>

#include "shell/command.h"
#include "shell/data_visualization.h"
#include "shell/font_window.h"
#include "shell/picture_viewer.h"

namespace wl {

// Menu "Tools" and the "S+P" button of the "SMLP" tab.
void AddToolsHandlers(std::vector<HandlerRow>& t) {
  using E = ControlEvent;
  t.push_back({"Fonts2", E::MouseReleased, [](Workbench& wb) { ShowFontsForm(wb); }});
  t.push_back({"Graphical1", E::MouseReleased, [](Workbench& wb) { ShowDataVisualization(wb); }});
  t.push_back({"Browser1", E::MouseReleased, [](Workbench& wb) { ShowPictureViewer(wb); }});
  t.push_back({"R", E::MouseReleased, [](Workbench& wb) { WriteSquareDataSet(wb); }});
}

// The font window's buttons: pressed (a click, or Enter or Space on the button), never by the focus passing
// over them, so that the keyboard reaches every control of the window.
const std::vector<HandlerRow>& Form2HandlerTable() {
  static const std::vector<HandlerRow> table = {
      {"Button1", ControlEvent::MouseReleased, [](Workbench& wb) { FontsOK(wb); }},
      {"Button2", ControlEvent::MouseReleased, [](Workbench& wb) { FontsCancel(wb); }},
  };
  return table;
}

int ConnectForm2Handlers(Workbench& wb) { return ConnectHandlerRows(wb, wb.Form2, Form2HandlerTable()); }

}  // namespace wl
