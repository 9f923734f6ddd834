#include "model/vector_pass.h"

#include <algorithm>
#include <atomic>
#include <string>

#include "platform/errors.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define WL_VECTOR_KERNELS 1
#include <immintrin.h>

#include "model/exp_lanes.h"
// GCC 12's AVX-512 headers start registers from an undefined value, which -Wmaybe-uninitialized reports.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

namespace wl {

namespace {

std::atomic<EvaluationPath> gPath{EvaluationPath::Automatic};

#if WL_VECTOR_KERNELS
const bool kHasKernels = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
const bool kHasWide = kHasKernels && __builtin_cpu_supports("avx512f");
#else
const bool kHasKernels = false;
const bool kHasWide = false;
#endif

}  // namespace

void SetEvaluationPath(EvaluationPath path) { gPath.store(path, std::memory_order_relaxed); }
EvaluationPath CurrentEvaluationPath() { return gPath.load(std::memory_order_relaxed); }
bool VectorKernelsAvailable() { return kHasKernels; }
bool WideKernelsAvailable() { return kHasWide; }
bool UseVectorKernels() { return kHasKernels && CurrentEvaluationPath() != EvaluationPath::Plain; }

#if WL_VECTOR_KERNELS

namespace {

#define WL_AVX2 __attribute__((target("avx2,fma")))

// c0 + c1 r.
WL_AVX2 inline __m256d Pair(__m256d r, double c0, double c1) {
  return _mm256_fmadd_pd(_mm256_set1_pd(c1), r, _mm256_set1_pd(c0));
}

// e^a for four lanes: a = n ln 2 + r with n = round(a / ln 2), |r| <= ln 2 / 2 (ln 2 in two parts, the
// reduction by fused multiply-adds), e^r by its Taylor polynomial of degree 13 (the first term left out
// is below 2^-57 of the result), then scaled by 2^n in two steps so that n up to 1024
// needs no special case. Arguments are held to [-708, 710]: below, the result would leave the normal
// range (no caller needs it there); above, 2^n overflows to infinity as e^a does.
WL_AVX2 inline __m256d Exp4(__m256d a) {
  const __m256d lo = _mm256_set1_pd(-708.0), hi = _mm256_set1_pd(710.0);
  a = _mm256_max_pd(lo, _mm256_min_pd(hi, a));  // a NaN stays (the second operand is returned)
  const __m256d n = _mm256_round_pd(_mm256_mul_pd(a, _mm256_set1_pd(1.4426950408889634)),
                                    _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  __m256d r = _mm256_fnmadd_pd(n, _mm256_set1_pd(0x1.62e42fefa39efp-1), a);
  r = _mm256_fnmadd_pd(n, _mm256_set1_pd(0x1.abc9e3b39803fp-56), r);
  // The terms from r^3 on by Estrin's scheme (pairs, then by r^2, r^4 and r^8: a short chain), the
  // first three by Horner's, so that the last roundings are Horner's.
  const __m256d r2 = _mm256_mul_pd(r, r), r4 = _mm256_mul_pd(r2, r2), r8 = _mm256_mul_pd(r4, r4);
  const __m256d q0 = Pair(r, 1.0 / 6, 1.0 / 24), q1 = Pair(r, 1.0 / 120, 1.0 / 720),
                q2 = Pair(r, 1.0 / 5040, 1.0 / 40320), q3 = Pair(r, 1.0 / 362880, 1.0 / 3628800),
                q4 = Pair(r, 1.0 / 39916800, 1.0 / 479001600);
  const __m256d u0 = _mm256_fmadd_pd(q1, r2, q0), u1 = _mm256_fmadd_pd(q3, r2, q2),
                u2 = _mm256_fmadd_pd(_mm256_set1_pd(1.0 / 6227020800.0), r2, q4);
  const __m256d tail = _mm256_fmadd_pd(u2, r8, _mm256_fmadd_pd(u1, r4, u0));
  __m256d p = _mm256_fmadd_pd(tail, r, _mm256_set1_pd(0.5));
  p = _mm256_fmadd_pd(p, r, _mm256_set1_pd(1.0));
  p = _mm256_fmadd_pd(p, r, _mm256_set1_pd(1.0));
  // 2^n = 2^h × 2^(n − h), h = floor(n / 2); n of a NaN lane converts to some integer, the NaN stays.
  const __m256i k = _mm256_cvtepi32_epi64(_mm256_cvtpd_epi32(n));
  const __m256i h = _mm256_srai_epi32(k, 1);  // the upper halves are the sign, |n| < 2^31
  const __m256i bias = _mm256_set1_epi64x(1023);
  const __m256d s1 = _mm256_castsi256_pd(_mm256_slli_epi64(_mm256_add_epi64(h, bias), 52));
  const __m256d s2 = _mm256_castsi256_pd(_mm256_slli_epi64(_mm256_add_epi64(_mm256_sub_epi64(k, h), bias), 52));
  return _mm256_mul_pd(_mm256_mul_pd(p, s1), s2);
}

// The stretched logistic of four lanes, as StretchedSigmoid behind its guard computes it. Without a
// stretch the clamps change nothing (1 / (1 + e^a) lies in [0, 1]) and beyond the guard e^a is infinite
// already, so the output is 0 without the guard.
WL_AVX2 inline __m256d Logistic4(__m256d net, __m256d theta, const BlockLayer& L) {
  const __m256d a = _mm256_mul_pd(_mm256_sub_pd(theta, net), _mm256_set1_pd(L.Slope));
  const __m256d one = _mm256_set1_pd(1.0), zero = _mm256_setzero_pd();
  if (L.Stretch == 1.0 && L.Offset == 0.0 && L.Guard >= 710.0) return _mm256_div_pd(one, _mm256_add_pd(one, Exp4(a)));
  __m256d y = _mm256_add_pd(_mm256_div_pd(_mm256_set1_pd(L.Stretch), _mm256_add_pd(one, Exp4(a))),
                            _mm256_set1_pd(L.Offset));
  y = _mm256_blendv_pd(y, one, _mm256_cmp_pd(y, one, _CMP_GT_OQ));
  y = _mm256_blendv_pd(y, zero, _mm256_cmp_pd(y, zero, _CMP_LT_OQ));
  return _mm256_blendv_pd(y, zero, _mm256_cmp_pd(a, _mm256_set1_pd(L.Guard), _CMP_GT_OQ));
}

// Σ x[i] × w[i] over i < n for four lanes (x[i] the lanes' i-th inputs), in Dot's four partial sums.
WL_AVX2 inline __m256d Dot4(const double* x, const double* w, int n) {
  __m256d s0 = _mm256_setzero_pd(), s1 = s0, s2 = s0, s3 = s0;
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    s0 = _mm256_fmadd_pd(_mm256_broadcast_sd(w + i), _mm256_loadu_pd(x + 4 * i), s0);
    s1 = _mm256_fmadd_pd(_mm256_broadcast_sd(w + i + 1), _mm256_loadu_pd(x + 4 * i + 4), s1);
    s2 = _mm256_fmadd_pd(_mm256_broadcast_sd(w + i + 2), _mm256_loadu_pd(x + 4 * i + 8), s2);
    s3 = _mm256_fmadd_pd(_mm256_broadcast_sd(w + i + 3), _mm256_loadu_pd(x + 4 * i + 12), s3);
  }
  for (; i < n; ++i) s0 = _mm256_fmadd_pd(_mm256_broadcast_sd(w + i), _mm256_loadu_pd(x + 4 * i), s0);
  return _mm256_add_pd(_mm256_add_pd(s0, s1), _mm256_add_pd(s2, s3));
}

// Dot4 of two neurons at once, each input block loaded once for both.
WL_AVX2 inline void Dot4Pair(const double* x, const double* w, const double* v, int n, __m256d& netW, __m256d& netV) {
  __m256d a0 = _mm256_setzero_pd(), a1 = a0, a2 = a0, a3 = a0, b0 = a0, b1 = a0, b2 = a0, b3 = a0;
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m256d x0 = _mm256_loadu_pd(x + 4 * i), x1 = _mm256_loadu_pd(x + 4 * i + 4);
    const __m256d x2 = _mm256_loadu_pd(x + 4 * i + 8), x3 = _mm256_loadu_pd(x + 4 * i + 12);
    a0 = _mm256_fmadd_pd(_mm256_broadcast_sd(w + i), x0, a0);
    b0 = _mm256_fmadd_pd(_mm256_broadcast_sd(v + i), x0, b0);
    a1 = _mm256_fmadd_pd(_mm256_broadcast_sd(w + i + 1), x1, a1);
    b1 = _mm256_fmadd_pd(_mm256_broadcast_sd(v + i + 1), x1, b1);
    a2 = _mm256_fmadd_pd(_mm256_broadcast_sd(w + i + 2), x2, a2);
    b2 = _mm256_fmadd_pd(_mm256_broadcast_sd(v + i + 2), x2, b2);
    a3 = _mm256_fmadd_pd(_mm256_broadcast_sd(w + i + 3), x3, a3);
    b3 = _mm256_fmadd_pd(_mm256_broadcast_sd(v + i + 3), x3, b3);
  }
  for (; i < n; ++i) {
    const __m256d xi = _mm256_loadu_pd(x + 4 * i);
    a0 = _mm256_fmadd_pd(_mm256_broadcast_sd(w + i), xi, a0);
    b0 = _mm256_fmadd_pd(_mm256_broadcast_sd(v + i), xi, b0);
  }
  netW = _mm256_add_pd(_mm256_add_pd(a0, a1), _mm256_add_pd(a2, a3));
  netV = _mm256_add_pd(_mm256_add_pd(b0, b1), _mm256_add_pd(b2, b3));
}

// The transfer of neuron j of layer L (weights w) for the block's sums `net`, into y.
WL_AVX2 inline void Transfer(const BlockLayer& L, const double* w, __m256d net, double* y, int j,
                             const StairParams& stairs, int lanes) {
  if (L.Logistic) {
    _mm256_storeu_pd(y + 4 * j, Logistic4(net, _mm256_broadcast_sd(w + L.Threshold), L));
    return;
  }
  alignas(32) double s[4];
  _mm256_store_pd(s, net);
  for (int k = 0; k < lanes; ++k) y[4 * j + k] = LayerTransfer(L.TF, s[k], w[L.Threshold], stairs);
  for (int k = lanes; k < 4; ++k) y[4 * j + k] = 0.0;
}

// The first layer's sums of one vector over its inputs that are not zero, one neuron per lane: four
// partial sums per register of neurons, input i adding into partial i mod 4 (the last n mod 4 inputs into
// the first), as Dot's. Writes neuron j's sum to sums[j * 4 + lane].
WL_AVX2 void SparseSums(const double* wt, int stride, int n, const int* index, const double* value, int count,
                        double* sums, int lane) {
  const int n4 = n - n % 4;
  for (int b = 0; b < stride; b += 4) {
    __m256d s[4] = {_mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd()};
    for (int t = 0; t < count; ++t) {
      const int i = index[t];
      const int part = i < n4 ? (i & 3) : 0;
      s[part] = _mm256_fmadd_pd(_mm256_set1_pd(value[t]), _mm256_loadu_pd(wt + static_cast<std::size_t>(i) * stride + b),
                                s[part]);
    }
    alignas(32) double net[4];
    _mm256_store_pd(net, _mm256_add_pd(_mm256_add_pd(s[0], s[1]), _mm256_add_pd(s[2], s[3])));
    for (int q = 0; q < 4; ++q) sums[(b + q) * 4 + lane] = net[q];
  }
}

WL_AVX2 void RunLayers(const std::vector<BlockLayer>& layers, const std::vector<std::size_t>& offset,
                       double* signals, const StairParams& stairs, int lanes, const double* firstSums) {
  const double* x = signals;
  for (std::size_t l = 0; l < layers.size(); ++l) {
    const BlockLayer& L = layers[l];
    double* y = signals + offset[l + 1];
    if (l == 0 && firstSums) {
      for (int j = 0; j < L.Count; ++j)
        Transfer(L, L.Neurons[j].Weights.data(), _mm256_loadu_pd(firstSums + 4 * j), y, j, stairs, lanes);
      x = y;
      continue;
    }
    int j = 0;
    for (; j + 2 <= L.Count; j += 2) {
      const double* w = L.Neurons[j].Weights.data();
      const double* v = L.Neurons[j + 1].Weights.data();
      __m256d netW, netV;
      Dot4Pair(x, w, v, L.Inputs, netW, netV);
      Transfer(L, w, netW, y, j, stairs, lanes);
      Transfer(L, v, netV, y, j + 1, stairs, lanes);
    }
    if (j < L.Count) {
      const double* w = L.Neurons[j].Weights.data();
      Transfer(L, w, Dot4(x, w, L.Inputs), y, j, stairs, lanes);
    }
    x = y;
  }
  _mm256_zeroupper();
}

WL_AVX2 void ExpKernel(const double* a, double* out, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4) _mm256_storeu_pd(out + i, Exp4(_mm256_loadu_pd(a + i)));
  if (i < n) {
    alignas(32) double t[4] = {0.0, 0.0, 0.0, 0.0};
    std::copy(a + i, a + n, t);
    _mm256_store_pd(t, Exp4(_mm256_load_pd(t)));
    std::copy(t, t + (n - i), out + i);
  }
  _mm256_zeroupper();
}

