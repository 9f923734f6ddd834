#include "model/layer_transfer.h"

#include <algorithm>
#include <cmath>

#include "model/error_functions.h"
#include "model/error_checks.h"
#include "model/eval_options.h"
#include "model/forward_pass.h"
#include "state/workbench.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"
#include "model/class_weights.h"
#include "model/sparse_inputs.h"
#include "model/vector_pass.h"
#include "model/vector_state.h"

namespace wl {

namespace {

// (1 - e^a) / (1 + e^a); an exponential beyond double range gives the limit -1.
inline double TanhRatio(double a) {
  const double e = std::exp(a);
  if (std::isinf(e)) return -1.0;
  return (1.0 - e) / (1.0 + e);
}

const double kLnEntropy = std::log(1.000000001);

double EntropyLog(double x) {
  if (!(x > 0.0))
    throw FloatError("Invalid floating point operation: logarithm of " + FloatToStr(x) +
                     " in the cross-entropy (an output outside 0..1)");
  return std::log(x);
}

}  // namespace

bool UnitRangeOutput(std::uint8_t kind) { return kind == 1 || kind == 4 || kind == 6; }

void RequireEntropyOutputRange(const Workbench& wb) {
  const TForm1& f = wb.Form1;
  if (!f.entrBox.Checked()) return;
  const NetStructure structure = ReadEvalOptions(wb).Structure;
  if (structure == NetStructure::FunctionApprox || structure == NetStructure::Smlp) return;
  // The output layer's record: that of the network in place, else of the layers the parameters give.
  const int layers = wb.Layers.size() >= 2 ? static_cast<int>(wb.Layers.size()) : wb.NumOfLayers;
  if (layers < 2 || layers > 4) return;
  const std::uint8_t kind = wb.LayerTF[static_cast<std::size_t>(layers - 2)].TFKind;
  if (UnitRangeOutput(kind)) return;
  const std::vector<std::string>& items = f.OutTF.Items();
  const auto k = static_cast<std::size_t>(kind);
  const std::string name = k >= 1 && k <= items.size() ? "\"" + items[k - 1] + "\"" : IntToStr(kind);
  throw WlError("The cross-entropy needs outputs between 0 and 1, and the output transfer function " + name +
                " gives outputs outside 0..1. Choose \"sigmoid\", \"linear (0;1)\" or \"staircase (0;1)\" "
                "for the output layer, or clear \"cross-entropy\".");
}

double LayerTransfer(const TTransferFunction& tf, double net, double theta, const StairParams& stairs) {
  switch (tf.TFKind) {
    case 1: {  // sigmoid
      const double a = (theta - net) * tf.TFSlope;
      if (a > kExpGuard) return 0.0;
      return StretchedSigmoid(a, tf.TFStretch, (1.0 - tf.TFStretch) / 2.0);
    }
    case 2: {  // tanh
      const double a = (theta - net) * tf.TFSlope;
      if (a > kExpGuard) return -1.0;
      return std::min(1.0, std::max(-1.0, tf.TFStretch * TanhRatio(a)));
    }
    case 3: {  // linear
      const double x = (net - theta) * tf.TFSlope;
      return std::min(kExpGuard, std::max(-kExpGuard, x));
    }
    case 4: {  // linear (0;1)
      const double x = (net - theta) * tf.TFSlope;
      if (x <= 0.0) return 0.0;
      if (x >= 1.0) return 1.0;
      return x;
    }
    case 5: {  // linear (-1;1)
      const double x = (net - theta) * tf.TFSlope;
      if (x < -1.0) return -1.0;
      if (x > 1.0) return 1.0;
      return x;
    }
    case 6: {  // staircase (0;1), tabulated
      const double a = (theta - net) * tf.TFSlope;
      if (a < -stairs.Range) return 1.0;
      if (a > stairs.Range) return 0.0;
      const std::int64_t i = std::clamp<std::int64_t>(Round(0.5 * stairs.K - stairs.Scale * a), 0, stairs.K);
      return (*stairs.Table)[static_cast<std::size_t>(i)];
    }
    case 7: {  // staircase (-1;1)
      const double a = (theta - net) * tf.TFSlope;
      if (a > kExpGuard) return -1.0;
      if (stairs.K == 0) throw FloatError("Invalid floating point operation: a staircase of 0 steps");
      return static_cast<double>(Round(stairs.K * TanhRatio(a))) / stairs.K;
    }
    default:
      throw WlError("Unknown transfer function " + IntToStr(tf.TFKind));
  }
}

namespace {

// What a per-layer evaluation reads once per call.
struct PerLayerSetup {
  int nl = 0;
  StairParams stairs;
  bool direct = false;  // every feature continuous: the data row is the input layer
  double hi = 1.0, lo = 0.0, p = 2.0;
  std::uint8_t outKind = 1;
  bool entropy = false, outside = false, weighted = false;
  // The "SMLP" structure: the step (or logistic) units of the SMLP instead of the per-layer functions.
  bool smlp = false;
  double slope = 0.0;
  // Skip connections: the output neurons see the hidden signals and then every input.
  bool skip = false;
  FirstLayerSums* sparse = nullptr;  // coded inputs: the first layer's sums over the inputs not zero
};

// The working storage of the first layer's sums (one per thread, it only grows).
FirstLayerSums& SparseSums() {
  thread_local FirstLayerSums sums;
  return sums;
}

PerLayerSetup Prepare(Workbench& wb, int onlyVector, const EvalOptions& o) {
  EvalNeeds needs;
  needs.VectorWeights = true;
  const bool smlp = o.Structure == NetStructure::Smlp;
  const NetLayout layout = smlp ? NetLayout::Smlp : NetLayout::Standard;
  if (onlyVector >= 0)
    RequireEvaluable(wb, layout, needs, onlyVector);
  else
    RequireEvaluable(wb, layout, needs, o);
  PerLayerSetup s;
  s.nl = static_cast<int>(wb.Layers.size());
  s.stairs.K = wb.NumOfStep;
  s.smlp = smlp;
  s.slope = wb.Slope;
  s.skip = !smlp && HasSkipConnections(wb);
  for (int l = 1; l < s.nl && !smlp; ++l) {
    const std::uint8_t kind = wb.LayerTF[l - 1].TFKind;
    if (kind < 1 || kind > 7) throw WlError("Unknown transfer function " + IntToStr(kind));
    if (kind == 7 && s.stairs.K == 0) throw FloatError("Invalid floating point operation: a staircase of 0 steps");
    if (kind == 6) {
      EnsureStairTable(wb);
      s.stairs.Table = &wb.StairTable;
      s.stairs.Scale = wb.StairScale;
      s.stairs.Range = wb.StairRange;
    }
  }
  s.direct = true;
  for (const TFeature& f : wb.Features)
    if (f.Kind != 'c') s.direct = false;
  if (!s.direct && !smlp && s.nl > 1) {
    s.sparse = &SparseSums();
    s.sparse->Bind(wb.Net[1].data(), wb.Layers[1], wb.Layers[0]);
  }
  s.outKind = smlp ? std::uint8_t{1} : wb.LayerTF[s.nl - 2].TFKind;
  s.p = wb.ErrorExponent;
  s.hi = 1.0 - wb.SetOff;
  s.lo = UnitRangeOutput(s.outKind) ? wb.SetOff : wb.SetOff - 1.0;
  s.entropy = o.Entropy;
  s.outside = o.Outside;
  s.weighted = o.WeightedErrorBox;
  return s;
}

// Passes vector v through the layers with their own transfer functions; returns the output signals.
const double* Evaluate(Workbench& wb, const PerLayerSetup& s, int v, double* buf) {
  const std::vector<int>& L = wb.Layers;
  const double* prev;
  if (s.direct) {
    prev = wb.Data[v].data();
  } else {
    CodeInputs(wb.Features, wb.Data[v].data(), buf);
    prev = buf;
  }
  const double* in = prev;
  if (s.smlp) {
    double* out = buf + wb.EvalOffset[2];
    SmlpSignals(wb, prev, buf + wb.EvalOffset[1], out, s.slope);
    return out;
  }
  for (int l = 1; l < s.nl; ++l) {
    const int n = L[l - 1];
    const int th = wb.LayerInputs[l - 1];
    const TTransferFunction& tf = wb.LayerTF[l - 1];
    double* cur = buf + wb.EvalOffset[l];
    const TNeuron* layer = wb.Net[l].data();
    if (l == 1 && s.sparse) {
      s.sparse->Sums(prev, cur);
      for (int j = 0; j < L[l]; ++j) cur[j] = LayerTransfer(tf, cur[j], layer[j].Weights[th], s.stairs);
    } else if (s.skip && l == 2) {
      for (int j = 0; j < L[l]; ++j) {
        const double* w = layer[j].Weights.data();
        cur[j] = LayerTransfer(tf, Dot(prev, w, n) + Dot(in, w + n, L[0]), w[th], s.stairs);
      }
    } else {
      for (int j = 0; j < L[l]; ++j) {
        const double* w = layer[j].Weights.data();
        cur[j] = LayerTransfer(tf, Dot(prev, w, n), w[th], s.stairs);
      }
    }
    prev = cur;
  }
  return prev;
}

// ErrorTerm, inline in the passes.
inline double Term(double d, double p) {
  d = std::fabs(d);
  if (d == 0.0) return 0.0;
  if (p == 2.0) return d * d;
  if (p == 1.0) return d;
  return std::pow(d, p);
}

// The error terms of one vector's outputs (class c).
double VectorTerms(const Workbench& wb, const PerLayerSetup& s, const double* y, int outputs, int v) {
  const int c = wb.VectorClass[v];
  double e = 0.0;
  for (int j = 0; j < outputs; ++j) {
    const double yj = y[j];
    double term;
    if (s.entropy)
      term = j == c ? -0.1 * (EntropyLog(1e-9 + yj) - kLnEntropy) : -0.1 * (EntropyLog(1.000000001 - yj) - kLnEntropy);
    else
      term = Term(yj - (j == c ? s.hi : s.lo), s.p);
    if (s.outside && (j == c ? yj > s.hi : yj < s.lo)) term = 0.0;
    if (s.weighted) term *= wb.VectorWeight[v];
    e += term;
  }
  return e;
}

// The output with the largest value above the baseline, the first on ties; -1 when none is above it.
int Winner(const double* y, int outputs, double baseline) {
  int winner = -1;
  double best = baseline;
  for (int j = 0; j < outputs; ++j)
    if (y[j] > best) {
      best = y[j];
      winner = j;
    }
  return winner;
}

// The transfer-function evaluations of one vector; the units of an SMLP are not counted.
std::int64_t NeuronsPerVector(const Workbench& wb, const PerLayerSetup& s) {
  if (s.smlp) return 0;
  std::int64_t n = 0;
  for (std::size_t l = 1; l < wb.Layers.size(); ++l) n += wb.Layers[l];
  return n;
}

// SmallW × Σ w² over layers 1 and up, weight indices 0 .. Layers[l - 1] (of an SMLP's output neurons,
// which see only their class's hidden neurons, 0 .. the threshold).
double SmallWeightsTerm(const Workbench& wb) {
  if (!(wb.SmallW > 0.0)) return 0.0;
  double sum = 0.0;
  for (std::size_t l = 1; l < wb.Net.size(); ++l)
    for (const TNeuron& n : wb.Net[l]) {
      const std::size_t top = std::min(static_cast<std::size_t>(wb.Layers[l - 1]) + 1, n.Weights.size());
      for (std::size_t i = 0; i < top; ++i) sum += n.Weights[i] * n.Weights[i];
    }
  return wb.SmallW * sum;
}

// The vector kernel's layers for the per-layer functions: the logistic vectorised, the other functions
// lane by lane.
void BindBlockPass(BlockPass& block, const Workbench& wb, const PerLayerSetup& s) {
  thread_local std::vector<BlockLayer> layers;
  layers.clear();
  for (int l = 1; l < s.nl; ++l) {
    BlockLayer b;
    b.Neurons = wb.Net[l].data();
    b.Count = wb.Layers[l];
    b.Inputs = wb.Layers[l - 1];
    b.Threshold = wb.LayerInputs[l - 1];
    b.TF = wb.LayerTF[l - 1];
    b.Logistic = b.TF.TFKind == 1;
    b.Slope = b.TF.TFSlope;
    b.Stretch = b.TF.TFStretch;
    b.Offset = (1.0 - b.TF.TFStretch) / 2.0;
    b.Guard = kExpGuard;
    layers.push_back(b);
  }
  block.Bind(wb.Layers[0], layers, s.stairs, !s.direct);
}

// Calls visit(v, outputs) for every vector in order, the outputs computed by the vector kernel four
// vectors at a time.
template <class Visit>
void BlockOutputs(Workbench& wb, const PerLayerSetup& s, double* y, Visit&& visit) {
  thread_local BlockPass block;
  thread_local std::vector<double> row;
  thread_local std::vector<int> hot;
  thread_local HotInputs coder;
  BindBlockPass(block, wb, s);
  if (!s.direct) coder.Bind(wb.Features);
  const int n0 = wb.Layers[0], outputs = wb.Layers.back(), nv = wb.NumOfVectors;
  if (row.size() < static_cast<std::size_t>(n0) + 1) row.resize(static_cast<std::size_t>(n0) + 1);
  if (hot.size() < static_cast<std::size_t>(n0) + 1) hot.resize(static_cast<std::size_t>(n0) + 1);
  constexpr int kLanes = BlockPass::kLanes;
  for (int v0 = 0; v0 < nv; v0 += kLanes) {
    const int lanes = std::min(kLanes, nv - v0);
    if (s.direct) {
      double* xb = block.Inputs();
      for (int k = 0; k < kLanes; ++k) {
        const double* x = k < lanes ? wb.Data[v0 + k].data() : nullptr;
        for (int i = 0; i < n0; ++i) xb[i * kLanes + k] = x ? x[i] : 0.0;
      }
    } else {
      for (int k = 0; k < lanes; ++k) {
        const int m = coder.Find(wb.Data[v0 + k].data(), hot.data(), row.data());
        block.SparseLane(k, hot.data(), row.data(), m);
      }
    }
    const double* out = block.Run(lanes);
    for (int k = 0; k < lanes; ++k) {
      for (int j = 0; j < outputs; ++j) y[j] = out[j * kLanes + k];
      visit(v0 + k, static_cast<const double*>(y));
    }
  }
}

template <class T>
void AddAt(std::vector<T>& counters, int index, double value) {
  if (index >= 0 && static_cast<std::size_t>(index) < counters.size()) counters[index] += value;
}

}  // namespace

double VectorError(Workbench& wb, int v) { return VectorError(wb, HeldEvalOptions(wb), v); }

double VectorError(Workbench& wb, const EvalOptions& o, int v) {
  ClearVectorState();
  const PerLayerSetup s = Prepare(wb, v, o);
  double* buf = PrepareEvalSignals(wb, wb.Layers[0]);
  const int outputs = wb.Layers.back();
  const double* y = Evaluate(wb, s, v, buf);
  wb.SigmoidCount += NeuronsPerVector(wb, s);
  double e = VectorTerms(wb, s, y, outputs, v);
  const bool correct = Winner(y, outputs, UnitRangeOutput(s.outKind) ? 0.5 : 0.0) == wb.VectorClass[v];
  wb.NumOfCorrect = correct ? 1 : 0;
  e += SmallWeightsTerm(wb);
  wb.WeightedCorrect = VectorShare(correct ? wb.VectorWeight[v] : 0.0, wb.NumOfVectors);
  wb.SuccessRate = VectorShare(wb.NumOfCorrect, wb.NumOfVectors);
  return FiniteError(e);
}

double TrainingSetError(Workbench& wb) { return TrainingSetError(wb, HeldEvalOptions(wb)); }

double TrainingSetError(Workbench& wb, const EvalOptions& o) {
  // A function approximator has targets, not classes: its error is the approximation error.
  if (o.Structure == NetStructure::FunctionApprox) return ComputeError(wb, o, 1);
  ClearVectorState();
  const PerLayerSetup s = Prepare(wb, -1, o);
  double* buf = PrepareEvalSignals(wb, wb.Layers[0]);
  const int outputs = wb.Layers.back();
  const bool defaultClass = o.DefaultClass;
  const int target = defaultClass ? wb.CurrentClass : 0;
  const bool voting = wb.CommitteeVoting;

  double e = 0.0, weightedCorrect = 0.0;
  int correctCount = 0, tpt = 0, tpn = 0, npn = 0, npt = 0;
  auto visit = [&](int v, const double* y) {
    e += VectorTerms(wb, s, y, outputs, v);
    const int c = wb.VectorClass[v];
    const int winner = Winner(y, outputs, 0.0);
    bool correct;
    if (defaultClass) {
      const double d = c == wb.CurrentClass ? 1.0 - y[0] : y[0];
      correct = d <= 0.5;
    } else {
      correct = winner == c;
    }
    if (correct) {
      ++correctCount;
      weightedCorrect += wb.VectorWeight[v];
    }
    if (c == target)
      ++(correct ? tpt : tpn);
    else
      ++(correct ? npn : npt);
    if (voting && static_cast<std::size_t>(v) < wb.CommitteeVotes.size()) {
      std::vector<int>& votes = wb.CommitteeVotes[v];
      if (wb.CommitteeMember >= 0 && static_cast<std::size_t>(wb.CommitteeMember) < votes.size())
        votes[wb.CommitteeMember] = winner;
    }
  };
  // The vector kernel knows no skip connections.
  if (!s.smlp && !s.skip && UseVectorKernels()) {
    BlockOutputs(wb, s, buf + wb.EvalOffset[static_cast<std::size_t>(s.nl - 1)], visit);
  } else {
    for (int v = 0; v < wb.NumOfVectors; ++v) visit(v, Evaluate(wb, s, v, buf));
  }
  wb.SigmoidCount += NeuronsPerVector(wb, s) * wb.NumOfVectors;
  wb.NumOfCorrect = correctCount;
  wb.CountTPT = tpt;
  wb.CountTPN = tpn;
  wb.CountNPN = npn;
  wb.CountNPT = npt;

  // A committee tests with both flags set but keeps no crossvalidation counters: only counters that
  // exist are added to.
  if (wb.InCrossvalidation && wb.TestingMode) {
    const int i = wb.CVIndex;
    AddAt(wb.CVCorrect, i, correctCount);
    AddAt(wb.CVWeightedCorrect, i, weightedCorrect);
    AddAt(wb.CVTruePredT, i, tpt);
    AddAt(wb.CVNegPredN, i, npn);
    AddAt(wb.CVTruePredN, i, tpn);
    AddAt(wb.CVNegPredT, i, npt);
  }

  e += SmallWeightsTerm(wb);

  // Pushes first-layer weights away from 0, more with every epoch.
  const double pushW = NumberOf(o.PushWeights);
  if (pushW > 0.0) {
    double sum = 0.0;
    for (const TNeuron& n : wb.Net[1])
      for (int i = 0; i <= wb.Layers[0]; ++i) {
        const double a = std::fabs(n.Weights[i]);
        if (a < 2.0) sum += std::pow(0.5, a);
      }
    e += pushW * std::max(0, wb.Epoch - 1) * sum;
  }

  // Draws the weights toward -m, 0 and m, and the thresholds toward 0.5m, 1.5m and 2.5m.
  if (wb.IntegerW > 0.0 && wb.Epoch >= NumberOf(o.IntegerStart)) {
    const double m = NumberOf(o.IntegerPull);
    double sum = 0.0;
    for (std::size_t l = 1; l < wb.Net.size(); ++l) {
      const int th = wb.LayerInputs[l - 1];
      for (const TNeuron& n : wb.Net[l]) {
        for (int i = 0; i < th; ++i) {
          const double w = n.Weights[i];
          sum += std::fabs((w - m) * w * (w + m));
        }
        const double t = n.Weights[th];
        sum += std::fabs((t - 0.5 * m) * (t - 1.5 * m) * (t - 2.5 * m));
      }
    }
    e += wb.IntegerW * sum;
  }

  wb.WeightedCorrect = VectorShare(weightedCorrect, wb.NumOfVectors);
  wb.SuccessRate = VectorShare(correctCount, wb.NumOfVectors);
  return FiniteError(e);
}

}  // namespace wl
