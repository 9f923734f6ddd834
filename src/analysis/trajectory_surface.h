#pragma once
// The weight trajectory over the error surface: the epoch trajectory (one point per epoch at the epoch's
// recorded error), the online trajectory of online backpropagation (one point per presented vector) and
// the detailed trajectory of the one-change searches (one point per weight change); the right-click pick
// of an epoch point, and the "_WPC" files that set the whole change of the weights beside components 1
// and 2.
#include <QPointF>

#include "state/workbench.h"

namespace wl {

// The unrounded picture position of fraction a along c1, b along c2 and v pixels above the bottom face
// (the error surface's projection before its rounding).
QPointF SurfacePointF(const SurfaceBox& box, double a, double b, double v);

// The vertical factor H / (vertical range * outputs * NumOfVectors) that turns an error into pixels;
// false after CheckNumber's message on "vertical range".
bool TrajectoryVerticalFactor(Workbench& wb, double& vf);

// Draws the trajectory in the style the surface window's TRBox shows ("No Trajectory" draws the epoch
// trajectory in colour) into the surface picture; the caller shows the picture.
void DrawTrajectory(Workbench& wb);
// The online trajectory and the detailed trajectory, called by DrawTrajectory.
void DrawTrajectoryPart1(Workbench& wb);
void DrawTrajectoryPart2(Workbench& wb);

// "Trajectory  W": draws the trajectory over the surface shown; nothing before a surface.
void TrajectoryMenuCommand(Workbench& wb);

// A right click at picture position (x, y): the epoch point within 2 pixels shows its recorded error
// ("TR E" and the black marker); with the trajectory weight window open the network takes that epoch's
// weights and the window shows them. No point there hides the marker.
void PickTrajectoryPoint(Workbench& wb, int x, int y);

// ResultsPrefix + "_WPC0.txt" and "_WPC1.txt": per weight, its change from epoch 0 to the last epoch and
// its coefficient in component 1 (resp. 2).
void WriteWPCFiles(Workbench& wb);
// "W[max_e]-W[0] and PCx[w]": the files, once a surface has given the components.
void WPCButtonCommand(Workbench& wb);

}  // namespace wl
