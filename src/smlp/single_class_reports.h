#pragma once
// The single-class SMLP network on a set it was not trained on: a crossvalidation fold's test set and the
// validation set of "On Validation Set".
#include <string>

namespace wl {

struct Workbench;

// Makes the test set just read (in testing mode) like the training set: its continuous features labelled
// with the bounds of the training set and read back, its vectors weighed by the classes of this set.
// The reason the network cannot evaluate it ("" when it can).
std::string PrepareSingleClassTestSet(Workbench& wb);

// "On Validation Set" for a single-class network, TestingMode set by the caller: asks for the set and
// writes the rules and accuracy of the whole network on it into ResultsPrefix + "_ValRE.txt", which it
// shows. A cancelled dialog writes nothing; a set that does not fit the network is refused with a message
// and the training set stays.
void SMLPValidationReport(Workbench& wb);

}  // namespace wl
