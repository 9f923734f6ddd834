#include "state/workbench.h"

#include <algorithm>
#include <iterator>

#include "platform/paths.h"

namespace wl {

Workbench::Workbench(Platform& platform, std::string programDir) : Plat(platform), ProgramDir(std::move(programDir)) {
  while (ProgramDir.size() > 1 && ProgramDir.back() == '/') ProgramDir.pop_back();
  ResultsDir = ProgramDir + "/results/";
  AddWindow(Form1);
  AddWindow(OnTopForm);
  AddWindow(Form4);
  AddWindow(GTP);
  AddWindow(NGF);
  AddWindow(NG3D);
  AddWindow(LT2);
  CreateLT2Layout(LT2, ScreenWidth, ScreenHeight, FontPct);
  AddWindow(LT3);
  CreateLT3Layout(LT3, ScreenWidth, ScreenHeight, FontPct);
  AddWindow(EForm);
  CreateEFormLayout(EForm, ScreenWidth, ScreenHeight);
  for (TWfr& w : WeightForms) AddWindow(w);
  AddWindow(HRF);
  AddWindow(ORF);
  AddWindow(OPF);
  AddWindow(HPF);
  PlaceRepresentationWindows(*this, ScreenWidth);
  AddWindow(Form2);
  // The held evaluation options go stale with any change of a control they are read from. (The listener
  // captures only the Workbench: the form copies its listeners for every notice.)
  Form1.AddListener([this](const ControlNotice& n) {
    if (n.Event != ControlEvent::TextChanged && n.Event != ControlEvent::StateChanged) return;
    const Control* const options[] = {&Form1.DefClassBox, &Form1.entrBox,   &Form1.OutsideBox,
                                      &Form1.WeightedErrorBox, &Form1.WymEdit, &Form1.StartWEdit,
                                      &Form1.pmwEdit,     &Form1.FApproxBox, &Form1.SkipCheck,
                                      &Form1.FullConn,    &Form1.strbox};
    if (std::find(std::begin(options), std::end(options), n.Source) != std::end(options)) HeldEvalStale = true;
  });
}

Form* Workbench::FindWindow(const std::string& name) {
  if (name == "TForm1") return &Form1;
  if (name == "GraphData") return GraphDataWindows.empty() ? nullptr : GraphDataWindows.back().get();
  if (name == "Przegladaj") return Przegladaj.get();
  auto it = windows_.find(name);
  return it == windows_.end() ? nullptr : it->second;
}

std::string Workbench::Path(const std::string& relative) const { return ProgramPath(ProgramDir, relative); }

void Workbench::EndOpenLogs() {
  for (AtomicOfstream* f : {static_cast<AtomicOfstream*>(&ResultsFile), static_cast<AtomicOfstream*>(&SMLPRulesFile),
                            static_cast<AtomicOfstream*>(&LogFile), &OptHFile, &GradientsFile, &NGLogFile,
                            &LogWMDFile, &BeamHistoryFile})
    f->end_after_error();
}

void UpdateProgressTrace(Workbench& wb) {
  wb.OnTopForm.SetCaption("On Top      " + wb.ProgressStage + "-" + wb.ProgressStep + "-" + wb.ProgressSubStep);
  wb.Plat.ProcessEvents();
}

}  // namespace wl