WL_AVX2 void LogisticKernel(const double* s, double* y, int n) {
  const __m256d one = _mm256_set1_pd(1.0);
  int i = 0;
  for (; i + 4 <= n; i += 4) _mm256_storeu_pd(y + i, _mm256_div_pd(one, _mm256_add_pd(Exp4(_mm256_loadu_pd(s + i)), one)));
  if (i < n) {
    alignas(32) double t[4] = {0.0, 0.0, 0.0, 0.0};
    std::copy(s + i, s + n, t);
    _mm256_store_pd(t, _mm256_div_pd(one, _mm256_add_pd(Exp4(_mm256_load_pd(t)), one)));
    std::copy(t, t + (n - i), y + i);
  }
  _mm256_zeroupper();
}

#define WL_AVX512 __attribute__((target("avx512f,avx2,fma")))

using lanes::Exp8;

// LogisticKernel at eight lanes, the last register's unused lanes masked.
WL_AVX512 void LogisticKernel8(const double* s, double* y, int n) {
  const __m512d one = _mm512_set1_pd(1.0);
  for (int i = 0; i < n; i += 8) {
    const __mmask8 m = n - i >= 8 ? __mmask8(0xFF) : static_cast<__mmask8>((1u << (n - i)) - 1);
    _mm512_mask_storeu_pd(y + i, m, _mm512_div_pd(one, _mm512_add_pd(Exp8(_mm512_maskz_loadu_pd(m, s + i)), one)));
  }
  _mm256_zeroupper();
}

