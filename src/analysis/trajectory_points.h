#pragma once
// What the trajectory windows share: the epoch's six projections, the caption with the eigenvalues, the
// walk along the single weight changes of a one-change run, and the showing, copying and saving of a
// window's picture.
#include <QImage>
#include <array>
#include <functional>
#include <string>

#include "analysis/canvas.h"
#include "state/workbench.h"

namespace wl {

// TrajectoryCoords[0..5][e] (0 where a row is short).
std::array<double, 6> TrajectoryProjections(const Workbench& wb, int e);
// WNormHistory[e] (0 outside it).
double TrajectoryNorm2(const Workbench& wb, int e);
// Eigenvalues[k] (0 outside them).
double TrajectoryEigenvalue(const Workbench& wb, int k);
double TrajectoryMatrixCell(const std::vector<std::vector<double>>& m, int row, int col);

// title + "     " + data set + " " + the layer sizes joined by "-" + "   " + "   " and the eigenvalue of
// every component 1..6 above 0.00001, with fewer decimals the larger it is.
std::string TrajectoryCaption(const Workbench& wb, const std::string& title);

// The path one weight change at a time, normalised through reference component r: the point of epoch 0,
// then the point after every single change of epochs 1..NumOfEpochs in the order of the weight records
// (squared norms from DetailWNormHistory). `point(u, e)` gets the six coordinates and the epoch of the
// change (0 for the start). A zero reference coordinate shows startWarning (at the start) or stepWarning
// (later), one of them at most once per walk.
void WalkDetailedTrajectory(Workbench& wb, int r, const char* startWarning, const char* stepWarning,
                            const std::function<void(const std::array<double, 6>&, int)>& point);

// The stay-on-top caption's trace with the sub-step raised by offset; the stored sub-step is kept.
void TraceSubStepOffset(Workbench& wb, int offset);

// A text as a part of a file name: letters, digits, "-", "+" and "." kept, every run of other characters
// one "-" ("S1-DH2 (VSS)" gives "S1-DH2-VSS"), none at the ends.
std::string FileNamePart(const std::string& text);
// The picture's name part: tag + method (as a file-name part) + "_" + epochs + "_c" + c1 + "-c" + c2 (item indices, shown from 1)
// + "o" (original scale) or "p".
std::string TrajectoryPictureSuffix(const Workbench& wb, const std::string& tag, int c1, int c2, bool original);
// "Save" (askName false) or "Save As" of the picture; nothing without one.
void SaveTrajectoryPicture(Workbench& wb, QImage& pic, const std::string& suffix, bool askName);

// A finished drawing gets a white one-pixel frame and is shown on the window's paint box; the next click
// on the window copies it into the window's image (CopyPendingTrajectoryPicture).
template <class Window>
void PresentTrajectoryPicture(Workbench& wb, Window& w, QImage& pic) {
  Canvas c(pic);
  const int W = wb.PointSize * w.PlotWidth, H = wb.PointSize * w.PlotHeight;
  c.SetPenColor(clWhite);
  c.SetPenWidth(1);
  c.MoveTo(0, 0);
  c.LineTo(W - 1, 0);
  c.LineTo(W - 1, H - 1);
  c.LineTo(0, H - 1);
  c.LineTo(0, 0);
  Pictures(w).Shown = pic.copy();
  w.Pending = true;
  ++w.PictureVersion;
  w.PB.Repaint();
}

// A drawing shown on the paint box goes into the window's image (the full-screen one in full screen).
template <class Window>
void CopyPendingTrajectoryPicture(Window& w, const QImage& from) {
  if (!w.Pending) return;
  auto& p = Pictures(w);
  (w.FullScreen ? p.FullImage : p.Image) = from.copy(0, 0, w.PlotWidth, w.PlotHeight);
  ++w.PictureVersion;
  w.Pending = false;
}

}  // namespace wl
