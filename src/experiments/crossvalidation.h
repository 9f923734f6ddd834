#pragma once
// Repeated k-fold (or leave-x-out) crossvalidation of one training method on one data set. Every run
// writes the fold data sets (results prefix + "_trn" + f + ".dat" and "_tst" + f + ".dat"), trains a
// network (or a committee of networks) on each training part and tests it on the test part, with the
// tests' reports in "_RE.txt" and one line per fold in "_CV.txt"; the whole experiment ends with the
// per-run and averaged statistics in "_MSR.txt".
//
// Methods: 1 SMLP, 2 NG, 3 VSS, 4 VSS+SMLP.
#include <cstdint>
#include <string>
#include <vector>

namespace wl {

struct Workbench;
class RandomGenerator;

// The message that refuses the method ("" when it can run): a method whose trainer is not built yet, or
// "VSS+SMLP" with the class "all". With "Join W" checked every test first signs the first layer's weights
// of hidden neuron 0 (SignFirstLayerWeights, through the hooks table).
std::string CrossvalidationRefusal(const Workbench& wb, std::uint8_t method);

// The size of each of the first K - 1 random folds of N vectors: Round(N / K), or N div K when K - 1
// folds of the rounded size would take more than N vectors (N = 35, K = 10: 3, not 4). The last fold
// takes the rest.
int RandomFoldSize(int n, int k);

// The fold (0 .. K - 1) of every vector. Random folds: each of the first K - 1 folds gets RandomFoldSize
// vectors, each drawn with rng.Below(N) until an unassigned one comes up, and the last fold every vector
// still unassigned. Contiguous folds ("No Random"): fold f holds the vectors Round(N f / K) to
// Round(N (f + 1) / K) - 1. Needs 1 <= K <= N.
std::vector<int> AssignFolds(int n, int k, bool contiguous, RandomGenerator& rng);

// The two fold files of fold f from the data-set file `source` (N vectors; fold[v] for each): the header
// up to and including the "[DATA]" line goes to both, its "Number of Vectors" line replaced by each
// file's own count; then the N vector lines (blank lines are no vectors), each to the test file when its
// vector is in fold f and to the training file otherwise. Throws FileError.
void WriteFoldFiles(const std::string& source, int n, const std::vector<int>& fold, int f,
                    const std::string& trainingFile, const std::string& testFile);

// The mean m of the fold test accuracies, their deviation from m ("within": the root of the mean squared
// difference) and the deviation of the run accuracies from their own mean ("across", the same root).
struct CVStatistics {
  double Mean = 0.0, Within = 0.0, Across = 0.0;
};
CVStatistics ComputeCVStatistics(const std::vector<double>& foldAccuracies, const std::vector<double>& runAccuracies);

// "_MSR.txt": the R run blocks and the averages of the R runs of K folds, from the per-run arrays
// (R + 1 entries; entry R is made the totals and then the averages) and the fold accuracies.
std::string MSRText(Workbench& wb, int runs, int folds);

// Reads the file, builds the network (random weights, linear inputs) and trains it by the method. False
// when the network could not be built (its message has been shown); nothing is trained then.
bool TrainOnFile(Workbench& wb, const std::string& fileName, std::uint8_t method);

// Reads the file as a test set (keeping the training file's normalisation; its vectors weighed by the
// classes of this set) and appends its report to the open ResultsFile. The accuracy is left in
// TestSuccessRate. While CommitteeVoting the member's answers are recorded in CommitteeVotes, which grow
// to hold the set.
void TestOnFile(Workbench& wb, const std::string& fileName, std::uint8_t method);

// One run: the fold files, the training and testing of every fold, "_RE.txt" and "_CV.txt". False when
// the run ended early (a network that could not be built); the files written stay.
bool OneCVRun(Workbench& wb, std::uint8_t method);

// The whole experiment: asks for the data set, checks the numbers of runs, folds, vectors left out and
// committee members (refused with a message before any file is written), runs R runs and writes
// "_MSR.txt", which it opens in the editor.
void RunCrossvalidation(Workbench& wb, std::uint8_t method);

}  // namespace wl
