#include "model/plane_lines.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/eval_options.h"
#include "model/forward_pass.h"
#include "model/layer_transfer.h"
#include "model/vector_pass.h"
#include "state/workbench.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define WL_LINE_AVX2 __attribute__((target("avx2,fma")))
#else
#define WL_LINE_AVX2
#endif

namespace wl {

namespace {

constexpr double kUnit = std::numeric_limits<double>::epsilon() / 2;  // the unit roundoff

// n u / (1 - n u): the bound of the relative rounding error of n operations.
double Gamma(int n) { return n * kUnit / (1.0 - n * kUnit); }

bool AllFinite(const std::vector<double>& v) {
  for (double x : v)
    if (!std::isfinite(x)) return false;
  return true;
}

// The logistic of the vector kernels, 1 / (1 + e^a) without a stretch, as the error pass computes it.
bool PlainLogistic(std::uint8_t kind, double stretch) { return kind == 1 && stretch == 1.0; }

// The largest slope of the transfer function of a layer with respect to a = (θ − net) × slope; the
// plain logistic's is taken at the point (y (1 − y)), so it gives 1 here.
double SlopeBound(std::uint8_t kind, double stretch) {
  switch (kind) {
    case 1: return stretch == 1.0 ? 1.0 : std::fabs(stretch) / 4;
    case 2: return std::fabs(stretch) / 2;
    default: return 1.0;
  }
}

const double kLnEntropy = std::log(1.000000001);

// a[i] = (theta − net[i]) × slope, i < n.
WL_LINE_AVX2 void Arguments(double theta, const double* net, double slope, double* a, int n) {
  for (int i = 0; i < n; ++i) a[i] = (theta - net[i]) * slope;
}

// The outputs of a layer of `neurons` neurons for the net inputs net[j * nv + v] (thresholds theta[j]),
// as the error pass's kernel gives them: the logistic by the kernels' exponential, the other functions
// by LayerTransfer. `a` is scratch.
void Transfer(const TTransferFunction& tf, const double* theta, int neurons, int nv, const double* net, double* y,
              double* a) {
  const int count = neurons * nv;
  if (tf.TFKind == 1) {
    for (int j = 0; j < neurons; ++j) Arguments(theta[j], net + j * nv, tf.TFSlope, a + j * nv, nv);
    if (tf.TFStretch == 1.0) {
      VectorLogistic(a, y, count);
      return;
    }
    VectorExp(a, y, count);
    const double offset = (1.0 - tf.TFStretch) / 2.0;
    for (int i = 0; i < count; ++i) {
      double s = tf.TFStretch / (1.0 + y[i]) + offset;
      if (s > 1.0) s = 1.0;
      if (s < 0.0) s = 0.0;
      y[i] = a[i] > kExpGuard ? 0.0 : s;
    }
    return;
  }
  const StairParams none;
  for (int j = 0; j < neurons; ++j)
    for (int v = 0; v < nv; ++v) y[j * nv + v] = LayerTransfer(tf, net[j * nv + v], theta[j], none);
}

// Σ_j y[j * nv + v] w[j] for every v, in Dot's four partial sums and order, each product fused with its
// addition: the output layer's sums as the error pass's kernel forms them. acc has room for 4 nv.
WL_LINE_AVX2 void LayerSums(const double* y, int n, int nv, const double* w, double* acc, double* net) {
  std::fill(acc, acc + 4 * static_cast<std::size_t>(nv), 0.0);
  const int n4 = n - n % 4;
  for (int j = 0; j < n; ++j) {
    double* s = acc + static_cast<std::size_t>(j < n4 ? (j & 3) : 0) * nv;
    const double* yj = y + static_cast<std::size_t>(j) * nv;
    const double wj = w[j];
    for (int v = 0; v < nv; ++v) s[v] = std::fma(wj, yj[v], s[v]);
  }
  for (int v = 0; v < nv; ++v) net[v] = (acc[v] + acc[nv + v]) + (acc[2 * nv + v] + acc[3 * nv + v]);
}

// net[j * nv + v] = p[j * nv + v] + c q[j * nv + v].
WL_LINE_AVX2 void FirstLayerNets(const double* p, const double* q, double c, double* net, int count) {
  for (int i = 0; i < count; ++i) net[i] = std::fma(c, q[i], p[i]);
}

// The bound of the hidden signals' distance: h = d y (1 − y) for the plain logistic, else d, plus the
// rounding of the signal itself.
WL_LINE_AVX2 void HiddenBounds(const double* d, const double* y, bool logistic, double* h, int count) {
  const double r = 4 * kUnit;
  if (logistic)
    for (int i = 0; i < count; ++i) h[i] = d[i] * (y[i] * (1.0 - y[i])) + r * std::fabs(y[i]);
  else
    for (int i = 0; i < count; ++i) h[i] = d[i] + r * std::fabs(y[i]);
}

// dn[v] = Σ_j |w[j]| (h[j * nv + v] + g |y[j * nv + v]|): the bound of an output neuron's net input.
WL_LINE_AVX2 void OutputNetBounds(const double* h, const double* y, int n, int nv, const double* w, double g,
                                  double* dn) {
  std::fill(dn, dn + nv, 0.0);
  for (int j = 0; j < n; ++j) {
    const double aw = std::fabs(w[j]);
    const double* hj = h + static_cast<std::size_t>(j) * nv;
    const double* yj = y + static_cast<std::size_t>(j) * nv;
    for (int v = 0; v < nv; ++v) dn[v] += aw * (hj[v] + g * std::fabs(yj[v]));
  }
}

}  // namespace

bool LinePass::Serves(const Workbench& wb, const EvalOptions& o) {
  if (!UseVectorKernels()) return false;
  if (o.Structure == NetStructure::FunctionApprox || o.Structure == NetStructure::Smlp) return false;
  if (wb.Layers.size() != 3 || wb.Net.size() != 3 || HasSkipConnections(wb)) return false;
  const std::uint8_t k1 = wb.LayerTF[0].TFKind, k2 = wb.LayerTF[1].TFKind;
  if (k1 < 1 || k1 > 5 || k2 < 1 || k2 > 5) return false;
  if (!std::isfinite(wb.LayerTF[0].TFSlope) || !std::isfinite(wb.LayerTF[1].TFSlope) ||
      !std::isfinite(wb.LayerTF[0].TFStretch) || !std::isfinite(wb.LayerTF[1].TFStretch))
    return false;
  if (!(wb.ErrorExponent >= 1.0) || !std::isfinite(wb.ErrorExponent) || !std::isfinite(wb.SetOff)) return false;
  if (wb.SmallW > 0.0 || wb.IntegerW > 0.0) return false;
  if (!o.PushWeights.Valid || o.PushWeights.Value > 0.0) return false;
  if (wb.CommitteeVoting || (wb.InCrossvalidation && wb.TestingMode)) return false;
  return wb.NumOfVectors > 0;
}

bool LinePass::BindLine(Workbench& wb, const EvalOptions& o, const std::vector<double>& base,
                        const std::vector<double>& dir, double cMax) {
  EvalNeeds needs;
  needs.VectorWeights = true;
  RequireEvaluable(wb, NetLayout::Standard, needs, o);
  if (!AllFinite(base) || !AllFinite(dir) || !std::isfinite(cMax)) return false;
  n0_ = wb.Layers[0];
  n1_ = wb.Layers[1];
  n2_ = wb.Layers[2];
  nv_ = wb.NumOfVectors;
  th1_ = wb.LayerInputs[0];
  th2_ = wb.LayerInputs[1];
  const std::size_t need = static_cast<std::size_t>(n1_) * (th1_ + 1) + static_cast<std::size_t>(n2_) * (th2_ + 1);
  if (n0_ < 0 || th1_ < n0_ || th2_ < n1_ || base.size() < need || dir.size() < need) return false;
  const TTransferFunction &tf1 = wb.LayerTF[0], &tf2 = wb.LayerTF[1];
  kind1_ = tf1.TFKind;
  kind2_ = tf2.TFKind;
  slope1_ = tf1.TFSlope;
  stretch1_ = tf1.TFStretch;
  slope2_ = tf2.TFSlope;
  stretch2_ = tf2.TFStretch;
  p_ = wb.ErrorExponent;
  hi_ = 1.0 - wb.SetOff;
  lo_ = UnitRangeOutput(kind2_) ? wb.SetOff : wb.SetOff - 1.0;
  entropy_ = o.Entropy;
  outside_ = o.Outside;
  weighted_ = o.WeightedErrorBox;

  const std::size_t nv = static_cast<std::size_t>(nv_), n0 = static_cast<std::size_t>(n0_);
  x_.resize(nv * n0 + 1);
  bool direct = true;
  for (const TFeature& f : wb.Features)
    if (f.Kind != 'c') direct = false;
  for (std::size_t v = 0; v < nv; ++v) {
    double* x = x_.data() + v * n0;
    if (direct)
      std::copy(wb.Data[v].data(), wb.Data[v].data() + n0, x);
    else
      CodeInputs(wb.Features, wb.Data[v].data(), x);
  }
  if (!AllFinite(x_)) return false;

  // The first layer's sums of B and D, and the bound of the distance between the two forms of a net
  // input: TrainingSetError's Dot of the formed weights, B + c D rounded, and p + c q here, each within
  // γ(n + 3) (Σ|x||B| + |c| Σ|x||D|) of the exact sum; with the thresholds' part and the product by
  // the slope, times the function's largest slope.
  const std::size_t count = static_cast<std::size_t>(n1_) * nv;
  p0_.resize(count);
  q_.resize(count);
  d1_.resize(count);
  const double g = Gamma(2 * n0_ + 8) * std::fabs(slope1_) * SlopeBound(kind1_, stretch1_);
  double largest = 0.0;
  for (int j = 0; j < n1_; ++j) {
    const double* b = base.data() + static_cast<std::size_t>(j) * (th1_ + 1);
    const double* d = dir.data() + static_cast<std::size_t>(j) * (th1_ + 1);
    const double theta = std::fabs(b[th1_]) + cMax * std::fabs(d[th1_]);
    for (std::size_t v = 0; v < nv; ++v) {
      const double* x = x_.data() + v * n0;
      double p = 0.0, q = 0.0, s = 0.0, t = 0.0;
      for (std::size_t k = 0; k < n0; ++k) {
        p += x[k] * b[k];
        q += x[k] * d[k];
        s += std::fabs(x[k] * b[k]);
        t += std::fabs(x[k] * d[k]);
      }
      const std::size_t i = static_cast<std::size_t>(j) * nv + v;
      p0_[i] = p;
      q_[i] = q;
      d1_[i] = g * (s + cMax * t + theta);
      largest = std::max(largest, d1_[i]);
    }
  }
  // The slopes are taken at the point: the distance must be small beside the functions' curvature.
  if (!(largest < 1e-3)) return false;
  net_.resize((static_cast<std::size_t>(std::max(n1_, n2_)) + 4) * nv);
  y_.resize(count);
  h_.resize(count);
  out_.resize(3 * static_cast<std::size_t>(n2_) * nv + 1);
  dn_.resize(nv + 1);
  return true;
}

bool LinePass::Error(Workbench& wb, double c, const std::vector<double>& w, double* error) {
  const std::size_t nv = static_cast<std::size_t>(nv_), count = static_cast<std::size_t>(n1_) * nv;
  // The hidden layer.
  thread_local std::vector<double> theta;
  theta.resize(static_cast<std::size_t>(std::max(n1_, n2_)) + 1);
  for (int j = 0; j < n1_; ++j) theta[static_cast<std::size_t>(j)] = w[static_cast<std::size_t>(j) * (th1_ + 1) + th1_];
  double* net = net_.data();
  FirstLayerNets(p0_.data(), q_.data(), c, net, static_cast<int>(count));
  TTransferFunction tf1;
  tf1.TFKind = kind1_;
  tf1.TFSlope = slope1_;
  tf1.TFStretch = stretch1_;
  Transfer(tf1, theta.data(), n1_, nv_, net, y_.data(), h_.data());
  HiddenBounds(d1_.data(), y_.data(), PlainLogistic(kind1_, stretch1_), h_.data(), static_cast<int>(count));

  // The output layer: its sums as the error pass forms them, and the bound of their distance.
  const std::size_t off2 = static_cast<std::size_t>(n1_) * (th1_ + 1);
  double* onet = out_.data();
  double* oy = onet + static_cast<std::size_t>(n2_) * nv;
  double* od = oy + static_cast<std::size_t>(n2_) * nv;
  const double g2 = 2 * Gamma(n1_ + 2);
  for (int o = 0; o < n2_; ++o) {
    const double* wo = w.data() + off2 + static_cast<std::size_t>(o) * (th2_ + 1);
    theta[static_cast<std::size_t>(o)] = wo[th2_];
    LayerSums(y_.data(), n1_, nv_, wo, net, onet + o * nv);
    OutputNetBounds(h_.data(), y_.data(), n1_, nv_, wo, g2, od + o * nv);
  }
  TTransferFunction tf2;
  tf2.TFKind = kind2_;
  tf2.TFSlope = slope2_;
  tf2.TFStretch = stretch2_;
  Transfer(tf2, theta.data(), n2_, nv_, onet, oy, net);

  // The error terms in TrainingSetError's order, and the bound of the error's distance.
  const bool logistic = PlainLogistic(kind2_, stretch2_);
  const double slopeBound = SlopeBound(kind2_, stretch2_), s2 = std::fabs(slope2_);
  double e = 0.0, bound = 0.0;
  for (std::size_t v = 0; v < nv; ++v) {
    const int cls = wb.VectorClass[v];
    double ev = 0.0;
    for (int o = 0; o < n2_; ++o) {
      const std::size_t i = static_cast<std::size_t>(o) * nv + v;
      const double y = oy[i];
      const double a = (theta[static_cast<std::size_t>(o)] - onet[i]) * slope2_;
      const double da = s2 * od[i] + 2 * kUnit * std::fabs(a);
      // Twice the slope at the point, for the change of the slope along the distance.
      const double dy = 2 * (logistic ? y * (1.0 - y) : slopeBound) * da + 4 * kUnit * std::fabs(y);
      double term, slope;
      if (entropy_) {
        const double arg = o == cls ? 1e-9 + y : 1.000000001 - y;
        if (!(arg > 4 * dy)) return false;
        term = -0.1 * (std::log(arg) - kLnEntropy);
        slope = 0.1 / (arg - dy);
      } else {
        const double t = o == cls ? hi_ : lo_;
        const double d = std::fabs(y - t);
        if (d == 0.0)
          term = 0.0;
        else if (p_ == 2.0)
          term = d * d;
        else if (p_ == 1.0)
          term = d;
        else
          term = std::pow(d, p_);
        slope = p_ == 2.0 ? 2 * (d + dy) : p_ == 1.0 ? 1.0 : p_ * std::pow(d + dy, p_ - 1.0);
      }
      if (outside_ && (o == cls ? y > hi_ : y < lo_)) term = 0.0;
      double bv = slope * dy + 2 * kUnit * std::fabs(term);
      if (weighted_) {
        term *= wb.VectorWeight[v];
        bv *= std::fabs(wb.VectorWeight[v]);
      }
      ev += term;
      bound += bv;
    }
    e += ev;
  }
  if (!std::isfinite(e) || !(bound <= kLineTolerance * std::fabs(e))) return false;
  wb.SigmoidCount += static_cast<std::int64_t>(n1_ + n2_) * nv_;
  *error = e;
  return true;
}

}  // namespace wl
