#pragma once
// The program-wide state of the step-function (SMLP) networks.

namespace wl {

struct SmlpState {
  int CurrentClass = 0;  // the class of a single-class network, -1 for a network of all classes
};

}  // namespace wl
