#include "smlp/lunit_net.h"

#include <algorithm>
#include <string>

#include "platform/errors.h"
#include "platform/numfmt.h"
#include "state/workbench.h"
#include "training/prepare_run.h"

namespace wl {

namespace {

[[noreturn]] void NotFitting() {
  throw WlError("The L-unit network does not fit the data set. Train the network again.");
}

int CutPointCount(const Workbench& wb, std::size_t f) {
  if (f >= wb.NumCutPoints.size() || f >= wb.CutPoints.size()) return 0;
  const int n = wb.NumCutPoints[f];
  // Entries 1 .. n hold the run starts; a table shorter than that has no usable runs.
  if (n < 1 || wb.CutPoints[f].size() <= static_cast<std::size_t>(n)) return 0;
  return n;
}

TNeuron StepNeuron(double bound) {
  TNeuron n;
  n.Weights = {bound, 1.0};
  return n;
}

void LogLine(Workbench& wb, const std::string& line) {
  if (!wb.LogFile.is_open()) return;  // the bounds are only a record: building does not depend on it
  wb.LogFile << line << '\n';
}

inline double Step(double net, double theta) { return SignOf(net - theta) * 0.5 + 0.5; }

}  // namespace

int LUnitInputCount(const Workbench& wb) {
  int n = 0;
  for (std::size_t f = 0; f < static_cast<std::size_t>(std::max(0, wb.NumOfFeatures)); ++f) n += CutPointCount(wb, f);
  return n;
}

void InitLUnitNet(Workbench& wb, std::uint8_t /*mode*/) {
  const std::size_t nf = static_cast<std::size_t>(std::max(0, wb.NumOfFeatures));
  const int classes = wb.NumOfClasses;
  wb.LUnitN1.clear();
  wb.LUnitN2.clear();
  wb.LUnitN3.clear();
  wb.FeatureValueCount.assign(nf, 0);
  std::vector<int> unitFeature, unitSlot;
  for (std::size_t f = 0; f < nf; ++f) {
    const int n = CutPointCount(wb, f);
    wb.FeatureValueCount[f] = n;
    double b1 = kLUnitLow;
    for (int s = 1; s <= n; ++s) {
      const double b2 = s < n ? wb.CutPoints[f][static_cast<std::size_t>(s) + 1] : kLUnitHigh;
      wb.LUnitN1.push_back(StepNeuron(b1));
      wb.LUnitN2.push_back(StepNeuron(b2));
      TNeuron n3;
      n3.Weights = {1.5, 1.0, -1.0};
      wb.LUnitN3.push_back(n3);
      unitFeature.push_back(static_cast<int>(f));
      unitSlot.push_back(s - 1);
      LogLine(wb, "N1.b=" + FloatToStr(b1) + "     N2.b=" + FloatToStr(b2));
      b1 = b2;
    }
  }
  LogLine(wb, "");

  const int l0 = static_cast<int>(wb.LUnitN3.size());
  const int l1 = kLUnitHiddenPerClass * classes;
  const double hidBias = StrToFloat(Trim(wb.Form1.HidBEdit.Text()));
  const double outBias = StrToFloat(Trim(wb.Form1.OutBEdit.Text()));
  wb.NumOfLayers = 3;
  wb.Layers = {l0, l1, classes};
  wb.Net.assign(3, {});
  wb.Net[0].resize(static_cast<std::size_t>(l0));
  for (TNeuron& n : wb.Net[0]) n.Weights.assign(1, 1.0);
  wb.Net[1].resize(static_cast<std::size_t>(l1));
  for (TNeuron& n : wb.Net[1]) {
    n.Weights.assign(static_cast<std::size_t>(l0) + 1, 0.0);
    n.Weights[static_cast<std::size_t>(l0)] = hidBias;
    n.OldWeights.assign(static_cast<std::size_t>(l0) + 1, 0.0);
  }
  wb.Net[2].resize(static_cast<std::size_t>(classes));
  for (TNeuron& n : wb.Net[2]) {
    n.Weights = {1.0, -1.0, 1.0, outBias};
    n.OldWeights.assign(4, 0.0);
  }
  wb.SMLPOutWeights = {1.0, -1.0, 1.0, 1.0};

  wb.LayerInputs = {l0, kLUnitHiddenPerClass, 0, 0};
  wb.NumOfWeights = l1 * (l0 + 1) + classes * 4;
  wb.InputFeature = std::move(unitFeature);
  wb.InputValue = std::move(unitSlot);
  wb.SignalTable.assign(2, {});
  for (int l = 1; l < 3; ++l)
    wb.SignalTable[static_cast<std::size_t>(l - 1)].assign(
        static_cast<std::size_t>(wb.Layers[static_cast<std::size_t>(l)]),
        std::vector<double>(static_cast<std::size_t>(std::max(0, wb.NumOfVectors)), 0.0));
  wb.ActiveInputs.resize(std::max(wb.ActiveInputs.size(), static_cast<std::size_t>(l0)));
  wb.NetType = 3;
  wb.LUnitsMode = 1;
  wb.SingleClassNet = false;
  ++wb.SMLPBuilds;
}

void RequireLUnitNet(const Workbench& wb) {
  const int classes = wb.NumOfClasses;
  if (wb.Net.size() != 3 || wb.Layers.size() != 3 || classes < 1) NotFitting();
  const int l0 = wb.Layers[0];
  const auto units = static_cast<std::size_t>(l0);
  if (wb.LUnitN1.size() != units || wb.LUnitN2.size() != units || wb.LUnitN3.size() != units ||
      wb.Net[0].size() != units || wb.InputFeature.size() != units)
    NotFitting();
  for (int f : wb.InputFeature)
    if (f < 0 || f >= wb.NumOfFeatures || static_cast<std::size_t>(f) >= wb.Features.size()) NotFitting();
  for (std::size_t k = 0; k < units; ++k)
    if (wb.LUnitN1[k].Weights.empty() || wb.LUnitN2[k].Weights.empty()) NotFitting();
  if (wb.HidPerOut.empty() || wb.HidPerOut[0] < 0 || wb.HidPerOut[0] > kLUnitHiddenPerClass)
    throw WlError("An L-unit network holds at most " + IntToStr(kLUnitHiddenPerClass) +
                  " hidden neurons per class; the class 0 has " + IntToStr(wb.HidPerOut.empty() ? 0 : wb.HidPerOut[0]) +
                  ".");
  if (wb.Net[1].size() < static_cast<std::size_t>(classes) * static_cast<std::size_t>(wb.HidPerOut[0])) NotFitting();
  for (const TNeuron& n : wb.Net[1])
    if (n.Weights.size() < units + 1) NotFitting();
  if (wb.Net[2].size() != static_cast<std::size_t>(classes)) NotFitting();
  for (const TNeuron& n : wb.Net[2])
    if (n.Weights.size() < 4) NotFitting();
  if (wb.Data.size() < static_cast<std::size_t>(wb.NumOfVectors)) NotFitting();
  for (int v = 0; v < wb.NumOfVectors; ++v)
    if (wb.Data[static_cast<std::size_t>(v)].size() < wb.Features.size()) NotFitting();
}

void ForwardLUnitNet(Workbench& wb, int v, int hiddenPerClass) {
  if (hiddenPerClass > kLUnitHiddenPerClass)
    throw WlError("An L-unit network holds at most " + IntToStr(kLUnitHiddenPerClass) + " hidden neurons per class.");
  const int classes = wb.NumOfClasses;
  const int l0 = wb.Layers[0];
  const double* row = wb.Data[static_cast<std::size_t>(v)].data();
  const bool masked = wb.FeatureMask.size() == wb.Features.size();
  std::vector<int>& active = wb.ActiveInputs;
  if (active.size() < static_cast<std::size_t>(l0)) active.resize(static_cast<std::size_t>(l0));
  int nActive = 0;

  // The L-units: 1 strictly inside the interval; a feature the discretization eliminated ("n/a") or that
  // the run masked out stays silent.
  for (int k = 0; k < l0; ++k) {
    const auto uk = static_cast<std::size_t>(k);
    const auto f = static_cast<std::size_t>(wb.InputFeature[uk]);
    const double x = row[f];
    TNeuron& n1 = wb.LUnitN1[uk];
    TNeuron& n2 = wb.LUnitN2[uk];
    TNeuron& n3 = wb.LUnitN3[uk];
    n1.Signal = SignOf(x - n1.Weights[0]);
    n2.Signal = SignOf(x - n2.Weights[0]);
    n3.Signal = SignOf(n1.Signal - 1.5 - n2.Signal) * 0.5 + 0.5;
    const bool silent = wb.Features[f].Name.compare(0, 3, "n/a") == 0 || (masked && wb.FeatureMask[f] != 1);
    if (silent) n3.Signal = 0.0;
    wb.Net[0][uk].Signal = n3.Signal;
    if (n3.Signal == 1.0) active[static_cast<std::size_t>(nActive++)] = k;
  }

  // Hidden neurons: the units that answer 0 add nothing to the sums.
  std::vector<TNeuron>& hid = wb.Net[1];
  const int hidden = classes * std::max(0, hiddenPerClass);
  for (int j = 0; j < hidden; ++j) {
    const double* w = hid[static_cast<std::size_t>(j)].Weights.data();
    double net = 0.0;
    for (int a = 0; a < nActive; ++a) net += w[active[static_cast<std::size_t>(a)]];
    hid[static_cast<std::size_t>(j)].Signal = Step(net, w[l0]);
  }

  // Outputs: class c from its hidden neurons k x NumOfClasses + c, against its fourth weight.
  std::vector<TNeuron>& out = wb.Net[2];
  for (int c = 0; c < classes; ++c) {
    const double* w = out[static_cast<std::size_t>(c)].Weights.data();
    double net = 0.0;
    for (int k = 0; k < hiddenPerClass; ++k) net += hid[static_cast<std::size_t>(k * classes + c)].Signal * w[k];
    out[static_cast<std::size_t>(c)].Signal = Step(net, w[3]);
  }
}

std::string LUnitRefusal(const Workbench& wb) {
  int continuous = 0;
  for (const TFeature& f : wb.Features)
    if (f.Kind == 'c') ++continuous;
  if (continuous == 0) return "\"L-units\" read continuous features; the data set has none. Clear \"L-units\" to train an SMLP network.";
  for (int c = 0; c < wb.NumOfClasses && c < static_cast<int>(wb.HidPerOut.size()); ++c) {
    if (wb.HidPerOut[static_cast<std::size_t>(c)] > kLUnitHiddenPerClass)
      return "An L-unit network holds at most " + IntToStr(kLUnitHiddenPerClass) +
             " hidden neurons per class (class " + IntToStr(c) + " has " +
             IntToStr(wb.HidPerOut[static_cast<std::size_t>(c)]) + "). Set the hidden neurons of the classes to 3 or fewer.";
    if (wb.HidPerOut[static_cast<std::size_t>(c)] != wb.HidPerOut[0])
      return "An SMLP network needs the same number of hidden neurons for every class (class 0 has " +
             IntToStr(wb.HidPerOut[0]) + ", class " + IntToStr(c) + " has " +
             IntToStr(wb.HidPerOut[static_cast<std::size_t>(c)]) + "). Set the hidden neurons of the classes alike.";
  }
  return "";
}

int StepInputCount(const Workbench& wb, std::size_t f) {
  if (wb.LUnitsMode != 0 && f < wb.FeatureValueCount.size()) return wb.FeatureValueCount[f];
  return f < wb.Features.size() ? wb.Features[f].NValues : 0;
}

std::string LUnitValueText(const Workbench& wb, int f, int v) {
  const auto uf = static_cast<std::size_t>(f);
  const auto uv = static_cast<std::size_t>(v);
  const TFeature& feat = wb.Features[uf];
  if (feat.Kind == 'c') {
    const TNeuron* n1 = nullptr;
    const TNeuron* n2 = nullptr;
    if (wb.LUnitsMode == 7) {
      if (uf < wb.LNet1.size() && uv < wb.LNet1[uf].size() && uf < wb.LNet2.size() && uv < wb.LNet2[uf].size()) {
        n1 = &wb.LNet1[uf][uv];
        n2 = &wb.LNet2[uf][uv];
      }
    } else {
      std::size_t k = uv;
      for (std::size_t g = 0; g < uf && g < wb.FeatureValueCount.size(); ++g)
        k += static_cast<std::size_t>(std::max(0, wb.FeatureValueCount[g]));
      if (k < wb.LUnitN1.size() && k < wb.LUnitN2.size()) {
        n1 = &wb.LUnitN1[k];
        n2 = &wb.LUnitN2[k];
      }
    }
    if (n1 && n2 && !n1->Weights.empty() && !n2->Weights.empty())
      return FixedDisplayText(n1->Weights[0], 8, 2) + "_" + FixedDisplayText(n2->Weights[0], 8, 2);
    return IntToStr(v);
  }
  // A symbolic value by its name, not by its index.
  if (uv < feat.Symbols.size()) return feat.Symbols[uv];
  if (uv < feat.Values.size()) return FloatToStr(feat.Values[uv]);
  return FloatToStr(static_cast<double>(v));
}

}  // namespace wl
