#pragma once
// The error surface: the window's box geometry and perspective, the grid over two principal directions
// (or the two most changed weights), the pipeline that finds the directions and draws, the point pick,
// the picture and grid exports and the search for a lower error along the components.
#include <QPoint>
#include <cstdint>
#include <string>
#include <vector>

#include "model/plane_sampler.h"
#include "state/ng3d_form.h"

namespace wl {

struct Workbench;
class Canvas;

// The box for a point size: BoxScale is the double nearest 0.85 * P, every length rounded half to even.
SurfaceBox SurfaceBoxFor(int pointSize);

// The picture position of the point at fraction a along c1 (0 at the C-B side), b along c2 (0 at the A-B
// side) and v pixels above the bottom face.
QPoint ProjectSurfacePoint(const SurfaceBox& box, double a, double b, double v);

// The bottom face's corners A (left), B (back), C (right), D (front).
struct BoxCorners {
  QPoint A, B, C, D;
};
BoxCorners BottomCorners(const SurfaceBox& box);

// Whether the offsets dx = x - BoxLeft - 2, dy = BoxPictureHeight - BoxTop - y + 2 - BoxLift fall on the
// bottom face.
bool InsideBottomFace(const SurfaceBox& box, int dx, int dy);

// The axis texts with their top-left positions, in drawing order.
struct SurfaceLabel {
  std::string Text;
  int X = 0, Y = 0;
};
std::vector<SurfaceLabel> SurfaceAxisLabels(const Workbench& wb);

// The box's 8 edges in a black pen of width PointSize, and the pen colour ColorBox1 selects.
void DrawSurfaceBox(Workbench& wb);
std::int64_t SurfacePenColour(const Workbench& wb);
// The 8 edges of box b in a black pen of width ps.
void DrawSurfaceBoxEdges(const SurfaceBox& b, Canvas& c, int ps);
// How the surface's grid is sampled: the training-set error (WMWeightLabBox) or the continuous-input
// error, the held evaluation options, SamplerThreads threads.
PlaneSamplerOptions SurfaceSamplerOptions(Workbench& wb);

void PrepareErrorSurfaceForm(Workbench& wb);
void DrawSurfaceAxisLabels(Workbench& wb);
void DrawErrorSurface(Workbench& wb);

// The grid of the plane W0 + c1 PC[C1Index] + c2 PC[C2Index] around the weights of "ES fixed at epoch".
void ComputeErrorSurfacePCA(Workbench& wb);
// False (after a message) when fewer than two weights changed between epoch 0 and the last epoch.
bool FindTwoMostChangedWeights(Workbench& wb);
void ComputeErrorSurface2W(Workbench& wb);

// Whether the pictures of point size P (629 P x 613 P) can be made; false after the refusal's message.
bool PointSizeMakesPicture(Workbench& wb, int pointSize);

// False when the run is refused or fails (after its message, or silently where a stage is silent).
bool PlotErrorSurfacePCA(Workbench& wb, int mode);
void PlotErrorSurfacePCAV(Workbench& wb);
void PlotErrorSurface2W(Workbench& wb);

// The pick: (x, y) relative to the box as the window computes it; the height in pixels of the error.
int ErrorAtPlotPoint(Workbench& wb, int x, int y);
// A left click (or drag) at picture position (x, y).
void PickSurfacePoint(Workbench& wb, int x, int y);

// The picture's descriptive name (without ".gif").
std::string SurfacePictureName(Workbench& wb);
void SaveErrorSurface(Workbench& wb, int mode);
void WriteErrorSurfaceEps(Workbench& wb);
// The main window's "EPS": refuses a grid of lower quality.
void ErrorSurfaceEpsButton(Workbench& wb);

void FindPCAMinimum(Workbench& wb);
void PCABasedTraining(Workbench& wb);

// The window's handlers.
void MirrorSurfaceC1(Workbench& wb);
void MirrorSurfaceC2(Workbench& wb);
void NegateSurfaceSign(Workbench& wb, int component);
void SurfaceViewChanged(Workbench& wb);

}  // namespace wl
