#pragma once
// Building the sigmoid multilayer perceptron for the loaded data set: layer sizes from the feature
// coding and the main window, and the initial weights by one of eight schemes.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "state/dataset.h"
#include "state/parameters.h"

namespace wl {

struct Workbench;

// Results of CreateNetwork. Every result but NetworkBuilt follows a message, and leaves the previous
// network as it was.
enum CreateNetworkResult : int {
  NetworkBuilt = 0,
  NetworkParametersFailed = 2,  // the parameters or the layer sizes failed
  NetworkSkipNeedsScheme4 = 3,  // skip connections with another scheme than random weights, linear inputs
  NetworkSmlpBuilt = 4,         // the SMLP structure was chosen and its network built instead
};

// What describes the current network beside its weights: its layer count and the layers' transfer
// functions (placed by that count). The parameter reading rewrites both from the main window before a
// build; when no network is built after all (a refused build, a bad parameter), they must go back to the
// network that is kept, so that every routine walking the layers walks the network that is there.
struct NetworkDescription {
  std::int32_t NumOfLayers;
  std::array<TTransferFunction, 3> LayerTF;
  bool NonStandardTF;

  explicit NetworkDescription(const Workbench& wb);
  // Puts this description back when the network in place has this description's layer count and the
  // present count is another one. Returns true when it did.
  bool RestoreIfStale(Workbench& wb) const;
};

// Scheme 1..8: 1 deterministic / sigmoid inputs, 2 random / sigmoid inputs, 3 deterministic / linear
// inputs, 4 random / linear inputs, 5 random integer / linear inputs, 6 random integer / sigmoid inputs,
// 7 random / linear inputs for beam search, 8 zero weights / linear inputs.
// Before a data set has been read: NetworkParametersFailed after the message that one must be opened
// first, nothing read. Else reads the parameters (ReadParameters) and builds the network. With the "SMLP" structure the step
// network's builder (smlp/, through the hooks table) builds the SMLP instead: NetworkSmlpBuilt, or
// NetworkParametersFailed after its message.
// When nothing is built, the kept network keeps its description (NetworkDescription).
int CreateNetwork(Workbench& wb, std::uint8_t scheme);

// Label56 := "Vectors=" NumOfVectors "  L0=" Layers[0] "  L1=" Layers[1] "  L2=" NumOfClasses: the
// network as it stands (after a build, and after a pruning took inputs away).
void ShowNetworkCaption(Workbench& wb);

// The same after the parameters have been read: every step of CreateNetwork but the parameter reading.
int BuildNetworkFromParameters(Workbench& wb, std::uint8_t scheme);

// The refusal BuildNetworkFromParameters would give the shape of the network of a scheme, after the
// parameters have been read, told without building or changing anything: the skip-connections message,
// "Error: NumOfLayers < 2", "Error: Layer[0] < 1" or "Error: Layers[NumOfLayers-1] < 1"; "" when the
// shape passes (and for the "SMLP" structure, whose builder checks its own).
std::string NetworkShapeRefusal(const Workbench& wb, std::uint8_t scheme);

// The number of network inputs of a data set: one per continuous feature, NValues per discrete or
// symbolic feature.
int InputLayerSize(const std::vector<TFeature>& features);

// The caption of a scheme ("Random Initial Weights, Linear Inputs"), "" for an unknown number.
const char* SchemeCaption(int scheme);

}  // namespace wl
