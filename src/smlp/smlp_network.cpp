#include "smlp/smlp_network.h"

#include "smlp/nofm_five_layer.h"
#include "smlp/lnet.h"
#include "smlp/lunit_net.h"
#include "smlp/nofm_network.h"

#include <algorithm>
#include <array>
#include <cmath>
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

// A feature that takes part in the pass: its index, where its inputs start, its listed values and their
// count.
struct CodedFeature {
  int Feature;
  int Start;
  int Known;
  const double* Values;
};

// What one pass of the plain SMLP reads, gathered and checked once per call; the arrays are the caller's.
struct SmlpPass {
  int n, nf, classes, hidden, l0, kept;
  const std::vector<double>* rows;
  const int* cls;
  SmlpState::TCodedCell* cells;
  std::uint8_t* correct;
  double slope, p;
  const CodedFeature* features;  // the features that take part
  const double* const* hw;
  const double* const* ow;
  const int* terms;
  // Written by the pass: the last vector's active inputs and signals, and the correct vectors per class.
  int* active;
  double* h;
  double* y;
  int* perClass;
  int nActive, right;
};

// The pass itself, with the unit kind and the error exponent 2 fixed at compile time. Everything it
// reads per vector is a local, so that the stores of the results do not make the compiler read the
// workbench again.
template <bool kStep, bool kSquare>
__attribute__((noinline)) double RunSmlpPass(SmlpPass& s) {
  const int n = s.n, nf = s.nf, classes = s.classes, hidden = s.hidden, l0 = s.l0, kept = s.kept;
  const std::vector<double>* rows = s.rows;
  const int* cls = s.cls;
  SmlpState::TCodedCell* cells = s.cells;
  const CodedFeature* features = s.features;
  const double* const* hw = s.hw;
  const double* const* ow = s.ow;
  const int* terms = s.terms;
  int* active = s.active;
  double* h = s.h;
  double* y = s.y;
  int* perClass = s.perClass;
  const double slope = s.slope, p = s.p;
  std::uint8_t* correct = s.correct;
  double e = 0.0;
  int right = 0, nActive = 0;
  for (int o = 0; o < classes; ++o) perClass[o] = 0;
  for (int v = 0; v < n; ++v) {
    // Inputs: the listed value of each feature that takes part; the coding kept from the last call is
    // checked against the vector's value and found anew where it no longer holds.
    const std::vector<double>& data = rows[v];
    const int c = cls[v];
    if (data.size() < static_cast<std::size_t>(nf) || c < 0 || c >= classes) NotFitting();
    const double* row = data.data();
    SmlpState::TCodedCell* cv = cells + static_cast<std::size_t>(v) * static_cast<std::size_t>(nf);
    nActive = 0;
    for (int i = 0; i < kept; ++i) {
      const CodedFeature& feat = features[i];
      const int f = feat.Feature;
      const double x = row[f];
      SmlpState::TCodedCell& cell = cv[f];
      if (x != cell.Value) {
        int k = -1;
        for (int q = 0; q < feat.Known; ++q)
          if (x == feat.Values[q]) {
            k = q;
            break;
          }
        cell = {x, k < 0 ? -1 : feat.Start + k};
      }
      const int input = cell.Input;
      active[nActive] = input;
      nActive += input >= 0 ? 1 : 0;
    }
    for (int j = 0; j < hidden; ++j) {
      const double* w = hw[j];
      double net = 0.0;
      for (int a = 0; a < nActive; ++a) net += w[active[a]];
      const double theta = w[l0];
      if constexpr (kStep) {
        h[j] = Step(net, theta);
      } else {
        const double arg = (theta - net) * slope;
        h[j] = arg > kExpGuard ? 0.0 : 1.0 / (1.0 + std::exp(arg));
      }
    }
    double best = 0.0;
    int prediction = -1;
    for (int o = 0; o < classes; ++o) {
      const double* w = ow[o];
      const int k = terms[o];
      double net = 0.0;
      for (int t = 0; t < k; ++t) net += h[t * classes + o] * w[t];
      double out;
      if constexpr (kStep)
        out = Step(net, w[k]);
      else
        out = 1.0 / (1.0 + UnguardedExp((w[k] - net) * slope));
      y[o] = out;
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
    const int ok = prediction == c ? 1 : 0;
    correct[v] = static_cast<std::uint8_t>(ok);
    perClass[c] += ok;
    right += ok;
  }
  s.nActive = nActive;
  s.right = right;
  return e;
}

// EvaluateNetwork of the plain SMLP: the pass of ForwardSMLP, with each vector's one-hot coding kept from
// the last call (CodedCells: the value coded and its hot input) and checked against the vector's value on
// every use, so that a changed value is coded anew; a changed feature listing (CodedListing) codes every
// vector anew, and the mask is applied on each call. The neurons' signals are written once, for the last vector, as the
// per-vector passes would have left them. Allocates nothing once its working storage has the data set's size.
// False, with nothing evaluated, for a network it does not take: not a plain SMLP of the data set (the
// checks of RequireSMLP, those of each vector made as it goes), too many units or features, or a feature
// that lists a value twice (which makes two inputs hot).
bool EvaluateSMLP(Workbench& wb, double& error) {
  if (wb.LUnitsMode == 1) return false;
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
  std::array<const double*, kFastOutputs> ow;
  std::array<int, kFastOutputs> terms;
  SmlpPass s;
  s.hw = hw.data();
  s.ow = ow.data();
  s.terms = terms.data();
  const TNeuron* hid = wb.Net[1].data();
  for (int j = 0; j < hidden; ++j) {
    const std::vector<double>& w = hid[j].Weights;
    if (w.size() < static_cast<std::size_t>(l0) + 1) return false;
    hw[j] = w.data();
  }
  const TNeuron* out = wb.Net[2].data();
  const int* hpo = wb.HidPerOut.data();
  for (int c = 0; c < classes; ++c) {
    const int k = hpo[c];
    const std::vector<double>& w = out[c].Weights;
    if (k < 0 || k > hpo[0] || w.size() < static_cast<std::size_t>(k) + 1) return false;
    ow[c] = w.data();
    terms[c] = k;
  }
  // The features that take part, and the listing of the features against the one the cells were coded
  // with: a changed listing (values, their order or count) codes every vector anew, and a feature that
  // lists a value twice is refused.
  const TFeature* feats = wb.Features.data();
  const bool masked = wb.FeatureMask.size() == wb.Features.size();
  const int* mask = wb.FeatureMask.data();
  std::array<CodedFeature, kFastFeatures> features;
  std::vector<double>& listing = wb.CodedListing;
  const double* listed = listing.data();
  const std::size_t listedSize = listing.size();
  std::size_t pos = 0;
  bool same = true;
  int offset = 0, kept = 0;
  for (int f = 0; f < nf; ++f) {
    const TFeature& feat = feats[f];
    const int known = std::min(feat.NValues, static_cast<int>(feat.Values.size()));
    const double* values = feat.Values.data();
    if (same) {
      if (pos + 2 + static_cast<std::size_t>(known) > listedSize || listed[pos] != feat.NValues ||
          listed[pos + 1] != known) {
        same = false;
      } else {
        for (int k = 0; k < known; ++k)
          if (listed[pos + 2 + k] != values[k]) same = false;
        pos += 2 + static_cast<std::size_t>(known);
      }
    }
    if (!masked || mask[f] == 1) features[kept++] = {f, offset, known, values};
    offset += feat.NValues;
  }
  if (offset != l0) return false;
  if (pos != listedSize) same = false;
  std::vector<SmlpState::TCodedCell>& cells = wb.CodedCells;
  const std::size_t cellCount = static_cast<std::size_t>(n) * static_cast<std::size_t>(nf);
  if (!same) {
    listing.clear();
    for (int f = 0; f < nf; ++f) {
      const TFeature& feat = feats[f];
      const int known = std::min(feat.NValues, static_cast<int>(feat.Values.size()));
      const double* values = feat.Values.data();
      for (int a = 1; a < known; ++a)
        for (int b = 0; b < a; ++b)
          if (values[a] == values[b]) {
            listing.clear();
            return false;
          }
      listing.push_back(feat.NValues);
      listing.push_back(known);
      listing.insert(listing.end(), values, values + known);
    }
  }
  if (!same || cells.size() != cellCount)
    cells.assign(cellCount, {std::numeric_limits<double>::quiet_NaN(), -1});  // no value equals NaN: coded anew

  if (wb.ClassCorrectCount.size() != static_cast<std::size_t>(classes))
    wb.ClassCorrectCount.assign(static_cast<std::size_t>(classes), 0);
  if (wb.VectorCorrect.size() != static_cast<std::size_t>(n)) wb.VectorCorrect.assign(static_cast<std::size_t>(n), 0);

  s.n = n;
  s.nf = nf;
  s.classes = classes;
  s.hidden = hidden;
  s.l0 = l0;
  s.kept = kept;
  s.rows = wb.Data.data();
  s.cls = wb.VectorClass.data();
  s.cells = cells.data();
  s.correct = wb.VectorCorrect.data();
  s.features = features.data();
  std::array<int, kFastFeatures> active;
  std::array<double, kFastHidden> h;
  std::array<double, kFastOutputs> y;
  std::array<int, kFastOutputs> perClass;
  s.active = active.data();
  s.h = h.data();
  s.y = y.data();
  s.perClass = perClass.data();
  s.slope = wb.Slope;
  s.p = wb.ErrorExponent;
  const bool step = s.slope == 0.0, square = s.p == 2.0;
  const double e = step ? (square ? RunSmlpPass<true, true>(s) : RunSmlpPass<true, false>(s))
                        : (square ? RunSmlpPass<false, true>(s) : RunSmlpPass<false, false>(s));
  if (n == 0) throw FloatError("Invalid floating point operation: the accuracy of an empty data set (0 / 0)");

  std::copy(perClass.begin(), perClass.begin() + classes, wb.ClassCorrectCount.begin());
  // The signals of the last vector.
  TNeuron* in = wb.Net[0].data();
  for (int i = 0; i < l0; ++i) in[i].Signal = 0.0;
  for (int a = 0; a < s.nActive; ++a) in[active[a]].Signal = 1.0;
  TNeuron* hidw = wb.Net[1].data();
  for (int j = 0; j < hidden; ++j) hidw[j].Signal = h[j];
  TNeuron* outw = wb.Net[2].data();
  for (int o = 0; o < classes; ++o) outw[o].Signal = y[o];

  wb.SuccessRate = static_cast<double>(s.right) / n;
  wb.TestSuccessRate = wb.SuccessRate;
  error = e;
  return true;
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
