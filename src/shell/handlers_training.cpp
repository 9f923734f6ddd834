#include <vector>

#include "model/read_parameters.h"
#include "shell/command.h"
#include "training/backprop.h"
#include "training/mlp_beam_search.h"
#include "training/one_change.h"
#include "training/two_changes.h"

namespace wl {

// Menu "SM Training": the one- and two-change searches as timed runs, the beam search, and
// backpropagation.
void AddTrainingHandlers(std::vector<HandlerRow>& t) {
  t.push_back({"Random1change", ControlEvent::MouseReleased, [](Workbench& wb) {
                 TimedRun(wb, [&wb] {
                   if (wb.Form1.AccBadCheck.Checked())
                     Train1ChangeAccBad(wb, 1);
                   else
                     TrainOneChange(wb, 1);
                 });
               }});
  t.push_back({"Discrete1change", ControlEvent::MouseReleased,
               [](Workbench& wb) { TimedRun(wb, [&wb] { TrainOneChange(wb, 2); }); }});
  t.push_back({"Random2changes", ControlEvent::MouseReleased,
               [](Workbench& wb) { TimedRun(wb, [&wb] { TrainTwoChanges(wb, 1); }); }});
  t.push_back({"Discrete2changes", ControlEvent::MouseReleased,
               [](Workbench& wb) { TimedRun(wb, [&wb] { TrainTwoChanges(wb, 2); }); }});
  // The tag tells the preparation to keep a row of the histories for every candidate network.
  t.push_back({"BeamSearch1", ControlEvent::MouseReleased, [](Workbench& wb) {
                 wb.MethodTag = "BS";
                 MLPBeamSearchTrain(wb, 1);
               }});
  // "SSA" on the "Training + SM + BP" tab times itself.
  t.push_back({"Button4", ControlEvent::MouseReleased, [](Workbench& wb) { RunSSA(wb); }});
  t.push_back({"Backpropagation1", ControlEvent::MouseReleased, [](Workbench& wb) {
                 if (!ReadParameters(wb, 2)) TrainBP(wb);
               }});
}

}  // namespace wl
