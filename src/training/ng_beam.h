#pragma once
// The NG beam: numerical-gradient steps on a beam of candidate networks. Every epoch each of the B * B
// candidates takes one relative-probing step with a grid search along its direction, and the B best
// candidates form the beam. Started by "(Old-New)/Old" and "(Old-New)/Old if needed" instead of NGTrain
// when "NG Beam Width" is above 1.
#include <cstdint>

namespace wl {

struct Workbench;

// The run; the method (1 or 4) is not used further. The log goes to ResultsPrefix + "_xng.txt".
void TrainNGBeam(Workbench& wb, std::uint8_t method);

}  // namespace wl
