#include "shell/startup.h"

#include <cmath>
#include <cstdlib>
#include <set>

#include "model/settings_file.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"
#include "shell/command.h"
#include "shell/general_commands.h"
#include "shell/on_top.h"

namespace wl {

namespace {

// The benchmark's sum goes here, so that the compiler cannot leave out the work that is timed.
volatile double benchmarkSink = 0.0;

}  // namespace

const std::array<StartupWindow, 15>& StartupWindows() {
  static const std::array<StartupWindow, 15> windows = {{
      {"Form1", "TForm1", "WeightLab   v.0.947"},
      {"NGF", "TNGF", "NG ES Section"},
      {"NG3D", "TNG3D", "Error Surface "},
      {"Form4", "TForm4", "Form4"},
      {"Wfr", "TWfr", "Weights"},
      {"Form2", "TForm2", "Fonts"},
      {"GTP", "TGTP", "Training Progress"},
      {"LT2", "TLT2", "Trajectory 2D"},
      {"LT3", "TLT3", "Trajectory 3D"},
      {"OnTopForm", "TOnTopForm", "Form on Top"},
      {"EForm", "TEForm", "Trajectory 1D"},
      {"HRF", "THRF", "Hidden Representation"},
      {"ORF", "TORF", "Output Representation"},
      {"OPF", "TOPF", "Output Representation"},
      {"HPF", "THPF", "Hidden Representation"},
  }};
  return windows;
}

bool DecimalSeparatorIsDot() {
  const char text[] = "5.5";
  char* end = nullptr;
  const double x = std::strtod(text, &end);
  return end == text + 3 && x == 5.5;
}

FontScaling ScaleForFont(int pixelsPerInch) {
  const double p = pixelsPerInch;
  const double f = (pixelsPerInch > 121 || pixelsPerInch < 119) ? p * 1.0416666 : p;
  return {f, RoundInt(f), f / 120.0};
}

MainFormLayout LayOutMainForm(double s, int screenWidth) {
  MainFormLayout l;
  l.Form.Width = RoundInt(1024 * s);
  l.Form.Height = RoundInt(768 * s);
  l.Form.Top = 0;
  l.Form.Left = screenWidth - l.Form.Width;
  l.Pages = {0, 0, RoundInt(786 * s), RoundInt(470 * s)};
  l.ProgressGroup = {RoundInt(12 * s), RoundInt(482 * s), RoundInt(997 * s), RoundInt(218 * s)};
  return l;
}

double BenchmarkSum(double slope, int lastJ) {
  double sum = 0.0;
  for (int i = 0; i <= 1400; ++i)
    for (int j = 0; j <= lastJ; ++j) sum += 1.0 / (1.0 + std::exp((i - j) * slope));
  return sum;
}

double SpeedFromTimes(std::int64_t shortMs, std::int64_t longMs) {
  if (shortMs >= 10) return static_cast<double>(Round(374000.0 / static_cast<double>(shortMs)));
  return static_cast<double>(Round(1870000.0 / static_cast<double>(longMs > 0 ? longMs : 1)));
}

void MeasureComputerSpeed(Workbench& wb) {
  // Timed on the monotonic clock: a run across midnight does not go negative.
  std::int64_t t0 = MonotonicMs();
  benchmarkSink = BenchmarkSum(wb.Slope, 2800);
  const std::int64_t shortMs = MonotonicMs() - t0;
  std::int64_t longMs = -1;
  if (shortMs < 10) {
    t0 = MonotonicMs();
    benchmarkSink = BenchmarkSum(wb.Slope, 14000);
    longMs = MonotonicMs() - t0;
  }
  wb.CPUCHECKED = SpeedFromTimes(shortMs, longMs);
}

void InitMainForm(Workbench& wb) {
  TForm1& f = wb.Form1;

  // 1. Numbers are read with "." only; a system that writes them otherwise cannot run the program. The
  //    start-up still runs to its end and the event loop ends as soon as it starts.
  if (!DecimalSeparatorIsDot()) {
    wb.Plat.ShowMessage(kDecimalSymbolMessage);
    wb.Plat.Terminate();
  }

  // 2. Start values.
  wb.MethodTag = "NA";
  wb.TrajProjected = false;
  wb.NGFFormExists = wb.GTPFormExists = wb.ESFormExists = wb.ViewerFormExists = false;
  wb.InCrossvalidation = wb.TestingMode = wb.CommitteeVoting = false;
  wb.ESDone = wb.WeightedError = wb.BatchMode = wb.SearchRunning = false;
  wb.WeightFormOpen = {false, false};
  wb.clindex = 0;
  wb.XorDemoCount = 0;
  wb.HiddenPlotMode = wb.OutputPlotMode = 0;
  wb.CVFoldNo = -1;
  // Built as a string first: GCC 12 warns falsely (-Wrestrict) on assigning a one-character literal.
  wb.ProgressStage = wb.ProgressStep = wb.ProgressSubStep = std::string("0");
  wb.NeuronSelect.assign(1024, 0);
  wb.Rng.Randomize(wb.Plat.MillisecondsOfDay());

  // 3. Font scale.
  const FontScaling fs = ScaleForFont(wb.ScreenPixelsPerInch);
  wb.FontPct = fs.FontPct;
  wb.FontScale = fs.S;

  // 4. The main window at the top right of the screen.
  const MainFormLayout layout = LayOutMainForm(fs.S, wb.ScreenWidth);
  wb.MainFormRect = layout.Form;
  wb.PagesRect = layout.Pages;
  wb.ProgressGroupRect = layout.ProgressGroup;

  // 5.
  TraceStage(wb, "1");

  // 6.
  wb.HiddenPlotMode = wb.OutputPlotMode = 0;
  wb.ESDone = wb.WeightedError = false;
  wb.WeightFormOpen = {false, false};
  wb.XorDemoCount = 0;
  wb.ESPlotMode = 1;

  // 7. The program directory is the working directory the program was started in.
  wb.HelpFile = wb.Path("\\help\\H001.hlp");

  // 8.
  wb.SigmoidLimit = 3223372036854775808LL;
  wb.NetKind = 0;
  wb.BatchMode = false;
  wb.CPUCHECKED = 0.0;

  // 9. A settings file that cannot be read leaves the defaults; the start-up goes on.
  try {
    LoadSettings(wb);
  } catch (const WlError& e) {
    wb.Plat.ShowMessage(e.what());
  }
  // The controls now hold their start values: the window's consistency rules hold from the start, not
  // only after the user's first change.
  ApplyWindowConsistency(wb);

  // 10.
  if (wb.CPUCHECKED == 0.0) MeasureComputerSpeed(wb);
  if (wb.CPUCHECKED == 0.0) wb.CPUCHECKED = 2000.0;

  // 11.
  wb.SignC1 = 1;
  wb.SignC2 = 1;
  wb.SearchRunning = false;

  // 12.
  f.Label55.SetCaption("Relative computer speed = " + FloatToStr(wb.CPUCHECKED));

  // 13.
  wb.ResultsDir = wb.ProgramDir + "/results/";

  // 14.
  TraceStage(wb, "2");

  // 15. Pens ($BBGGRR): black, red, blue, lime, fuchsia, green, purple, yellow.
  wb.PlotColors = {0x000000, 0x0000FF, 0xFF0000, 0x00FF00, 0xFF00FF, 0x008000, 0x800080, 0x00FFFF};

  // 16. The dialogs' start folders.
  f.OpenTestSetDialog.InitialDir = wb.Path("\\DATA");
  f.WeightsDialog.InitialDir = wb.Path("\\PCA");
  f.OpenCustDialog.InitialDir = wb.Path("\\Results");
}

std::vector<std::string> DisableUnbuiltCommands(Workbench& wb) {
  std::set<std::string> built, menus;
  for (const HandlerRow& row : HandlerTable()) built.insert(row.Control);
  for (const Control* c : wb.Form1.Controls())
    if (c->Kind() == ControlKind::MenuItem && !c->Parent().empty()) menus.insert(c->Parent());
  std::vector<std::string> disabled;
  for (Control* c : wb.Form1.Controls()) {
    if (c->Kind() != ControlKind::MenuItem && c->Kind() != ControlKind::Button) continue;
    if (built.count(c->Name()) || menus.count(c->Name())) continue;
    c->SetEnabled(false);
    disabled.push_back(c->Name());
  }
  return disabled;
}

void MainFormShow(Workbench& wb) {
  wb.Form1.TrainingT2.SetFocus();
  SetTopFormEntry(wb, 0);
}

void MainFormActivate(Workbench& wb) { SetTopFormEntry(wb, 0); }

void StartProgram(Workbench& wb, const std::function<void(const StartupWindow&)>& makeWindow) {
  for (const StartupWindow& w : StartupWindows()) {
    if (makeWindow) makeWindow(w);
    const std::string name = w.Name;
    if (name == "Form1") {
      InitMainForm(wb);
      DisableUnbuiltCommands(wb);
    } else if (name == "OnTopForm") {
      CreateOnTopForm(wb);
      ShowOnTopForm(wb);
    } else if (name == "Form4") {
      CreateDrawingPopup(wb);
    } else if (name == "HRF") {
      PlaceRepresentationWindows(wb, wb.ScreenWidth);
    }
  }
  MainFormShow(wb);
  MainFormActivate(wb);
}

void ExitProgram(Workbench& wb) {
  try {
    SaveSettings(wb, false);
  } catch (const WlError& e) {
    wb.Plat.ShowMessage(e.what());
  }
}

}  // namespace wl
