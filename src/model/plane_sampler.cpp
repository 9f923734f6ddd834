#include "model/plane_sampler.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "model/error_functions.h"
#include "model/layer_transfer.h"
#include "model/plane_lines.h"
#include "state/workbench.h"

namespace wl {

std::vector<double> FlatWeights(const Workbench& wb) {
  std::vector<double> w;
  w.reserve(static_cast<std::size_t>(std::max(wb.NumOfWeights, 0)));
  for (std::size_t l = 1; l < wb.Net.size(); ++l)
    for (const TNeuron& n : wb.Net[l])
      for (int k = 0; k <= wb.LayerInputs[l - 1]; ++k) w.push_back(n.Weights[static_cast<std::size_t>(k)]);
  return w;
}

void SetFlatWeights(Workbench& wb, const std::vector<double>& w) {
  std::size_t i = 0;
  for (std::size_t l = 1; l < wb.Net.size(); ++l)
    for (TNeuron& n : wb.Net[l])
      for (int k = 0; k <= wb.LayerInputs[l - 1] && i < w.size(); ++k) n.Weights[static_cast<std::size_t>(k)] = w[i++];
}

double PlaneErrorAt(Workbench& wb, const PlaneSamplerOptions& o, const std::vector<double>& w) {
  SetFlatWeights(wb, w);
  switch (o.Error) {
    case PlaneError::TrainingSet: return TrainingSetError(wb, o.Eval);
    case PlaneError::Compute: return ComputeError(wb, o.Eval, static_cast<std::uint8_t>(wb.ErrorTFKind & 0xFF));
    case PlaneError::ContinuousInput: break;
  }
  return ContinuousInputError(wb);
}

namespace {

// One line's values on network `net`; `w` is the scratch weight vector. With `linePass` the points but
// the last are given by the line pass where its bound allows.
void SampleLine(Workbench& net, const PlaneLine& line, const PlaneSamplerOptions& o, bool linePass,
                std::vector<double>& w, std::vector<double>& values) {
  values.resize(static_cast<std::size_t>(std::max(line.Count, 0)));
  const std::vector<double>& d = *line.Direction;
  w.resize(line.Base.size());
  thread_local LinePass pass;
  if (linePass && line.Count > 1) {
    const double c0 = static_cast<double>(line.First) * line.Step;
    const double c1 = static_cast<double>(line.First + (line.Count - 1) * line.Stride) * line.Step;
    linePass = d.size() == w.size() && pass.BindLine(net, o.Eval, line.Base, d, std::max(std::fabs(c0), std::fabs(c1)),
                                                     static_cast<double>(line.Stride) * line.Step);
  } else {
    linePass = false;
  }
  long long served = 0;
  for (int p = 0; p < line.Count; ++p) {
    const double c = static_cast<double>(line.First + p * line.Stride) * line.Step;
    for (std::size_t k = 0; k < w.size(); ++k) w[k] = line.Base[k] + c * d[k];
    double& value = values[static_cast<std::size_t>(p)];
    if (linePass && p + 1 < line.Count && pass.Error(net, p, c, w, &value)) {
      ++served;
      continue;
    }
    value = PlaneErrorAt(net, o, w);
  }
  if (o.Tally) {
    o.Tally->LinePoints += served;
    o.Tally->RoutinePoints += line.Count - served;
  }
}

// A worker's own network and data: a Workbench holding copies of the program-wide variables.
std::unique_ptr<Workbench> WorkerCopy(Workbench& wb) {
  auto w = std::make_unique<Workbench>(wb.Plat, wb.ProgramDir);
  static_cast<ModelState&>(*w) = wb;
  // What the error routines read of the training state.
  w->ClassWeight = wb.ClassWeight;
  w->StairTable = wb.StairTable;
  w->StairScale = wb.StairScale;
  w->StairRange = wb.StairRange;
  w->Epoch = wb.Epoch;
  w->BatchIndex = wb.BatchIndex;
  w->PartsMadeFor = wb.PartsMadeFor;
  static_cast<SmlpState&>(*w) = wb;
  static_cast<AnalysisState&>(*w) = wb;
  static_cast<ShellValues&>(*w) = wb;
  static_cast<SurfaceState&>(*w) = wb;
  w->HeldEval = wb.HeldEval;
  w->HeldEvalStale = wb.HeldEvalStale;
  return w;
}

void CopySideResults(Workbench& to, const Workbench& from) {
  to.SuccessRate = from.SuccessRate;
  to.NumOfCorrect = from.NumOfCorrect;
  to.WeightedCorrect = from.WeightedCorrect;
  to.CountTPT = from.CountTPT;
  to.CountTPN = from.CountTPN;
  to.CountNPN = from.CountNPN;
  to.CountNPT = from.CountNPT;
}

}  // namespace

void SamplePlane(Workbench& wb, const std::vector<PlaneLine>& lines, const PlaneSamplerOptions& o,
                 const std::function<void(std::size_t, const std::vector<double>&)>& onLine) {
  const std::vector<double> saved = FlatWeights(wb);
  struct Restore {
    Workbench& wb;
    const std::vector<double>& w;
    ~Restore() { SetFlatWeights(wb, w); }
  } restore{wb, saved};

  int threads = o.Threads > 0 ? o.Threads : static_cast<int>(std::thread::hardware_concurrency());
  if (threads < 1) threads = 1;
  if (static_cast<std::size_t>(threads) > lines.size()) threads = static_cast<int>(std::max<std::size_t>(lines.size(), 1));

  const bool linePass = o.LinePass && o.Error == PlaneError::TrainingSet && LinePass::Serves(wb, o.Eval);
  if (threads == 1) {
    std::vector<double> w, values;
    for (std::size_t L = 0; L < lines.size(); ++L) {
      SampleLine(wb, lines[L], o, linePass, w, values);
      if (onLine) onLine(L, values);
      wb.Plat.ProcessEvents();
    }
    return;
  }

  // The copies are made here, on the calling thread, before any worker starts.
  std::vector<std::unique_ptr<Workbench>> nets;
  for (int t = 0; t < threads; ++t) nets.push_back(WorkerCopy(wb));
  const std::int64_t sigmoidsBefore = nets[0]->SigmoidCount;
  const double evaluationsBefore = nets[0]->ErrorEvaluations;

  std::vector<std::vector<double>> results(lines.size());
  std::vector<char> done(lines.size(), 0);
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  std::mutex m;
  std::condition_variable cv;
  // A line whose error routine threw keeps its exception; the lines after it are not started, and the
  // calling thread throws it when it reaches the line, after the lines before it (as the serial loop).
  std::vector<std::exception_ptr> failures(lines.size());
  std::atomic<std::size_t> firstFailed{lines.size()};
  int lastNet = -1;

  auto work = [&](int t) {
    Workbench& net = *nets[static_cast<std::size_t>(t)];
    std::vector<double> w, values;
    for (;;) {
      const std::size_t L = next.fetch_add(1);
      if (L >= lines.size() || L > firstFailed.load() || stop.load()) return;
      std::exception_ptr failure;
      try {
        SampleLine(net, lines[L], o, linePass, w, values);
      } catch (...) {
        failure = std::current_exception();
      }
      std::lock_guard<std::mutex> lock(m);
      if (failure) {
        failures[L] = failure;
        if (L < firstFailed.load()) firstFailed = L;
      } else {
        results[L] = values;
      }
      done[L] = 1;
      if (L + 1 == lines.size()) lastNet = t;
      cv.notify_all();
      if (failure) return;
    }
  };

  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) pool.emplace_back(work, t);
  struct Join {
    std::vector<std::thread>& pool;
    std::atomic<bool>& stop;
    ~Join() {
      stop = true;
      for (std::thread& th : pool)
        if (th.joinable()) th.join();
    }
  } join{pool, stop};

  // The calling thread keeps the windows live while it waits for the lines, in their order.
  for (std::size_t L = 0; L < lines.size(); ++L) {
    std::vector<double> values;
    for (;;) {
      {
        std::unique_lock<std::mutex> lock(m);
        if (cv.wait_for(lock, std::chrono::milliseconds(50), [&] { return done[L] != 0; })) break;
      }
      wb.Plat.ProcessEvents();
    }
    std::exception_ptr failure;
    {
      std::lock_guard<std::mutex> lock(m);
      failure = failures[L];
      values.swap(results[L]);
    }
    if (failure) {
      stop = true;
      for (std::thread& th : pool) th.join();
      std::rethrow_exception(failure);
    }
    if (onLine) onLine(L, values);
    wb.Plat.ProcessEvents();
  }
  stop = true;
  for (std::thread& th : pool) th.join();

  for (const auto& n : nets) {
    wb.SigmoidCount += n->SigmoidCount - sigmoidsBefore;
    wb.ErrorEvaluations += n->ErrorEvaluations - evaluationsBefore;
  }
  if (lastNet >= 0) CopySideResults(wb, *nets[static_cast<std::size_t>(lastNet)]);
}

}  // namespace wl
