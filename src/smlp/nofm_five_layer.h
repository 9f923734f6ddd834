#pragma once
// The five-layer N-of-M network: the four-layer network's inputs and feature units (layer 1, unit
// (g x NumOfClasses + c) x NumOfFeatures + f), and for every hidden unit n = g x NumOfClasses + c an AND
// unit and an N-of-M unit over the same feature units (AndUnits, NofMUnits, outside Net), joined by the
// hidden unit (layer 2: weights 1.0, 1.0, threshold 1.5); one output per class over its hidden units
// (layer 3). The genetic algorithm (mode 5) sets the value weights and the AND and N-of-M units and scores
// a network by FiveLayerError.

namespace wl {

struct Workbench;

// Builds the network (NetType 5) with its initial weights, and the chromosome length of the genetic
// algorithm (no row layout). False after a message when there is no data set, no hidden unit, or the
// classes have different numbers of hidden units.
bool CreateFiveLayerNet(Workbench& wb);

// Throws WlError when Net, AndUnits and NofMUnits are not a five-layer N-of-M network of the loaded data set.
void RequireFiveLayerNet(const Workbench& wb);

// The forward pass of vector v: every Signal of Net.
void ForwardFiveLayer(Workbench& wb, int v);

// The sum over the vectors of |output of class 0 - t|, t = 1 for class 0, else 0. Counts one error
// evaluation.
double FiveLayerError(Workbench& wb);

// The run of "N of M 5" after the driver has prepared the data set: build, move ProgramDir/wp5.txt aside,
// save the weights, evolve the network (genetic algorithm mode 5), save them again.
void RunNofMFiveLayer(Workbench& wb);

// "GetSMLP5Error": FiveLayerError into the box `ge`; says so when no five-layer network is there.
void ShowSMLP5Error(Workbench& wb);

}  // namespace wl
