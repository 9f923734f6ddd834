#pragma once
#include <cmath>
#include <cstdint>

namespace wl {

// The one rounding of the program: to the nearest integer, halves to the even neighbour
// (Round(10.5) = 10, Round(91.5) = 92, Round(-2.5) = -2).
inline std::int64_t Round(double x) {
  double r = std::nearbyint(x);  // the default rounding mode is to nearest, ties to even
  if (!(r == r)) return 0;
  if (r >= 9.2233720368547758e18) return INT64_MAX;
  if (r <= -9.2233720368547758e18) return INT64_MIN;
  return static_cast<std::int64_t>(r);
}

inline int RoundInt(double x) { return static_cast<int>(Round(x)); }

// The same for a value formed in extended precision (geometry that must round as the extended product
// does, not as its double).
inline int RoundIntExtended(long double x) {
  const long double r = std::nearbyintl(x);
  if (!(r == r)) return 0;
  return static_cast<int>(r);
}

}  // namespace wl
