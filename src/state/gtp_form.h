#pragma once
// The training-progress window "Training Progress" (GTP): its controls and the state the progress plot
// keeps between its calls. Its pictures are Qt images and live in analysis/gtp_pictures.h, reached through
// the window's Pictures handle. The routines that draw it are in analysis/progress_plot.h.
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/colors.h"
#include "platform/controls.h"

namespace wl {

struct GTPPictures;

// A point the run drew: where, the values of its curves, and the heights of the dE and step curves when
// it drew them.
struct ProgressPoint {
  int X = 0;
  double Error = 0, Accuracy = 0, SquaredNorm = 0;
  int DEY = 0, StepY = 0;
  bool DrawAccuracy = false, DrawSteps = false;
};

// The plot's geometry and the ends of its curves, kept from one InitTrainingProgressPlot to the next.
struct ProgressPlotState {
  int k = 1;                   // point size, the pen width
  double q = 1.0;              // window scale: 1, or screen width / 800 with "Big Plot"
  double S = 1.0;              // pixel scale
  int H = 370;                 // plot height in pixels
  int Y0 = 390;                // baseline
  int X0 = 50;                 // left edge of the plot
  int T0 = 20;                 // top edge of the plot
  int E = 0;                   // epochs the axis covers
  int d = 1;                   // epochs per tick
  int n = 1;                   // ticks
  double TickSpacing = 720.0;  // pixels between ticks
  double PixelsPerEpoch = 720.0;
  double YS = 1.0;       // error scale
  double WS = 3.7;       // ||W|| scale
  double SavedWS = 3.7;  // the ||W|| scale of the last "Resize"
  int LastX = 50;
  int LastErrorY = 390, LastAccuracyY = 390, LastNormY = 390, LastDEY = 390, LastStepY = 390;
  double PreviousError = 0.0;  // the error of the last detailed point
  // The points drawn since the run's plot was made: a ||W|| curve about to leave the plot gets a smaller
  // scale, and the plot is drawn again from these.
  std::vector<ProgressPoint> Points;
  double LargestSquaredNorm = 0.0;  // of those points and the run's start
};

// What the error comparison ("Comp Err") takes from the error surface: the reference epoch (the surface
// window's ReDrawEdit), the weight vector the surface animation keeps, the first two plotted components
// (flat weight order), the surface's box height and the per-epoch offsets of the trajectory from the
// surface centre (c1, c2, pixels), epochs 0 .. NumOfEpochs.
struct SurfaceReference {
  int ReferenceEpoch = 0;
  std::vector<double> AnimationWeights;
  std::vector<double> Component1, Component2;
  double BoxHeight = 0.0;
  std::vector<std::pair<double, double>> FramePositions;
};

class TGTP : public Form {
 public:
  TGTP();

  // The live drawing surface, the finished picture and the big picture; each shows a QImage below.
  Label PaintBox1{*this, ControlKind::Label, "PaintBox1", "", ""};
  Label Image1{*this, ControlKind::Label, "Image1", "", ""};
  Label Image2{*this, ControlKind::Label, "Image2", "", ""};
  Label Label3{*this, ControlKind::Label, "Label3", "", "Error"};
  Label Label2{*this, ControlKind::Label, "Label2", "", "Accuracy"};
  Label Label1{*this, ControlKind::Label, "Label1", "", "||W||"};
  Button Button1{*this, ControlKind::Button, "Button1", "", "Save"};
  Button Button2{*this, ControlKind::Button, "Button2", "", "Save As"};
  Edit ResizeEdit{*this, "ResizeEdit", "", "", "1", 6};
  Button ResizeButton{*this, ControlKind::Button, "ResizeButton", "", "Resize"};
  Button Button3{*this, ControlKind::Button, "Button3", "", "Comp Err"};
  FileDialog SDialog{*this, "SDialog", true, "GIF|*.gif"};

  // The off-screen progress picture and the picture Image1 shows once a run is finished (analysis/
  // gtp_pictures.h); made on first use.
  std::shared_ptr<GTPPictures> Pictures;
  // Counts the copies of the bitmap to the window; the view repaints PaintBox1 from Bitmap when it
  // changes (a Repaint notice of PaintBox1 says the same).
  std::uint64_t PictureVersion = 0;

  // The colours of the three labels' text ($BBGGRR).
  std::int64_t Label1Color = clBlack, Label2Color = clBlack, Label3Color = clBlack;

  // Window geometry, in screen pixels (placed on the screen of ScreenWidth x ScreenHeight).
  int Left = 0, Top = 0, Width = 800, Height = 500;
  int ButtonsTop = 440, Label1Top = 442, Label23Top = 441;
  bool Shown = false;

  ProgressPlotState Plot;

  // The error surface the comparison uses; set by the error-surface drawing, absent before.
  std::optional<SurfaceReference> ComparisonSurface;

  // Copies the bitmap to the window.
  void ShowBitmap();
};

}  // namespace wl
