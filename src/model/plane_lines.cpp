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
#define WL_LINE_AVX512 __attribute__((target("avx512f,avx2,fma")))
#define WL_LINE_WIDE 1
#include <immintrin.h>

#include "model/exp_lanes.h"
// GCC 12's AVX-512 headers start registers from an undefined value, which -Wmaybe-uninitialized reports.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
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

// The vectors of a point are taken in blocks of this many, so that a block's signals stay in the cache.
constexpr int kBlock = 64;

// The hidden exponentials along a line: at W = B + c D a hidden neuron's argument is linear in c,
// a = slope (θ_B − p + c (θ_D − q)), so from one point to the next e^a is multiplied by e^T with
// T = slope (θ_D − q) h for the points' distance h. Every kRatioSpan points the exponential is taken
// exactly again; the ratio serves a neuron and group of vectors only while a stays within
// ±kRatioRange over the span (no clamp, overflow or subnormal anywhere near). The bound of a's
// distance from the error routine's grows per step by kRatioStep + kRatioT |T| (the ratio's and the
// product's rounding, T's rounding) beside a fixed part (see BindLine).
constexpr int kRatioSpan = 16;
constexpr double kRatioRange = 700.0;
constexpr double kRatioStep = 1.05 * 3 * kUnit;
constexpr double kRatioT = 1.05 * 4 * kUnit;

#if WL_LINE_WIDE
const bool kWide = __builtin_cpu_supports("avx512f");

using lanes::Exp8;

inline __mmask8 Lanes(int left) { return left >= 8 ? __mmask8(0xFF) : static_cast<__mmask8>((1u << left) - 1); }

WL_LINE_AVX512 void Exp8Array(const double* a, double* y, int n) {
  for (int i = 0; i < n; i += 8) {
    const __mmask8 m = Lanes(n - i);
    _mm512_mask_storeu_pd(y + i, m, Exp8(_mm512_maskz_loadu_pd(m, a + i)));
  }
}

WL_LINE_AVX512 void Logistic8Array(const double* a, double* y, int n) {
  const __m512d one = _mm512_set1_pd(1.0);
  for (int i = 0; i < n; i += 8) {
    const __mmask8 m = Lanes(n - i);
    _mm512_mask_storeu_pd(y + i, m, _mm512_div_pd(one, _mm512_add_pd(Exp8(_mm512_maskz_loadu_pd(m, a + i)), one)));
  }
}

// The plain logistic of one hidden neuron for n vectors: net = p + c q, a = (θ − net) × slope,
// y = 1 / (e^a + 1), and the bound h = d y (1 − y) + 4u |y|.
WL_LINE_AVX512 void HiddenLogistic8(const double* p, const double* q, double c, double theta, double slope,
                                    const double* d, double* y, double* h, int n) {
  const __m512d one = _mm512_set1_pd(1.0), cv = _mm512_set1_pd(c), tv = _mm512_set1_pd(theta),
                sv = _mm512_set1_pd(slope), r = _mm512_set1_pd(4 * kUnit);
  for (int i = 0; i < n; i += 8) {
    const __mmask8 m = Lanes(n - i);
    const __m512d net = _mm512_fmadd_pd(cv, _mm512_maskz_loadu_pd(m, q + i), _mm512_maskz_loadu_pd(m, p + i));
    const __m512d a = _mm512_mul_pd(_mm512_sub_pd(tv, net), sv);
    const __m512d yv = _mm512_div_pd(one, _mm512_add_pd(Exp8(a), one));
    const __m512d hv = _mm512_fmadd_pd(_mm512_maskz_loadu_pd(m, d + i), _mm512_mul_pd(yv, _mm512_sub_pd(one, yv)),
                                       _mm512_mul_pd(r, _mm512_abs_pd(yv)));
    _mm512_mask_storeu_pd(y + i, m, yv);
    _mm512_mask_storeu_pd(h + i, m, hv);
  }
}

// 1 / d for d >= 1 (a logistic's denominator 1 + e^a): the reciprocal estimate and two Newton steps,
// within 2u of 1 / d rounded (below it for d near 2^1023, where the estimate goes subnormal, by less
// than 2^-1000); 0 for d = +inf, NaN for NaN.
WL_LINE_AVX512 inline __m512d Reciprocal8(__m512d d) {
  const __m512d one = _mm512_set1_pd(1.0);
  __m512d x = _mm512_rcp14_pd(d);
  x = _mm512_fmadd_pd(x, _mm512_fnmadd_pd(d, x, one), x);
  x = _mm512_fmadd_pd(x, _mm512_fnmadd_pd(d, x, one), x);
  return _mm512_mask_mov_pd(x, _mm512_cmp_pd_mask(d, _mm512_set1_pd(HUGE_VAL), _CMP_EQ_OQ), _mm512_setzero_pd());
}

