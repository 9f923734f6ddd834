#pragma once
// The program-wide state of the data set, the network and the parameters.
#include <cstdint>
#include <string>
#include <vector>

#include "state/dataset.h"
#include "state/network.h"
#include "state/parameters.h"

namespace wl {

struct ModelState : DataSetState, NetworkState, ParameterState {
  // Results prefix: program directory + "/results/" + data-set name + "_" + second of the year.
  std::string ResultsPrefix;
  // The relative computer speed (larger is faster); 0 until the settings or the benchmark set it.
  double CPUCHECKED = 0.0;
  // Filled by the parameter reader; sized once at start-up.
  std::vector<std::int32_t> NeuronSelect = std::vector<std::int32_t>(1024, 0);
  // No limit on transfer-function evaluations until the parameters set one.
  std::int64_t SigmoidLimit = 3223372036854775808LL;
  bool TestingMode = false;
  // The tokenizer of weights files and weight-matrix files: the current line and the 1-based position in it.
  std::string WeightLine;
  int WeightLinePos = 1;
};

}  // namespace wl
