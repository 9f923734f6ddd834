#pragma once
// The main window's options that the error functions and the signal-table trials follow, read into plain
// values (model/eval_options.h reads them) so that an evaluation reads no control and parses no text.
#include <string>

namespace wl {

// The structure the main window chooses, in the order the evaluations test the controls: function
// approximation (FApproxBox), skip connections (SkipCheck, "Crossover"), standard (FullConn), SMLP
// (strbox); None when no structure button is checked.
enum class NetStructure { FunctionApprox, Skip, Standard, Smlp, None };

// A number typed into an edit. A text that is not a number is kept as it is, and only the evaluation that
// uses the number reports it (the same error the reading would have given), so an unused field with a
// bad text stops nothing.
struct OptionNumber {
  double Value = 0.0;
  bool Valid = true;
  std::string Text;
};

struct EvalOptions {
  NetStructure Structure = NetStructure::Standard;
  bool DefaultClass = false;      // DefClassBox: counting with a default class
  bool Entropy = false;           // entrBox: the cross-entropy
  bool Outside = false;           // OutsideBox: no error for outputs beyond their target
  bool WeightedErrorBox = false;  // WeightedErrorBox: terms times the vector's weight (per-layer functions)
  OptionNumber PushWeights;       // WymEdit: pushes first-layer weights away from 0
  OptionNumber IntegerStart;      // StartWEdit: the epoch from which the integer-weights term counts
  OptionNumber IntegerPull;       // pmwEdit: m of the integer-weights term
  // Set by a run once its first full evaluation found the network fitting the data set; evaluations then
  // skip the check of every vector until the data set changes (and the run clears it).
  bool NetworkFits = false;
};

}  // namespace wl