// One lane of LogisticKernel: the same instructions, so the same number.
WL_AVX2 double LogisticLane(double s) {
  const __m256d one = _mm256_set1_pd(1.0);
  const double y = _mm256_cvtsd_f64(_mm256_div_pd(one, _mm256_add_pd(Exp4(_mm256_set1_pd(s)), one)));
  _mm256_zeroupper();
  return y;
}

}  // namespace

void VectorLogistic(const double* s, double* y, int n) {
  if (!kHasKernels) throw WlError("The vector kernels need a processor with AVX2 and FMA");
  if (kHasWide)
    LogisticKernel8(s, y, n);
  else
    LogisticKernel(s, y, n);
}

void VectorLogisticLanes(const double* s, double* y, int n, int lanes) {
  if (!kHasKernels || (lanes == 8 && !kHasWide) || (lanes != 4 && lanes != 8))
    throw WlError("The vector kernels of " + std::to_string(lanes) + " lanes need a processor that has them");
  if (lanes == 8)
    LogisticKernel8(s, y, n);
  else
    LogisticKernel(s, y, n);
}

double KernelLogistic(double s) {
  if (!kHasKernels) throw WlError("The vector kernels need a processor with AVX2 and FMA");
  return LogisticLane(s);
}

void VectorExp(const double* a, double* out, int n) {
  if (!kHasKernels) throw WlError("The vector kernels need a processor with AVX2 and FMA");
  ExpKernel(a, out, n);
}

