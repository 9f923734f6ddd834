#include "smlp/smlp_network.h"

#include "smlp/nofm_five_layer.h"
#include "smlp/lnet.h"
#include "smlp/lunit_net.h"
#include "smlp/nofm_network.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "model/create_network.h"
#include "model/error_functions.h"
#include "model/forward_pass.h"
#include "model/read_parameters.h"
#include "model/vector_state.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "state/workbench.h"

namespace wl {

namespace {

const char* const kNoDataSet = "No data set has been opened yet. Open a data set first (Open -> Open Training Set).";

[[noreturn]] void NotFitting() {
  throw WlError("The SMLP network does not fit the data set. Train the network again.");
}

// The one-hot input width: every listed value of every feature, masked or not.
int InputWidth(const Workbench& wb) {
  int n = 0;
  for (const TFeature& f : wb.Features) n += f.NValues;
  return n;
}

// Every class must have as many hidden units as class 0: the interleaved layout and the forward pass
// (which evaluates NumOfClasses x HidPerOut[0] hidden units) hold for equal counts only.
bool EqualHiddenCounts(Workbench& wb) {
  const int classes = wb.NumOfClasses;
  if (static_cast<int>(wb.HidPerOut.size()) < classes) wb.HidPerOut.resize(static_cast<std::size_t>(classes), 0);
  if (const std::string refusal = HiddenCountsRefusal(wb, "SMLP"); !refusal.empty()) {
    wb.Plat.ShowMessage(refusal);
    return false;
  }
  return true;
}

bool HasDataSet(const Workbench& wb) {
  return wb.NumOfVectors > 0 && wb.NumOfClasses > 0 && !wb.Features.empty() &&
         wb.Data.size() >= static_cast<std::size_t>(wb.NumOfVectors);
}

// Sizes the network to the SMLP's layers. Arrays that already have their length keep their elements;
// new elements are 0. Every input weight := 1.0.
void SizeNetwork(Workbench& wb, int l0, bool withBase) {
  const int classes = wb.NumOfClasses;
  int l1 = 0;
  for (int c = 0; c < classes; ++c) l1 += wb.HidPerOut[c];
  wb.NumOfLayers = 3;
  wb.Layers = {l0, l1, classes};
  wb.Net.resize(3);
  wb.Net[0].resize(static_cast<std::size_t>(l0));
  for (TNeuron& n : wb.Net[0]) n.Weights.assign(1, 1.0);
  wb.Net[1].resize(static_cast<std::size_t>(l1));
  for (TNeuron& n : wb.Net[1]) {
    n.Weights.resize(static_cast<std::size_t>(l0) + 1, 0.0);
    n.OldWeights.resize(static_cast<std::size_t>(l0) + 1, 0.0);
    if (withBase) n.BaseWeights.resize(static_cast<std::size_t>(l0) + 1, 0.0);
  }
  wb.Net[2].resize(static_cast<std::size_t>(classes));
  for (int c = 0; c < classes; ++c) {
    TNeuron& n = wb.Net[2][c];
    const std::size_t count = static_cast<std::size_t>(wb.HidPerOut[c]) + 1;
    n.Weights.resize(count, 0.0);
    n.OldWeights.resize(count, 0.0);
    if (withBase) n.BaseWeights.resize(count, 0.0);
  }
}

// The shape variables every evaluation and report reads.
void SetShape(Workbench& wb) {
  wb.LayerInputs = {wb.Layers[0], wb.HidPerOut.empty() ? 0 : wb.HidPerOut[0], 0, 0};
  int weights = wb.Layers[1] * (wb.Layers[0] + 1);
  for (int c = 0; c < wb.NumOfClasses; ++c) weights += wb.HidPerOut[c] + 1;
  wb.NumOfWeights = weights;
  wb.InputFeature.assign(static_cast<std::size_t>(wb.Layers[0]), 0);
  wb.InputValue.assign(static_cast<std::size_t>(wb.Layers[0]), 0);
  wb.SignalTable.assign(2, {});
  for (int l = 1; l < 3; ++l)
    wb.SignalTable[l - 1].assign(static_cast<std::size_t>(wb.Layers[l]),
                                 std::vector<double>(static_cast<std::size_t>(std::max(0, wb.NumOfVectors)), 0.0));
}

// Hidden thresholds HidBias; output weights SMLPOutWeights and thresholds OutBias.
void ThresholdsAndOutputs(Workbench& wb) {
  for (TNeuron& n : wb.Net[1]) n.Weights[wb.Layers[0]] = wb.HidBias;
  for (int c = 0; c < wb.NumOfClasses; ++c) {
    TNeuron& n = wb.Net[2][c];
    const int k = wb.HidPerOut[c];
    for (int t = 0; t < k; ++t) n.Weights[t] = SMLPOutWeight(wb, t);
    n.Weights[k] = wb.OutBias;
  }
}

// Whether the network in Net is an SMLP of the loaded data set; throws WlError otherwise.
void RequireSMLP(const Workbench& wb) {
  const int classes = wb.NumOfClasses;
  if (wb.Net.size() != 3 || wb.Layers.size() != 3) NotFitting();
  const int l0 = wb.Layers[0];
  if (l0 != InputWidth(wb) || wb.Net[0].size() != static_cast<std::size_t>(l0)) NotFitting();
  if (wb.Layers[2] != classes || wb.Net[2].size() != static_cast<std::size_t>(classes)) NotFitting();
  if (static_cast<int>(wb.HidPerOut.size()) < classes || classes < 1) NotFitting();
  const std::size_t hidden = wb.Net[1].size();
  if (static_cast<std::size_t>(classes) * static_cast<std::size_t>(std::max(0, wb.HidPerOut[0])) > hidden)
    NotFitting();
  for (const TNeuron& n : wb.Net[1])
    if (n.Weights.size() < static_cast<std::size_t>(l0) + 1) NotFitting();
  for (int c = 0; c < classes; ++c) {
    const int k = wb.HidPerOut[c];
    if (k < 0 || wb.Net[2][c].Weights.size() < static_cast<std::size_t>(k) + 1) NotFitting();
    if (k > 0 && static_cast<std::size_t>(k - 1) * classes + c >= hidden) NotFitting();
  }
  if (wb.Data.size() < static_cast<std::size_t>(wb.NumOfVectors) ||
      wb.VectorClass.size() < static_cast<std::size_t>(wb.NumOfVectors))
    NotFitting();
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    if (wb.Data[v].size() < wb.Features.size()) NotFitting();
    if (wb.VectorClass[v] < 0 || wb.VectorClass[v] >= classes) NotFitting();
  }
}

inline double Step(double net, double theta) { return net > theta ? 1.0 : net < theta ? 0.0 : 0.5; }

}  // namespace

