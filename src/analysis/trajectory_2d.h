#pragma once
// "Trajectory 2D": the weight vector's path through the epochs on two principal components, its picture
// and the file "PCA/TR.txt" of its points. The normalised trajectory point is shared with the 3-D window
// and the extrapolation.
#include <QImage>
#include <array>
#include <string>

#include "state/workbench.h"

namespace wl {

// The normalised point of one weight vector: its six projections P stretched to the length of the whole
// weight vector (squared norm n2), computed through the reference component r as the plots have always
// done it. Returns false, with every coordinate 0, when P[r] is 0. Throws FloatError when n2 is not
// positive.
bool NormalisedTrajectoryPoint(const std::array<double, 6>& P, double n2, int r, std::array<double, 6>& u);

// The norm the trajectory windows scale by: WeightNorm, or, when no run start has set it, the norm of the
// last epoch's weights. Throws FloatError when both are 0.
double TrajectoryWeightNorm(const Workbench& wb);

// The picture the window draws on now (full screen or normal).
QImage& CurrentTrajectory2DPicture(Workbench& wb);

// Clears a trajectory picture and draws the origin cross; mode 2 is the 2-D window.
void DrawTrajectoryAxes(Workbench& wb, int mode);

// Opens the window ("TR 2D"); does nothing without a computed error surface.
void ShowTrajectory2D(Workbench& wb);
// Draws with the current settings.
void DrawTrajectory2D(Workbench& wb);
void DrawDetailedTrajectory2D(Workbench& wb);

// The panel's change handlers: redraw when the window is ready.
void Trajectory2DSettingsChanged(Workbench& wb);
// An arrow of up-down 1 ("horizontal"), 2 ("vertical") or 3 ("Size"); up is the right arrow of up-down 1.
void TR2DUpDownClick(Workbench& wb, int upDown, bool up);
// A click on the window: a drawing shown on the paint box goes into the window's image.
void TR2DCopyPending(Workbench& wb);
void TR2DFullScreenSwitch(Workbench& wb);
// The picture's name part: "_TR2D_" + method + epochs + components + scale.
std::string Trajectory2DSuffix(const Workbench& wb);
void SaveTrajectory2D(Workbench& wb, bool askName);
// "EPS": writes PCA/TR.txt from the last drawing's components and scales.
void WriteTrajectory2DFile(Workbench& wb);

}  // namespace wl
