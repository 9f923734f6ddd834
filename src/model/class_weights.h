#pragma once
// The per-class weights of the weighted error and the table of the staircase transfer function, built
// at the start of every training run.

namespace wl {

struct Workbench;

// ClassSize, ClassWeight = (NumOfVectors / NumOfClasses) / ClassSize (sizes below 1 raised to 1), and
// ClassOrder (the classes by size, largest first) from the loaded data set.
void ComputeClassWeights(Workbench& wb);

// StairTable[0..K] (K = NumOfStep), StairScale = 30 and StairRange = K / 60.
void BuildStairTable(Workbench& wb);

// For the error functions, which may run before any training run was prepared (a report or an error
// surface right after "Create Network"): build the tables when they do not fit the data set or the number
// of steps; tables a run preparation built are kept as they are.
void EnsureClassWeights(Workbench& wb);
void EnsureStairTable(Workbench& wb);

}  // namespace wl