std::string HiddenCountsRefusal(const Workbench& wb, const std::string& network) {
  auto count = [&wb](int c) { return c < static_cast<int>(wb.HidPerOut.size()) ? wb.HidPerOut[c] : 0; };
  for (int c = 1; c < wb.NumOfClasses; ++c)
    if (count(c) != count(0))
      return "An " + network + " network needs the same number of hidden neurons for every class (class 0 has " +
             IntToStr(count(0)) + ", class " + IntToStr(c) + " has " + IntToStr(count(c)) +
             "). Set the hidden neurons of the classes alike.";
  return "";
}

void RequireStepNetwork(const Workbench& wb) {
  if (wb.NetType == 3) {
    if (wb.LUnitsMode == 1)
      RequireLUnitNet(wb);
    else if (wb.LUnitsMode == 7)
      RequireLNet(wb);
    else
      RequireSMLP(wb);
  } else if (wb.NetType == 4) {
    RequireFourLayerNet(wb);
  } else if (wb.NetType == 5) {
    RequireFiveLayerNet(wb);
  } else if (wb.Net.empty() || wb.Net.back().empty()) {
    throw WlError("No network has been created yet. Create the network first (Create Network).");
  }
  if (wb.VectorClass.size() < static_cast<std::size_t>(wb.NumOfVectors)) NotFitting();
}

double SMLPOutWeight(const Workbench& wb, int t) {
  return t >= 0 && t < static_cast<int>(wb.SMLPOutWeights.size()) ? wb.SMLPOutWeights[static_cast<std::size_t>(t)]
                                                                   : 1.0;
}

int StepPrediction(const double* y, int outputs) {
  double best = 0.0;
  int prediction = -1;
  for (int o = 0; o < outputs; ++o)
    if (y[o] > best) {
      best = y[o];
      prediction = o;
    }
  return prediction;
}

int CreateSMLPNetwork(Workbench& wb) {
  if (ReadParameters(wb, 10)) return NetworkParametersFailed;
  if (!HasDataSet(wb)) {
    wb.Plat.ShowMessage(kNoDataSet);
    return NetworkParametersFailed;
  }
  if (!EqualHiddenCounts(wb)) return NetworkParametersFailed;
  const int l0 = InputWidth(wb);
  for (int i = 1; i <= 12; ++i) wb.ParamText[static_cast<std::size_t>(i)] = "  ";
  SizeNetwork(wb, l0, true);

  if (!wb.Form1.Rinit.Checked()) {
    for (TNeuron& n : wb.Net[1]) std::fill(n.Weights.begin(), n.Weights.begin() + l0, 0.0);
    ThresholdsAndOutputs(wb);
  } else {
    wb.Rng.Randomize(wb.Plat.MillisecondsOfDay());
    const double iw = wb.InitialWeight;
    for (TNeuron& n : wb.Net[1])
      for (int i = 0; i < l0; ++i) n.Weights[i] = (1.0 - 2.0 * wb.Rng.Real()) * iw;
    for (int c = 0; c < wb.NumOfClasses; ++c)
      for (int k = 0; k <= wb.HidPerOut[c]; ++k) wb.Net[2][c].Weights[k] = (1.0 - 2.0 * wb.Rng.Real()) * iw;
  }
  SetShape(wb);
  wb.NetType = 3;
  wb.NetKind = 1;
  wb.LUnitsMode = 0;
  wb.SingleClassNet = false;
  ++wb.SMLPBuilds;
  wb.FeatureMask.assign(static_cast<std::size_t>(wb.NumOfFeatures), 1);
  wb.FeatureValueCount.resize(static_cast<std::size_t>(wb.NumOfFeatures));
  for (int f = 0; f < wb.NumOfFeatures; ++f) wb.FeatureValueCount[f] = wb.Features[f].NValues;
  return NetworkSmlpBuilt;
}

