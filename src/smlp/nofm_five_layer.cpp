#include "smlp/nofm_five_layer.h"

#include <cmath>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "model/weights_file.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"
#include "smlp/genetic_algorithm.h"
#include "smlp/nofm_network.h"
#include "state/workbench.h"

namespace wl {

namespace {

[[noreturn]] void NotFitting() {
  throw WlError("The five-layer N-of-M network does not fit the data set. Run \"N of M 5\" again.");
}

int Groups(const Workbench& wb) { return wb.HidPerOut.empty() ? 0 : wb.HidPerOut[0]; }

// A unit over the NumOfFeatures feature units: weights 1.0, threshold 0.5.
TNeuron FeatureCombination(int nf) {
  TNeuron n;
  n.Weights.assign(static_cast<std::size_t>(nf) + 1, 1.0);
  n.Weights.back() = 0.5;
  return n;
}

}  // namespace

bool CreateFiveLayerNet(Workbench& wb) {
  const int k = wb.NumOfClasses;
  const int nf = wb.NumOfFeatures;
  int g = 0, l0 = 0;
  if (!StartNofMBuild(wb, g, l0)) return false;
  const int units = g * k;
  wb.NumOfLayers = 4;
  wb.NetType = 5;
  wb.Layers = {l0, units * nf, units, k};
  wb.LayerInputs = {l0, nf, 2, g};
  BuildNofMFeatureLayers(wb, units, l0);
  const int valueWeights = units * l0;  // every feature unit has one weight per value of its feature
  wb.Net[2].assign(static_cast<std::size_t>(units), TNeuron{});
  for (TNeuron& n : wb.Net[2]) n.Weights = {1.0, 1.0, 1.5};
  wb.AndUnits.assign(static_cast<std::size_t>(units), FeatureCombination(nf));
  wb.NofMUnits.assign(static_cast<std::size_t>(units), FeatureCombination(nf));
  BuildNofMOutputs(wb, g);

  // The genes: every value weight and, per hidden unit, NF AND/N-of-M choices and NF - 1 threshold bits,
  // per class (mode 5 evolves the units of class 0).
  wb.GALength = static_cast<int>(Round(static_cast<double>(valueWeights + wb.Layers[2] * (2 * nf - 1)) / k));
  wb.GARows = 0;
  wb.GAColumns = 0;

  for (int i = 1; i <= 12; ++i) wb.ParamText[static_cast<std::size_t>(i)].clear();
  wb.ParamText[1] = "five layers, hid.bias = " + wb.Form1.HidBEdit.Text() + "  out.bias = " + wb.Form1.OutBEdit.Text();
  wb.SingleClassNet = false;
  ++wb.SMLPBuilds;
  return true;
}

void RequireFiveLayerNet(const Workbench& wb) {
  const int k = wb.NumOfClasses;
  const int nf = wb.NumOfFeatures;
  const int g = Groups(wb);
  if (wb.Net.size() != 4 || wb.Layers.size() != 4 || k <= 0 || g <= 0) NotFitting();
  if (static_cast<int>(wb.Features.size()) < nf || static_cast<int>(wb.HidPerOut.size()) < k) NotFitting();
  const int units = g * k;
  int l0 = 0;
  for (int f = 0; f < nf; ++f) l0 += wb.Features[f].NValues;
  if (static_cast<int>(wb.Net[0].size()) != l0 || wb.Net[1].size() != static_cast<std::size_t>(units * nf) ||
      wb.Net[2].size() != static_cast<std::size_t>(units) || wb.Net[3].size() != static_cast<std::size_t>(k) ||
      wb.AndUnits.size() != static_cast<std::size_t>(units) || wb.NofMUnits.size() != static_cast<std::size_t>(units))
    NotFitting();
  for (int u = 0; u < units; ++u) {
    for (int f = 0; f < nf; ++f)
      if (static_cast<int>(wb.Net[1][u * nf + f].Weights.size()) != wb.Features[f].NValues + 1) NotFitting();
    if (wb.Net[2][u].Weights.size() != 3 || static_cast<int>(wb.AndUnits[u].Weights.size()) != nf + 1 ||
        static_cast<int>(wb.NofMUnits[u].Weights.size()) != nf + 1)
      NotFitting();
  }
  for (int c = 0; c < k; ++c)
    if (wb.HidPerOut[c] != g || static_cast<int>(wb.Net[3][c].Weights.size()) != g + 1) NotFitting();
  if (!NofMVectorsFit(wb)) NotFitting();
}

void ForwardFiveLayer(Workbench& wb, int v) {
  const int k = wb.NumOfClasses;
  const int nf = wb.NumOfFeatures;
  const int units = Groups(wb) * k;
  const double slope = wb.Slope;

  NofMInputs(wb, v);
  NofMFeatureSignals(wb, units, slope);
  const std::vector<TNeuron>& fu = wb.Net[1];

  std::vector<TNeuron>& hid = wb.Net[2];
  for (int u = 0; u < units; ++u) {
    const TNeuron* s = &fu[u * nf];
    const double* wa = wb.AndUnits[u].Weights.data();
    const double* wn = wb.NofMUnits[u].Weights.data();
    double a = 0.0, b = 0.0;
    for (int f = 0; f < nf; ++f) {
      a += s[f].Signal * wa[f];
      b += s[f].Signal * wn[f];
    }
    const double sa = NofMUnitTransfer(a, wa[nf], slope);
    const double sb = NofMUnitTransfer(b, wn[nf], slope);
    wb.AndUnits[u].Signal = sa;
    wb.NofMUnits[u].Signal = sb;
    double* w = hid[u].Weights.data();
    w[0] = 1.0;
    w[1] = 1.0;
    w[2] = 1.5;
    hid[u].Signal = NofMUnitTransfer(sa * w[0] + sb * w[1], w[2], slope);
  }

  std::vector<TNeuron>& out = wb.Net[3];
  for (int c = 0; c < k; ++c) {
    const int h = wb.HidPerOut[c];
    const double* w = out[c].Weights.data();
    double net = 0.0;
    for (int i = 0; i < h; ++i) net += hid[i * k + c].Signal * w[i];
    out[c].Signal = NofMOutputTransfer(net, w[h], slope);
  }
}

double FiveLayerError(Workbench& wb) {
  RequireFiveLayerNet(wb);
  wb.Plat.Pulse(wb.NumOfVectors);
  double e = 0.0;
  const TNeuron& out0 = wb.Net[3][0];
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    ForwardFiveLayer(wb, v);
    const double t = wb.VectorClass[v] == 0 ? 1.0 : 0.0;
    e += std::fabs(out0.Signal - t);
  }
  wb.ErrorEvaluations += 1;
  return e;
}

void RunNofMFiveLayer(Workbench& wb) {
  if (!CreateFiveLayerNet(wb)) return;
  wb.NofMError = FiveLayerError(wb);

  // The previous wp5.txt becomes wp5old.txt unless that is there already; then wp5.txt goes. Neither step
  // stops the run.
  namespace fs = std::filesystem;
  const fs::path current = wb.ProgramDir + "/wp5.txt";
  const fs::path old = wb.ProgramDir + "/wp5old.txt";
  std::error_code ec;
  if (fs::exists(current, ec) && !fs::exists(old, ec)) fs::rename(current, old, ec);
  fs::remove(current, ec);

  SaveWeights(wb, 1);
  RunGeneticAlgorithm(wb, 5);
  SaveWeights(wb, 1);
}

void ShowSMLP5Error(Workbench& wb) {
  if (wb.NetType != 5) {
    wb.Plat.ShowMessage("No five-layer N-of-M network has been built yet. Run \"N of M 5\" first.");
    return;
  }
  wb.Form1.ge.SetText(FloatToStr(FiveLayerError(wb)));
  wb.Form1.ge.Repaint();
}

}  // namespace wl
