#pragma once
// The program-wide state of the experiments (crossvalidation, committees, batch tasks).
#include <fstream>
#include <string>
#include <vector>

namespace wl {

struct ExperimentState {
  bool InCrossvalidation = false;
  bool CommitteeVoting = false;
  bool BatchMode = false;
  int CVFoldNo = -1;  // no crossvalidation fold
  std::string ResultsFileName;  // the file of the last result or rules report; cleared by every data-set read

  // The one open file of the result and rules reports: open only inside one report, or across the folds
  // of a crossvalidation run, which opens it itself; ResultsFilePath is the name it was opened with.
  std::ofstream ResultsFile;
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
  // Committees: the member being trained and tested, and while CommitteeVoting each member's answer (its
  // winning class, -1 for none) for every test vector, [vector][member].
  int CommitteeMember = 0;
  std::vector<std::vector<int>> CommitteeVotes;
};

}  // namespace wl
