#pragma once
// "Trajectory 3D": the weight vector's path through the epochs on three principal components, inside the
// error surface's open box (first component along the box's first horizontal axis, second along its
// second, third upwards).
#include <QImage>
#include <QPoint>
#include <string>

#include "state/workbench.h"

namespace wl {

// The picture the window draws on now (full screen or normal).
QImage& CurrentTrajectory3DPicture(Workbench& wb);

// Opens the window ("TR 3D"); does nothing without a computed error surface.
void ShowTrajectory3D(Workbench& wb);
// Draws with the current settings.
void DrawTrajectory3D(Workbench& wb);
// The box for the point size (the shared box geometry is rewritten), on a cleared picture.
void Draw3DBox(Workbench& wb);
// The detailed style: one segment per single weight change.
void DrawTrajectoryLine3D(Workbench& wb);

// The picture point of (u1, u2, u3) with the last drawing's scales and the window's offsets.
QPoint ProjectTrajectoryPoint3D(const Workbench& wb, double u1, double u2, double u3);

// The panel's change handlers: redraw when the window is ready.
void Trajectory3DSettingsChanged(Workbench& wb);
// An arrow of up-down 1 ("X"), 2 ("Y"), 3 ("Size") or 4 ("Z"); up is the right arrow of the horizontal
// up-downs 1 and 2.
void TR3DUpDownClick(Workbench& wb, int upDown, bool up);
// A click on the window: a drawing shown on the paint box goes into the window's image.
void TR3DCopyPending(Workbench& wb);
void TR3DFullScreenSwitch(Workbench& wb);
// The picture's name part: "_TR3D_" + method + epochs + the first two components + scale.
std::string Trajectory3DSuffix(const Workbench& wb);
void SaveTrajectory3D(Workbench& wb, bool askName);

}  // namespace wl
