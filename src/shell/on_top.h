#pragma once
// The stay-on-top window OnTopForm: its caption carries the progress trace (UpdateProgressTrace), its
// selector FormTopBox brings any of the program's windows to the front. And the "drawing" pop-up Form4,
// which the error-surface grid shows with its percentage while it computes.
#include <string>

#include "state/workbench.h"

namespace wl {

// The window that entry `entry` of the selector brings forward in the present state, by its form's name,
// or "" when the entry has nothing to show (its window does not exist, or exists no more):
//   0 Form1; 1 NG3D with ESFormExists; 2 GTP with GTPFormExists; 3 and 4 the weight windows "WeightForm0"
//   and "WeightForm1" once made; 5 NGF with NGFFormExists; 6 the newest GraphData still open; 7 Przegladaj
//   (made first when it does not exist); 8, 9, 10 LT2, LT3, EForm with ESDone, once opened ("TR 2D", "TR
//   3D", "TR 1D"); 11 HPF or HRF and 12 OPF or ORF by HiddenPlotMode and OutputPlotMode (1 the parallel
//   window, 2 the square one).
std::string TopFormTarget(const Workbench& wb, int entry);
// Whether the selector's list offers entry `entry` now: the main window and the picture viewer always,
// every other entry while it has a window to bring forward.
bool TopFormOffered(const Workbench& wb, int entry);
// The selector's entry of a window (the main window 0, the training progress 2, ...), -1 for none.
int TopFormEntryOf(const std::string& window);

// The user chose `entry` in the selector (or chose the shown entry again): the selector shows it and its
// window comes to the front.
void ChooseTopForm(Workbench& wb, int entry);
// The selector shows `entry`; nothing is brought forward.
void SetTopFormEntry(Workbench& wb, int entry);
// A window was activated: the selector shows that window's entry.
void TopFormWindowActivated(Workbench& wb, const std::string& window);

// Where the stay-on-top window goes when it is shown: at the bottom right inside the main window,
// FontPct * 110 / 150 above its bottom edge and FontPct * 260 / 150 left of its right edge.
struct WindowPlace {
  int Left, Top;
};
WindowPlace OnTopFormPlace(const WindowRect& mainForm, int fontPct);

// The shell's own trace writers: ProgressStage := stage, then the trace caption is updated.
void TraceStage(Workbench& wb, std::string stage);

// Its creation: the caption "Form on Top" (the trace shows only from the next update on) and the
// selector on "Main Form". Its show: placed and made visible.
void CreateOnTopForm(Workbench& wb);
void ShowOnTopForm(Workbench& wb);

// Runs the selector when the user picks an entry; returns the listener id.
int ConnectOnTopHandlers(Workbench& wb);

// The drawing pop-up: made with "drawing" and "0%   "; shown 200 pixels right of and 300 below the
// error-surface window's top left corner; its percentage text rewritten and repainted; hidden.
void CreateDrawingPopup(Workbench& wb);
void ShowDrawingPopup(Workbench& wb, int errorSurfaceLeft, int errorSurfaceTop);
void SetDrawingProgress(Workbench& wb, const std::string& text);
void HideDrawingPopup(Workbench& wb);

}  // namespace wl
