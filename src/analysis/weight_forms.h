#pragma once
// The two weight windows: "ES Weights" (window 0, the weights at a picked point of the error surface) and
// "Trajectory Weights" (window 1, the weights at a picked point of the trajectory). Each shows the current
// network's weights as horizontal bars, one per weight, grouped by neuron and coloured by layer; pointing
// at a bar shows its value, "Save" and "Save As" write the picture as a GIF file.
#include <string>
#include <vector>

#include "analysis/weight_form_pictures.h"
#include "state/weight_form.h"

namespace wl {

struct Workbench;

// layerInputs[l - 1] is the fan-in of layer l; the screen height decides the width.
WeightPictureGeometry WeightPictureLayout(const std::vector<int>& layers, const int* layerInputs, int numOfLayers,
                                          int P, int screenHeight);

// The window a handler belongs to, by the first letter of its caption: "E" 0, "T" 1, else -1.
int WeightFormOfCaption(const std::string& caption);

// Lays out and shows window k (0 or 1), makes its new picture and draws it.
void ShowWeightForm(Workbench& wb, int k);
// Draws the current network's weights into window k's picture and copies it to the window.
void DrawWeights(Workbench& wb, int k);

// The window's handlers; each finds its window from the caption of the form.
// "Save": ResultsPrefix + "_" + the caption's first letter + "weights_" + WeightsPictureNo + ".gif".
void SaveWeightPicture(Workbench& wb, TWfr& form);
// "Save As": SaveDialog1 in the results folder; the chosen name gets ".gif" when it has no such ending.
void SaveWeightPictureAs(Workbench& wb, TWfr& form);
// The window is closed: it is no longer redrawn by the picks. It keeps its picture, so that the
// stay-on-top selector can bring it back whole.
void CloseWeightForm(Workbench& wb, TWfr& form);
// The selector brings window k back: it is open again.
void ReopenWeightForm(Workbench& wb, int k);
// The pointer at (x, y) of the picture: the hint shows the value of the bar there, or goes off.
void WeightFormMouseMove(Workbench& wb, TWfr& form, int x, int y);
// A click on the window or its picture: the picture of the window last used is copied to its Image1.
void WeightFormClick(Workbench& wb, TWfr& form);

}  // namespace wl
