#include <vector>

#include "model/weights_file.h"
#include "shell/command.h"

namespace wl {

// The "Weights" menu and the "EL F" button.
void AddWeightsHandlers(std::vector<HandlerRow>& t) {
  t.push_back({"ShowWeights1", ControlEvent::MouseReleased, [](Workbench& wb) { SaveWeights(wb, 3); }});
  t.push_back({"LoadWeightsfromFile1", ControlEvent::MouseReleased, [](Workbench& wb) { LoadWeights(wb, ""); }});
  t.push_back({"SaveCurrentWeightstoFile1", ControlEvent::MouseReleased, [](Workbench& wb) { SaveWeights(wb, 1); }});
  t.push_back({"ELFButton", ControlEvent::MouseReleased, [](Workbench& wb) { EliminateFeaturesByWeights(wb); }});
}

}  // namespace wl
