#pragma once
#include <cstdint>

namespace wl {

// The program's one random generator: a 32-bit linear congruential generator.
// Each draw sets Seed := Seed * 134775813 + 1 (mod 2^32); an integer below n is the high 32 bits of
// Seed * n, a real in [0, 1) is Seed * 2^-32.
class RandomGenerator {
 public:
  std::uint32_t Seed = 0;

  void Step() { Seed = Seed * 134775813u + 1u; }
  // An integer in 0 .. n-1 (0 when n <= 0).
  std::int32_t Below(std::int32_t n) {
    Step();
    if (n <= 0) return 0;
    return static_cast<std::int32_t>((static_cast<std::uint64_t>(Seed) * static_cast<std::uint32_t>(n)) >> 32);
  }
  // A real in [0, 1).
  double Real() {
    Step();
    return static_cast<double>(Seed) * (1.0 / 4294967296.0);
  }
  // Re-seeding uses the milliseconds of the current time of day.
  void Randomize(std::int64_t millisecondsOfDay) { Seed = static_cast<std::uint32_t>(millisecondsOfDay); }
};

}  // namespace wl
