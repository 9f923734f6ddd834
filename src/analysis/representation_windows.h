#pragma once
// The representation windows' own commands: "Save" and "Save As" with the picture of the window's
// caption and its name, the output window's epoch selector (with "Auto Save"), and the main window's
// "Show" button of the "Plots" tab.
#include <string>

#include "state/representation_forms.h"

namespace wl {

struct Workbench;

// The picture (PlotBitmaps index) and the name suffix a window's button saves:
//   HPF "_HRP-" and OPF "_ORP-" + the trimmed IREdit; HRF "_Vdw1" for a caption beginning with "V",
//   "_dSdw_" + VdwEdit1 for a third character "+", else "_HRS-" + ORF's SE; ORF "_Vdw2" for "V", "_LNES"
//   for "E" with "Save As" only, else "_ORS-" + SE.
struct SavedPicture {
  int Picture;
  std::string Suffix;
};
SavedPicture PictureToSave(const Workbench& wb, const TRepresentationForm& window, bool saveAs);

// "Save" (saveAs false: SavePicture) and "Save As" (SavePictureAs) of a window.
void SaveRepresentationPicture(Workbench& wb, TRepresentationForm& window, bool saveAs);

// ORF's epoch selector SE: its value clamped to 0..NumOfEpochs, both representations of that epoch
// drawn, and with "Auto Save" the output picture saved as "_ORS-" + epoch and the hidden one as "_HRP-"
// (parallel: more than 3 hidden neurons or "Force Parallel") or "_HRS-" + epoch; an output window whose
// caption begins with "E" saves the direction picture through the dialog ("_LNES") instead. Nothing is
// saved when the epoch has no signals to draw.
void RepresentationEpochChanged(Workbench& wb);

// "Show": the captions of ORF and HRF := "Neuron Signals"; SE := the integer in IREdit (the selector's
// steps run when that changes it); the signal plots of that epoch.
void ShowRepresentations(Workbench& wb);

}  // namespace wl