bool InitSMLPWeights(Workbench& wb, bool reseed) {
  TForm1& form = wb.Form1;
  if (form.strbox.Checked()) {
    wb.FeatureValueCount.resize(static_cast<std::size_t>(std::max(0, wb.NumOfFeatures)));
    // The run's unit kind and output weights are its own: the parameters read here do not change them.
    const double slope = wb.Slope;
    const auto outWeights = wb.SMLPOutWeights;
    if (ReadParameters(wb, 10)) return false;
    wb.Slope = slope;
    wb.SMLPOutWeights = outWeights;
  }
  if (!HasDataSet(wb)) {
    wb.Plat.ShowMessage(kNoDataSet);
    return false;
  }
  if (!EqualHiddenCounts(wb)) return false;
  const int l0 = InputWidth(wb);
  wb.FeatureValueCount.resize(static_cast<std::size_t>(wb.NumOfFeatures));
  for (int f = 0; f < wb.NumOfFeatures; ++f) wb.FeatureValueCount[f] = wb.Features[f].NValues;
  int l1 = 0;
  for (int c = 0; c < wb.NumOfClasses; ++c) l1 += wb.HidPerOut[c];
  form.Label56.SetCaption("Vectors=" + IntToStr(wb.NumOfVectors) + "  L0=" + IntToStr(l0) + "  L1=" + IntToStr(l1) +
                          "  L2=" + IntToStr(wb.NumOfClasses));
  form.Label56.Repaint();
  wb.ParamText[1] = "Initial   weights = 0, hid.bias = " + form.HidBEdit.Text() + "  out.bias = " + form.OutBEdit.Text();

  SizeNetwork(wb, l0, false);
  if (form.Rinit.Checked()) {
    if (reseed) wb.Rng.Randomize(wb.Plat.MillisecondsOfDay());
    for (TNeuron& n : wb.Net[1])
      for (int i = 0; i < l0; ++i) n.Weights[i] = static_cast<double>(1 - wb.Rng.Below(3));
  } else {
    for (TNeuron& n : wb.Net[1]) std::fill(n.Weights.begin(), n.Weights.begin() + l0, 0.0);
  }
  ThresholdsAndOutputs(wb);
  SetShape(wb);
  wb.NetType = 3;
  wb.LUnitsMode = 0;
  wb.SingleClassNet = false;
  ++wb.SMLPBuilds;
  return true;
}

void ForwardSMLP(Workbench& wb, int v) {
  const int classes = wb.NumOfClasses;
  const int hiddenPerClass = wb.HidPerOut[0];
  const int l0 = wb.Layers[0];
  const bool masked = wb.FeatureMask.size() == wb.Features.size();
  // A feature that lists a value twice has two hot inputs for it: room for every input.
  std::vector<int>& active = wb.ActiveInputs;
  if (active.size() < static_cast<std::size_t>(l0)) active.resize(static_cast<std::size_t>(l0));
  int nActive = 0;

  // Inputs: one per listed value; 1.0 where the vector's value matches and the feature takes part.
  const double* row = wb.Data[v].data();
  std::vector<TNeuron>& in = wb.Net[0];
  int offset = 0;
  for (std::size_t f = 0; f < wb.Features.size(); ++f) {
    const TFeature& feat = wb.Features[f];
    const bool on = !masked || wb.FeatureMask[f] == 1;
    const int known = std::min(feat.NValues, static_cast<int>(feat.Values.size()));
    for (int k = 0; k < feat.NValues; ++k) {
      const bool hot = on && k < known && row[f] == feat.Values[k];
      in[offset + k].Signal = hot ? 1.0 : 0.0;
      if (hot) active[nActive++] = offset + k;
    }
    offset += feat.NValues;
  }

  // Hidden units: the inputs that are 0 add nothing to the net input.
  const double slope = wb.Slope;
  std::vector<TNeuron>& hid = wb.Net[1];
  const int hidden = classes * hiddenPerClass;
  for (int j = 0; j < hidden; ++j) {
    const double* w = hid[j].Weights.data();
    double net = 0.0;
    for (int a = 0; a < nActive; ++a) net += w[active[a]];
    const double theta = w[l0];
    if (slope == 0.0) {
      hid[j].Signal = Step(net, theta);
    } else {
      const double arg = (theta - net) * slope;
      hid[j].Signal = arg > kExpGuard ? 0.0 : 1.0 / (1.0 + std::exp(arg));
    }
  }

  // Outputs: each from its class's hidden units only.
  std::vector<TNeuron>& out = wb.Net[2];
  for (int c = 0; c < classes; ++c) {
    const int k = wb.HidPerOut[c];
    const double* w = out[c].Weights.data();
    double net = 0.0;
    for (int t = 0; t < k; ++t) net += hid[t * classes + c].Signal * w[t];
    out[c].Signal = slope == 0.0 ? Step(net, w[k]) : 1.0 / (1.0 + UnguardedExp((w[k] - net) * slope));
  }
}

void ForwardStepNetwork(Workbench& wb, int v) {
  switch (wb.NetType) {
    case 3:
      if (wb.LUnitsMode == 1)
        ForwardLUnitNet(wb, v, wb.HidPerOut[0]);
      else if (wb.LUnitsMode == 7)
        LNetForward(wb, v);  // an L-net is never read by the one-hot pass
      else
        ForwardSMLP(wb, v);
      break;
    case 4:
      ForwardFourLayer(wb, v);
      break;
    case 5:
      ForwardFiveLayer(wb, v);
      break;
    default:
      break;  // no pass: the signals stay as they are
  }
}

