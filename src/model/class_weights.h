#pragma once
// The per-class weights of the weighted error and the table of the staircase transfer function, built
// at the start of every training run.

#include <vector>

namespace wl {

struct Workbench;

// The number of classes 0 .. numOfClasses - 1 that the first numOfVectors entries of vectorClass hold.
// Class-balanced figures average over these: a class without vectors has no share to be right about.
int ClassesPresent(const std::vector<int>& vectorClass, int numOfVectors, int numOfClasses);

// The class-balancing weight of each vector (VectorWeight): numOfVectors / (vectors of its class x the
// classes present), in extended precision, so that the weights of the vectors classified correctly sum,
// over numOfVectors, to the mean over the classes present of each class's share right. A vector whose
// class is out of range weighs 0.
std::vector<double> BalancedVectorWeights(const std::vector<int>& vectorClass, int numOfVectors, int numOfClasses);

// ClassSize, ClassWeight = (NumOfVectors / the classes present) / ClassSize (sizes below 1 raised to 1),
// and ClassOrder (the classes by size, largest first) from the loaded data set.
void ComputeClassWeights(Workbench& wb);

// StairTable[0..K] (K = NumOfStep), StairScale = 30 and StairRange = K / 60.
void BuildStairTable(Workbench& wb);

// For the error functions, which may run before any training run was prepared (a report or an error
// surface right after "Create Network"): build the tables when they do not fit the data set or the number
// of steps; tables a run preparation built are kept as they are.
void EnsureClassWeights(Workbench& wb);
void EnsureStairTable(Workbench& wb);

}  // namespace wl
