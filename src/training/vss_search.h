#pragma once
// The per-weight search of the variable step method (VSS), on its own so that every trainer that sweeps
// the weights by this method (VSS itself, and the ordered VSS) runs the very same search.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "training/one_change.h"

namespace wl {

struct Workbench;

// The options of the variable step search, in the order the trainer reads them.
struct VSSOptions {
  double C3 = 0.0;         // c3Edit: a worse extension is taken when worse by less than c3 × the last gain
  int MaxExtensions = 0;   // FCMAEdit: the most extension steps along the line
  double InitialStep = 0;  // InitialDelta: the first step of a weight without history
  double StepShare = 0;    // XLCEdit: the share of the remembered step the next search starts from
  double Growth = 0;       // Smhid: the extension factor m
  double MaxWeight = 0;    // MaxWeightEdit: extensions are clamped to ±MaxWeight
  bool Parabolic = false;  // ParabVSSBox: the parabolic jump after the first extension
  bool CH1 = false;        // CH1Box: two trials around the final step
  double ParabolicCap = 1.0;  // m^(MaxExtensions - 1): the largest parabolic step in first steps
};

// The search of one weight after the other by the variable step method. Holds each weight's remembered
// step and the errors along the line (sized once).
class VSSSearch {
 public:
  VSSSearch(Workbench& wb, OneChangeFrame& frame, const VSSOptions& o);

  // Searches weight w in an epoch of step factor f (StepFactor) and largest extension step maxDelta:
  // first trials from the remembered step, the extension along the line while the error falls (with the
  // parabolic jump and the worse extension), the trials around the final step. Leaves the weight at its
  // value before the search plus the returned step, the change folded into the signal table, and the
  // step remembered. Accepted trials set CurrentError and the accepted rates.
  double Search(const WeightRef& w, double f, double maxDelta);

 private:
  Workbench& wb_;
  OneChangeFrame& frame_;
  VSSOptions o_;
  StepMemory lastStep_;
  std::vector<double> A_;  // the errors along the line
};

// The weights to visit in epoch e, in their order.
using VSSOrder = std::function<const std::vector<WeightRef>&(OneChangeFrame& frame, int epoch)>;

// A variable step run from its start to its end, the weights of each epoch visited in the order given
// (the frame's order for TrainVSS): options read, run prepared (mode below 100), start error, epochs with
// border vectors every N epochs, end of run. MethodTag := tag. The caller shows the hourglass.
void RunVSS(Workbench& wb, std::uint8_t mode, int n, const std::string& tag, const VSSOrder& order);

// Border vectors every N epochs need a period of at least one epoch: false, after the field's message,
// when "BV" is checked and N is below 1.
bool BorderPeriodFits(Workbench& wb, int n);

}  // namespace wl
