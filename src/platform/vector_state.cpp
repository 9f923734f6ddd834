#include "platform/vector_state.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace wl {

#if defined(__x86_64__) || defined(__i386__)
namespace {

__attribute__((target("avx"))) void ZeroUpper() { _mm256_zeroupper(); }

const bool kHasAvx = __builtin_cpu_supports("avx");

}  // namespace

void ClearUpperVectorState() {
  if (kHasAvx) ZeroUpper();
}
#else
void ClearUpperVectorState() {}
#endif

}  // namespace wl
