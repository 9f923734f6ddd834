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

void StampComponents(Workbench& wb) {
  wb.ComponentsMadeFor = CurrentNetworkShape(wb);
  // The centre of the surface is a point of the weight space the components span, and the scores are the
  // trajectory's coordinates on them: those of another network go with its components (each plot lays out
  // its centre and projects the trajectory anew).
  const auto n = static_cast<std::size_t>(std::max(wb.ComponentsMadeFor.Weights, 0));
  if (wb.CentreWeights.size() != n) wb.CentreWeights.clear();
  if (wb.ComponentScores.size() > n) wb.ComponentScores.clear();
}

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

namespace {

// The layer sizes and the weights (layers above the inputs, thresholds included) of a network.
NetworkStamp ShapeOf(const std::vector<std::vector<TNeuron>>& net) {
  NetworkStamp s;
  for (std::size_t l = 0; l < net.size(); ++l) {
    s.Layers.push_back(static_cast<int>(net[l].size()));
    if (l > 0)
      for (const TNeuron& n : net[l]) s.Weights += static_cast<int>(n.Weights.size());
  }
  return s;
}

bool SameNeuronWeights(const std::vector<std::vector<TNeuron>>& a, const std::vector<std::vector<TNeuron>>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t l = 1; l < a.size(); ++l) {
    if (a[l].size() != b[l].size()) return false;
    for (std::size_t n = 0; n < a[l].size(); ++n)
      if (a[l][n].Weights.size() != b[l][n].Weights.size()) return false;
  }
  return true;
}

// Units of one kind: `count` of them, each with `weights` weights.
bool UnitsOf(const std::vector<TNeuron>& units, std::size_t count, std::size_t weights) {
  return units.size() == count &&
         std::all_of(units.begin(), units.end(), [weights](const TNeuron& n) { return n.Weights.size() == weights; });
}

bool FourLayerTablesHold(const Workbench& wb) {
  const auto& net = wb.Net;
  if (net.size() != 4) return false;
  const std::size_t units = net[2].size(), k = net[3].size();
  if (units == 0 || k == 0 || units % k != 0 || net[1].size() % units != 0) return false;
  const std::size_t g = units / k, nf = net[1].size() / units;
  if (wb.NofMKind.size() != g || wb.FeatureUse.size() != g || wb.ExpandBuilt.size() != units) return false;
  for (std::size_t gi = 0; gi < g; ++gi) {
    if (wb.NofMKind[gi].size() != k || wb.FeatureUse[gi].size() != k) return false;
    for (const auto& perFeature : wb.FeatureUse[gi])
      if (perFeature.size() != nf) return false;
  }
  if (wb.ExpandAnd.size() != wb.ExpandNofM.size() || (!wb.ExpandAnd.empty() && wb.ExpandAnd.size() != units))
    return false;
  for (std::size_t u = 0; u < units; ++u)
    if (wb.ExpandBuilt[u] && (wb.ExpandAnd.empty() || wb.ExpandAnd[u].Weights.size() != nf + 1 ||
                              wb.ExpandNofM[u].Weights.size() != nf + 1))
      return false;
  return true;
}

bool FiveLayerUnitsHold(const Workbench& wb) {
  const auto& net = wb.Net;
  if (net.size() != 4) return false;
  const std::size_t units = net[2].size();
  if (units == 0 || net[1].size() % units != 0) return false;
  const std::size_t nf = net[1].size() / units;
  return UnitsOf(wb.AndUnits, units, nf + 1) && UnitsOf(wb.NofMUnits, units, nf + 1);
}

bool LUnitsHold(const Workbench& wb) {
  const std::size_t units = wb.Net.empty() ? 0 : wb.Net[0].size();
  auto filled = [](const TNeuron& n) { return !n.Weights.empty(); };
  return wb.LUnitN1.size() == units && wb.LUnitN2.size() == units && UnitsOf(wb.LUnitN3, units, 3) &&
         std::all_of(wb.LUnitN1.begin(), wb.LUnitN1.end(), filled) &&
         std::all_of(wb.LUnitN2.begin(), wb.LUnitN2.end(), filled);
}

bool LNetIntervalsHold(const Workbench& wb) {
  const std::size_t nf = wb.FeatureValueCount.size();
  if (wb.LNet1.size() != nf || wb.LNet2.size() != nf || wb.LNet3.size() != nf) return false;
  std::size_t inputs = 0;
  for (std::size_t f = 0; f < nf; ++f) {
    if (wb.FeatureValueCount[f] < 0) return false;
    inputs += static_cast<std::size_t>(wb.FeatureValueCount[f]);
    if (wb.LNet1[f].size() != wb.LNet2[f].size() || wb.LNet1[f].size() != wb.LNet3[f].size()) return false;
  }
  return !wb.Net.empty() && inputs == wb.Net[0].size();
}

}  // namespace

bool BeamShapeHolds(const Workbench& wb) {
  if (wb.BeamNets.empty() && wb.CandidateNets.empty()) return true;
  if (wb.BeamErrors.size() != wb.BeamNets.size() || wb.CandidateErrors.size() != wb.CandidateNets.size()) return false;
  const bool inPlace = wb.BeamMadeFor == CurrentNetworkShape(wb);
  for (const auto* members : {&wb.BeamNets, &wb.CandidateNets})
    for (const auto& m : *members) {
      if (!(ShapeOf(m) == wb.BeamMadeFor)) return false;
      if (inPlace && !SameNeuronWeights(m, wb.Net)) return false;
    }
  return true;
}

bool SingleClassShapeHolds(const Workbench& wb) {
  if (!wb.SingleClassNet) return true;
  if (wb.Net.size() != 3 || wb.Layers.size() != 3 || wb.Layers[1] < 1 || wb.Net[2].size() != 1) return false;
  if (wb.Net[1].size() != static_cast<std::size_t>(wb.Layers[1])) return false;
  for (const TNeuron& n : wb.Net[1])
    if (n.Weights.size() != static_cast<std::size_t>(wb.Layers[0]) + 1) return false;
  return wb.Net[2][0].Weights.size() == static_cast<std::size_t>(wb.Layers[1]) + 1;
}

bool StepUnitsShapeHold(const Workbench& wb) {
  if (wb.NetKind == 0) return true;
  if (wb.NetType == 4) return FourLayerTablesHold(wb);
  if (wb.NetType == 5) return FiveLayerUnitsHold(wb);
  if (wb.NetType == 3 && wb.LUnitsMode == 1) return LUnitsHold(wb);
  if (wb.NetType == 3 && wb.LUnitsMode == 7) return LNetIntervalsHold(wb);
  return true;
}

std::string AgainMessage(const std::string& command) { return command + " : compute the surface again (SVD + Plot)."; }

bool ComponentsFitFor(Workbench& wb, const std::string& command) {
  if (ComponentsFit(wb)) return true;
  wb.Plat.ShowMessage(AgainMessage(command));
  return false;
}

}  // namespace wl
