#pragma once
// The program-wide values that the shell sets and every subsystem reads: the progress trace, the
// font percentage and the timed-run clock.
#include <array>
#include <cstdint>
#include <string>

namespace wl {

// A window's or a control's place in screen (or window) pixels.
struct WindowRect {
  int Left = 0, Top = 0, Width = 0, Height = 0;
};

struct ShellValues {
  std::string ProgressStage = "0", ProgressStep = "0", ProgressSubStep = "0";
  int FontPct = 120;
  std::int64_t StartTime = 0, ElapsedTime = 0;
  std::string ResultsDir;

  // The screen as the window system reports it; the view sets these before the start-up (runs without a
  // display keep the defaults: the standard font resolution of 120 pixels per inch).
  int ScreenPixelsPerInch = 120;
  int ScreenWidth = 1024, ScreenHeight = 768;
  // The start-up's layout of the main window, scaled to the font resolution: the window, the page control
  // P1 and the group box GroupBox4 ("Training Progress").
  double FontScale = 1.0;
  WindowRect MainFormRect{0, 0, 1024, 768}, PagesRect{0, 0, 786, 470}, ProgressGroupRect{12, 482, 997, 218};
  // The help file, opened at its contents by "Help".
  std::string HelpFile;
  // Windows made on first use and destroyed when closed, and the two weight windows (made when first
  // shown, kept when closed): set by the code that makes them, cleared when a window is destroyed, so that
  // the stay-on-top selector never brings forward a window that is gone.
  bool GraphDataExists = false;
  std::array<bool, 2> WeightFormExists{false, false};
};

}  // namespace wl