// Reciprocal8 for finite d.
WL_LINE_AVX512 inline __m512d FiniteReciprocal8(__m512d d) {
  const __m512d one = _mm512_set1_pd(1.0);
  __m512d x = _mm512_rcp14_pd(d);
  x = _mm512_fmadd_pd(x, _mm512_fnmadd_pd(d, x, one), x);
  return _mm512_fmadd_pd(x, _mm512_fnmadd_pd(d, x, one), x);
}

// The first layer's sums of one neuron over every vector, eight vectors at a time: p = Σ x b, q = Σ x d
// and the sums of the products' magnitudes s, t, for the inputs xt[k * nv + v].
WL_LINE_AVX512 void FirstLayerSums8(const double* xt, int n0, int nv, const double* b, const double* d, double* p,
                                    double* q, double* s, double* t) {
  for (int v0 = 0; v0 < nv; v0 += 8) {
    const __mmask8 m = Lanes(nv - v0);
    __m512d pv = _mm512_setzero_pd(), qv = pv, sv = pv, tv = pv;
    for (int k = 0; k < n0; ++k) {
      const __m512d x = _mm512_maskz_loadu_pd(m, xt + static_cast<std::size_t>(k) * nv + v0);
      const __m512d xb = _mm512_mul_pd(x, _mm512_set1_pd(b[k])), xd = _mm512_mul_pd(x, _mm512_set1_pd(d[k]));
      pv = _mm512_add_pd(pv, xb);
      qv = _mm512_add_pd(qv, xd);
      sv = _mm512_add_pd(sv, _mm512_abs_pd(xb));
      tv = _mm512_add_pd(tv, _mm512_abs_pd(xd));
    }
    _mm512_mask_storeu_pd(p + v0, m, pv);
    _mm512_mask_storeu_pd(q + v0, m, qv);
    _mm512_mask_storeu_pd(s + v0, m, sv);
    _mm512_mask_storeu_pd(t + v0, m, tv);
  }
}

// What a point of a network with plain logistics in both layers and the squared error needs.
struct FusedPoint {
  const double *P, *Q, *D;  // the first layer's sums and bounds, [j * nv + v]
  const double* Theta1;     // the point's hidden thresholds
  const double* W2;         // the output weights, neuron o's at [o * stride2], threshold at [o * stride2 + n1]
  const double* AbsW2;      // their magnitudes, neuron o's at [o * n1]
  const double* Theta2;
  const int* Class;
  const double* Weight;
  double* Y;   // scratch: 8 n1 signals
  double* HY;  // scratch: 8 n1 bounds (with the output sums' rounding of the signal)
  // The hidden exponentials along the line (see LinePass::Error): e^a kept per neuron and vector in
  // E, its ratio from one point to the next R, the change of a per point T, the bound's part that does
  // not grow with the steps Fixed and its growth per step Drift; per neuron and group of eight vectors
  // whether the ratio serves (Serves[j * groups + g]). Step: points since the last exact exponential
  // (0: this point is one).
  double* E;
  const double *R, *T, *Fixed, *Drift;
  std::uint8_t* Serves;
  int Step = 0, Span = 1;
  int Nv, N1, N2, Stride2;
  double C, Slope1, Slope2, G2, Hi, Lo;
  bool Outside, Weighted;
};

