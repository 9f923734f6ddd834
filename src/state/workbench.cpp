#include "state/workbench.h"

#include "platform/paths.h"

namespace wl {

Workbench::Workbench(Platform& platform, std::string programDir) : Plat(platform), ProgramDir(std::move(programDir)) {
  while (ProgramDir.size() > 1 && ProgramDir.back() == '/') ProgramDir.pop_back();
  ResultsDir = ProgramDir + "/results/";
  AddWindow(Form1);
  AddWindow(OnTopForm);
  AddWindow(Form4);
  AddWindow(GTP);
}

Form* Workbench::FindWindow(const std::string& name) {
  if (name == "TForm1") return &Form1;
  auto it = windows_.find(name);
  return it == windows_.end() ? nullptr : it->second;
}

std::string Workbench::Path(const std::string& relative) const { return ProgramPath(ProgramDir, relative); }

void UpdateProgressTrace(Workbench& wb) {
  wb.OnTopForm.SetCaption("On Top      " + wb.ProgressStage + "-" + wb.ProgressStep + "-" + wb.ProgressSubStep);
  wb.Plat.ProcessEvents();
}

}  // namespace wl
