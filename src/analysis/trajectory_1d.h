#pragma once
// "Trajectory 1D": the coordinate of the weight trajectory on one principal component against the epoch,
// the targets marked on it with Ctrl and a click, and the extrapolation ("TR EX") that moves the network
// from the last recorded epoch along the components by the marked amounts.
#include <string>

#include "state/workbench.h"

namespace wl {

// The epoch step of the grid for twice the number of epochs: 1 up to 25, 2 up to 50, 4 up to 100, 10 up
// to 250 and so on.
int TrajectoryEpochStep(int twiceEpochs);
// The window's note under the plot: the epochs trained, the end of the axis (the last grid line) and the
// component whose target a Ctrl+click marks (0-based).
std::string TrajectoryAxisNote(int epochs, int axisEnd, int component);

// Shows the window and draws the plot of the component chosen in c1box ("TR 1D"; a change of c1box).
// Does nothing without a computed error surface.
void ShowTrajectory1D(Workbench& wb);
void DrawTrajectory1D(Workbench& wb);

// A mouse press at (x, y) of the window's image: with Ctrl (any button) the target of the chosen
// component, a red cross on the image.
void TR1DMouseDown(Workbench& wb, int x, int y, bool ctrl);

// "TR EX": the weights of the last recorded epoch moved along components 1..6 by the marked targets;
// "O=old N=new" errors in ge. Does nothing without a computed error surface.
void ExtrapolateTrajectory(Workbench& wb);

// The picture's name part: "_ext_c" + the component.
std::string Trajectory1DSuffix(const Workbench& wb);
void SaveTrajectory1D(Workbench& wb, bool askName);

}  // namespace wl