// The error of the point and its bound, vectors in groups of eight, each group's signals kept in
// registers and a small scratch: the hidden logistic of the kernels' exponential with the reciprocal
// above, the output sums in Dot's partial sums and order, the squared terms summed over the outputs
// per vector and over the vectors in their order. False when an output's argument may lie farther
// than the slopes allow (as Squared4).
WL_LINE_AVX512 bool FusedSquaredError(const FusedPoint& f, double* error, double* bound) {
  const __m512d one = _mm512_set1_pd(1.0), cv = _mm512_set1_pd(f.C), sv1 = _mm512_set1_pd(f.Slope1);
  const __m512d r8 = _mm512_set1_pd(8 * kUnit), tiny = _mm512_set1_pd(0x1p-1000);
  // A hidden signal's bound with the output sums' rounding of it: d y (1 − y) + (8u + g2) y.
  const __m512d r8g2 = _mm512_set1_pd(8 * kUnit + f.G2);
  const double* __restrict P = f.P;
  const double* __restrict Q = f.Q;
  const double* __restrict D = f.D;
  const double* __restrict R = f.R;
  const double* __restrict T = f.T;
  const double* __restrict Fixed = f.Fixed;
  const double* __restrict Drift = f.Drift;
  double* __restrict E = f.E;
  double* __restrict Y = f.Y;
  double* __restrict HY = f.HY;
  std::uint8_t* __restrict Serves = f.Serves;
  const double* __restrict Theta1 = f.Theta1;
  const int nv = f.Nv, step = f.Step;
  const __m512d sv2 = _mm512_set1_pd(f.Slope2), s2 = _mm512_set1_pd(std::fabs(f.Slope2));
  const __m512d two = _mm512_set1_pd(2.0), u2 = _mm512_set1_pd(2 * kUnit), hi = _mm512_set1_pd(f.Hi),
                lo = _mm512_set1_pd(f.Lo), limit = _mm512_set1_pd(1e-3);
  const int n1 = f.N1, n4 = n1 - n1 % 4;
  double e = 0.0;
  __m512d b = _mm512_setzero_pd();
  __mmask8 far = 0;
  alignas(64) double ev[8];
  const int groups = (f.Nv + 7) / 8;
  const __m512d steps = _mm512_set1_pd(f.Step), span = _mm512_set1_pd(f.Span - 1);
  const __m512d far0 = _mm512_set1_pd(-kRatioRange), far1 = _mm512_set1_pd(kRatioRange);
  // Two groups at a time, so that the one's long chains (the exponential, the reciprocal) overlap
  // the other's.
  constexpr int kGroups = 2;
  for (int v0 = 0; v0 < nv; v0 += 8 * kGroups) {
    __mmask8 m[kGroups];
    for (int g = 0; g < kGroups; ++g) m[g] = v0 + 8 * g < nv ? Lanes(nv - v0 - 8 * g) : __mmask8(0);
    for (int j = 0; j < n1; ++j) {
#pragma GCC unroll 2
      for (int g = 0; g < kGroups; ++g) {
        double* yj = Y + 8 * (static_cast<std::size_t>(g) * n1 + j);
        double* hj = HY + 8 * (static_cast<std::size_t>(g) * n1 + j);
        if (m[g] == 0) {
          _mm512_storeu_pd(yj, _mm512_setzero_pd());
          _mm512_storeu_pd(hj, _mm512_setzero_pd());
          continue;
        }
        const int vg = v0 + 8 * g;
        const std::size_t at = static_cast<std::size_t>(j) * nv + vg;
        const std::size_t group = static_cast<std::size_t>(j) * groups + vg / 8;
        const __mmask8 mg = m[g];
        __m512d y, dv;
        if (step > 0 && Serves[group]) {
          // e^a by the ratio (finite: a stays inside ±kRatioRange); the bound carries the steps' drift.
          const __m512d ea = _mm512_mul_pd(_mm512_maskz_loadu_pd(mg, E + at), _mm512_maskz_loadu_pd(mg, R + at));
          _mm512_mask_storeu_pd(E + at, mg, ea);
          dv = _mm512_fmadd_pd(steps, _mm512_maskz_loadu_pd(mg, Drift + at), _mm512_maskz_loadu_pd(mg, Fixed + at));
          y = FiniteReciprocal8(_mm512_add_pd(ea, one));
        } else {
          const __m512d net =
              _mm512_fmadd_pd(cv, _mm512_maskz_loadu_pd(mg, Q + at), _mm512_maskz_loadu_pd(mg, P + at));
          const __m512d a = _mm512_mul_pd(_mm512_sub_pd(_mm512_set1_pd(Theta1[j]), net), sv1);
          const __m512d ea = Exp8(a);
          dv = _mm512_maskz_loadu_pd(mg, D + at);
          if (step == 0) {
            // An exact exponential: the ratio serves the span's next points if a stays well inside the
            // exponential's range over them (a moves by T per point).
            const __m512d end = _mm512_fmadd_pd(span, _mm512_maskz_loadu_pd(mg, T + at), a);
            const __m512d r = _mm512_maskz_loadu_pd(mg, R + at);
            const __mmask8 inside = _mm512_mask_cmp_pd_mask(mg, a, far0, _CMP_GE_OQ) &
                                    _mm512_mask_cmp_pd_mask(mg, a, far1, _CMP_LE_OQ) &
                                    _mm512_mask_cmp_pd_mask(mg, end, far0, _CMP_GE_OQ) &
                                    _mm512_mask_cmp_pd_mask(mg, end, far1, _CMP_LE_OQ) &
                                    _mm512_mask_cmp_pd_mask(mg, r, _mm512_set1_pd(1e-300), _CMP_GE_OQ) &
                                    _mm512_mask_cmp_pd_mask(mg, r, _mm512_set1_pd(1e300), _CMP_LE_OQ);
            Serves[group] = inside == mg;
            _mm512_mask_storeu_pd(E + at, mg, ea);
          }
          y = Reciprocal8(_mm512_add_pd(ea, one));
        }
        _mm512_storeu_pd(yj, y);
        _mm512_storeu_pd(hj, _mm512_fmadd_pd(dv, _mm512_mul_pd(y, _mm512_sub_pd(one, y)), _mm512_fmadd_pd(r8g2, y, tiny)));
      }
    }
    __m512i cls[kGroups];
    __m512d wgt[kGroups], sum[kGroups];
    for (int g = 0; g < kGroups; ++g) {
      const int vg = std::min(v0 + 8 * g, nv);
      cls[g] = _mm512_cvtepi32_epi64(_mm512_castsi512_si256(_mm512_maskz_loadu_epi32(m[g], f.Class + vg)));
      wgt[g] = f.Weighted ? _mm512_maskz_loadu_pd(m[g], f.Weight + vg) : one;
      sum[g] = _mm512_setzero_pd();
    }
    for (int o = 0; o < f.N2; ++o) {
      const double* w = f.W2 + static_cast<std::size_t>(o) * f.Stride2;
      const double* aw = f.AbsW2 + static_cast<std::size_t>(o) * n1;
      // Dot's partial sums: input j < n4 into sum j mod 4, the rest into the first.
      __m512d part[kGroups][4], dn[kGroups][2];
      for (int g = 0; g < kGroups; ++g) {
        for (int k = 0; k < 4; ++k) part[g][k] = _mm512_setzero_pd();
        dn[g][0] = dn[g][1] = _mm512_setzero_pd();
      }
      int j = 0;
      for (; j < n4; j += 4) {
#pragma GCC unroll 2
        for (int g = 0; g < kGroups; ++g) {
          const double* yg = Y + 8 * (static_cast<std::size_t>(g) * n1 + j);
          const double* hg = HY + 8 * (static_cast<std::size_t>(g) * n1 + j);
          part[g][0] = _mm512_fmadd_pd(_mm512_set1_pd(w[j]), _mm512_loadu_pd(yg), part[g][0]);
          part[g][1] = _mm512_fmadd_pd(_mm512_set1_pd(w[j + 1]), _mm512_loadu_pd(yg + 8), part[g][1]);
          part[g][2] = _mm512_fmadd_pd(_mm512_set1_pd(w[j + 2]), _mm512_loadu_pd(yg + 16), part[g][2]);
          part[g][3] = _mm512_fmadd_pd(_mm512_set1_pd(w[j + 3]), _mm512_loadu_pd(yg + 24), part[g][3]);
          dn[g][0] = _mm512_fmadd_pd(_mm512_set1_pd(aw[j]), _mm512_loadu_pd(hg), dn[g][0]);
          dn[g][1] = _mm512_fmadd_pd(_mm512_set1_pd(aw[j + 1]), _mm512_loadu_pd(hg + 8), dn[g][1]);
          dn[g][0] = _mm512_fmadd_pd(_mm512_set1_pd(aw[j + 2]), _mm512_loadu_pd(hg + 16), dn[g][0]);
          dn[g][1] = _mm512_fmadd_pd(_mm512_set1_pd(aw[j + 3]), _mm512_loadu_pd(hg + 24), dn[g][1]);
        }
      }
      for (; j < n1; ++j) {
#pragma GCC unroll 2
        for (int g = 0; g < kGroups; ++g) {
          part[g][0] = _mm512_fmadd_pd(_mm512_set1_pd(w[j]), _mm512_loadu_pd(Y + 8 * (static_cast<std::size_t>(g) * n1 + j)),
                                       part[g][0]);
          dn[g][0] = _mm512_fmadd_pd(_mm512_set1_pd(aw[j]), _mm512_loadu_pd(HY + 8 * (static_cast<std::size_t>(g) * n1 + j)),
                                     dn[g][0]);
        }
      }
#pragma GCC unroll 2
      for (int g = 0; g < kGroups; ++g) {
        const __m512d onet = _mm512_add_pd(_mm512_add_pd(part[g][0], part[g][1]), _mm512_add_pd(part[g][2], part[g][3]));
        const __m512d a = _mm512_mul_pd(_mm512_sub_pd(_mm512_set1_pd(f.Theta2[o]), onet), sv2);
        const __m512d y = Reciprocal8(_mm512_add_pd(Exp8(a), one));
        const __mmask8 own = _mm512_cmpeq_epi64_mask(cls[g], _mm512_set1_epi64(o));
        const __m512d d = _mm512_abs_pd(_mm512_sub_pd(y, _mm512_mask_mov_pd(lo, own, hi)));
        __m512d tv = _mm512_mul_pd(d, d);
        if (f.Outside) {
          const __mmask8 out =
              (own & _mm512_cmp_pd_mask(y, hi, _CMP_GT_OQ)) | (~own & _mm512_cmp_pd_mask(y, lo, _CMP_LT_OQ));
          tv = _mm512_mask_mov_pd(tv, out, _mm512_setzero_pd());
        }
        const __m512d da = _mm512_fmadd_pd(s2, _mm512_add_pd(dn[g][0], dn[g][1]), _mm512_mul_pd(u2, _mm512_abs_pd(a)));
        far |= _mm512_mask_cmp_pd_mask(m[g], da, limit, _CMP_NLT_UQ);
        const __m512d dy = _mm512_fmadd_pd(_mm512_mul_pd(two, _mm512_mul_pd(y, _mm512_sub_pd(one, y))), da,
                                           _mm512_fmadd_pd(r8, y, tiny));
        __m512d bt = _mm512_fmadd_pd(_mm512_mul_pd(two, _mm512_add_pd(d, dy)), dy, _mm512_mul_pd(u2, tv));
        if (f.Weighted) {
          tv = _mm512_mul_pd(tv, wgt[g]);
          bt = _mm512_mul_pd(bt, _mm512_abs_pd(wgt[g]));
        }
        sum[g] = _mm512_add_pd(sum[g], tv);
        b = _mm512_add_pd(b, _mm512_maskz_mov_pd(m[g], bt));
      }
    }
    for (int g = 0; g < kGroups; ++g) {
      _mm512_store_pd(ev, sum[g]);
      const int count = std::max(0, std::min(8, nv - v0 - 8 * g));
      for (int k = 0; k < count; ++k) e += ev[k];
    }
  }
  *error = e;
  _mm512_storeu_pd(ev, b);
  *bound = ((ev[0] + ev[1]) + (ev[2] + ev[3])) + ((ev[4] + ev[5]) + (ev[6] + ev[7]));
  return far == 0;
}
#else
const bool kWide = false;
void Exp8Array(const double*, double*, int) {}
void Logistic8Array(const double*, double*, int) {}
void HiddenLogistic8(const double*, const double*, double, double, double, const double*, double*, double*, int) {}
#endif

