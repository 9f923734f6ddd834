#pragma once
// The SMLP experiment driver: the one entry of the SMLP menu items, "SMLP Training", Compare Rules, batch
// tasks and crossvalidation. It prepares a run (the features the discretization file allows, step or
// logistic units, discretization of continuous features, the network, the run log ResultsPrefix +
// "_SMLP.txt") and dispatches by mode:
//   1 one change, then the rules report when Add1Box is checked    2 two changes, likewise
//   3 / 4 feature reduction by one / two changes                    5 / 6 feature ranking and expansion
//   7 "NewPlot" / 8 "OldPlot": the enumerations of small step networks
//   9 the discrete numerical gradient ("L Num Grad")   10 / 11 the four- / five-layer N-of-M network
// With "L-units" the network is the L-unit network on the runs of the set in memory.
// With "Beam Search" chosen on the SMLP tab, the beam search replaces the mode's work.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace wl {

struct Workbench;

// The method label of an SMLP run: the network (an SMLP, or L-units), its search and its feature work.
std::string SMLPRunLabel(std::uint8_t mode, bool beamSearch, bool lUnits);
// Runs the SMLP experiment of the mode. Reads the parameters first (mode 10) and refuses without a data
// set; a network kind of 0 becomes 1 (an SMLP). False when the run was refused (after the message).
bool RunSMLP(Workbench& wb, std::uint8_t mode);

// A run that builds no step network (refused, or stopped before its builder) leaves the kind, type and
// L-unit mode of the network in Net as they were, and the settings its shape and pass read (the hidden
// neurons per class, the number of layers, the slope and the output weights), so that they go on
// describing that network: made at the entry of every run that reads the parameters or sets them before
// it builds.
class StepNetworkLabelsKept {
 public:
  explicit StepNetworkLabelsKept(Workbench& wb);
  ~StepNetworkLabelsKept();
  StepNetworkLabelsKept(const StepNetworkLabelsKept&) = delete;
  StepNetworkLabelsKept& operator=(const StepNetworkLabelsKept&) = delete;

 private:
  Workbench& wb_;
  std::uint8_t kind_, type_, lUnits_;
  int builds_;
  std::vector<int> hidPerOut_;
  int layers_;
  double slope_;
  std::array<double, 4> outWeights_;
};

// The network of a run built anew: with LUnitsMode 1 the L-unit network on the intervals held, else the
// SMLP (InitSMLPWeights, re-seeding as reseed says). False after a message when nothing was built.
bool BuildRunNetwork(Workbench& wb, bool reseed = true);

// FeatureAvailable and FeatureMask (all 1, or the "include" list of the discretization file
// ProgramDir/<DiscrFileEdit>.txt), ClassCorrectCount and VectorCorrect zeroed, CurrentClass from
// CurrentClassBox. A feature number outside the data set shows "Wrong feature number" and ends the list.
void ReadHiddenPerClass(Workbench& wb);

// Removes the features one at a time in index order, keeping a removal when the accuracy of the network
// trained without it is not lower than the best so far. Method 1 trains by one change, others by two.
// The accuracy of each trained network is in FeatureRateHistory.
void ReduceSMLPFeatures(Workbench& wb, std::uint8_t method);

// Ranks the available features by the accuracy of a network trained on each alone, then adds them in rank
// order (RankingEdit of them; all when empty), writing the report ResultsPrefix + "_FERE.txt".
void FeatureRankingAndExpansion(Workbench& wb, std::uint8_t method);

// One feature's record of the ranking.
struct FeatureRank {
  int Feature = 0;
  double Accuracy = 0.0;
};
// Orders the records by accuracy, descending, by the exchange rule of the ranking: for i = 1 .. n - 1, for
// j = 0 .. i - 1, records i and j are exchanged when accuracy[i] > accuracy[j]. Not a stable sort.
void SortFeatureRanks(std::vector<FeatureRank>& ranks);

// The features the expansion adds: all when the trimmed text is empty, else the smaller of its integer and
// the number of features.
int FeaturesToAdd(const std::string& rankingText, int numOfFeatures);

// Removes the vectors of CurrentClass that the network classifies correctly (unless "Train on all
// vectors" is checked or the network covers all classes), logging each vector in ProgramDir/CF.txt; the
// class counts and the vectors' class-balancing weights are those of the kept vectors.
void WriteCFFile(Workbench& wb);

}  // namespace wl
