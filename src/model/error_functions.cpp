#include "model/error_functions.h"

#include <algorithm>
#include <cmath>

#include "model/error_checks.h"
#include "model/eval_options.h"
#include "model/forward_pass.h"
#include "state/training_parts.h"
#include "state/workbench.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"
#include "model/class_weights.h"
#include "model/sparse_inputs.h"
#include "model/vector_state.h"

namespace wl {

double ErrorTerm(double d, double p) {
  d = std::fabs(d);
  if (d == 0.0) return 0.0;
  if (p == 2.0) return d * d;
  if (p == 1.0) return d;
  return std::pow(d, p);
}

namespace {

const double kLnEntropy = std::log(1.000000001);

// The logarithm of the cross-entropy: a non-positive argument (an output outside 0..1) is an invalid
// operation.
double EntropyLog(double x) {
  if (!(x > 0.0))
    throw FloatError("Invalid floating point operation: logarithm of " + FloatToStr(x) + " in the cross-entropy");
  return std::log(x);
}
// The cross-entropy terms of the class output and of another output; both 0 at the ideal output.
inline double EntropyHigh(double y) { return -0.1 * (EntropyLog(1e-9 + y) - kLnEntropy); }
inline double EntropyLow(double y) { return -0.1 * (EntropyLog(1.000000001 - y) - kLnEntropy); }

// What a ComputeError pass takes: the parameters and the evaluation options.
struct Options {
  double p = 2.0, s = 0.0, t1 = 1.0, stretch = 1.0, offset = 0.0, slope = 1.0;
  bool entropy = false, weighted = false;
  const EvalOptions* eval = nullptr;
};

bool AllInputsContinuous(const std::vector<TFeature>& features) {
  for (const TFeature& f : features)
    if (f.Kind != 'c') return false;
  return true;
}

// The inputs of vector v, coded feature by feature; the data row itself when every feature is continuous.
inline const double* CodedRow(const Workbench& wb, bool direct, int v, double* buf) {
  const double* row = wb.Data[v].data();
  if (direct) return row;
  CodeInputs(wb.Features, row, buf);
  return buf;
}

// The first NumOfFeatures values of vector v as the inputs; inputs beyond the features get 0.
inline void RawRow(const Workbench& wb, int v, int width, double* x) {
  const double* row = wb.Data[v].data();
  const int nf = std::min(std::max(0, wb.NumOfFeatures), width);
  for (int i = 0; i < nf; ++i) x[i] = row[i];
  for (int i = nf; i < width; ++i) x[i] = 0.0;
}

// The error of one vector's outputs against targets t1 (class c) and s (others), or the cross-entropy;
// and whether the vector is classified correctly (the class output above 0.5 and no other, or, for the
// default class c = outputs, no output above 0.5).
struct VectorScore {
  double e;
  bool correct;
};
inline VectorScore Score(const double* y, int outputs, int c, const Options& o) {
  double e = 0.0;
  bool classHigh = false, otherHigh = false;
  for (int j = 0; j < outputs; ++j) {
    const double yj = y[j];
    if (o.entropy)
      e += j == c ? EntropyHigh(yj) : EntropyLow(yj);
    else
      e += ErrorTerm(yj - (j == c ? o.t1 : o.s), o.p);
    if (yj > 0.5) (j == c ? classHigh : otherHigh) = true;
  }
  return {e, (c < outputs && classHigh && !otherHigh) || (c == outputs && !otherHigh)};
}

struct Tally {
  double e = 0.0;
  int correct = 0;
  double weightedCorrect = 0.0;
};

// Adds the score of vector v (outputs y) to the tally: its error times the vector's weight, and times its
// class's weight under the weighted error; a correct vector counts once and with its class's weight.
inline void AddWeightedScore(Tally& t, const Workbench& wb, int v, const double* y, int outputs, const Options& o) {
  const int c = wb.VectorClass[v];
  const VectorScore sc = Score(y, outputs, c, o);
  double ev = sc.e * wb.VectorWeight[v];
  if (o.weighted) ev *= wb.ClassWeight[c];
  t.e += ev;
  if (sc.correct) {
    ++t.correct;
    t.weightedCorrect += wb.ClassWeight[c];
  }
}

// The neurons of layers 1 and up: the sigmoids one vector costs.
std::int64_t NeuronsAboveInputs(const std::vector<int>& L) {
  std::int64_t neurons = 0;
  for (std::size_t l = 1; l < L.size(); ++l) neurons += L[l];
  return neurons;
}

// Standard structure: every layer a stretched sigmoid of threshold - net (no slope), guarded at 11000.
Tally StandardPass(Workbench& wb, const Options& o) {
  EvalNeeds needs;
  needs.VectorWeights = true;
  RequireEvaluable(wb, NetLayout::Standard, needs, *o.eval);
  EnsureClassWeights(wb);
  const std::vector<int>& L = wb.Layers;
  const int nl = static_cast<int>(L.size());
  double* buf = PrepareEvalSignals(wb, L[0]);
  const bool direct = AllInputsContinuous(wb.Features);
  const int outputs = L[nl - 1];
  // Coded inputs: the first layer's sums over the inputs that are not zero.
  thread_local FirstLayerSums sparse;
  if (!direct && nl > 1) sparse.Bind(wb.Net[1].data(), L[1], L[0]);
  Tally t;
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    const double* prev = CodedRow(wb, direct, v, buf);
    for (int l = 1; l < nl; ++l) {
      const int n = L[l - 1];
      double* cur = buf + wb.EvalOffset[l];
      const TNeuron* layer = wb.Net[l].data();
      if (l == 1 && !direct) {
        sparse.Sums(prev, cur);
        for (int j = 0; j < L[l]; ++j) {
          const double a = layer[j].Weights[n] - cur[j];
          cur[j] = a > kExpGuardError ? 0.0 : StretchedSigmoid(a, o.stretch, o.offset);
        }
      } else {
        for (int j = 0; j < L[l]; ++j) {
          const double* w = layer[j].Weights.data();
          const double a = w[n] - Dot(prev, w, n);
          cur[j] = a > kExpGuardError ? 0.0 : StretchedSigmoid(a, o.stretch, o.offset);
        }
      }
      prev = cur;
    }
    AddWeightedScore(t, wb, v, prev, outputs, o);
  }
  wb.SigmoidCount += NeuronsAboveInputs(L) * wb.NumOfVectors;
  return t;
}

// Skip connections: the hidden layer plain logistic with the slope and no guard; the output neurons see
// the hidden signals and then every input, stretched and guarded at 11000. Not weighted.
Tally SkipPass(Workbench& wb, const Options& o) {
  RequireEvaluable(wb, NetLayout::Skip, EvalNeeds{}, *o.eval);
  const std::vector<int>& L = wb.Layers;
  const int n0 = L[0], n1 = L[1], outputs = L[2];
  double* buf = PrepareEvalSignals(wb, n0);
  double* hid = buf + wb.EvalOffset[1];
  double* out = buf + wb.EvalOffset[2];
  const bool direct = AllInputsContinuous(wb.Features);
  Tally t;
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    const double* in = CodedRow(wb, direct, v, buf);
    for (int j = 0; j < n1; ++j) {
      const double* w = wb.Net[1][j].Weights.data();
      hid[j] = 1.0 / (1.0 + UnguardedExp((w[n0] - Dot(in, w, n0)) * o.slope));
    }
    for (int j = 0; j < outputs; ++j) {
      const double* w = wb.Net[2][j].Weights.data();
      const double a = w[n1 + n0] - (Dot(hid, w, n1) + Dot(in, w + n1, n0));
      out[j] = a > kExpGuardError ? 0.0 : StretchedSigmoid(a, o.stretch, o.offset);
    }
    const VectorScore sc = Score(out, outputs, wb.VectorClass[v], o);
    t.e += sc.e;
    if (sc.correct) ++t.correct;
  }
  wb.SigmoidCount += static_cast<std::int64_t>(n1 + outputs) * wb.NumOfVectors;
  return t;
}