// The kernels' logistic 1 / (e^a + 1) and exponential, eight lanes at once where the processor can.
void Logistic(const double* a, double* y, int n) {
  if (kWide)
    Logistic8Array(a, y, n);
  else
    VectorLogistic(a, y, n);
}
void Exp(const double* a, double* y, int n) {
  if (kWide)
    Exp8Array(a, y, n);
  else
    VectorExp(a, y, n);
}

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
      Logistic(a, y, count);
      return;
    }
    Exp(a, y, count);
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

// The output neuron's sums over a block of m vectors, Σ_j y[j * m + v] w[j] in Dot's four partial sums
// and order, each product fused with its addition (the sums as the error pass's kernel forms them);
// the bound of their distance, dn[v] = Σ_j |w[j]| (h[j * m + v] + g |y[j * m + v]|); and the arguments
// a[v] = (θ − net[v]) × slope. acc has room for 4 m. Compiled for each width below.
inline __attribute__((always_inline)) void OutputNeuronBody(const double* y, const double* h, int n, int m,
                                                            const double* w, double g, double theta, double slope,
                                                            double* acc, double* net, double* dn, double* a) {
  std::fill(acc, acc + 4 * static_cast<std::size_t>(m), 0.0);
  std::fill(dn, dn + m, 0.0);
  const int n4 = n - n % 4;
  for (int j = 0; j < n; ++j) {
    double* s = acc + static_cast<std::size_t>(j < n4 ? (j & 3) : 0) * m;
    const double* yj = y + static_cast<std::size_t>(j) * m;
    const double* hj = h + static_cast<std::size_t>(j) * m;
    const double wj = w[j], aw = std::fabs(w[j]);
    for (int v = 0; v < m; ++v) {
      s[v] = std::fma(wj, yj[v], s[v]);
      dn[v] += aw * (hj[v] + g * std::fabs(yj[v]));
    }
  }
  for (int v = 0; v < m; ++v) {
    net[v] = (acc[v] + acc[m + v]) + (acc[2 * m + v] + acc[3 * m + v]);
    a[v] = (theta - net[v]) * slope;
  }
}

