#include "model/vector_state.h"

namespace wl {

namespace {

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
const bool kHasAvx = __builtin_cpu_supports("avx");
#endif

}  // namespace

__attribute__((noinline)) void ClearVectorState() noexcept {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  if (kHasAvx) __asm__ __volatile__("vzeroupper" ::: "memory");
#endif
}

}  // namespace wl