// The SMLP structure: class c owns HidPerOut[c] hidden neurons, unit k of the class being hidden neuron
// k * classes + c, and its output neuron sees only those. With slope 0 the neurons are steps (0, 0.5 or
// 1). Not counted.
Tally SmlpPass(Workbench& wb, const Options& o) {
  EvalNeeds needs;
  needs.VectorWeights = true;
  RequireEvaluable(wb, NetLayout::Smlp, needs, *o.eval);
  EnsureClassWeights(wb);
  const std::vector<int>& L = wb.Layers;
  const int n0 = L[0], outputs = L[2];
  double* buf = PrepareEvalSignals(wb, n0);
  double* hid = buf + wb.EvalOffset[1];
  double* out = buf + wb.EvalOffset[2];
  const bool direct = AllInputsContinuous(wb.Features);
  Tally t;
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    const double* in = CodedRow(wb, direct, v, buf);
    SmlpSignals(wb, in, hid, out, o.slope);
    AddWeightedScore(t, wb, v, out, outputs, o);
  }
  return t;
}

// Function approximation: the first features as inputs (through the stretched sigmoid unless the inputs
// are linear), hidden layers as in the standard structure, a linear output against TargetValue.
Tally FunctionApproxPass(Workbench& wb, const Options& o) {
  EvalNeeds needs;
  needs.CodedInputs = false;
  needs.Classes = false;
  needs.Targets = true;
  RequireEvaluable(wb, NetLayout::Standard, needs, *o.eval);
  const std::vector<int>& L = wb.Layers;
  const int nl = static_cast<int>(L.size());
  double* buf = PrepareEvalSignals(wb, L[0]);
  const bool linear = wb.LinearInputs;
  const int inputs = std::min(std::max(0, wb.NumOfFeatures), L[0]);
  Tally t;
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    RawRow(wb, v, L[0], buf);
    if (!linear)
      for (int i = 0; i < inputs; ++i) {
        const double y = o.stretch / (1.0 + UnguardedExp(-buf[i] * o.slope)) + o.offset;
        buf[i] = std::min(1.0, std::max(0.0, y));
      }
    const double* prev = buf;
    for (int l = 1; l < nl; ++l) {
      const int n = L[l - 1];
      double* cur = buf + wb.EvalOffset[l];
      for (int j = 0; j < L[l]; ++j) {
        const double* w = wb.Net[l][j].Weights.data();
        const double a = w[n] - Dot(prev, w, n);
        if (l == nl - 1)
          cur[j] = a * o.slope;
        else
          cur[j] = a > kExpGuardError ? 0.0 : StretchedSigmoid(a, o.stretch, o.offset);
      }
      prev = cur;
    }
    for (int j = 0; j < L[nl - 1]; ++j) t.e += ErrorTerm(prev[j] - wb.TargetValue[v], o.p);
  }
  std::int64_t counted = linear ? 0 : inputs;
  for (int l = 1; l + 1 < nl; ++l) counted += L[l];
  wb.SigmoidCount += counted * wb.NumOfVectors;
  return t;
}

