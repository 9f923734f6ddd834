#pragma once
#include <chrono>
#include <cstdint>

namespace wl {

// Milliseconds on a monotonic clock: durations measured with it are never negative, also across midnight.
inline std::int64_t MonotonicMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace wl
