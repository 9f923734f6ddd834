#pragma once
// Sampling the training error along straight lines of the weight space: the error surfaces, the local
// PCA and the re-mapped surfaces all evaluate the network at W = B + (First + P * Stride) * Step * D for
// the points P of a line. The lines are shared out to worker threads, each with its own copy of the
// network and the data; every value equals the one the serial loop gives, bit for bit, and the caller's
// per-line work (drawing, progress) runs on the calling thread in line order.
#include <atomic>
#include <cstddef>
#include <functional>
#include <vector>

#include "state/eval_options.h"

namespace wl {

struct Workbench;

// One line of samples. Base and Direction are flat weight vectors (layer 1 upward, neuron, inputs with
// the threshold last); Direction must outlive the sampling.
struct PlaneLine {
  std::vector<double> Base;
  const std::vector<double>* Direction = nullptr;
  double Step = 0.0;  // weight-space length of one point offset
  int First = 0;      // offset of point 0
  int Stride = 1;     // offset from one point to the next
  int Count = 0;      // number of points
};

// The error routine of the surfaces: TrainingSetError with the given options ("WM in WeightLab format"),
// or ContinuousInputError ("WM in Matlab format"); ComputeError in the output mode of ErrorTFKind for the
// re-mapped surface and the local PCA.
enum class PlaneError { TrainingSet, ContinuousInput, Compute };

// How many points the line pass gave (model/plane_lines.h) and how many the error routine.
struct PlaneSamplerTally {
  std::atomic<long long> LinePoints{0}, RoutinePoints{0};
};

struct PlaneSamplerOptions {
  PlaneError Error = PlaneError::TrainingSet;
  EvalOptions Eval;
  int Threads = 0;  // 0: one per core; 1: the serial loop on the calling thread
  // The training-set error by the line pass where it serves the network, each line's last point by
  // the error routine (so the side results are the routine's); false: every point by the routine.
  bool LinePass = true;
  PlaneSamplerTally* Tally = nullptr;  // counts the points when given
};

// The network's weights as one flat vector, and back.
std::vector<double> FlatWeights(const Workbench& wb);
void SetFlatWeights(Workbench& wb, const std::vector<double>& w);

// The error of the network at weights w (the network keeps w).
double PlaneErrorAt(Workbench& wb, const PlaneSamplerOptions& o, const std::vector<double>& w);

// Samples every line and calls onLine(line, values) on the calling thread, in line order, as the lines
// are done. Values of the line pass lie within kLineTolerance (relative) of the routine's. The network's weights are the same afterwards; its side results (SuccessRate, NumOfCorrect,
// ...) are those of the last sample, and SigmoidCount counts every sample. An error thrown by the error
// routine ends the sampling and is thrown again here.
void SamplePlane(Workbench& wb, const std::vector<PlaneLine>& lines, const PlaneSamplerOptions& o,
                 const std::function<void(std::size_t, const std::vector<double>&)>& onLine);

}  // namespace wl
