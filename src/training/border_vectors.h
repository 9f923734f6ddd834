#pragma once
// Border vectors: the training set shrunk in place to the vectors the network gets most wrong, a share of
// each class, so that the rest of a run trains on them.
#include <cstdint>

namespace wl {

struct Workbench;

// Keeps, of every class, the m vectors with the highest error (SignalsError of the current network),
// m = Round(NumOfVectors × share / NumOfClasses) with the share in typselEdit; nothing is done when m is
// below 12. The kept vectors go class by class (class 0 first), the worst first, and each takes its class,
// class-balancing weight and target with it; VectorsPerClass gives the new counts. Mode 1 also writes the
// reduced set (WriteVectorRangeDataFile); every training caller passes 3. ENVEdit shows the new count.
void SelectBorderVectors(Workbench& wb, std::uint8_t mode);

// Writes vectors first..last of the loaded set to ResultsPrefix + ".dat" in the data-set format, every
// feature described as continuous, the class last; with all features continuous and "Inputs
// Normalization" checked the values are de-normalised and written with 3 decimals in 12 places, else in
// the general number form.
void WriteVectorRangeDataFile(Workbench& wb, int first, int last);

}  // namespace wl
