#pragma once
// The data-visualisation window's picture: the scatter plot of two continuous features, one marker per
// vector in its class's colour and shape, with the axis captions and an optional labelled grid.
#include <QImage>
#include <string>
#include <vector>

#include "state/graph_data_form.h"

namespace wl {

struct Workbench;

struct GraphDataPictures {
  QImage DataPlotBitmap;  // k * W by k * H, made anew by every "START"
};

// The window's picture, made on first use.
GraphDataPictures& Pictures(TGraphData& g);

// The axis range of a feature: the largest integer not above its minimum and the smallest not below its
// maximum.
struct AxisRange {
  double Min, Max;
};
AxisRange AxisRangeOf(double minimum, double maximum);
// The tick step of an axis: (max - min) div 10 + 1.
int TickStep(const AxisRange& r);
// A vector's point for values x, y with point size k.
struct PlotPoint {
  int X, Y;
};
PlotPoint DataPlotPoint(double x, double y, const AxisRange& rx, const AxisRange& ry, int k);

// A horizontal line of the grid: its row and the value of the vertical feature it stands at, as labelled.
struct DataPlotGridLine {
  int Y;
  double Value;
  std::string Label;
};
// The horizontal grid lines for point size k, the bottom one first: every TickStep(ry) from the bottom
// line (minY) up to maxY, each labelled with its value (max(2 - step, 0) decimals), where a vector of that
// value is drawn.
std::vector<DataPlotGridLine> DataPlotYGrid(const AxisRange& ry, int k);

// Draws the plot of feature y (vertical) against feature x (horizontal) for point size k into the
// window's picture (which "START" has made) and copies it into I1. The axis ranges come from
// FeatureClassMin and FeatureClassMax (the entry after the last class). A zero range throws FloatError.
void DrawDataPlot(Workbench& wb, TGraphData& g, int y, int x, int k);

// The name of the saved picture without ".gif": ResultsPrefix + "_" + Y + "_" + X + "_s" + k.
std::string DataPlotName(const Workbench& wb, const TGraphData& g);
// "Save": the picture as GIF under DataPlotName + ".gif"; nothing before the first picture.
void SaveDataPlot(Workbench& wb, TGraphData& g);
// "Save As": the name proposed in SaveGraphDialog; the GIF written to the name chosen, as typed.
void SaveDataPlotAs(Workbench& wb, TGraphData& g);

}  // namespace wl
