#pragma once
// The signal plots: the internal representation of the training (or test) vectors at one recorded epoch
// (SignalHistory), every vector a point placed by the signals of the hidden layer and, in a second
// picture, of the output layer, marked by class; or, for more than three neurons, a polyline over
// parallel axes. The pictures are drawn into PlotBitmaps[0] (hidden) and [1] (output) and copied onto the
// representation windows: the square HRF and ORF, the wide HPF and OPF.
#include <QImage>
#include <array>

#include "state/representation_forms.h"

namespace wl {

struct Workbench;

struct SignalPlotPictures {
  // [0] hidden layer, [1] output layer, [2] and [3] the direction pictures of the hidden and output window.
  std::array<QImage, 4> PlotBitmaps;
  // The picture each window shows, by WindowSlot.
  std::array<QImage, 4> WindowImage;
};

// The pictures, made on first use.
SignalPlotPictures& SignalPictures(Workbench& wb);
// The slot of a window's picture: HRF 0, ORF 1, HPF 2, OPF 3.
int WindowSlot(const TRepresentationForm& f);

// The marker styles of the "Plots" tab.
enum class MarkerStyle { Small, Big, Shape, Color };

// What the pictures read of the main window, read once per drawing.
struct SignalPlotOptions {
  int P = 1;               // PSEdit: the scale of every size
  MarkerStyle Style = MarkerStyle::Big;
  bool ForceParallel = false;
  int ScreenWidth = 1024, ScreenHeight = 768;
};
SignalPlotOptions ReadSignalPlotOptions(const Workbench& wb);

// Draws both representations of the epoch: HiddenPlotMode and OutputPlotMode := 0, the marker size
// checked ("Marker Size", 0.1 to 10; a bad one draws nothing), then the hidden layer and, with three or
// more layers, the output layer: parallel coordinates (mode 1) for more than 3 neurons or with "Force
// Parallel", a 3-D picture for 3, a plane picture for 1 or 2 (mode 2). An epoch without recorded signals
// is refused with a message. True when the pictures were drawn.
bool ShowSignalPlots(Workbench& wb, int epoch);

// which 0: layer 1 into PlotBitmaps[0]; which 1: layer 2 into PlotBitmaps[1]. Each copies its picture
// onto its window and shows it. A layer of one neuron puts its points on the first axis.
void PlotSignalsPlane(Workbench& wb, const SignalPlotOptions& o, int which, int epoch);
void PlotSignals3D(Workbench& wb, const SignalPlotOptions& o, int which, int epoch);
void PlotSignalsParallel(Workbench& wb, const SignalPlotOptions& o, int which, int epoch);

// The message for an epoch whose signals are not recorded.
std::string NoSignalsMessage(int epoch);

}  // namespace wl
