// The vector kernels' exponential at eight lanes (AVX-512): the four-lane kernel's operations
// (model/vector_pass.cpp, Exp4) in the same order, so the same numbers, bit for bit. Included only by
// the kernels that run where the processor has AVX-512F; callers check that first.
#pragma once

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>

#define WL_EXP8_TARGET __attribute__((target("avx512f,avx2,fma")))

namespace wl::lanes {

WL_EXP8_TARGET inline __m512d Pair8(__m512d r, double c0, double c1) {
  return _mm512_fmadd_pd(_mm512_set1_pd(c1), r, _mm512_set1_pd(c0));
}

WL_EXP8_TARGET inline __m512d Exp8(__m512d a) {
  const __m512d lo = _mm512_set1_pd(-708.0), hi = _mm512_set1_pd(710.0);
  a = _mm512_max_pd(lo, _mm512_min_pd(hi, a));  // a NaN stays (the second operand is returned)
  const __m512d n = _mm512_roundscale_pd(_mm512_mul_pd(a, _mm512_set1_pd(1.4426950408889634)),
                                         _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  __m512d r = _mm512_fnmadd_pd(n, _mm512_set1_pd(0x1.62e42fefa39efp-1), a);
  r = _mm512_fnmadd_pd(n, _mm512_set1_pd(0x1.abc9e3b39803fp-56), r);
  const __m512d r2 = _mm512_mul_pd(r, r), r4 = _mm512_mul_pd(r2, r2), r8 = _mm512_mul_pd(r4, r4);
  const __m512d q0 = Pair8(r, 1.0 / 6, 1.0 / 24), q1 = Pair8(r, 1.0 / 120, 1.0 / 720),
                q2 = Pair8(r, 1.0 / 5040, 1.0 / 40320), q3 = Pair8(r, 1.0 / 362880, 1.0 / 3628800),
                q4 = Pair8(r, 1.0 / 39916800, 1.0 / 479001600);
  const __m512d u0 = _mm512_fmadd_pd(q1, r2, q0), u1 = _mm512_fmadd_pd(q3, r2, q2),
                u2 = _mm512_fmadd_pd(_mm512_set1_pd(1.0 / 6227020800.0), r2, q4);
  const __m512d tail = _mm512_fmadd_pd(u2, r8, _mm512_fmadd_pd(u1, r4, u0));
  __m512d p = _mm512_fmadd_pd(tail, r, _mm512_set1_pd(0.5));
  p = _mm512_fmadd_pd(p, r, _mm512_set1_pd(1.0));
  p = _mm512_fmadd_pd(p, r, _mm512_set1_pd(1.0));
  // 2^n = 2^h × 2^(n − h), h = floor(n / 2), as Exp4 (there the shift of 32-bit halves, equal for |n| < 2^31).
  const __m512i k = _mm512_cvtepi32_epi64(_mm512_cvtpd_epi32(n));
  const __m512i h = _mm512_srai_epi64(k, 1);
  const __m512i bias = _mm512_set1_epi64(1023);
  const __m512d s1 = _mm512_castsi512_pd(_mm512_slli_epi64(_mm512_add_epi64(h, bias), 52));
  const __m512d s2 = _mm512_castsi512_pd(_mm512_slli_epi64(_mm512_add_epi64(_mm512_sub_epi64(k, h), bias), 52));
  return _mm512_mul_pd(_mm512_mul_pd(p, s1), s2);
}

}  // namespace wl::lanes

#endif
