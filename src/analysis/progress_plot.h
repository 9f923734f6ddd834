#pragma once
// The training-progress plot: the error (red), the accuracy (blue) and the weight norm ||W|| (black) of
// every epoch of a run, drawn on the training-progress window's off-screen picture (wb.GTP.Bitmap) as the
// run goes. The trainers open it (through the run preparation), report each epoch and close it; the
// one-change searches also report each weight they visit.
#include <string>

#include "state/gtp_form.h"

namespace wl {

struct Workbench;

// Epochs per tick of an axis of E epochs: 1 up to 25 epochs, 2 up to 50, 4 up to 100, 10, 20, 40, ...
int EpochsPerTick(int E);
// The ||W|| scale for sqrt(NumOfWeights) * E = v; a search trainer's runs use the lower thresholds.
double NormScale(double v, bool searchRunning);

// Prepares the window for epochs 0..E: axes with epoch ticks, scales, and the curves' start points at
// epoch 0 of EpochHistory / WNormHistory. redraw is true for the window's own redraw ("Resize"), which
// keeps the point size the caller set and the saved ||W|| scale; a run's plot starts at point size 1.
// A zero error scale (no vectors, or a start error of 0 with "Plot E/startE") throws FloatError.
void InitTrainingProgressPlot(Workbench& wb, int E, bool redraw);

// After epoch e of a run: WNormHistory[e] := the squared norm of the network's weights; the curves
// extended to epoch e (unless "No Plot E", or "Detailed Plot" for a one-change method); then the
// representation hook when "Signals after epoch" is checked.
void PlotTrainingProgressEpoch(Workbench& wb, int epoch, double error);

// After a one-change trainer visited weight `weightIndex` of neuron `neuron` of layer layerIndex + 1 in
// epoch e, as the ordinal-th weight of the epoch (from 0), with the accepted error and step: records the
// squared norm and (error, AcceptedSuccessRate) for that weight, and with "Detailed Plot" draws it.
void PlotTrainingDetail(Workbench& wb, int epoch, int layerIndex, int neuron, int weightIndex, int ordinal,
                        double error, double step);

// The end of a run: a white frame round the picture, which Image1 then shows.
void FinishTrainingProgressPlot(Workbench& wb);

// "Resize": redraws epochs 1..ResizeEdit of the last run from its records.
void ResizeTrainingProgressPlot(Workbench& wb);

// "Comp Err": the training error of every epoch against the error read off the error surface at the
// epoch's place on it, with their ratio. The network's weights are restored afterwards.
void CompareErrors(Workbench& wb, const SurfaceReference& surface);

// The "Comp Err" button, which toggles: "Comp Err" compares (when a surface is there) and renames itself
// "E+acc+W"; "E+acc+W" renames it back and redraws the plain plot.
void CompareErrorsButton(Workbench& wb);

// "Save" and "Save As": the progress picture as GIF, suffix "_MSE".
void SaveProgressPicture(Workbench& wb);
void SaveProgressPictureAs(Workbench& wb);

}  // namespace wl
