#pragma once
// The NG error-section chart: the error E along the search direction of numerical-gradient training as
// a function of the step factor h, one curve per section, each in its own colour with its number at the
// chart's right edge. The window's axes, grid, legend numbers and saving are here; the trainers add the
// curves' points.
namespace wl {

struct Workbench;

// A new chart of point size k (the main window's PSEdit): white, with the axis letters, the grid of
// n = Round(5 * ErrorAxisRange) horizontal lines 0.2 apart labelled from ErrorAxisRange down to 0, eleven
// vertical lines over fromH .. toH (the one at h = 0 twice as wide) labelled with h / 10, and a line of
// double width at E = 1.
void DrawNGSectionAxes(Workbench& wb);

// Starts curve i: pen and font in PlotColors[i mod 8], pen width k, and the legend number n at the right
// edge at height k * (margin + 22 i). Numbers of 99 and above are not written.
void DrawNGSectionCurve(Workbench& wb, int i, int n);

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
