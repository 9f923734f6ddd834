// The libFuzzer program of one harness (WL_FUZZ_HARNESS names it).
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const wl::fuzz::Harness* harness = [] {
    const wl::fuzz::Harness* h = wl::fuzz::FindHarness(WL_FUZZ_HARNESS);
    if (!h) wl::fuzz::Broken("no harness " WL_FUZZ_HARNESS);
    return h;
  }();
  harness->Run(data, size);
  return 0;
}
