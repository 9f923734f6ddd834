#pragma once
// The program-wide state of the experiments (crossvalidation, committees, batch tasks, discretization).
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "platform/paths.h"

namespace wl {

// Where the held interval bounds came from.
enum class DiscretizationSource : std::uint8_t {
  None,           // no set discretized yet
  File,           // the cut-point file
  EqualNumber,    // intervals of equal numbers of vectors
  EqualDistance,  // intervals of equal width
  Joined,         // the older route: runs of bins of one majority class ("Eq. Dist. + Join")
};

// The signals of the neurons above the inputs after one epoch, for every vector of the training set as it
// was then (a compression during the run leaves fewer vectors in the later rows).
struct SignalEpoch {
  bool Recorded = false;
  std::vector<int> Class;  // the class of each vector when the row was recorded
  std::vector<std::vector<std::vector<double>>> Signal;  // [layer - 1][neuron][vector]
  int Vectors() const { return static_cast<int>(Class.size()); }
};

struct ExperimentState {
  bool InCrossvalidation = false;
  bool CommitteeVoting = false;
  bool BatchMode = false;
  int CVFoldNo = -1;  // no crossvalidation fold
  std::string ResultsFileName;  // the file of the last result or rules report; cleared by every data-set read

  // The one open file of the result and rules reports: open only inside one report, or across the folds
  // of a crossvalidation run, which opens it itself; ResultsFilePath is the name it was opened with. It
  // replaces the report of its name when closed; a command that an error ends abandons it.
  AtomicOfstream ResultsFile;
  std::string ResultsFilePath;
  int ListingDigits = 6;  // decimals of the per-vector and weight listings
  // [true class][predicted class 0 .. NumOfClasses]; the last column counts vectors without any output
  // above 0.0.
  std::vector<std::vector<int>> ConfusionMatrix;
  double TestSuccessRate = 0.0;  // SuccessRate of the last report's own evaluation

  // New Training: the estimated times of the last run in seconds, rounded up as the labels show them,
  // and the Euclidean norm of all weights of the trained network.
  double EstTrainingTime = 0.0, EstSVDTime = 0.0, EstPlotTime = 0.0;
  double WeightNorm = 0.0;

  // Crossvalidation counters, one entry per run plus the totals; while InCrossvalidation and TestingMode
  // are both set, the error functions add the two-class counts of each test evaluation to entry CVIndex.
  int CVIndex = 0;
  std::vector<double> CVTruePredT;  // vectors of class 0 classified as class 0
  std::vector<double> CVTruePredN;  // vectors of class 0 classified otherwise
  std::vector<double> CVNegPredN;   // vectors of another class classified as their own class
  std::vector<double> CVNegPredT;   // vectors of another class classified otherwise
  std::vector<double> CVCorrect;
  std::vector<double> CVWeightedCorrect;
  std::vector<double> CVTrainAccuracy;  // each run's mean training accuracy
  // With a committee: each run's mean test accuracy of the single members (the counters and CVCorrect
  // hold the committee's votes); empty without one.
  std::vector<double> CVMemberTestAccuracy;
  // The test accuracy of every fold, run by run and fold by fold, and how many are stored so far.
  std::vector<double> CVFoldAccuracy;
  int CVFoldCount = 0;
  std::string CVDataFileName;  // the data set chosen at the start, read again before every later run
  // Committees: the member being trained and tested, and while CommitteeVoting each member's answer (its
  // winning class, -1 for none) for every test vector, [vector][member].
  int CommitteeMember = 0;
  std::vector<std::vector<int>> CommitteeVotes;

  // Discretization of the continuous features. The bounds of the last training set stay until the next
  // discretization; a test set (TestingMode) is labelled with them by the source that made them.
  DiscretizationSource DiscrSource = DiscretizationSource::None;
  std::vector<char> DiscrFeatureKinds;             // the Kind of each feature of the set the bounds are of
  std::vector<std::vector<double>> DiscrCutPoints;  // [feature]: ascending cut points c0 < c1 < ...
  std::vector<int> DiscrCutCounts;                  // [feature]: K cut points make K + 1 intervals
  std::vector<int> DiscrPrecision;                  // [feature]: decimals of the interval labels
  int DiscrIntervals = 0;                           // intervals of the equal-number and equal-width sources
  std::vector<double> FeatureMin, FeatureMax, BinWidth;  // [feature]: the equal-width source
  // [feature][class 0 .. NumOfClasses]: the range of each continuous feature within each class; the last
  // entry is the range over all classes.
  std::vector<std::vector<double>> FeatureClassMin, FeatureClassMax;
  // The older route: [feature][1 .. NumCutPoints] the starts of the runs of bins of one majority class
  // (entry 1 is the feature's minimum, entry 0 unused); a feature eliminated for overlap has none.
  std::vector<std::vector<double>> CutPoints;
  std::vector<int> NumCutPoints;
  // The discretized data-set file being written: its name and its text, written whole when it is closed.
  std::string DiscretizedFileName;
  std::string DiscretizedFile;

  // The hidden-representation records ("Signals after epoch"): one row per epoch of the last run (a
  // single row after a validation-set report), made by the representation hook at the run's start.
  std::vector<SignalEpoch> SignalHistory;
  // The grouping of the vectors by their signals, per class c: the group of each vector (-1 none), each
  // group's representative (-1 none) and size, and the number of groups.
  std::vector<std::vector<int>> GroupOf, GroupRep, GroupSize;
  std::vector<int> GroupCount;
  // Input pruning: the first-layer weights that stopped changing, [hidden neuron][weight] (the threshold
  // last); the inputs whose weights to every hidden neuron are marked; the features all of whose inputs
  // are marked, which the pruning removes.
  std::vector<std::vector<bool>> PruneMarks;
  std::vector<bool> PruneInputMarks;
  std::vector<bool> PruneFlags;
};

}  // namespace wl