WL_LINE_AVX2 void OutputNeuron4(const double* y, const double* h, int n, int m, const double* w, double g,
                                double theta, double slope, double* acc, double* net, double* dn, double* a) {
  OutputNeuronBody(y, h, n, m, w, g, theta, slope, acc, net, dn, a);
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


// The squared error terms of a block of m vectors (exponent 2, no cross-entropy), term[o * m + k], as
// TrainingSetError forms them, and each term's bound in bv; returns whether every output's argument lies
// within the distance the slopes allow.
struct SquaredTerms {
  double Hi, Lo, S2, SlopeBound, Unit;
  bool Logistic, Outside, Weighted;
};
inline __attribute__((always_inline)) bool SquaredBody(const SquaredTerms& t, const double* oy, const double* oa,
                                                       const double* od, const int* cls, const double* weight, int m,
                                                       int outputs, double* term, double* bv) {
  int far = 0;
  for (int o = 0; o < outputs; ++o)
    for (int k = 0; k < m; ++k) {
      const int i = o * m + k;
      const double y = oy[i];
      const bool own = cls[k] == o;
      const double d = std::fabs(y - (own ? t.Hi : t.Lo));
      double tv = d * d;
      if (t.Outside && (own ? y > t.Hi : y < t.Lo)) tv = 0.0;
      const double da = t.S2 * od[i] + 2 * t.Unit * std::fabs(oa[i]);
      far |= !(da < 1e-3);
      const double dy = 2 * (t.Logistic ? y * (1.0 - y) : t.SlopeBound) * da + 4 * t.Unit * std::fabs(y);
      double b = 2 * (d + dy) * dy + 2 * t.Unit * tv;
      if (t.Weighted) {
        tv *= weight[k];
        b *= std::fabs(weight[k]);
      }
      term[i] = tv;
      bv[i] = b;
    }
  return far == 0;
}

WL_LINE_AVX2 bool Squared4(const SquaredTerms& t, const double* oy, const double* oa, const double* od, const int* cls,
                           const double* weight, int m, int outputs, double* term, double* bv) {
  return SquaredBody(t, oy, oa, od, cls, weight, m, outputs, term, bv);
}

#if WL_LINE_WIDE
WL_LINE_AVX512 void OutputNeuron8(const double* y, const double* h, int n, int m, const double* w, double g,
                                  double theta, double slope, double* acc, double* net, double* dn, double* a) {
  OutputNeuronBody(y, h, n, m, w, g, theta, slope, acc, net, dn, a);
}
WL_LINE_AVX512 bool Squared8(const SquaredTerms& t, const double* oy, const double* oa, const double* od,
                             const int* cls, const double* weight, int m, int outputs, double* term, double* bv) {
  return SquaredBody(t, oy, oa, od, cls, weight, m, outputs, term, bv);
}
#else
#define OutputNeuron8 OutputNeuron4
#define Squared8 Squared4
#endif

}  // namespace

