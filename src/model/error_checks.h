#pragma once
// The checks the error functions make on what they return.
#include <cmath>

#include "platform/errors.h"

namespace wl {

// The error as computed; a value beyond the range of double (or not a number) is an overflow.
inline double FiniteError(double e) {
  if (!std::isfinite(e)) throw FloatError("Floating point overflow in the error function");
  return e;
}

// count / of, a share of the evaluated vectors; no vectors to evaluate is an invalid operation.
inline double VectorShare(double count, int of) {
  if (of <= 0) throw FloatError("Invalid floating point operation: no vectors to evaluate");
  return count / of;
}

}  // namespace wl
