#pragma once
// The program's start and end: the windows made in their order, the main window's start-up
// (InitMainForm), its show and activation, and the settings saved when it goes.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "state/workbench.h"

namespace wl {

// The message of a system whose decimal separator is not ".".
inline constexpr const char* kDecimalSymbolMessage =
    "Decimal Symbol is not dot! Set in Control Panel -> Regional Options -> Numbers -> Decimal Symbol -> . ";

// One of the windows made at start-up: its form's name, its class and its caption.
struct StartupWindow {
  const char* Name;
  const char* Class;
  const char* Caption;
};
// The fifteen windows in the order they are made. The data visualisation and the picture viewer are
// made on first use.
const std::array<StartupWindow, 15>& StartupWindows();

// The start-up: the main window is made (its creation runs InitMainForm and disables the commands that
// are not there yet), then the other windows in their order (the stay-on-top window shows itself), then
// the main window is shown and activated. makeWindow, when given, is called as each window is made,
// before its own creation steps, so that the view can build it at that moment.
void StartProgram(Workbench& wb, const std::function<void(const StartupWindow&)>& makeWindow = {});
// The main window is closed: the settings file is written.
void ExitProgram(Workbench& wb);

// The main window's creation, step by step (decimal separator, start values, font scale and placement,
// settings, computer speed, results folder, pens, dialog folders).
void InitMainForm(Workbench& wb);
// The main window is shown: "New Training" gets the focus, the selector shows "Main Form".
void MainFormShow(Workbench& wb);
// The main window is activated: the selector shows "Main Form".
void MainFormActivate(Workbench& wb);

// True when the C library reads "5.5" as five and a half (the decimal separator is ".").
bool DecimalSeparatorIsDot();

// The font scale from the main window font's pixels per inch p: f = p, or p * 1.0416666 when p is
// outside 119..121; FontPct = f to the nearest integer; the scale factor s = f / 120.
struct FontScaling {
  double F;
  int FontPct;
  double S;
};
FontScaling ScaleForFont(int pixelsPerInch);

// The main window scaled by s on a screen of the given width: 1024s x 768s at the top right; the pages
// 786s x 470s at (0, 0); the group "Training Progress" 997s x 218s at (12s, 482s).
struct MainFormLayout {
  WindowRect Form, Pages, ProgressGroup;
};
MainFormLayout LayOutMainForm(double s, int screenWidth);

// The speed benchmark's sum of 1 / (1 + exp((i - j) * slope)) over i = 0..1400 and j = 0..lastJ.
double BenchmarkSum(double slope, int lastJ);
// The relative speed from the benchmark's times: 374000 / ms of the short run, or, when that took under
// 10 ms, 1870000 / ms of the long run (longMs), to the nearest integer. A run too fast for the clock
// (0 ms) counts as 1 ms.
double SpeedFromTimes(std::int64_t shortMs, std::int64_t longMs);
// Times the benchmark and sets CPUCHECKED (0 when the run took longer than 748 seconds).
void MeasureComputerSpeed(Workbench& wb);

// Disables every menu item and button of the main window whose command has no handler (yet); a menu
// that holds items stays enabled. Returns the names of those commands, in the window's order.
std::vector<std::string> DisableUnbuiltCommands(Workbench& wb);

}  // namespace wl