// Σ w² over layers 1 and up, weight indices 0 .. last(l) of each neuron (never past its threshold).
template <class Last>
double SumOfSquares(const Workbench& wb, Last last) {
  double sum = 0.0;
  for (std::size_t l = 1; l < wb.Net.size(); ++l)
    for (const TNeuron& n : wb.Net[l]) {
      const std::size_t top = std::min(static_cast<std::size_t>(std::max(0, last(l))) + 1, n.Weights.size());
      for (std::size_t i = 0; i < top; ++i) sum += n.Weights[i] * n.Weights[i];
    }
  return sum;
}

}  // namespace

double ComputeError(Workbench& wb, std::uint8_t mode) { return ComputeError(wb, HeldEvalOptions(wb), mode); }

double ComputeError(Workbench& wb, const EvalOptions& eval, std::uint8_t) {
  ClearVectorState();
  wb.WeightedCorrect = 0.0;
  wb.NumOfCorrect = 0;
  Options o;
  o.p = wb.ErrorExponent;
  o.s = wb.SetOff;
  o.t1 = 1.0 - wb.SetOff;
  o.stretch = wb.Stretch;
  o.offset = (1.0 - wb.Stretch) / 2.0;
  o.slope = wb.Slope;
  o.entropy = eval.Entropy;
  o.weighted = wb.WeightedError;
  o.eval = &eval;

  Tally t;
  switch (eval.Structure) {
    case NetStructure::FunctionApprox:
      t = FunctionApproxPass(wb, o);
      break;
    case NetStructure::Skip:
      t = SkipPass(wb, o);
      break;
    case NetStructure::Standard:
      t = StandardPass(wb, o);
      break;
    case NetStructure::Smlp:
      t = SmlpPass(wb, o);
      break;
    case NetStructure::None:
      break;
  }
  double e = t.e;
  if (wb.SmallW > 0.0) e += wb.SmallW * SumOfSquares(wb, [&](std::size_t l) { return wb.Layers[l - 1]; });
  wb.NumOfCorrect = t.correct;
  wb.SuccessRate = VectorShare(t.correct, wb.NumOfVectors);
  wb.WeightedCorrect = VectorShare(t.weightedCorrect, wb.NumOfVectors);
  return FiniteError(e);
}

