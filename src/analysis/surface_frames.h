#pragma once
// The error surface stepped through the epochs ("Progressive Mode"): each frame computes a patch of the
// surface around one epoch's weights, draws it where that epoch lies in the plane of components 1 and 2,
// draws the trajectory over it and marks the epoch's recorded error with a red cross and line. Epoch -1
// is the zero weight vector, -2 the mean of the weight matrix's rows.
#include "state/workbench.h"

namespace wl {

// Draws the frame of epoch e; keepPositions 0 computes the epochs' places first, any other value reuses
// them.
void DrawSurfaceFrame(Workbench& wb, int e, int keepPositions);
// The three steps of a frame. SetupSurfaceView is false when "vertical range" is invalid.
bool SetupSurfaceView(Workbench& wb);
void DrawSurfaceAxes(Workbench& wb);
void DrawSurfaceGrid(Workbench& wb, int e);

// The mean weight vector of the rows the weight matrix holds (zeros without rows), in the network order.
std::vector<double> MeanWeightVector(const Workbench& wb);

// The frame buttons of the surface window: '=' draws the epoch in ReDrawEdit, '>' the next, '<' the one
// before. They act only on the frames of the current surface.
void SurfaceFrameButton(Workbench& wb, char button);

}  // namespace wl
