#include <vector>

#include "shell/command.h"
#include "training/one_change.h"

namespace wl {

namespace {

const char* const kAccBadNotYet =
    "The one-change search accepting worse steps (Allow bad changes) is not available yet.";

}  // namespace

// Menu "SM Training": the one-change searches, as timed runs.
void AddTrainingHandlers(std::vector<HandlerRow>& t) {
  t.push_back({"Random1change", ControlEvent::MouseReleased, [](Workbench& wb) {
                 TimedRun(wb, [&wb] {
                   if (wb.Form1.AccBadCheck.Checked())
                     wb.Plat.ShowMessage(kAccBadNotYet);
                   else
                     TrainOneChange(wb, 1);
                 });
               }});
  t.push_back({"Discrete1change", ControlEvent::MouseReleased,
               [](Workbench& wb) { TimedRun(wb, [&wb] { TrainOneChange(wb, 2); }); }});
}

}  // namespace wl