double NetworkError(Workbench& wb) { return NetworkError(wb, HeldEvalOptions(wb)); }

double NetworkError(Workbench& wb, const EvalOptions& eval) {
  ClearVectorState();
  if (eval.Structure == NetStructure::FunctionApprox) return ComputeError(wb, eval, 1);
  if (wb.NumOfStep >= 1) return StaircaseError(wb, eval);

  const NetStructure structure = eval.Structure;
  EvalNeeds needs;
  needs.InputWeights = true;
  RequireEvaluable(wb, structure == NetStructure::Skip ? NetLayout::Skip : NetLayout::Standard, needs, eval);
  const bool all = wb.NumOfParts <= 1;
  if (!all) RequirePartsFit(wb);
  const bool entropy = eval.Entropy;
  const double p = wb.ErrorExponent, s = wb.SetOff, t1 = 1.0 - wb.SetOff;
  const std::vector<TNeuron>& out = wb.Net.back();
  const int outputs = static_cast<int>(out.size());

  double e = 0.0;
  wb.NumOfCorrect = 0;
  const int used = all ? wb.NumOfVectors : static_cast<int>(wb.BatchIndex.size());
  for (int k = 0; k < used; ++k) {
    const int v = all ? k : wb.BatchIndex[k];
    ForwardPass(wb, v, structure);
    const int c = wb.VectorClass[v];
    int winner = -1;
    double best = 0.0;
    for (int j = 0; j < outputs; ++j) {
      const double y = out[j].Signal;
      if (entropy)
        e += j == c ? EntropyHigh(y) : EntropyLow(y);
      else
        e += ErrorTerm(y - (j == c ? t1 : s), p);
      if (y > best) {
        best = y;
        winner = j;
      }
    }
    if (winner >= 0 && winner == c) ++wb.NumOfCorrect;
  }
  wb.SuccessRate = VectorShare(wb.NumOfCorrect, used);
  wb.ErrorEvaluations += all ? 1.0 : 1.0 / wb.NumOfParts;
  if (wb.SmallW > 0.0) e += wb.SmallW * SumOfSquares(wb, [&](std::size_t l) { return wb.LayerInputs[l - 1]; });
  if (wb.IntegerW > 0.0) {
    double sum = 0.0;
    for (std::size_t l = 1; l < wb.Net.size(); ++l)
      for (const TNeuron& n : wb.Net[l])
        for (int i = 0; i <= wb.LayerInputs[l - 1]; ++i) {
          const double w = n.Weights[i];
          sum += std::fabs(w * (w - 1.0) * (w - 1.0));
        }
    e += wb.IntegerW * sum;
  }
  return FiniteError(e);
}

