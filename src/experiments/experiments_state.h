#pragma once
// The program-wide state of the experiments (crossvalidation, committees, batch tasks).
#include <string>
#include <vector>

namespace wl {

struct ExperimentState {
  bool InCrossvalidation = false;
  bool CommitteeVoting = false;
  bool BatchMode = false;
  int CVFoldNo = -1;  // no crossvalidation fold
  std::string ResultsFileName;  // the file of the last result or rules report; cleared by every data-set read

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