const double* BlockPass::Run(int lanes) {
  RunLayers(layers_, offset_, signals_.data(), stairs_, lanes, sparse_ ? firstSums_.data() : nullptr);
  return signals_.data() + offset_.back();
}

void BlockPass::SparseLane(int lane, const int* index, const double* value, int count) {
  SparseSums(transposed_.data(), stride_, layers_[0].Inputs, index, value, count, firstSums_.data(), lane);
}

#else

void VectorLogistic(const double*, double*, int) {
  throw WlError("The vector kernels need a processor with AVX2 and FMA");
}
double KernelLogistic(double) { throw WlError("The vector kernels need a processor with AVX2 and FMA"); }

void VectorExp(const double*, double*, int) { throw WlError("The vector kernels need a processor with AVX2 and FMA"); }

void VectorLogisticLanes(const double*, double*, int, int lanes) {
  throw WlError("The vector kernels of " + std::to_string(lanes) + " lanes need a processor that has them");
}

const double* BlockPass::Run(int) { throw WlError("The vector kernels need a processor with AVX2 and FMA"); }

void BlockPass::SparseLane(int, const int*, const double*, int) {
  throw WlError("The vector kernels need a processor with AVX2 and FMA");
}

#endif

void BlockPass::Bind(int inputs, const std::vector<BlockLayer>& layers, const StairParams& stairs, bool sparse) {
  layers_.assign(layers.begin(), layers.end());
  stairs_ = stairs;
  sparse_ = sparse && !layers.empty();
  if (sparse_) {
    const BlockLayer& first = layers[0];
    stride_ = (first.Count + kLanes - 1) / kLanes * kLanes;
    const std::size_t n = static_cast<std::size_t>(first.Inputs), stride = static_cast<std::size_t>(stride_);
    if (transposed_.size() < n * stride) transposed_.resize(n * stride);
    if (firstSums_.size() < stride * kLanes) firstSums_.resize(stride * kLanes);
    for (std::size_t i = 0; i < n; ++i) {
      double* row = transposed_.data() + i * stride;
      for (int j = 0; j < first.Count; ++j) row[j] = first.Neurons[j].Weights[i];
      for (std::size_t j = static_cast<std::size_t>(first.Count); j < stride; ++j) row[j] = 0.0;
    }
  }
  offset_.assign(layers.size() + 1, 0);
  std::size_t off = static_cast<std::size_t>(kLanes) * static_cast<std::size_t>(std::max(inputs, 1));
  for (std::size_t l = 0; l < layers.size(); ++l) {
    offset_[l + 1] = off;
    off += static_cast<std::size_t>(kLanes) * static_cast<std::size_t>(std::max(layers[l].Count, 1));
  }
  if (signals_.size() < off + 4) signals_.resize(off + 4);
}

}  // namespace wl
