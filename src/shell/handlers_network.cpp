#include <vector>

#include "model/create_network.h"
#include "shell/command.h"

namespace wl {

// Menu "Create Network": one initial-weight scheme per item.
void AddNetworkHandlers(std::vector<HandlerRow>& t) {
  t.push_back({"DeterministicValues", ControlEvent::MouseReleased, [](Workbench& wb) { CreateNetwork(wb, 1); }});
  t.push_back({"RandomValues", ControlEvent::MouseReleased, [](Workbench& wb) { CreateNetwork(wb, 2); }});
  t.push_back({"DetermLinearInput1", ControlEvent::MouseReleased, [](Workbench& wb) { CreateNetwork(wb, 3); }});
  t.push_back({"RandomLinearInput1", ControlEvent::MouseReleased, [](Workbench& wb) { CreateNetwork(wb, 4); }});
  t.push_back({"RandomLinearInteger1", ControlEvent::MouseReleased, [](Workbench& wb) { CreateNetwork(wb, 5); }});
  t.push_back({"RandomSigmoidInteger1", ControlEvent::MouseReleased, [](Workbench& wb) { CreateNetwork(wb, 6); }});
}

}  // namespace wl