double StaircaseError(Workbench& wb) { return StaircaseError(wb, HeldEvalOptions(wb)); }

double StaircaseError(Workbench& wb, const EvalOptions& eval) {
  ClearVectorState();
  RequireEvaluable(wb, NetLayout::Standard, EvalNeeds{}, eval);
  const int k = wb.NumOfStep;
  if (k == 0) throw FloatError("Invalid floating point operation: a staircase of 0 steps");
  const std::vector<int>& L = wb.Layers;
  const int nl = static_cast<int>(L.size());
  double* buf = PrepareEvalSignals(wb, L[0]);
  const bool direct = AllInputsContinuous(wb.Features);
  const double p = wb.ErrorExponent, s = wb.SetOff, t1 = 1.0 - wb.SetOff;
  const bool skip = HasSkipConnections(wb);
  wb.NumOfCorrect = 0;
  double e = 0.0;
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    const double* in = CodedRow(wb, direct, v, buf);
    const double* prev = in;
    for (int l = 1; l < nl; ++l) {
      const int n = L[l - 1];
      const bool skipLayer = skip && l == 2;
      double* cur = buf + wb.EvalOffset[l];
      for (int j = 0; j < L[l]; ++j) {
        const double* w = wb.Net[l][j].Weights.data();
        const double a = skipLayer ? w[n + L[0]] - (Dot(prev, w, n) + Dot(in, w + n, L[0])) : w[n] - Dot(prev, w, n);
        cur[j] = a > kExpGuard ? 0.0 : static_cast<double>(Round(k / (1.0 + std::exp(a)))) / k;
      }
      prev = cur;
    }
    const int c = wb.VectorClass[v];
    for (int j = 0; j < L[nl - 1]; ++j) e += ErrorTerm(prev[j] - (j == c ? t1 : s), p);
  }
  wb.SigmoidCount += NeuronsAboveInputs(L) * wb.NumOfVectors;
  return FiniteError(e);
}

double ContinuousInputError(Workbench& wb) {
  ClearVectorState();
  EvalNeeds needs;
  needs.CodedInputs = false;
  RequireEvaluable(wb, NetLayout::Standard, needs);
  const std::vector<int>& L = wb.Layers;
  const int nl = static_cast<int>(L.size());
  double* buf = PrepareEvalSignals(wb, L[0]);
  const double p = wb.ErrorExponent;
  double e = 0.0;
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    RawRow(wb, v, L[0], buf);
    const double* prev = buf;
    for (int l = 1; l < nl; ++l) {
      const int n = L[l - 1];
      double* cur = buf + wb.EvalOffset[l];
      for (int j = 0; j < L[l]; ++j) {
        const double* w = wb.Net[l][j].Weights.data();
        const double a = w[n] - Dot(prev, w, n);
        cur[j] = a > kExpGuardError ? 0.0 : 1.0 / (1.0 + std::exp(a));
      }
      prev = cur;
    }
    const int c = wb.VectorClass[v];
    for (int j = 0; j < L[nl - 1]; ++j) e += ErrorTerm(prev[j] - (j == c ? 1.0 : 0.0), p);
  }
  return FiniteError(e);
}

double SignalsError(Workbench& wb, int v) {
  ClearVectorState();
  ComputeSignals(wb, v);
  if (wb.VectorClass.size() <= static_cast<std::size_t>(v)) throw WlError("No class of vector " + IntToStr(v));
  const int c = wb.VectorClass[v];
  const double s = wb.SetOff, p = wb.ErrorExponent;
  double e = 0.0;
  std::vector<TNeuron>& out = wb.Net.back();
  for (int j = 0; j < static_cast<int>(out.size()); ++j) {
    double& y = out[j].Signal;
    if (y >= 1.0 - s)
      y = 1.0;
    else if (y <= s)
      y = 0.0;
    e += ErrorTerm(y - (j == c ? 1.0 : 0.0), p);
  }
  wb.ErrorEvaluations += 1.0;
  return FiniteError(e);
}

}  // namespace wl
