#include <vector>

#include "analysis/representation_windows.h"
#include "shell/command.h"

namespace wl {

// "Show" of the "Plots" tab.
void AddRepresentationHandlers(std::vector<HandlerRow>& t) {
  t.push_back({"IRButton", ControlEvent::MouseReleased, [](Workbench& wb) { ShowRepresentations(wb); }});
}

// The buttons of the four representation windows, and the output window's epoch selector.
const std::vector<HandlerRow>& RepresentationHandlerTable(const std::string& window) {
  static const std::vector<HandlerRow> hrf = {
      {"Button1", ControlEvent::MouseReleased, [](Workbench& wb) { SaveRepresentationPicture(wb, wb.HRF, false); }},
      {"Button2", ControlEvent::MouseReleased, [](Workbench& wb) { SaveRepresentationPicture(wb, wb.HRF, true); }},
  };
  static const std::vector<HandlerRow> orf = {
      {"Button1", ControlEvent::MouseReleased, [](Workbench& wb) { SaveRepresentationPicture(wb, wb.ORF, false); }},
      {"Button2", ControlEvent::MouseReleased, [](Workbench& wb) { SaveRepresentationPicture(wb, wb.ORF, true); }},
      {"SE", ControlEvent::TextChanged, [](Workbench& wb) { RepresentationEpochChanged(wb); }},
  };
  static const std::vector<HandlerRow> hpf = {
      {"Button1", ControlEvent::MouseReleased, [](Workbench& wb) { SaveRepresentationPicture(wb, wb.HPF, false); }},
      {"Button2", ControlEvent::MouseReleased, [](Workbench& wb) { SaveRepresentationPicture(wb, wb.HPF, true); }},
  };
  static const std::vector<HandlerRow> opf = {
      {"Button1", ControlEvent::MouseReleased, [](Workbench& wb) { SaveRepresentationPicture(wb, wb.OPF, false); }},
      {"Button2", ControlEvent::MouseReleased, [](Workbench& wb) { SaveRepresentationPicture(wb, wb.OPF, true); }},
  };
  if (window == "HRF") return hrf;
  if (window == "ORF") return orf;
  if (window == "HPF") return hpf;
  return opf;
}

int ConnectRepresentationHandlers(Workbench& wb) {
  ConnectHandlerRows(wb, wb.HRF, RepresentationHandlerTable("HRF"));
  ConnectHandlerRows(wb, wb.ORF, RepresentationHandlerTable("ORF"));
  ConnectHandlerRows(wb, wb.HPF, RepresentationHandlerTable("HPF"));
  return ConnectHandlerRows(wb, wb.OPF, RepresentationHandlerTable("OPF"));
}

}  // namespace wl