void LineLogistic(const double* a, double* y, int n) { Logistic(a, y, n); }

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
                        const std::vector<double>& dir, double cMax, double h) {
  next_ = -1;
  ratios_ = false;
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
#if WL_LINE_WIDE
  if (kWide) {
    // The same sums, each product rounded and added in the inputs' order, eight vectors at once.
    xt_.resize(n0 * nv + 1);
    for (std::size_t v = 0; v < nv; ++v)
      for (std::size_t k = 0; k < n0; ++k) xt_[k * nv + v] = x_[v * n0 + k];
    sums_.resize(2 * nv);
    for (int j = 0; j < n1_; ++j) {
      const double* b = base.data() + static_cast<std::size_t>(j) * (th1_ + 1);
      const double* d = dir.data() + static_cast<std::size_t>(j) * (th1_ + 1);
      const double theta = std::fabs(b[th1_]) + cMax * std::fabs(d[th1_]);
      const std::size_t at = static_cast<std::size_t>(j) * nv;
      FirstLayerSums8(xt_.data(), n0_, nv_, b, d, p0_.data() + at, q_.data() + at, sums_.data(), sums_.data() + nv);
      for (std::size_t v = 0; v < nv; ++v) {
        d1_[at + v] = g * (sums_[v] + cMax * sums_[nv + v] + theta);
        largest = std::max(largest, d1_[at + v]);
      }
    }
  }
#endif
  for (int j = 0; j < n1_ && !kWide; ++j) {
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

  // The ratios of the hidden exponentials from one point to the next (plain logistics). Against the
  // routine's argument at point P, the ratio's e^(a_A + k T), k steps after the exact exponential at
  // point A, lies within: the routine's and this pass's forms of a at P and A (d1, and half of it),
  // the exponentials' error (4u each, both sides), the rounding of the points' c (2u cMax |slope (θ_D
  // − q)|), and per step the rounding of T and of e^T and the product (kRatioStep + kRatioT |T|).
  ratios_ = kWide && PlainLogistic(kind1_, stretch1_) && PlainLogistic(kind2_, stretch2_) && std::isfinite(h) &&
            h != 0.0;
  if (ratios_) {
    e_.assign(count, 0.0);
    ratio_.resize(count);
    t_.resize(count);
    fixed_.resize(count);
    drift_.resize(count);
    serves_.assign(static_cast<std::size_t>(n1_) * ((nv + 7) / 8), 0);
    for (int j = 0; j < n1_; ++j) {
      const double thetaD = dir[static_cast<std::size_t>(j) * (th1_ + 1) + th1_];
      for (std::size_t v = 0; v < nv; ++v) {
        const std::size_t i = static_cast<std::size_t>(j) * nv + v;
        const double change = slope1_ * (thetaD - q_[i]);
        t_[i] = change * h;
        ratio_[i] = std::exp(t_[i]);
        fixed_[i] = 1.05 * (1.5 * d1_[i] + 8 * kUnit + 2 * kUnit * cMax * std::fabs(change));
        drift_[i] = kRatioStep + kRatioT * std::fabs(t_[i]);
      }
    }
  }
  theta_.resize(static_cast<std::size_t>(n1_ + n2_) * (1 + n2_) + 1);  // and the output weights' magnitudes
  block_.resize((2 * static_cast<std::size_t>(n1_) + 6 * static_cast<std::size_t>(n2_) + 4 + std::max(n1_, n2_)) * kBlock);
  return true;
}

bool LinePass::Error(Workbench& wb, int index, double c, const std::vector<double>& w, double* error,
                     double* distanceBound) {
  const std::size_t nv = static_cast<std::size_t>(nv_);
  double* theta1 = theta_.data();
  double* theta2 = theta1 + n1_;
  for (int j = 0; j < n1_; ++j) theta1[j] = w[static_cast<std::size_t>(j) * (th1_ + 1) + th1_];
  const std::size_t off2 = static_cast<std::size_t>(n1_) * (th1_ + 1);
  for (int o = 0; o < n2_; ++o) theta2[o] = w[off2 + static_cast<std::size_t>(o) * (th2_ + 1) + th2_];
  TTransferFunction tf1, tf2;
  tf1.TFKind = kind1_;
  tf1.TFSlope = slope1_;
  tf1.TFStretch = stretch1_;
  tf2.TFKind = kind2_;
  tf2.TFSlope = slope2_;
  tf2.TFStretch = stretch2_;
  const bool hiddenLogistic = PlainLogistic(kind1_, stretch1_), logistic = PlainLogistic(kind2_, stretch2_);
  const double slopeBound = SlopeBound(kind2_, stretch2_), s2 = std::fabs(slope2_);
  const double g2 = 2 * Gamma(n1_ + 2);
  // Block storage, rows of m values: the hidden signals and bounds, the output sums, arguments,
  // signals and bounds, the sums' partials.
  double* y = block_.data();
  double* h = y + static_cast<std::size_t>(n1_) * kBlock;
  double* onet = h + static_cast<std::size_t>(n1_) * kBlock;
  double* oa = onet + static_cast<std::size_t>(n2_) * kBlock;
  double* oy = oa + static_cast<std::size_t>(n2_) * kBlock;
  double* od = oy + static_cast<std::size_t>(n2_) * kBlock;
  double* scratch = od + static_cast<std::size_t>(n2_) * kBlock;  // 4 kBlock, or a layer's nets

  double e = 0.0, bound = 0.0;
  std::size_t nv0 = 0;  // the vectors done by the fused pass
#if WL_LINE_WIDE
  if (kWide && hiddenLogistic && logistic && !entropy_ && p_ == 2.0) {
    FusedPoint f;
    f.P = p0_.data();
    f.Q = q_.data();
    f.D = d1_.data();
    f.Theta1 = theta1;
    f.W2 = w.data() + off2;
    double* absW2 = theta2 + n2_;
    for (int o = 0; o < n2_; ++o)
      for (int j = 0; j < n1_; ++j)
        absW2[o * n1_ + j] = std::fabs(w[off2 + static_cast<std::size_t>(o) * (th2_ + 1) + static_cast<std::size_t>(j)]);
    f.AbsW2 = absW2;
    f.Theta2 = theta2;
    f.Class = wb.VectorClass.data();
    f.Weight = wb.VectorWeight.data();
    f.Y = y;
    f.HY = h;
    f.Nv = nv_;
    f.N1 = n1_;
    f.N2 = n2_;
    f.Stride2 = th2_ + 1;
    f.C = c;
    f.Slope1 = slope1_;
    f.Slope2 = slope2_;
    f.G2 = g2;
    f.Hi = hi_;
    f.Lo = lo_;
    f.Outside = outside_;
    f.Weighted = weighted_;
    f.E = e_.data();
    f.Fixed = fixed_.data();
    f.Drift = drift_.data();
    f.R = ratio_.data();
    f.T = t_.data();
    f.Serves = serves_.data();
    f.Span = kRatioSpan;
    if (!ratios_ || index != next_ || since_ + 1 >= kRatioSpan)
      since_ = 0;
    else
      ++since_;
    f.Step = since_;
    if (!ratios_) f.Step = -1;
    next_ = index + 1;
    if (!FusedSquaredError(f, &e, &bound)) return false;
    nv0 = nv;
  }
#endif
  for (std::size_t v0 = nv0; v0 < nv; v0 += kBlock) {
    const int m = static_cast<int>(std::min<std::size_t>(kBlock, nv - v0));
    // The hidden layer.
    for (int j = 0; j < n1_; ++j) {
      const std::size_t at = static_cast<std::size_t>(j) * nv + v0;
      double* yj = y + static_cast<std::size_t>(j) * m;
      double* hj = h + static_cast<std::size_t>(j) * m;
      if (hiddenLogistic && kWide) {
        HiddenLogistic8(p0_.data() + at, q_.data() + at, c, theta1[j], slope1_, d1_.data() + at, yj, hj, m);
        continue;
      }
      FirstLayerNets(p0_.data() + at, q_.data() + at, c, scratch, m);
      Transfer(tf1, theta1 + j, 1, m, scratch, yj, hj);
      HiddenBounds(d1_.data() + at, yj, hiddenLogistic, hj, m);
    }
    // The output layer: its sums as the error pass forms them, and the bound of their distance.
    for (int o = 0; o < n2_; ++o) {
      const double* wo = w.data() + off2 + static_cast<std::size_t>(o) * (th2_ + 1);
      (kWide ? OutputNeuron8 : OutputNeuron4)(y, h, n1_, m, wo, g2, theta2[o], slope2_, scratch, onet + o * m,
                                              od + o * m, oa + o * m);
    }
    if (logistic)
      Logistic(oa, oy, n2_ * m);
    else
      Transfer(tf2, theta2, n2_, m, onet, oy, scratch);

    // The error terms in TrainingSetError's order, and the bound of the error's distance.
    if (!entropy_ && p_ == 2.0) {
      const SquaredTerms t{hi_, lo_, s2, slopeBound, kUnit, logistic, outside_, weighted_};
      double* term = scratch;
      double* bv = scratch + static_cast<std::size_t>(n2_) * m;
      if (!(kWide ? Squared8 : Squared4)(t, oy, oa, od, wb.VectorClass.data() + v0, wb.VectorWeight.data() + v0, m, n2_, term, bv))
        return false;
      for (int k = 0; k < m; ++k) {
        double ev = 0.0;
        for (int o = 0; o < n2_; ++o) {
          ev += term[o * m + k];
          bound += bv[o * m + k];
        }
        e += ev;
      }
      continue;
    }
    for (int k = 0; k < m; ++k) {
      const std::size_t v = v0 + static_cast<std::size_t>(k);
      const int cls = wb.VectorClass[v];
      double ev = 0.0;
      for (int o = 0; o < n2_; ++o) {
        const std::size_t i = static_cast<std::size_t>(o) * m + k;
        const double yo = oy[i];
        const double da = s2 * od[i] + 2 * kUnit * std::fabs(oa[i]);
        if (!(da < 1e-3)) return false;
        // Twice the slope at the point, for the change of the slope along the distance.
        const double dy = 2 * (logistic ? yo * (1.0 - yo) : slopeBound) * da + 4 * kUnit * std::fabs(yo);
        double term, slope;
        if (entropy_) {
          const double arg = o == cls ? 1e-9 + yo : 1.000000001 - yo;
          if (!(arg > 4 * dy)) return false;
          term = -0.1 * (std::log(arg) - kLnEntropy);
          slope = 0.1 / (arg - dy);
        } else {
          const double d = std::fabs(yo - (o == cls ? hi_ : lo_));
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
        if (outside_ && (o == cls ? yo > hi_ : yo < lo_)) term = 0.0;
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
  }
  if (!std::isfinite(e) || !(bound <= kLineTolerance * std::fabs(e))) return false;
  wb.SigmoidCount += static_cast<std::int64_t>(n1_ + n2_) * nv_;
  *error = e;
  if (distanceBound) *distanceBound = bound;
  return true;
}

}  // namespace wl