namespace {

constexpr int kFastHidden = 256;    // hidden units the fast pass keeps on the stack
constexpr int kFastOutputs = 64;    // outputs likewise
constexpr int kFastFeatures = 256;  // features likewise
constexpr std::size_t kStepPassWork = 64;  // vectors x hidden units from which the step pass pays

// A feature's one-hot coding: where its inputs start, and its listed values and their count.
struct FeatureCoding {
  int Start;
  int Known;
  const double* Values;
};

inline std::uint64_t ValueBits(double x) { return std::bit_cast<std::uint64_t>(x); }

// A feature's entry in the kept listing: its value count and the count of its listed values, one word.
inline std::uint64_t ListedCounts(int values, int known) {
  return static_cast<std::uint32_t>(values) | static_cast<std::uint64_t>(static_cast<std::uint32_t>(known)) << 32;
}

// Codes one vector: per feature the bits of its value; the inputs the values make hot, in feature order,
// after their count (a feature that lists no such value has none).
__attribute__((noinline)) void CodeVector(const double* row, int nf, const FeatureCoding* coding,
                                          std::uint64_t* bits, int* slots) {
  int count = 0;
  for (int f = 0; f < nf; ++f) {
    const double x = row[f];
    const FeatureCoding& fc = coding[f];
    bits[f] = ValueBits(x);
    for (int q = 0; q < fc.Known; ++q)
      if (x == fc.Values[q]) {
        slots[1 + count++] = fc.Start + q;
        break;
      }
  }
  slots[0] = count;
}

// The inputs vector v's values make hot, coded anew when its values are not the bits it was coded from
// (or when every vector is coded anew): their count, then the inputs.
__attribute__((always_inline)) inline const int* CodedInputs(const double* row, int nf, const FeatureCoding* coding, bool fresh,
                              std::uint64_t* bv, int* sv) {
  if (fresh) {
    CodeVector(row, nf, coding, bv, sv);
  } else {
    std::uint64_t diff = 0;
    for (int f = 0; f < nf; ++f) diff |= ValueBits(row[f]) ^ bv[f];
    if (diff != 0) CodeVector(row, nf, coding, bv, sv);
  }
  return sv;
}

// Two lanes of doubles: the step pass computes two units at a time, each lane with the arithmetic of one
// unit of the scalar pass.
using Lanes = double __attribute__((vector_size(16)));
using LaneMask = long long __attribute__((vector_size(16)));

inline Lanes LoadLanes(const double* p) {
  Lanes v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void StoreLanes(double* p, Lanes v) { std::memcpy(p, &v, sizeof v); }

// Step of both lanes: 1.0 above the threshold, 0.0 below, 0.5 otherwise (also for a net input that is not a
// number).
inline Lanes StepLanes(Lanes net, Lanes theta) {
  const LaneMask above = net > theta, below = net < theta;
  const LaneMask one = reinterpret_cast<LaneMask>(Lanes{1.0, 1.0});
  const LaneMask half = reinterpret_cast<LaneMask>(Lanes{0.5, 0.5});
  return reinterpret_cast<Lanes>((above & one) | (~(above | below) & half));
}

// What the step pass reads, gathered once per call; the arrays are the caller's.
struct StepPass {
  int n, nf, classes, terms, hiddenPairs, outputPairs;
  std::size_t slotStride;
  bool fresh;
  const std::vector<double>* rows;
  const int* cls;
  std::uint64_t* bits;
  int* slots;
  std::uint8_t* correct;
  int* perClass;
  const FeatureCoding* coding;
  // Per input a row of the hidden units' weights (hiddenPairs lanes pairs, 0.0 for a masked feature and
  // past the last unit), then the hidden thresholds; per term a row of the outputs' weights (outputPairs
  // pairs), then the output thresholds.
  const double* hiddenByInput;
  const double* hiddenThresholds;
  const double* outputByTerm;
  const double* outputThresholds;
  double* h;  // the hidden signals, 2 x hiddenPairs + 1 places
  double* y;  // the output signals, 2 x outputPairs places
  double p;
  int right;
};

// A vector's score in the passes over the step units: each output's error term added to the sum in
// output order, the first of the largest outputs above 0 its prediction.
struct StepScore {
  double best = 0.0;
  int prediction = -1;
  template <bool kSquare>
  void Add(double out, int o, int c, double p, double& e) {
    const double d = out - (o == c ? 1.0 : 0.0);
    if constexpr (kSquare)
      e += d * d;
    else
      e += ErrorTerm(d, p);
    if (out > best) {
      best = out;
      prediction = o;
    }
  }
  void Tally(int v, int c, std::uint8_t* correct, int* perClass, int& right) const {
    const int ok = prediction == c ? 1 : 0;
    correct[v] = static_cast<std::uint8_t>(ok);
    perClass[c] += ok;
    right += ok;
  }
};

// The pass of the step units, two units at a time; kPairs fixes the number of hidden pairs (0: any). The
// sums run in the scalar pass's order (inputs in feature order, terms in order), and the error and the
// prediction go output by output.
template <bool kSquare, int kPairs>
__attribute__((noinline)) double RunStepPass(StepPass& s) {
  const int n = s.n, nf = s.nf, classes = s.classes, terms = s.terms;
  const int hp = kPairs > 0 ? kPairs : s.hiddenPairs, op = s.outputPairs;
  const std::size_t slotStride = s.slotStride;
  const bool fresh = s.fresh;
  const std::vector<double>* rows = s.rows;
  const int* cls = s.cls;
  std::uint64_t* bits = s.bits;
  int* slots = s.slots;
  std::uint8_t* correct = s.correct;
  int* perClass = s.perClass;
  const FeatureCoding* coding = s.coding;
  const double* wt = s.hiddenByInput;
  const double* th = s.hiddenThresholds;
  const double* wo = s.outputByTerm;
  const double* to = s.outputThresholds;
  double* h = s.h;
  double* y = s.y;
  const double p = s.p;
  const std::size_t hiddenRow = 2 * static_cast<std::size_t>(hp), outputRow = 2 * static_cast<std::size_t>(op);
  double e = 0.0;
  int right = 0;
  for (int v = 0; v < n; ++v) {
    const std::vector<double>& data = rows[v];
    const int c = cls[v];
    if (data.size() < static_cast<std::size_t>(nf) || c < 0 || c >= classes) NotFitting();
    const int* a = CodedInputs(data.data(), nf, coding, fresh, bits + static_cast<std::size_t>(v) * nf,
                               slots + static_cast<std::size_t>(v) * slotStride);
    const int count = a[0];
    ++a;
    if constexpr (kPairs > 0) {
      Lanes net[kPairs];
      for (int q = 0; q < kPairs; ++q) net[q] = Lanes{0.0, 0.0};
      for (int i = 0; i < count; ++i) {
        const double* col = wt + static_cast<std::size_t>(a[i]) * hiddenRow;
        for (int q = 0; q < kPairs; ++q) net[q] += LoadLanes(col + 2 * q);
      }
      for (int q = 0; q < kPairs; ++q) StoreLanes(h + 2 * q, StepLanes(net[q], LoadLanes(th + 2 * q)));
    } else {
      for (int q = 0; q < hp; ++q) {
        Lanes net = {0.0, 0.0};
        for (int i = 0; i < count; ++i) net += LoadLanes(wt + static_cast<std::size_t>(a[i]) * hiddenRow + 2 * q);
        StoreLanes(h + 2 * q, StepLanes(net, LoadLanes(th + 2 * q)));
      }
    }
    for (int q = 0; q < op; ++q) {
      Lanes net = {0.0, 0.0};
      for (int t = 0; t < terms; ++t)
        net += LoadLanes(h + static_cast<std::size_t>(t) * classes + 2 * q) * LoadLanes(wo + t * outputRow + 2 * q);
      StoreLanes(y + 2 * q, StepLanes(net, LoadLanes(to + 2 * q)));
    }
    StepScore score;
    for (int o = 0; o < classes; ++o) score.Add<kSquare>(y[o], o, c, p, e);
    score.Tally(v, c, correct, perClass, right);
  }
  s.right = right;
  return e;
}

// What the unit-by-unit pass reads, gathered once per call; the arrays are the caller's.
struct UnitPass {
  int n, nf, classes, hidden, l0;
  std::size_t slotStride;
  bool fresh;
  const std::vector<double>* rows;
  const int* cls;
  std::uint64_t* bits;
  int* slots;
  std::uint8_t* correct;
  int* perClass;
  const FeatureCoding* coding;
  const double* const* hiddenRows;  // per hidden unit its weights, the threshold at l0
  const double* const* outputRows;  // per output its weights, the threshold after its terms
  const int* terms;                 // per output its number of terms
  double* h;
  double* y;
  double slope, p;
  int right;
};

// The sum of a unit's weights at the hot inputs, in their order, from +0.0.
template <int kCount>
inline double HotSum(const double* w, const int* a, int count) {
  double net = 0.0;
  if constexpr (kCount > 0)
    for (int i = 0; i < kCount; ++i) net += w[a[i]];
  else
    for (int i = 0; i < count; ++i) net += w[a[i]];
  return net;
}

// The pass unit by unit. kFeatures > 0 fixes the number of features (a vector with that many hot inputs
// gets its sums unrolled), kTerms > 0 the number of terms of every output. Everything it reads per vector
// is a local or behind one, so that the stores of the results do not make the compiler read the
// workbench again.
template <bool kStep, bool kSquare, int kFeatures, int kTerms>
__attribute__((noinline)) double RunUnitPass(UnitPass& s) {
  const int n = s.n, nf = kFeatures > 0 ? kFeatures : s.nf, classes = s.classes, hidden = s.hidden, l0 = s.l0;
  const std::size_t slotStride = s.slotStride;
  const bool fresh = s.fresh;
  const std::vector<double>* rows = s.rows;
  const int* cls = s.cls;
  std::uint64_t* const bits = s.bits;
  int* const slots = s.slots;
  std::uint8_t* const correct = s.correct;
  int* const perClass = s.perClass;
  const FeatureCoding* const cd = s.coding;
  const double* const* const hwp = s.hiddenRows;
  const double* const* const owp = s.outputRows;
  const int* const tp = s.terms;
  double* const h = s.h;
  double* const y = s.y;
  const double slope = s.slope, p = s.p;
  double e = 0.0;
  int right = 0;
  for (int v = 0; v < n; ++v) {
    const std::vector<double>& data = rows[v];
    const int c = cls[v];
    if (data.size() < static_cast<std::size_t>(nf) || c < 0 || c >= classes) NotFitting();
    const int* a = CodedInputs(data.data(), nf, cd, fresh, bits + static_cast<std::size_t>(v) * nf,
                               slots + static_cast<std::size_t>(v) * slotStride);
    const int count = a[0];
    ++a;
    if (kFeatures > 0 && count == kFeatures) {
      for (int j = 0; j < hidden; ++j) {
        const double* w = hwp[j];
        const double net = HotSum<kFeatures>(w, a, count);
        if constexpr (kStep) {
          h[j] = Step(net, w[l0]);
        } else {
          const double arg = (w[l0] - net) * slope;
          h[j] = arg > kExpGuard ? 0.0 : 1.0 / (1.0 + std::exp(arg));
        }
      }
    } else {
      for (int j = 0; j < hidden; ++j) {
        const double* w = hwp[j];
        const double net = HotSum<0>(w, a, count);
        if constexpr (kStep) {
          h[j] = Step(net, w[l0]);
        } else {
          const double arg = (w[l0] - net) * slope;
          h[j] = arg > kExpGuard ? 0.0 : 1.0 / (1.0 + std::exp(arg));
        }
      }
    }
    StepScore score;
    for (int o = 0; o < classes; ++o) {
      const double* w = owp[o];
      const int k = kTerms > 0 ? kTerms : tp[o];
      double net = 0.0;
      for (int t = 0; t < k; ++t) net += h[t * classes + o] * w[t];
      double outSignal;
      if constexpr (kStep)
        outSignal = Step(net, w[k]);
      else
        outSignal = 1.0 / (1.0 + UnguardedExp((w[k] - net) * slope));
      y[o] = outSignal;
      score.Add<kSquare>(outSignal, o, c, p, e);
    }
    score.Tally(v, c, correct, perClass, right);
  }
  s.right = right;
  return e;
}

template <bool kStep, bool kSquare, int kFeatures>
double RunUnitPassTerms(UnitPass& s, int equalTerms) {
  switch (equalTerms) {
    case 1: return RunUnitPass<kStep, kSquare, kFeatures, 1>(s);
    case 2: return RunUnitPass<kStep, kSquare, kFeatures, 2>(s);
    case 3: return RunUnitPass<kStep, kSquare, kFeatures, 3>(s);
    case 4: return RunUnitPass<kStep, kSquare, kFeatures, 4>(s);
    default: return RunUnitPass<kStep, kSquare, kFeatures, 0>(s);
  }
}

// The unit pass for the call's counts: equalTerms is the terms of every output when all are alike, else -1.
template <bool kStep, bool kSquare>
double RunUnitPassFor(UnitPass& s, int equalTerms) {
  // Logistic units spend their time in the exponentials.
  if constexpr (!kStep) return RunUnitPass<kStep, kSquare, 0, 0>(s);
  switch (s.nf) {
    case 1: return RunUnitPassTerms<kStep, kSquare, 1>(s, equalTerms);
    case 2: return RunUnitPassTerms<kStep, kSquare, 2>(s, equalTerms);
    case 3: return RunUnitPassTerms<kStep, kSquare, 3>(s, equalTerms);
    case 4: return RunUnitPassTerms<kStep, kSquare, 4>(s, equalTerms);
    default: return RunUnitPassTerms<kStep, kSquare, 0>(s, equalTerms);
  }
}

// EvaluateNetwork of the plain SMLP, with the unit kind and the error exponent 2 fixed at compile time.
//
// Each vector's coding is kept from the last call: per vector and feature the bits of the value it was
// coded from (CodedBits), and per vector the inputs its values make hot (CodedSlots: their count, then the
// inputs in feature order, Features.size() + 1 places per vector). The bits are compared with the vector's
// values on every use, so that a vector whose values changed is coded anew; a changed listing of the
// features (CodedListing) or another number of vectors codes every vector anew. With a feature masked the
// hidden weights are taken from a copy with 0.0 in that feature's columns (CodedWeights), so every vector
// sums the weights of its coded inputs in feature order; the sums are those of the inputs that take part
// alone, bit for bit, because adding +0.0 leaves every sum that starts at +0.0 as it is. The neurons'
// signals are written once, for the last vector, as the per-vector passes would have left them. Allocates
// nothing once its working storage has the data set's size.
//
// False, with nothing evaluated, for a network it does not take: not a plain SMLP of the data set (the
// checks of RequireSMLP, those of each vector made as it goes), too many units or features, or a feature
// that lists a value twice (which makes two inputs hot).
template <bool kStep, bool kSquare>
__attribute__((optimize("no-tree-vectorize", "no-tree-loop-distribute-patterns"))) bool EvaluateSMLPAs(Workbench& wb, double& error) {
  const int classes = wb.NumOfClasses;
  const int n = wb.NumOfVectors;
  const int nf = static_cast<int>(wb.Features.size());
  if (wb.Net.size() != 3 || wb.Layers.size() != 3 || classes < 1 || classes > kFastOutputs || nf > kFastFeatures ||
      static_cast<int>(wb.HidPerOut.size()) < classes || wb.HidPerOut[0] < 0)
    return false;
  const int l0 = wb.Layers[0];
  const int hidden = classes * wb.HidPerOut[0];
  if (hidden > kFastHidden || static_cast<std::size_t>(hidden) > wb.Net[1].size() ||
      wb.Net[0].size() != static_cast<std::size_t>(l0) || wb.Layers[2] != classes ||
      wb.Net[2].size() != static_cast<std::size_t>(classes) || n < 0 || wb.Data.size() < static_cast<std::size_t>(n) ||
      wb.VectorClass.size() < static_cast<std::size_t>(n))
    return false;

  std::array<const double*, kFastHidden> hw;
  const TNeuron* hid = wb.Net[1].data();
  for (int j = 0; j < hidden; ++j) {
    const std::vector<double>& w = hid[j].Weights;
    if (w.size() < static_cast<std::size_t>(l0) + 1) return false;
    hw[j] = w.data();
  }
  std::array<const double*, kFastOutputs> ow;
  std::array<int, kFastOutputs> terms;
  const TNeuron* out = wb.Net[2].data();
  const int* hpo = wb.HidPerOut.data();
  for (int c = 0; c < classes; ++c) {
    const int k = hpo[c];
    const std::vector<double>& w = out[c].Weights;
    if (k < 0 || k > hpo[0] || w.size() < static_cast<std::size_t>(k) + 1) return false;
    ow[c] = w.data();
    terms[c] = k;
  }

  // The coding of the features and which take part, and their listing against the one the vectors were
  // coded with: a changed listing (values, their order or count) codes every vector anew, and a feature
  // that lists a value twice is refused.
  const TFeature* feats = wb.Features.data();
  const bool masked = wb.FeatureMask.size() == wb.Features.size();
  const int* mask = wb.FeatureMask.data();
  std::array<FeatureCoding, kFastFeatures> coding;
  const std::vector<std::uint64_t>& listing = wb.CodedListing;
  const std::uint64_t* listed = listing.data();
  const std::size_t listedSize = listing.size();
  std::size_t pos = 0;
  bool same = true, allKept = true;
  int offset = 0;
  for (int f = 0; f < nf; ++f) {
    const TFeature& feat = feats[f];
    if (feat.NValues < 0) return false;
    const int known = std::min(feat.NValues, static_cast<int>(feat.Values.size()));
    const double* values = feat.Values.data();
    if (same) {
      if (pos + 1 + static_cast<std::size_t>(known) > listedSize) {
        same = false;
      } else {
        std::uint64_t diff = listed[pos] ^ ListedCounts(feat.NValues, known);
        for (int k = 0; k < known; ++k) diff |= listed[pos + 1 + k] ^ ValueBits(values[k]);
        same = diff == 0;
        pos += 1 + static_cast<std::size_t>(known);
      }
    }
    coding[f] = {offset, known, values};
    if (masked && mask[f] != 1) allKept = false;
    offset += feat.NValues;
  }
  if (offset != l0) return false;
  if (pos != listedSize) same = false;
  const std::size_t slotStride = static_cast<std::size_t>(nf) + 1;
  const std::size_t bitCount = static_cast<std::size_t>(n) * static_cast<std::size_t>(nf);
  const std::size_t slotCount = static_cast<std::size_t>(n) * slotStride;
  if (wb.CodedBits.size() != bitCount || wb.CodedSlots.size() != slotCount) same = false;
  if (!same) {
    for (int f = 0; f < nf; ++f) {
      const double* values = coding[f].Values;
      for (int a = 1; a < coding[f].Known; ++a)
        for (int b = 0; b < a; ++b)
          if (values[a] == values[b]) {
            wb.CodedListing.clear();
            return false;
          }
    }
    // Until the pass has coded every vector, no listing matches.
    wb.CodedListing.clear();
    wb.CodedBits.resize(bitCount);
    wb.CodedSlots.resize(slotCount);
  }
  if (wb.ClassCorrectCount.size() != static_cast<std::size_t>(classes))
    wb.ClassCorrectCount.assign(static_cast<std::size_t>(classes), 0);
  if (wb.VectorCorrect.size() != static_cast<std::size_t>(n)) wb.VectorCorrect.assign(static_cast<std::size_t>(n), 0);

  const bool fresh = !same;
  const std::size_t stride = static_cast<std::size_t>(l0) + 1;
  std::array<double, kFastHidden + 2> h;
  std::array<double, kFastOutputs> y;
  std::array<int, kFastOutputs> perClass;
  for (int o = 0; o < classes; ++o) perClass[o] = 0;
  double e = 0.0;
  int right = 0;
  bool equalTerms = true;
  for (int c = 1; c < classes; ++c) equalTerms = equalTerms && terms[c] == terms[0];
  // The step pass pays for laying out the weights once per call: for a few vectors the scalar pass is
  // quicker.
  if (kStep && equalTerms && static_cast<std::size_t>(n) * static_cast<std::size_t>(hidden) >= kStepPassWork) {
    // The weights laid out by input and by term, two units to a pair of lanes.
    const int hp = (hidden + 1) / 2, op = (classes + 1) / 2, k = terms[0];
    const std::size_t hiddenRow = 2 * static_cast<std::size_t>(hp), outputRow = 2 * static_cast<std::size_t>(op);
    const std::size_t need = (static_cast<std::size_t>(l0) + 1) * hiddenRow + (static_cast<std::size_t>(k) + 1) * outputRow;
    std::vector<double>& lay = wb.CodedWeights;
    if (lay.size() < need) lay.resize(need);
    double* const wt = lay.data();
    double* const th = wt + static_cast<std::size_t>(l0) * hiddenRow;
    double* const wo = th + hiddenRow;
    double* const to = wo + static_cast<std::size_t>(k) * outputRow;
    for (int j = 0; j < hidden; ++j) {
      const double* w = hw[j];
      for (int i = 0; i <= l0; ++i) wt[static_cast<std::size_t>(i) * hiddenRow + j] = w[i];
    }
    if (hidden & 1)
      for (int i = 0; i <= l0; ++i) wt[static_cast<std::size_t>(i) * hiddenRow + hidden] = 0.0;
    if (!allKept)
      for (int f = 0; f < nf; ++f)
        if (mask[f] != 1)
          std::fill(wt + static_cast<std::size_t>(coding[f].Start) * hiddenRow,
                    wt + static_cast<std::size_t>(coding[f].Start + feats[f].NValues) * hiddenRow, 0.0);
    for (int t = 0; t <= k; ++t) {
      double* row = wo + static_cast<std::size_t>(t) * outputRow;
      for (int o = 0; o < classes; ++o) row[o] = ow[o][t];
      if (classes & 1) row[classes] = 0.0;
    }
    h[static_cast<std::size_t>(hidden)] = 0.0;  // read, times 0.0, by the last output lane
    StepPass sp;
    sp.n = n;
    sp.nf = nf;
    sp.classes = classes;
    sp.terms = k;
    sp.hiddenPairs = hp;
    sp.outputPairs = op;
    sp.slotStride = slotStride;
    sp.fresh = fresh;
    sp.rows = wb.Data.data();
    sp.cls = wb.VectorClass.data();
    sp.bits = wb.CodedBits.data();
    sp.slots = wb.CodedSlots.data();
    sp.correct = wb.VectorCorrect.data();
    sp.perClass = perClass.data();
    sp.coding = coding.data();
    sp.hiddenByInput = wt;
    sp.hiddenThresholds = th;
    sp.outputByTerm = wo;
    sp.outputThresholds = to;
    sp.h = h.data();
    sp.y = y.data();
    sp.p = wb.ErrorExponent;
    switch (hp) {
      case 1: e = RunStepPass<kSquare, 1>(sp); break;
      case 2: e = RunStepPass<kSquare, 2>(sp); break;
      case 3: e = RunStepPass<kSquare, 3>(sp); break;
      case 4: e = RunStepPass<kSquare, 4>(sp); break;
      default: e = RunStepPass<kSquare, 0>(sp); break;
    }
    right = sp.right;
  } else {
    // A masked feature: the hidden rows copied, its columns 0.0.
    if (!allKept) {
      std::vector<double>& copy = wb.CodedWeights;
      if (copy.size() < static_cast<std::size_t>(hidden) * stride) copy.resize(static_cast<std::size_t>(hidden) * stride);
      for (int j = 0; j < hidden; ++j) {
        double* dst = copy.data() + static_cast<std::size_t>(j) * stride;
        std::copy(hw[j], hw[j] + stride, dst);
        for (int f = 0; f < nf; ++f)
          if (mask[f] != 1) std::fill(dst + coding[f].Start, dst + coding[f].Start + feats[f].NValues, 0.0);
        hw[j] = dst;
      }
    }
    // The pass unit by unit, with the common small counts of features and terms fixed at compile time.
    UnitPass up;
    up.n = n;
    up.nf = nf;
    up.classes = classes;
    up.hidden = hidden;
    up.l0 = l0;
    up.slotStride = slotStride;
    up.fresh = fresh;
    up.rows = wb.Data.data();
    up.cls = wb.VectorClass.data();
    up.bits = wb.CodedBits.data();
    up.slots = wb.CodedSlots.data();
    up.correct = wb.VectorCorrect.data();
    up.perClass = perClass.data();
    up.coding = coding.data();
    up.hiddenRows = hw.data();
    up.outputRows = ow.data();
    up.terms = terms.data();
    up.h = h.data();
    up.y = y.data();
    up.slope = wb.Slope;
    up.p = wb.ErrorExponent;
    e = RunUnitPassFor<kStep, kSquare>(up, equalTerms ? terms[0] : -1);
    right = up.right;
  }
  if (n == 0) throw FloatError("Invalid floating point operation: the accuracy of an empty data set (0 / 0)");

  if (fresh)
    for (int f = 0; f < nf; ++f) {
      wb.CodedListing.push_back(ListedCounts(feats[f].NValues, coding[f].Known));
      for (int k = 0; k < coding[f].Known; ++k) wb.CodedListing.push_back(ValueBits(coding[f].Values[k]));
    }
  for (int o = 0; o < classes; ++o) wb.ClassCorrectCount[o] = perClass[o];
  // The signals of the last vector: its coded inputs of the features that take part are 1.
  TNeuron* in = wb.Net[0].data();
  for (int i = 0; i < l0; ++i) in[i].Signal = 0.0;
  const int* last = wb.CodedSlots.data() + static_cast<std::size_t>(n - 1) * slotStride;
  if (allKept) {
    for (int i = 0; i < last[0]; ++i) in[last[1 + i]].Signal = 1.0;
  } else {
    for (int i = 0, f = 0; i < last[0]; ++i) {
      const int input = last[1 + i];
      while (input >= coding[f].Start + feats[f].NValues) ++f;
      if (mask[f] == 1) in[input].Signal = 1.0;
    }
  }
  TNeuron* hidw = wb.Net[1].data();
  for (int j = 0; j < hidden; ++j) hidw[j].Signal = h[j];
  TNeuron* outw = wb.Net[2].data();
  for (int o = 0; o < classes; ++o) outw[o].Signal = y[o];

  wb.SuccessRate = static_cast<double>(right) / n;
  wb.TestSuccessRate = wb.SuccessRate;
  error = e;
  return true;
}

bool EvaluateSMLP(Workbench& wb, double& error) {
  if (wb.LUnitsMode == 1) return false;
  if (wb.Slope == 0.0)
    return wb.ErrorExponent == 2.0 ? EvaluateSMLPAs<true, true>(wb, error) : EvaluateSMLPAs<true, false>(wb, error);
  return wb.ErrorExponent == 2.0 ? EvaluateSMLPAs<false, true>(wb, error) : EvaluateSMLPAs<false, false>(wb, error);
}

}  // namespace

double EvaluateNetwork(Workbench& wb) {
  ClearVectorState();
  // Every search of a step network evaluates through here: the windows stay live while it runs.
  wb.Plat.Pulse(wb.NumOfVectors);
  if (double e = 0.0; wb.NetType == 3 && EvaluateSMLP(wb, e)) return e;
  RequireStepNetwork(wb);
  const int classes = std::max(0, wb.NumOfClasses);
  const int n = wb.NumOfVectors;
  wb.ClassCorrectCount.assign(static_cast<std::size_t>(classes), 0);
  if (wb.VectorCorrect.size() != static_cast<std::size_t>(std::max(0, n)))
    wb.VectorCorrect.assign(static_cast<std::size_t>(std::max(0, n)), 0);
  const std::vector<TNeuron>& out = wb.Net.back();
  const int outputs = static_cast<int>(out.size());
  const double p = wb.ErrorExponent;
  double e = 0.0;
  int correct = 0;
  for (int v = 0; v < n; ++v) {
    ForwardStepNetwork(wb, v);
    const int c = wb.VectorClass[v];
    double best = 0.0;
    int prediction = -1;
    for (int o = 0; o < outputs; ++o) {
      const double y = out[o].Signal;
      e += ErrorTerm(y - (o == c ? 1.0 : 0.0), p);
      if (y > best) {
        best = y;
        prediction = o;
      }
    }
    if (prediction == c) {
      wb.VectorCorrect[v] = 1;
      if (c < classes) ++wb.ClassCorrectCount[c];
      ++correct;
    } else {
      wb.VectorCorrect[v] = 0;
    }
  }
  if (n == 0) throw FloatError("Invalid floating point operation: the accuracy of an empty data set (0 / 0)");
  wb.SuccessRate = static_cast<double>(correct) / n;
  wb.TestSuccessRate = wb.SuccessRate;
  return e;
}

void ComputeConfusionMatrix(Workbench& wb) {
  RequireStepNetwork(wb);
  const int classes = std::max(0, wb.NumOfClasses);
  wb.ConfusionMatrix.assign(static_cast<std::size_t>(classes),
                            std::vector<int>(static_cast<std::size_t>(classes) + 1, 0));
  const std::vector<TNeuron>& out = wb.Net.back();
  const int outputs = std::min(classes, static_cast<int>(out.size()));
  std::vector<double> y(static_cast<std::size_t>(outputs));
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    ForwardStepNetwork(wb, v);
    for (int o = 0; o < outputs; ++o) y[o] = out[o].Signal;
    const int p = StepPrediction(y.data(), outputs);
    const int c = wb.VectorClass[v];
    if (c < 0 || c >= classes) NotFitting();
    ++wb.ConfusionMatrix[c][p < 0 ? classes : p];
  }
}

}  // namespace wl
