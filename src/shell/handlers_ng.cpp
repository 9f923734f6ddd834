#include <string>
#include <vector>

#include "analysis/ng_section.h"
#include "platform/numfmt.h"
#include "shell/command.h"
#include "training/ng_beam.h"
#include "training/ng_train.h"

namespace wl {

namespace {

// The beam replaces the plain run for the methods that have one when "NG Beam Width" is above 1.
void NGOrBeam(Workbench& wb, std::uint8_t method) {
  if (StrToInt(Trim(wb.Form1.NGBW.Text())) > 1)
    TrainNGBeam(wb, method);
  else
    NGTrain(wb, method);
}

}  // namespace

// Menu "NG Training": numerical-gradient training by its probing rules.
void AddNGHandlers(std::vector<HandlerRow>& t) {
  t.push_back({"NG_old", ControlEvent::MouseReleased, [](Workbench& wb) { TimedRun(wb, [&wb] { NGOrBeam(wb, 1); }); }});
  t.push_back({"NG_max", ControlEvent::MouseReleased, [](Workbench& wb) { NGTrain(wb, 2); }});
  t.push_back({"deltaW01", ControlEvent::MouseReleased, [](Workbench& wb) { NGTrain(wb, 3); }});
  t.push_back({"GlobalthenLocal1", ControlEvent::MouseReleased, [](Workbench& wb) { NGTrain(wb, 10); }});
  t.push_back({"GlobalLocal1", ControlEvent::MouseReleased, [](Workbench& wb) { NGTrainGlobalToLocal(wb, 1); }});
  t.push_back({"OldNewOldifneeded1", ControlEvent::MouseReleased, [](Workbench& wb) { NGOrBeam(wb, 4); }});
}

// The NG error-section window's buttons.
const std::vector<HandlerRow>& NGFHandlerTable() {
  static const std::vector<HandlerRow> table = {
      {"Button1", ControlEvent::MouseReleased, [](Workbench& wb) { SaveNGSection(wb); }},
      {"Button2", ControlEvent::MouseReleased, [](Workbench& wb) { SaveNGSectionAs(wb); }},
  };
  return table;
}

// Run through the command boundary like the main window's.
int ConnectNGFHandlers(Workbench& wb) { return ConnectHandlerRows(wb, wb.NGF, NGFHandlerTable()); }

}  // namespace wl
