#pragma once
// The re-mapped error surface and the direction tables. "Prepare Modifications" computes once a fine
// grid of 427 x 427 errors on the plane of the last surface; "Modify Plot with fi + h" redraws the surface
// from it, turned by an angle that grows with the distance from the centre (fi) and with its low values
// raised (h), and writes the drawn lines to "_impeps.txt". "Training Directions" and "All Directions"
// write the cosines between the training steps, the epochs and the principal or independent directions
// to "_TRdir.txt" and "_IPdir.txt".
#include <string>
#include <vector>

namespace wl {

struct Workbench;

void PrepareSurfaceModification(Workbench& wb);
void ModifySurfacePlot(Workbench& wb);
void WriteTrainingDirections(Workbench& wb);
void WriteAllDirections(Workbench& wb);
// "PCA / ICA Directions": nothing.
void PCAICADirections(Workbench& wb);

// The cell (xs, ys) of the prepared grid, relative to its centre, that the re-mapped cell (x, y) takes:
// the cell turned by fi * pi / 180 * sin(1.5 * pi * r / 200) about the centre (r its distance). Not for
// the centre cell.
void RemapSource(int x, int y, double fi, int& xs, int& ys);
// A value of the re-mapped surface: below the threshold T and farther than 50 cells from the centre it is
// raised by the factor (T - v) * h' / T + 1 with h' = (50 - r) / 50 * hv + 1; otherwise it stays.
double RaisedValue(double v, double r, double T, double hv);

// The messages of the refusals.
inline constexpr const char* PrepareFirstMessage = "First Press Prepare Modifications";
inline constexpr const char* SurfaceFirstMessage = "First Perform the Error Surface Plot";
inline constexpr const char* ExchangeRowsMessage =
    "All Directions needs the PCA and ICA directions read from the Matlab files";

}  // namespace wl
