#pragma once
// The random parts of the training set and the data set they were drawn for. A trainer that splits the
// training set (NumOfParts above 1) lists the vectors of the current part in BatchIndex; the part carries
// the data set's identity and the count of parts it was drawn for (PartsMadeFor), and the error routines
// evaluate a part only while it fits the data set and the Parts in force. A data set read from a file, or
// whose vectors change, gets a new identity, so that a part drawn before no longer fits.
#include <string>

#include "state/dataset.h"

namespace wl {

struct Workbench;

// The data set as it stands: its identity, file and counts.
DataSetStamp CurrentDataSet(const Workbench& wb);
// The vectors of the data set are new or changed (a file read, vectors removed or reordered).
void NewDataSetIdentity(DataSetState& ds);

// The parts in BatchIndex were drawn for the data set as it stands and the Parts in force.
void StampParts(Workbench& wb);
// Draws the parts as the one-change searches do: BatchIndex gets round(NumOfVectors / NumOfParts)
// vectors (halves to even), drawn with replacement after the generator is re-seeded from the clock.
void DrawRandomParts(Workbench& wb);
// The same draw into the entries BatchIndex already has.
void RefillRandomParts(Workbench& wb);

// Every listed vector lies within the data set the parts were drawn for (true when none were drawn).
bool PartsShapeHolds(const Workbench& wb);
// The error routines may evaluate the parts: Parts 1, or a part drawn for this data set and these Parts.
bool PartsFit(const Workbench& wb);
// The refusal when they may not.
std::string PartsMessage(const Workbench& wb);
// Throws WlError(PartsMessage) unless the parts fit.
void RequirePartsFit(const Workbench& wb);

}  // namespace wl
