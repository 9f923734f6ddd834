#include "state/analysis_shapes.h"

#include <algorithm>

#include "platform/rounding.h"
#include "state/workbench.h"

namespace wl {

namespace {

// Half of a count, rounded half to even as the grid's own sizes are.
int HalfOf(int v) { return RoundInt(v / 2.0); }

bool RowsOfSize(const std::vector<std::vector<double>>& m, std::size_t n) {
  return std::all_of(m.begin(), m.end(), [n](const std::vector<double>& r) { return r.size() == n; });
}

}  // namespace

NetworkStamp CurrentNetworkShape(const Workbench& wb) {
  NetworkStamp s;
  s.Weights = wb.NumOfWeights;
  const std::size_t layers = std::min(wb.Layers.size(), static_cast<std::size_t>(std::max(wb.NumOfLayers, 0)));
  s.Layers.assign(wb.Layers.begin(), wb.Layers.begin() + static_cast<std::ptrdiff_t>(layers));
  return s;
}

void StampComponents(Workbench& wb) { wb.ComponentsMadeFor = CurrentNetworkShape(wb); }

bool ComponentsShapeHolds(const Workbench& wb) {
  const int W = wb.ComponentsMadeFor.Weights;
  if (W <= 0) return true;
  const auto n = static_cast<std::size_t>(W);
  if (wb.Eigenvalues.size() != n) return false;
  if (wb.PrincipalComponents.size() != n || !RowsOfSize(wb.PrincipalComponents, n)) return false;
  if (wb.PlotComponents.size() > 6 || !RowsOfSize(wb.PlotComponents, n)) return false;
  if (!RowsOfSize(wb.MatlabComponents, n) || !RowsOfSize(wb.ICAComponents, n)) return false;
  if (!wb.CentreWeights.empty() && wb.CentreWeights.size() != n) return false;
  if (wb.ComponentScores.size() > n) return false;
  if (wb.TrajProjected) {
    if (wb.TrajectoryCoords.size() != 6) return false;
    const std::size_t epochs = wb.TrajectoryCoords[0].size();
    for (const auto& r : wb.TrajectoryCoords)
      if (r.size() != epochs) return false;
  }
  return true;
}

bool ComponentsFit(const Workbench& wb) {
  return wb.ComponentsMadeFor.Weights > 0 && wb.ComponentsMadeFor == CurrentNetworkShape(wb) &&
         ComponentsShapeHolds(wb);
}

std::size_t GridLinesOf(const SurfaceGridMade& made) { return static_cast<std::size_t>(2 * HalfOf(made.Lines) + 1); }

std::size_t GridValuesOf(const SurfaceGridMade& made) {
  const int step = std::max(made.Step, 1);
  return static_cast<std::size_t>(2 * HalfOf(made.Box.Height) / step + 1);
}

bool SurfaceGridShapeHolds(const TNG3D& w) {
  if (!w.GridReady) return true;
  if (w.GridMade.Lines < 2 || w.GridMade.Step < 1 || w.SurfaceGrid.size() != 2) return false;
  const std::size_t lines = GridLinesOf(w.GridMade), values = GridValuesOf(w.GridMade);
  for (const auto& family : w.SurfaceGrid) {
    if (family.size() < lines) return false;
    for (std::size_t i = 0; i < lines; ++i)
      if (family[i].size() < values) return false;
  }
  return true;
}

bool SurfaceGridFits(const TNG3D& w) { return w.GridReady && SurfaceGridShapeHolds(w); }

void MakeSurfaceGrid(TNG3D& w, const SurfaceGridMade& made, std::size_t lines, std::size_t values) {
  lines = std::max(lines, GridLinesOf(made));
  values = std::max(values, GridValuesOf(made));
  w.SurfaceGrid.assign(2, std::vector<std::vector<float>>(lines, std::vector<float>(values, 0.0f)));
  w.GridMade = made;
  w.GridReady = made.Lines >= 2;
}

bool HistoryFitsNetwork(const Workbench& wb) {
  const WeightShape now = WeightShape::Of(wb.Layers, wb.LayerInputs.data(), static_cast<int>(wb.Net.size()));
  const WeightShape& rec = wb.WeightHistory.Shape();
  return rec.Neurons == now.Neurons && rec.Weights == now.Weights &&
         rec.RowSize == static_cast<std::size_t>(std::max(wb.NumOfWeights, 0)) && wb.NumOfEpochs >= 0 &&
         wb.WeightHistory.Rows() > static_cast<std::size_t>(wb.NumOfEpochs);
}

bool PreparedGridFits(const Workbench& wb) {
  return wb.GridPrepared && wb.PreparedGridMadeFor == CurrentNetworkShape(wb) && wb.PreparedGridMadeFor.Weights > 0;
}

std::string AgainMessage(const std::string& command) { return command + " : compute the surface again (SVD + Plot)."; }

bool ComponentsFitFor(Workbench& wb, const std::string& command) {
  if (ComponentsFit(wb)) return true;
  wb.Plat.ShowMessage(AgainMessage(command));
  return false;
}

}  // namespace wl
