#pragma once
// The common start of every training run: the histories sized and epoch 0 recorded, the class weights,
// the start error shown in the main window, the progress plot opened, the representation hook called for
// epoch 0 and the staircase table built. The trainers then fill the histories epoch by epoch.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wl {

struct Workbench;
struct WeightShape;

// The sum of w * w over every weight of the network's layers 1 up, thresholds included.
double SquaredWeightNorm(const Workbench& wb);

// The history length L of the run about to start: NumOfEpochs, or BeamWidth * BeamWidth * NumOfEpochs
// when MethodTag is "BS" (beam search records every candidate network).
std::int64_t HistoryLength(const Workbench& wb);

// Sizes EpochHistory, WNormHistory, WeightTrialHistory, DetailWNormHistory (L + 1 rows) and
// WeightHistory (L + 2 rows) for the network's shape, and records epoch 0: WeightHistory[0] = the
// weights, WNormHistory[0] = their squared norm, every DetailWNormHistory[0] entry = that norm.
void AllocHistories(Workbench& wb, std::int64_t L);

// Throws WlError ("The network does not fit the chosen structure. Create the network again.") when a
// neuron of the network holds fewer weights than the run's records take for it (a step network, or one
// built for other layers than the parameters now give): checked before anything of the run changes.
void RequireRecordableNetwork(const Workbench& wb);

// The index, in the run's weight records, of weight k of a neuron of layer l of the network as it is
// now. After a pruning the network has fewer inputs than the network the run started with, whose shape
// the records keep (RunInputOf maps the inputs); otherwise the index is k itself.
int RunWeightIndex(const Workbench& wb, int l, int k);

// For each weight of the network of shape `current` (the network as it is now), in the flat weight order,
// its index in a row of the weight records: the same index, or after a pruning in the course of the run
// the index of that weight in the shape the records keep (RunWeightIndex). Empty when the records were
// made for another network.
std::vector<std::size_t> RecordedWeightColumns(const Workbench& wb, const WeightShape& current);

// After a run that pruned inputs: WeightHistory, WeightTrialHistory and DetailWNormHistory keep only the
// weights the network now has, in its shape, and RunInputOf is cleared, so that whatever reads the records
// after the run (the weight matrix, the error surface, the trajectories) reads them as any run's. Does
// nothing when the run pruned nothing.
void FitRecordsToNetwork(Workbench& wb);

// The bytes of the online histories of a run of history length L: (L + 1) x vectors x (weights + 1)
// doubles (the weights in force at every vector and each vector's error term).
double OnlineHistoryBytes(std::int64_t L, int vectors, std::size_t weights);

// Throws WlError, naming the size, when the online histories of a run of history length L would take more
// than three quarters of the available memory (bytes; 0 = unknown, no check).
void CheckOnlineHistoriesFit(const Workbench& wb, std::int64_t L, std::uint64_t available);

// The run preparation, in this order: the network checked to fit the records; with OnlineBP set, the online histories checked to fit in memory;
// ESDone cleared; the PCA folder made when missing; the histories (and the online ones when OnlineBP is
// set); the class weights; the start error (TrainingSetError) in
// EpochHistory[0], CurrentError, the held success rate (HoldRates without the weighted one) and the main
// window's ep, ge, EditSuccess and WeightedAccEdit; unless
// "No Plot E": stage "18" and the progress plot opened for NumOfEpochs epochs; the representation hook for
// epoch 0 when "Signals after epoch" is checked. The staircase table is built before the start error,
// which may need it. Reads no parameters, saves no weights, writes no ResultText.
void PrepareTrainingRun(Workbench& wb);

// The network the run holds has just been evaluated: AcceptedSuccessRate := SuccessRate and, with
// weighted, AcceptedWeightedRate := WeightedCorrect (pass false after an evaluation that does not write
// WeightedCorrect, the signal table's full pass).
void HoldRates(Workbench& wb, bool weighted = true);

// The record of epoch e: EpochHistory[e] := (CurrentError, AcceptedSuccessRate), the error and the
// accuracy of the network the run holds (not the rate of the last trial, which may have been undone),
// then the progress plot's epoch (the EpochDone hook).
void RecordEpochRow(Workbench& wb, int e);

// A number as the main window shows it: rounded (halves away from zero) to `precision` significant
// digits or `digits` decimals, whichever is coarser, and written with `digits` decimals.
std::string FixedDisplayText(double x, int precision, int digits);

// Names the running trainer's error routine for the representation hook for as long as the guard lives:
// only a trainer that takes a compressed training set or pruned inputs at its next epoch holds one.
class RunSetErrorGuard {
 public:
  RunSetErrorGuard(Workbench& wb, double (*error)(Workbench&));
  ~RunSetErrorGuard();
  RunSetErrorGuard(const RunSetErrorGuard&) = delete;
  RunSetErrorGuard& operator=(const RunSetErrorGuard&) = delete;

 private:
  Workbench& wb_;
};

}  // namespace wl
