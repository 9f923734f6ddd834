#pragma once
// Weights files: one line per weight of the network's layers 1 up, in the flat weight order (layer 1
// upward, neuron 0 upward, weight index 0 upward with the threshold last):
//   layer "  " neuron "  " index "   " value
// the value in fixed notation with 15 decimals ("-0.500000000000000"). Readers split a line at any run of
// blanks or tabs. Also here: the start weights of the last run put back, and the feature elimination
// "EL F", which writes the data set reduced to the features whose first-layer weights grew in training.
#include <cstdint>
#include <string>

namespace wl {

struct Workbench;

// A weight as the file writes it: 15 decimals, at most 20 significant digits (the digits beyond are 0).
std::string WeightFileValue(double w);
// The whole file text for the current network.
std::string WeightsFileText(const Workbench& wb);

// A step network's file begins with one line that says what its weights alone do not (StepNetworkLine):
//   SMLP  slope <Slope>  hidden <per class>  mask <FeatureMask of each feature>
// for the three-layer SMLP of all classes, which LoadWeights rebuilds as such, or "Step  <name>" for the
// other step networks (L-units, L-net, N-of-M, single-class), which it cannot: it builds a sigmoid network
// from their weights and says so. "" for a network that needs no such line.
std::string StepNetworkLine(const Workbench& wb);

// The five-layer N-of-M network (NetKind 11) adds the lines of its N-of-M and AND units, tagged "NofM"
// and "AND" in place of the layer.
// Mode 0: ResultsPrefix + "_InitWeights.txt", then the run's parameter file; mode 1:
// ResultsPrefix + "_FinalWeights.txt"; mode 3: that file, then opened in the editor. Other modes, and any
// mode during a crossvalidation run, write nothing. Before a data set has made a results prefix it says
// so and writes nothing.
void SaveWeights(Workbench& wb, std::uint8_t mode);

// Reads the parameters (stops on an invalid value), asks for the file with WeightsDialog in the results
// folder when fileName is empty (stops when cancelled), reads and checks the whole file, rebuilds the
// network of the last scheme (NetType) and sets the weights the file lists; the others keep the rebuild's
// values. A line that does not parse, or names a layer, neuron or weight the rebuilt network lacks, is
// refused with a FileError naming the file and the line, and the network is left as it was before the
// call. While NetKind is 11 it rebuilds the five-layer N-of-M network instead and reads only the lines
// "1" (feature-unit value weights), "3" (output layer), "NofM" and "AND" (unit, weight index, value). A
// file that begins with an SMLP line rebuilds the SMLP (CreateSMLPNetwork) with the line's slope and
// feature mask; it is refused when the line's features or hidden neurons per class differ from the data
// set's and the parameters'. A sigmoid network built while a step network was in place, or from the
// file of a step network that a file does not rebuild, is announced with a message. True when the
// weights were loaded.
bool LoadWeights(Workbench& wb, std::string fileName);

// The next blank-separated token of a line from the 1-based position pos, which is left on the
// character after it; "" at the end of the line.
std::string NextLineToken(const std::string& line, int& pos);
// The same on WeightLine and WeightLinePos.
std::string NextWeightLineToken(Workbench& wb);

// Puts the weights with which the last training run started (WeightHistory row 0) back into the network.
void RestoreInitialWeights(Workbench& wb);

// "EL F": for a network whose inputs are the data set's continuous features, keeps feature f when a
// first-layer weight from it is larger in magnitude than 1.01 * InitialWeight, and writes the data set of
// the kept features to ResultsPrefix + "_elf.dat". Does nothing without a network of two layers or more,
// or without a results prefix.
void EliminateFeaturesByWeights(Workbench& wb);

}  // namespace wl
