#pragma once
// The NG error-section chart: the error E along the search direction of numerical-gradient training as
// a function of the step factor h, one curve per section, each in its own colour with its number at the
// chart's right edge. The window's axes, grid, legend numbers and saving are here; the trainers add the
// curves' points.
#include <string>
#include <vector>

namespace wl {

struct Workbench;

// The height in the chart (point size 1, not rounded) of the error E with the error axis ErrorAxisRange:
// 0 on the bottom line of the plot, ErrorAxisRange on its top line, where the trainers draw it.
double NGSectionErrorY(double E, double errorAxisRange, int margin, int plotHeight);

// A horizontal grid line of the chart: its row in a picture of point size k, the error at that row and
// its label.
struct NGErrorLine {
  int Y;
  double Error;
  std::string Label;
};
// The number n of parts of the error axis: Round(5 * ErrorAxisRange) (lines 0.2 apart), or for an axis of
// an odd number of tenths 10 * ErrorAxisRange (lines 0.1 apart); at least 1.
int NGSectionErrorParts(double errorAxisRange);
// The n + 1 horizontal grid lines: the plot's height in n equal parts from the top line (ErrorAxisRange)
// down to the bottom line (0), each labelled with the error at its height, with one decimal, or two or
// three when one does not state it.
std::vector<NGErrorLine> NGSectionErrorLines(double errorAxisRange, int margin, int plotHeight, int k);

// A new chart of point size k (the main window's PSEdit): white, with the axis letters, the grid of
// NGSectionErrorLines, eleven vertical lines over fromH .. toH (the one at h = 0 twice as wide) labelled
// with h / 10, and a line of double width at E = 1 when the axis reaches it.
void DrawNGSectionAxes(Workbench& wb);

// Starts curve i: pen and font in PlotColors[i mod 8], pen width k, and the legend number n at the right
// edge at height k * (margin + 22 r), r = i mod NGSectionLegendRows (a number taking the row of an earlier
// one clears it first). Numbers of 99 and above are not written. From the ninth curve on (i >= 8), every
// pixel first keeps kNGSectionFade of its distance from white (the earlier curves grow paler) and the
// grid is drawn again.
void DrawNGSectionCurve(Workbench& wb, int i, int n);

// The legend's rows in a chart of that height and margin (21 for 510 and 30).
int NGSectionLegendRows(int chartHeight, int margin);
inline constexpr int kNGSectionColours = 8;
inline constexpr double kNGSectionFade = 0.9;

// A point of the current curve at chart coordinates (x, y), point size 1; both are multiplied by
// PointSize and rounded. The first point of a curve only moves the pen, the others draw a line from the
// previous point.
void NGSectionPoint(Workbench& wb, double x, double y, bool first);

// A white frame of pen width 1 round the chart.
void FrameNGSection(Workbench& wb);

// Copies the chart to the window.
void ShowNGSection(Workbench& wb);

// "Save" and "Save As": the chart as GIF, suffix "_NG".
void SaveNGSection(Workbench& wb);
void SaveNGSectionAs(Workbench& wb);

}  // namespace wl
