#pragma once
// The one object that holds the program-wide state: every subsystem's variables (by their own names,
// through the state structs it derives from), the windows' control models and the platform.
#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "state/analysis_state.h"
#include "state/eval_options.h"
#include "state/gtp_form.h"
#include "state/hooks.h"
#include "state/experiments_state.h"
#include "state/font_form.h"
#include "state/graph_data_form.h"
#include "state/model_state.h"
#include "state/ng_state.h"
#include "state/eform_form.h"
#include "state/lt2_form.h"
#include "state/lt3_form.h"
#include "state/ng3d_form.h"
#include "state/ngf_form.h"
#include "state/surface_state.h"
#include "state/shell_values.h"
#include "platform/controls.h"
#include "platform/form1.h"
#include "platform/platform.h"
#include "platform/shell_forms.h"
#include "platform/random.h"
#include "state/representation_forms.h"
#include "state/smlp_state.h"
#include "state/weight_form.h"
#include "state/weight_space_state.h"
#include "state/training_state.h"
#include "state/viewer_form.h"

namespace wl {

struct Workbench : ModelState, TrainingState, NGState, ExperimentState, SmlpState, AnalysisState, WeightSpaceState,
                   SurfaceState, ShellValues, RepresentationWindows {
  Workbench(Platform& platform, std::string programDir);
  Workbench(const Workbench&) = delete;
  Workbench& operator=(const Workbench&) = delete;

  Platform& Plat;
  std::string ProgramDir;  // without a trailing "/"
  RandomGenerator Rng;
  bool CommandRunning = false;  // a command of the user is running
  HooksTable Hooks = DefaultHooks();  // the upward calls (state/hooks.h)
  // The evaluation options as the main window last gave them (model/eval_options.h reads them); stale
  // once one of their controls changes.
  EvalOptions HeldEval;
  bool HeldEvalStale = true;

  TForm1 Form1;
  TOnTopForm OnTopForm;  // the stay-on-top window: progress trace and window selector
  TForm4 Form4;          // the "drawing" pop-up of the error-surface grid
  TGTP GTP;  // the training-progress window
  TNGF NGF;  // the NG error-section window
  TNG3D NG3D;  // the error-surface window
  TLT2 LT2;    // "Trajectory 2D"
  TLT3 LT3;    // "Trajectory 3D"
  TEForm EForm;  // "Trajectory 1D"
  std::array<TWfr, 2> WeightForms{TWfr(0), TWfr(1)};  // "ES Weights" and "Trajectory Weights"
  TForm2 Form2;  // the font window
  // The data-visualisation windows open now, oldest first (a new one with every use, gone when closed),
  // and the picture viewer while it is open.
  std::vector<std::shared_ptr<TGraphData>> GraphDataWindows;
  std::shared_ptr<TPrzegladaj> Przegladaj;

  // The windows by name, for the scripts' WINDOW.CONTROL ("GraphData" is the newest one open).
  Form* FindWindow(const std::string& name);
  void AddWindow(Form& f) { windows_[f.Name()] = &f; }

  // A path below the program directory, written the old way or the new ("\results\x", "DATA/iris.dat").
  std::string Path(const std::string& relative) const;

  // Ends every log and report a run keeps open across its routines, after an error ended the command:
  // a run log is published as far as it got when its writes succeeded, a report keeps the file before.
  void EndOpenLogs();

 private:
  std::map<std::string, Form*> windows_;
};

// Rewrites the stay-on-top window's caption from the progress trace:
// "On Top      " + ProgressStage + "-" + ProgressStep + "-" + ProgressSubStep.
void UpdateProgressTrace(Workbench& wb);

}  // namespace wl
