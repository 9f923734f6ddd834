#include "platform/vector_state.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace wl {

#if defined(__x86_64__) || defined(__i386__)
namespace {

__attribute__((target("avx"))) void ZeroUpper() { _mm256_zeroupper(); }

// Read while the program starts: the processor's features are looked up first.
const bool kHasAvx = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx") != 0;
}();

}  // namespace

void ClearUpperVectorState() {
  if (kHasAvx) ZeroUpper();
}
#else
void ClearUpperVectorState() {}
#endif

}  // namespace wl
