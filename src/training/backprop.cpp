#include "training/backprop.h"
#include "training/live_status.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "model/error_checks.h"
#include "model/error_functions.h"
#include "model/eval_options.h"
#include "model/forward_pass.h"
#include "model/run_status.h"
#include "model/vector_state.h"
#include "model/weights_file.h"
#include "state/workbench.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/field_reads.h"
#include "platform/numfmt.h"
#include "platform/platform.h"
#include "platform/rounding.h"
#include "platform/vector_state.h"
#include "state/hooks.h"
#include "training/one_change.h"
#include "training/prepare_run.h"
#include "training/run_end.h"

namespace wl {

namespace {

const char* const kFunctionApproxRefusal =
    "This implementation of backpropagation does not support Function Approximation: uncheck it, or train "
    "with the numerical gradient";
const char* const kRefusal =
    "This implementation of backpropagation suports only 3-layer netwoks without crossover connections";

// The factors of the line search along the step ("min"), tried in this order.
constexpr double kLineFactors[] = {0, 0.8, 2, 3.4, 5, 7, 10, 14, 20, 30, 42};

// A data set, and a three-layer network built for it whose neurons hold their fan-in plus a threshold.
void RequireBPNetwork(const Workbench& wb) {
  RequireNetwork(wb);  // the parameters ask for three layers here
  EvalNeeds needs;
  needs.InputWeights = true;
  RequireEvaluable(wb, NetLayout::Standard, needs);
  for (std::size_t l = 1; l < 3; ++l) {
    bool fits = wb.LayerInputs[l - 1] == wb.Layers[l - 1];
    for (const TNeuron& n : wb.Net[l]) fits = fits && n.Weights.size() == static_cast<std::size_t>(wb.Layers[l - 1]) + 1;
    if (!fits) throw WlError("The network does not fit the chosen structure. Create the network again.");
  }
}

// A row of the online record: written once and not read during the run, so a long row is stored past the
// caches (which keep the working arrays) where the processor allows. Short rows are copied: streaming
// stores of part of a cache line cost more than they save.
inline void StreamRow(double* dst, const double* src, std::size_t n) {
#if defined(__SSE2__)
  if (n < 128) {
    std::memcpy(dst, src, n * sizeof(double));
    return;
  }
  std::size_t i = 0;
  if (n > 0 && (reinterpret_cast<std::uintptr_t>(dst) & 15) != 0) {
    dst[0] = src[0];
    i = 1;
  }
  for (; i + 2 <= n; i += 2) _mm_stream_pd(dst + i, _mm_loadu_pd(src + i));
  if (i < n) dst[i] = src[i];
#else
  std::memcpy(dst, src, n * sizeof(double));
#endif
}

// The dense passes of a vector, compiled also for AVX2 (without FMA: every product is rounded before its
// addition, as in the plain loops) and chosen by the processor when the program starts. The numbers are
// those of the plain loops: the sums are Dot's, in Dot's four partial sums and order, and every weight's
// update is its own.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define WL_BP_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define WL_BP_CLONES
#endif

using Lanes4 = double __attribute__((vector_size(32)));

// Dot(x, w, n) with the four partial sums side by side.
inline double Dot4Lanes(const double* x, const double* w, int n) {
  Lanes4 s = {0.0, 0.0, 0.0, 0.0};
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    Lanes4 a, b;
    std::memcpy(&a, x + i, sizeof a);
    std::memcpy(&b, w + i, sizeof b);
    s += a * b;
  }
  double s0 = s[0];
  for (; i < n; ++i) s0 += x[i] * w[i];
  return (s0 + s[1]) + (s[2] + s[3]);
}

// The hidden layer's arguments (threshold - Dot(x, weights)) * slope of `neurons` neurons whose weights
// (n inputs, then the threshold) start every `stride` cells.
WL_BP_CLONES void HiddenArguments(const double* x, const double* w, std::size_t stride, int n, int neurons,
                                   double slope, double* a) {
  for (int j = 0; j < neurons; ++j) {
    const double* wj = w + static_cast<std::size_t>(j) * stride;
    a[j] = (wj[n] - Dot4Lanes(x, wj, n)) * slope;
  }
}

// Networks with fewer inputs take the passes inline: for them the call costs more than the wider lanes
// save (iris 4-5-3 measured slower through the calls, breast cancer 30-10-2 faster).
constexpr int kClonedFrom = 8;

// One layer's online update: the steps f[j] * x[k] of each neuron's n weights and -f[j] of its threshold,
// written to `step`, applied (w + step + momentum * previous step) and kept as the previous step.
inline void DenseLayerUpdateInline(double* __restrict w, double* __restrict step, double* __restrict prev,
                                   const double* __restrict f, const double* __restrict x, int n, int neurons,
                                   std::size_t stride, double momentum) {
  for (int j = 0; j < neurons; ++j) {
    const double fj = f[j];
    const std::size_t base = static_cast<std::size_t>(j) * stride;
    double* __restrict wr = w + base;
    double* __restrict sr = step + base;
    double* __restrict pr = prev + base;
    for (int k = 0; k < n; ++k) {
      const double st = fj * x[k];
      wr[k] = wr[k] + st + momentum * pr[k];
      pr[k] = st;
      sr[k] = st;
    }
    wr[n] = wr[n] + -fj + momentum * pr[n];
    pr[n] = -fj;
    sr[n] = -fj;
  }
}

// The same, compiled also for AVX2.
WL_BP_CLONES void DenseLayerUpdate(double* __restrict w, double* __restrict step, double* __restrict prev,
                                   const double* __restrict f, const double* __restrict x, int n, int neurons,
                                   std::size_t stride, double momentum) {
  DenseLayerUpdateInline(w, step, prev, f, x, n, neurons, stride, momentum);
}

// Orders the streamed rows before the epoch's records are read.
inline void StreamFence() {
#if defined(__SSE2__)
  _mm_sfence();
#endif
}

// Hands the online record its replay when the run ends, however it ends. The kernel is not used after.
class OnlineReplayAtEnd {
 public:
  OnlineReplayAtEnd(Workbench& wb, std::shared_ptr<BPKernel> kernel)
      : wb_(wb), replay_(kernel ? std::make_shared<OnlineReplay>(std::move(kernel)) : nullptr) {}
  ~OnlineReplayAtEnd() { Install(); }
  OnlineReplayAtEnd(const OnlineReplayAtEnd&) = delete;
  OnlineReplayAtEnd& operator=(const OnlineReplayAtEnd&) = delete;
  void Install() {
    if (replay_) wb_.Online.ProduceOnRead(std::move(replay_));
    replay_.reset();
  }

 private:
  Workbench& wb_;
  std::shared_ptr<const OnlineRecord::Replay> replay_;
};

// The run's rates and error as the main window shows them.
void ShowRates(Workbench& wb) {
  TForm1& f = wb.Form1;
  f.EditSuccess.SetText(FixedDisplayText(wb.SuccessRate, 7, 5));
  f.EditSuccess.Repaint();
  f.ge.SetText(FixedDisplayText(wb.CurrentError, 12, 4) + " / " + wb.ResultText);
  f.ge.Repaint();
  f.WeightedAccEdit.SetText(FixedDisplayText(wb.AcceptedWeightedRate, 7, 5));
  f.WeightedAccEdit.Repaint();
}

// The error the run starts from: NetworkError over every vector (backpropagation draws no parts).
double StartError(Workbench& wb, const EvalOptions& options) {
  FlagGuard<std::int32_t> allVectors(wb.NumOfParts, 1);
  return NetworkError(wb, options);
}

}  // namespace

int BPDisplayPeriod(int vectors, int weights) {
  const std::int64_t product = static_cast<std::int64_t>(vectors) * weights;
  if (product <= 0) return 1;
  return static_cast<int>(std::max<std::int64_t>(1, Round(50000.0 / static_cast<double>(product))));
}

double BPRate(double eta0, double decay, int e) {
  if (decay == 0.0) return eta0;
  return eta0 * (1.0 - std::exp(-decay / (e + 1)));
}

double BPHiddenFactor(Workbench& wb, int epoch) {
  TForm1& f = wb.Form1;
  if (StrToInt(f.EEdit1.Text()) >= epoch) return StrToFloat(f.MEdit1.Text());
  if (StrToInt(f.EEdit2.Text()) >= epoch) return StrToFloat(f.MEdit2.Text());
  if (StrToInt(f.EEdit3.Text()) >= epoch) return StrToFloat(f.MEdit3.Text());
  return StrToFloat(f.MEdit4.Text());
}

double BPSlopeInRange(double slope) {
  if (slope == 0.0) return 1.0;
  if (slope < 0.01) return 0.01;
  if (slope > 99.0) return 99.0;
  return slope;
}

void AllocBPArrays(Workbench& wb) {
  const WeightShape shape = WeightShape::Of(wb.Layers, wb.LayerInputs.data(), static_cast<int>(wb.Layers.size()));
  wb.BPDelta.assign(wb.Layers.size(), {});
  for (std::size_t l = 1; l < wb.Layers.size(); ++l) wb.BPDelta[l].assign(static_cast<std::size_t>(wb.Layers[l]), 0.0);
  wb.BPStep.Resize(1, shape);
  wb.BPPrevStep.Resize(1, shape);
}

// ---- the kernel -------------------------------------------------------------------------------------

BPKernel::BPKernel(Workbench& wb, const EvalOptions& options) : wb_(wb), options_(options) {
  n0_ = wb.Layers[0];
  n1_ = wb.Layers[1];
  n2_ = wb.Layers[2];
  stride1_ = static_cast<std::size_t>(n0_) + 1;
  stride2_ = static_cast<std::size_t>(n1_) + 1;
  off2_ = static_cast<std::size_t>(n1_) * stride1_;
  size_ = off2_ + static_cast<std::size_t>(n2_) * stride2_;
  linearOut_ = options.Structure == NetStructure::FunctionApprox;
  min_ = wb.Form1.BPminBox.Checked();
  // The first gradient pass brings the slope into range before it passes any vector forward.
  slope_ = BPSlopeInRange(wb.Slope);
  stretch_ = wb.Stretch;
  offset_ = (1.0 - wb.Stretch) / 2.0;
  p_ = wb.ErrorExponent;
  s_ = wb.SetOff;
  t1_ = 1.0 - wb.SetOff;
  momentum_ = wb.BPMomentum;
  sigmoidsPerVector_ = (wb.LinearInputs ? 0 : n0_) + n1_ + (linearOut_ ? 0 : n2_);
  classes_ = wb.VectorClass;
  class_ = classes_.data();
  nv_ = wb.NumOfVectors;
  direct_ = min_ || wb.Online.WriteRows;
  step_ = prev_ = delta_ = nullptr;
  h_.assign(static_cast<std::size_t>(n1_), 0.0);
  row_.assign(static_cast<std::size_t>(n0_), 0.0);
  g_.assign(static_cast<std::size_t>(n1_), 0.0);
  mark_.assign(static_cast<std::size_t>(n0_), 0u);
  gone_.assign(static_cast<std::size_t>(n0_), 0u);
  y_.assign(static_cast<std::size_t>(n2_), 0.0);
  ed_.assign(static_cast<std::size_t>(n2_), 0.0);
  w_.assign(size_, 0.0);
  LoadWeights();

  // The input layer depends on the data, the input weights, the slope and the stretch alone, none of
  // which the training changes: it is passed once per vector here, as the forward pass computes it.
  // One-hot coded inputs are mostly 0: with at most half of the inputs nonzero (and eight inputs or
  // more) the vectors are kept and passed through their nonzero inputs only, the inputs at -0 noted
  // apart; else every input is kept. The inputs are gathered as nonzero ones until more than half are.
  const auto nv = static_cast<std::size_t>(wb.NumOfVectors);
  const auto n0 = static_cast<std::size_t>(n0_);
  const std::size_t cells = nv * n0;
  bool dense = n0 < 8;
  sparse_ = !dense;
  // The nonzero inputs are gathered without a branch on each: every input is written at the next free
  // place, which only a nonzero one takes. Until the switch at most half of the cells are nonzero.
  // (The blocks are not filled beforehand: only the part written is ever touched.)
  const std::size_t room = dense ? 0 : cells / 2 + n0;
  nzIndex_.reset(new std::uint32_t[room]);
  nzValue_.reset(new double[room]);
  std::uint32_t* index = nzIndex_.get();
  double* value = nzValue_.get();
  std::size_t nonzero = 0;
  auto toDense = [&](std::size_t vectors) {
    std::vector<double> x(cells, 0.0);
    for (std::size_t v = 0; v < vectors; ++v) DenseInputs(static_cast<int>(v), x.data() + v * n0);
    x_ = std::move(x);
    nzStart_ = {};
    nzIndex_.reset();
    nzValue_.reset();
    negZero_ = {};
    dense = true;
    sparse_ = false;
  };
  if (dense) x_.assign(cells, 0.0);
  if (!dense) nzStart_.reserve(nv + 1);
  {
    FlagGuard<double> slope(wb.Slope, slope_);
    FlagGuard<std::int64_t> counted(wb.SigmoidCount, wb.SigmoidCount);
    std::vector<double> in(n0);
    for (std::size_t v = 0; v < nv; ++v) {
      if (dense) {
        ForwardInputLayer(wb, static_cast<int>(v), x_.data() + v * n0);
        continue;
      }
      ForwardInputLayer(wb, static_cast<int>(v), in.data());
      nzStart_.push_back(static_cast<std::uint32_t>(nonzero));
      for (std::size_t k = 0; k < n0; ++k) {
        const double x = in[k];
        index[nonzero] = static_cast<std::uint32_t>(k);
        value[nonzero] = x;
        nonzero += x != 0.0;
        if (x == 0.0 && std::signbit(x)) negZero_.push_back(v * n0 + k);
      }
      if (2 * nonzero > cells) {
        nzStart_.push_back(static_cast<std::uint32_t>(nonzero));
        toDense(v + 1);
      }
    }
  }
  if (sparse_) nzStart_.push_back(static_cast<std::uint32_t>(nonzero));
}

void BPKernel::DenseInputs(int v, double* x) const {
  const auto n0 = static_cast<std::size_t>(n0_);
  if (!sparse_) {
    std::copy_n(x_.data() + static_cast<std::size_t>(v) * n0, n0, x);
    return;
  }
  std::fill_n(x, n0, 0.0);
  for (std::uint32_t t = nzStart_[v], end = nzStart_[v + 1]; t < end; ++t) x[nzIndex_[t]] = nzValue_[t];
  const std::size_t first = static_cast<std::size_t>(v) * n0;
  for (auto i = std::lower_bound(negZero_.begin(), negZero_.end(), first); i != negZero_.end() && *i < first + n0; ++i)
    x[*i - first] = -0.0;
}

void BPKernel::BeginRun(const EvalOptions& options) {
  options_ = options;
  step_ = wb_.BPStep.Row(0).data();
  prev_ = wb_.BPPrevStep.Row(0).data();
  delta_ = wb_.BPDelta[2].data();
  LoadWeights();
}

bool BPKernel::GivesStartError(const Workbench& wb, const EvalOptions& options) {
  if (options.Structure != NetStructure::Standard || wb.NumOfStep >= 1 || options.Entropy || wb.SmallW > 0.0 ||
      wb.IntegerW > 0.0 || !wb.LinearInputs || wb.Net.size() != 3)
    return false;
  return true;
}

double BPKernel::StartError(const EvalOptions& options) {
  ClearVectorState();
  EvalNeeds needs;
  needs.InputWeights = true;
  RequireEvaluable(wb_, NetLayout::Standard, needs, options);
  LoadWeights();
  const double* w = w_.data();
  // Sums over the nonzero inputs alone equal the full sums when every product with a zero input is 0.
  bool sparse = sparse_;
  for (std::size_t i = 0; sparse && i < off2_; ++i) sparse = std::isfinite(w[i]);
  const double slope = wb_.Slope, stretch = wb_.Stretch, offset = wb_.StretchOffset;
  const double p = wb_.ErrorExponent, s = wb_.SetOff, t1 = 1.0 - wb_.SetOff;
  const std::size_t n0 = static_cast<std::size_t>(n0_);
  double* h = h_.data();
  double* y = y_.data();
  double e = 0.0;
  int correct = 0;
  for (int v = 0; v < nv_; ++v) {
    // The sums one product after the other from 0, as the forward pass forms them.
    const double* x = row_.data();
    if (!sparse) DenseInputs(v, row_.data());
    for (int j = 0; j < n1_; ++j) {
      const double* wj = w + static_cast<std::size_t>(j) * stride1_;
      double net = 0.0;
      if (sparse) {
        for (std::uint32_t t = nzStart_[v], end = nzStart_[v + 1]; t < end; ++t) net += nzValue_[t] * wj[nzIndex_[t]];
      } else {
        for (std::size_t k = 0; k < n0; ++k) net += x[k] * wj[k];
      }
      const double a = (wj[n0_] - net) * slope;
      h[j] = a > kExpGuard ? 0.0 : StretchedSigmoid(a, stretch, offset);
    }
    const int c = wb_.VectorClass[static_cast<std::size_t>(v)];
    int winner = -1;
    double best = 0.0;
    for (int i = 0; i < n2_; ++i) {
      const double* wi = w + off2_ + static_cast<std::size_t>(i) * stride2_;
      double net = 0.0;
      for (int k = 0; k < n1_; ++k) net += h[k] * wi[k];
      const double a = (wi[n1_] - net) * slope;
      y[i] = a > kExpGuard ? 0.0 : StretchedSigmoid(a, stretch, offset);
      e += ErrorTerm(y[i] - (i == c ? t1 : s), p);
      if (y[i] > best) {
        best = y[i];
        winner = i;
      }
    }
    if (winner >= 0 && winner == c) ++correct;
  }
  if (nv_ > 0) {
    DenseInputs(nv_ - 1, row_.data());
    for (std::size_t k = 0; k < n0; ++k) wb_.Net[0][k].Signal = row_[k];
    for (int j = 0; j < n1_; ++j) wb_.Net[1][static_cast<std::size_t>(j)].Signal = h[j];
    for (int i = 0; i < n2_; ++i) wb_.Net[2][static_cast<std::size_t>(i)].Signal = y[i];
  }
  wb_.SigmoidCount += sigmoidsPerVector_ * nv_;
  wb_.NumOfCorrect = correct;
  wb_.SuccessRate = VectorShare(correct, nv_);
  wb_.ErrorEvaluations += 1.0;
  return FiniteError(e);
}

void BPKernel::LoadWeights() {
  std::size_t i = 0;
  for (std::size_t l = 1; l < 3; ++l)
    for (const TNeuron& n : wb_.Net[l])
      for (double w : n.Weights) w_[i++] = w;
}

void BPKernel::StoreWeights() {
  std::size_t i = 0;
  for (std::size_t l = 1; l < 3; ++l)
    for (TNeuron& n : wb_.Net[l])
      for (double& w : n.Weights) w = w_[i++];
  if (lastVector_ < 0) return;
  DenseInputs(lastVector_, row_.data());
  for (int k = 0; k < n0_; ++k) wb_.Net[0][k].Signal = row_[k];
  for (int j = 0; j < n1_; ++j) wb_.Net[1][j].Signal = h_[j];
  for (int j = 0; j < n2_; ++j) wb_.Net[2][j].Signal = y_[j];
}

void BPKernel::KeepSlopeInRange() {
  wb_.Slope = BPSlopeInRange(wb_.Slope);
  slope_ = wb_.Slope;
}

template <bool Sparse>
void BPKernel::Forward(int v) {
  const double* w = w_.data();
  const double* x = x_.data() + static_cast<std::size_t>(v) * static_cast<std::size_t>(n0_);
  const double slope = slope_, stretch = stretch_, offset = offset_;
  double* h = h_.data();
  if constexpr (Sparse) {
    for (int j = 0; j < n1_; ++j) {
      const double* wj = w + static_cast<std::size_t>(j) * stride1_;
      double net = 0.0;
      for (std::uint32_t t = nzStart_[v], end = nzStart_[v + 1]; t < end; ++t) net += nzValue_[t] * wj[nzIndex_[t]];
      h[j] = (wj[n0_] - net) * slope;
    }
  } else if (n0_ >= kClonedFrom) {
    HiddenArguments(x, w, stride1_, n0_, n1_, slope, h);
  } else {
    for (int j = 0; j < n1_; ++j) {
      const double* wj = w + static_cast<std::size_t>(j) * stride1_;
      h[j] = (wj[n0_] - Dot(x, wj, n0_)) * slope;
    }
  }
  // The sigmoids after the sums, so that their exponentials follow one another. With a stretch of 1 the
  // stretched sigmoid is the plain logistic, which needs no clipping.
  const bool plain = stretch == 1.0;
  for (int j = 0; j < n1_; ++j) {
    const double a = h[j];
    h[j] = a > kExpGuard ? 0.0 : plain ? 1.0 / (1.0 + std::exp(a)) : StretchedSigmoid(a, stretch, offset);
  }
  for (int i = 0; i < n2_; ++i) {
    const double* wi = w + off2_ + static_cast<std::size_t>(i) * stride2_;
    y_[i] = (wi[n1_] - Dot(h, wi, n1_)) * slope;
  }
  if (linearOut_) return;
  for (int i = 0; i < n2_; ++i) {
    const double a = y_[i];
    y_[i] = a > kExpGuard ? 0.0 : plain ? 1.0 / (1.0 + std::exp(a)) : StretchedSigmoid(a, stretch, offset);
  }
}

template <bool Sparse, bool Fresh>
void BPKernel::Accumulate(int v, double m) {
  const double eta = eta_;
  const double* w = w_.data();
  const double* h = h_.data();
  double* step = step_;
  for (int i = 0; i < n2_; ++i) {
    const double ed = eta * delta_[i];
    double* row = step + off2_ + static_cast<std::size_t>(i) * stride2_;
    if constexpr (Fresh) {
      for (int k = 0; k < n1_; ++k) row[k] = ed * h[k];
      row[n1_] = -ed;
    } else {
      for (int k = 0; k < n1_; ++k) row[k] += ed * h[k];
      row[n1_] -= ed;
    }
  }
  const double* x = x_.data() + static_cast<std::size_t>(v) * static_cast<std::size_t>(n0_);
  for (int j = 0; j < n1_; ++j) {
    double s = 0.0;
    for (int i = 0; i < n2_; ++i) s += delta_[i] * w[off2_ + static_cast<std::size_t>(i) * stride2_ + j];
    s *= m;
    const double g = eta * s * h[j] * (1.0 - h[j]);
    double* row = step + static_cast<std::size_t>(j) * stride1_;
    if constexpr (Sparse) {
      for (std::uint32_t t = nzStart_[v], end = nzStart_[v + 1]; t < end; ++t) row[nzIndex_[t]] += g * nzValue_[t];
      row[n0_] -= g;
    } else if constexpr (Fresh) {
      for (int k = 0; k < n0_; ++k) row[k] = g * x[k];
      row[n0_] = -g;
    } else {
      for (int k = 0; k < n0_; ++k) row[k] += g * x[k];
      row[n0_] -= g;
    }
  }
}

template <bool Sparse, bool Fresh>
bool BPKernel::Present(int v, double m) {
  Forward<Sparse>(v);
  Score(v);
  Accumulate<Sparse, Fresh>(v, m);
  return lastCorrect_;
}

void BPKernel::Score(int v) {
  lastVector_ = v;
  const int c = class_[v];
  double e = 0.0, best = 0.0;
  int winner = -1;
  for (int i = 0; i < n2_; ++i) {
    const double y = y_[i];
    const double t = i == c ? t1_ : s_;
    e += ErrorTerm(y - t, p_);
    if (y > best) {
      best = y;
      winner = i;
    }
    delta_[i] = (t - y) * y * (1.0 - y);
  }
  lastError_ = e;
  lastCorrect_ = winner >= 0 && winner == c;
}

void BPKernel::PresentAndUpdate(int v, int u) {
  Forward<true>(v);
  Score(v);
  const double eta = eta_, momentum = momentum_;
  double* w = w_.data();
  double* step = step_;
  double* prev = prev_;
  const double* h = h_.data();
  // The steps as the cleared step array takes them (0 + the change), each applied at once:
  // w + step + momentum * previous step, and the step kept as the previous one.
  auto update = [&](std::size_t i, double s) {
    w[i] = w[i] + s + momentum * prev[i];
    prev[i] = s;
    step[i] = s;
  };
  // The hidden neurons' factors from the output weights before their update.
  for (int j = 0; j < n1_; ++j) {
    double s = 0.0;
    for (int i = 0; i < n2_; ++i) s += delta_[i] * w[off2_ + static_cast<std::size_t>(i) * stride2_ + j];
    s *= 1.0;
    g_[static_cast<std::size_t>(j)] = eta * s * h[j] * (1.0 - h[j]);
  }
  for (int i = 0; i < n2_; ++i) {
    const double ed = eta * delta_[i];
    const std::size_t base = off2_ + static_cast<std::size_t>(i) * stride2_;
    for (int k = 0; k < n1_; ++k) update(base + static_cast<std::size_t>(k), 0.0 + ed * h[k]);
    update(base + static_cast<std::size_t>(n1_), 0.0 - ed);
  }
  // The columns of u's pattern outside v's: their steps become 0.
  const std::uint32_t vFirst = nzStart_[v], vEnd = nzStart_[v + 1];
  std::size_t gone = 0;
  if (u >= 0) {
    if (++stamp_ == 0) {
      std::fill(mark_.begin(), mark_.end(), 0u);
      stamp_ = 1;
    }
    for (std::uint32_t t = vFirst; t < vEnd; ++t) mark_[nzIndex_[t]] = stamp_;
    for (std::uint32_t t = nzStart_[u], end = nzStart_[u + 1]; t < end; ++t) {
      const std::uint32_t k = nzIndex_[t];
      gone_[gone] = k;
      gone += mark_[k] != stamp_;
    }
  }
  for (int j = 0; j < n1_; ++j) {
    const double g = g_[static_cast<std::size_t>(j)];
    const std::size_t base = static_cast<std::size_t>(j) * stride1_;
    for (std::uint32_t t = vFirst; t < vEnd; ++t) update(base + nzIndex_[t], 0.0 + g * nzValue_[t]);
    for (std::size_t q = 0; q < gone; ++q) update(base + gone_[q], 0.0);
    update(base + static_cast<std::size_t>(n0_), 0.0 - g);
  }
}

void BPKernel::BeginOnlineEpoch(int e) {
  KeepSlopeInRange();
  bool sparse = sparse_ && !min_ && std::isfinite(momentum_);
  for (std::size_t i = 0; sparse && i < size_; ++i) sparse = !(w_[i] == 0.0 && std::signbit(w_[i]));
  sparseUpdate_ = sparse;
  if (direct_) {
    WeightRecords<double>& rows = wb_.Online.DirectRows();
    directRows_ = rows.Rows() == 0 ? nullptr : rows.Row(0).data();
    directStride_ = rows.Shape().RowSize;
    directLimit_ = rows.Rows();
    return;
  }
  // Only the kernel changes its weights and steps during a run, so each epoch starts where the one
  // before ended: the run's start is kept, and each epoch's rate, slope and update.
  if (e == 0) {
    const std::size_t epochs = static_cast<std::size_t>(std::max(wb_.NumOfEpochs, 0)) + 1;
    startW_.assign(w_.begin(), w_.end());
    startPrev_.assign(prev_, prev_ + size_);
    startEta_.reserve(epochs);
    startSlope_.reserve(epochs);
    startSparse_.reserve(epochs);
  }
  startEta_.push_back(wb_.BPEta);
  startSlope_.push_back(slope_);
  startSparse_.push_back(sparse ? 1 : 0);
  ++epochsBegun_;
  lastEpochVectors_ = 0;
}

void BPKernel::DensePresentAndUpdate(int v) {
  Forward<false>(v);
  Score(v);
  const double eta = eta_, momentum = momentum_;
  double* __restrict w = w_.data();
  double* __restrict step = step_;
  double* __restrict prev = prev_;
  const double* __restrict h = h_.data();
  const double* __restrict x = x_.data() + static_cast<std::size_t>(v) * static_cast<std::size_t>(n0_);
  double* __restrict g = g_.data();
  // The hidden neurons' factors from the output weights before their update.
  for (int j = 0; j < n1_; ++j) {
    double s = 0.0;
    for (int i = 0; i < n2_; ++i) s += delta_[i] * w[off2_ + static_cast<std::size_t>(i) * stride2_ + j];
    g[j] = eta * s * h[j] * (1.0 - h[j]);
  }
  // Each step as it is formed (written, not added: 0 + x is x), applied at once:
  // w + step + momentum * previous step, and the step kept as the previous one.
  double* __restrict ed = ed_.data();
  for (int i = 0; i < n2_; ++i) ed[i] = eta * delta_[i];
  if (n0_ >= kClonedFrom) {
    DenseLayerUpdate(w + off2_, step + off2_, prev + off2_, ed, h, n1_, n2_, stride2_, momentum);
    DenseLayerUpdate(w, step, prev, g, x, n0_, n1_, stride1_, momentum);
  } else {
    DenseLayerUpdateInline(w + off2_, step + off2_, prev + off2_, ed, h, n1_, n2_, stride2_, momentum);
    DenseLayerUpdateInline(w, step, prev, g, x, n0_, n1_, stride1_, momentum);
  }
}

void BPKernel::OnlineVector(int v) {
  if (!sparse_) {
    if (min_) {
      // Every step is written: 0 + x is x. The line search takes the step.
      Present<false, true>(v, 1.0);
    } else {
      DensePresentAndUpdate(v);
      applied_ = true;
    }
    return;
  }
  if (sparseUpdate_ && stepVector_ != -2) {
    PresentAndUpdate(v, stepVector_);
    applied_ = true;
  } else {
    // The steps of the inputs that are 0 are 0.
    std::fill(step_, step_ + size_, 0.0);
    Present<true, false>(v, 1.0);
  }
  // After the update (either way) step_ and prev_ are 0 outside v's pattern.
  stepVector_ = v;
}

void BPKernel::ApplyStep() {
  if (applied_) {
    applied_ = false;
    return;
  }
  double* w = w_.data();
  const double* step = step_;
  double* prev = prev_;
  const double momentum = momentum_;
  for (std::size_t i = 0; i < size_; ++i) {
    w[i] = w[i] + step[i] + momentum * prev[i];
    prev[i] = step[i];
  }
}

bool BPKernel::VectorGradient(int e, int v) {
  KeepSlopeInRange();
  eta_ = wb_.BPEta;
  // The row holds the weights in force as the vector is presented: written before its update (which the
  // sparse update makes at once).
  if (direct_) {
    const std::size_t row = static_cast<std::size_t>(e) * static_cast<std::size_t>(nv_) + static_cast<std::size_t>(v);
    if (directRows_ && row < directLimit_) {
      StreamRow(directRows_ + row * directStride_, w_.data(), std::min(size_, directStride_));
      directNext_ = row + 1;
    }
  } else {
    ++lastEpochVectors_;
  }
  OnlineVector(v);
  wb_.SigmoidCount += sigmoidsPerVector_;
  wb_.Online.Errors.Put(static_cast<std::size_t>(e), static_cast<std::size_t>(v), lastError_);
  wb_.CurrentError += lastError_;
  return lastCorrect_;
}

void BPKernel::ClearRowsNotWritten() {
  if (!direct_ || !directRows_ || directNext_ >= directLimit_) return;
  StreamFence();
  std::fill(directRows_ + directNext_ * directStride_, directRows_ + directLimit_ * directStride_, 0.0);
}

void BPKernel::ReplayOnline(WeightRecords<double>& rows) {
  // Arrays of its own: the run's belong to the workbench, which may have moved on.
  std::vector<double> step(size_, 0.0), prev(size_, 0.0), delta(static_cast<std::size_t>(n2_), 0.0);
  step_ = step.data();
  prev_ = prev.data();
  delta_ = delta.data();
  const std::size_t stride = rows.Shape().RowSize, n = std::min(size_, stride);
  const auto nv = static_cast<std::size_t>(std::max(nv_, 0));
  // The epochs one after the other from the run's start, each as the run presented it.
  if (epochsBegun_ > 0) {
    std::copy(startW_.begin(), startW_.end(), w_.begin());
    std::copy(startPrev_.begin(), startPrev_.end(), prev_);
  }
  for (int e = 0; e < epochsBegun_ && static_cast<std::size_t>(e) * nv < rows.Rows(); ++e) {
    eta_ = startEta_[static_cast<std::size_t>(e)];
    slope_ = startSlope_[static_cast<std::size_t>(e)];
    sparseUpdate_ = startSparse_[static_cast<std::size_t>(e)] != 0;
    stepVector_ = -2;  // the pattern of the step is not known: the first update is full
    const int count = e + 1 == epochsBegun_ ? lastEpochVectors_ : nv_;
    for (int v = 0; v < count && static_cast<std::size_t>(e) * nv + static_cast<std::size_t>(v) < rows.Rows(); ++v) {
      const std::size_t row = static_cast<std::size_t>(e) * nv + static_cast<std::size_t>(v);
      std::memcpy(rows.Row(row).data(), w_.data(), n * sizeof(double));
      OnlineVector(v);
      ApplyStep();
    }
  }
  step_ = prev_ = delta_ = nullptr;
}

void BPKernel::BatchGradient() {
  std::fill(step_, step_ + size_, 0.0);
  eta_ = wb_.BPEta;
  stepVector_ = -2;
  int count = 0;
  double weighted = 0.0, e = 0.0;
  KeepSlopeInRange();
  const int nv = wb_.NumOfVectors;
  // The schedule is read once per pass: it cannot change while the pass runs.
  const double m = BPHiddenFactor(wb_, wb_.Epoch);
  const double* classWeight = wb_.ClassWeight.data();
  for (int v = 0; v < nv; ++v) {
    const bool correct = sparse_ ? Present<true, false>(v, m) : Present<false, false>(v, m);
    e += lastError_;
    if (correct) {
      ++count;
      weighted += classWeight[class_[v]];
    }
  }
  wb_.SigmoidCount += sigmoidsPerVector_ * nv;
  wb_.CurrentError = e;
  wb_.SuccessRate = static_cast<double>(count) / nv;
  wb_.AcceptedSuccessRate = wb_.SuccessRate;
  wb_.AcceptedWeightedRate = weighted / nv;
}

void BPKernel::UpdateWeights() {
  if (!min_) ApplyStep();
  if (Log) WriteLogLine();
  if (min_) LineSearch();
}

void BPKernel::WriteLogLine() {
  double sum = 0.0;
  for (std::size_t i = 0; i < size_; ++i) sum += step_[i] * step_[i];
  wb_.GradSumSq = std::sqrt(sum);
  // A step of length 0 has no direction: it is logged as zeros.
  const double length = wb_.GradSumSq;
  std::string line;
  line.reserve(size_ * 26 + 1);
  for (std::size_t i = 0; i < size_; ++i) {
    line += "   ";
    line += FormatReal(length == 0.0 ? 0.0 : step_[i] / length);
  }
  line += '\n';
  *Log << line;
  if (!*Log) throw FileError("Cannot write " + LogName);
}

void BPKernel::LineSearch() {
  StoreWeights();
  std::vector<TNeuron*> neurons;
  for (std::size_t l = 1; l < 3; ++l)
    for (TNeuron& n : wb_.Net[l]) {
      n.OldWeights = n.Weights;
      neurons.push_back(&n);
    }
  // The errors tried along the line must not stand as the epoch's accuracy.
  const double rate = wb_.SuccessRate, weighted = wb_.WeightedCorrect;
  const int correct = wb_.NumOfCorrect;
  auto moveBy = [&](double f) {
    const double* step = step_;
    for (TNeuron* n : neurons) {
      for (std::size_t k = 0; k < n->Weights.size(); ++k) n->Weights[k] = n->OldWeights[k] + f * step[k];
      step += n->Weights.size();
    }
  };
  double best = ComputeError(wb_, options_, 1), fBest = 0.0;
  for (double f : kLineFactors) {
    moveBy(f);
    const double e = ComputeError(wb_, options_, 1);
    if (e < best) {
      best = e;
      fBest = f;
    }
  }
  moveBy(0.3 * fBest);
  wb_.SuccessRate = rate;
  wb_.WeightedCorrect = weighted;
  wb_.NumOfCorrect = correct;
  LoadWeights();
}

// ---- the run ----------------------------------------------------------------------------------------

bool TrainBP(Workbench& wb) {
  TForm1& f = wb.Form1;
  if (wb.NumOfLayers != 3 || !f.FullConn.Checked()) {
    wb.Plat.ShowMessage(kRefusal);
    return false;
  }
  // The gradient is that of the class targets: a function approximator would be trained to the wrong error.
  if (f.FApproxBox.Checked()) {
    wb.Plat.ShowMessage(kFunctionApproxRefusal);
    return false;
  }
  RequireBPNetwork(wb);
  // The hidden layers' schedule is read at every pass: all of its fields the epochs will read convert
  // before the run changes anything.
  ReadAllFirst(SegmentScheduleReads({f.EEdit1.Text(), f.EEdit2.Text(), f.EEdit3.Text()},
                                    {f.MEdit1.Text(), f.MEdit2.Text(), f.MEdit3.Text(), f.MEdit4.Text()}, ReadAs::Int,
                                    wb.NumOfEpochs));

  HourglassGuard hourglass(wb.Plat);
  wb.MethodTag = "BP";
  // The run's log: an error that ends the run (an overflow) leaves it as far as the run got.
  AtomicOfstream log(AtomicOfstream::RunLog);
  const std::string logName = wb.ResultsPrefix + "_bpgradients.txt";
  if (f.LogGradientBox.Checked()) {
    log.open(logName, std::ios::binary | std::ios::trunc);
    if (!log) throw FileError("Cannot create " + logName);
  }
  const std::int64_t start = MonotonicMs();
  const LiveRunStatus live(wb);
  PrepareTrainingRun(wb);
  wb.Online.Recorded = wb.OnlineBP;
  // The evaluation options of the run's error functions, read once.
  EvalOptions options = ReadEvalOptions(wb);

  // With linear inputs and the plain error the kernel is built first, and the start errors are taken from
  // its inputs: the values (and side results) of NetworkError without a pass through the neurons' records.
  std::shared_ptr<BPKernel> kernelHeld;
  if (BPKernel::GivesStartError(wb, options)) {
    EvalNeeds needs;
    needs.InputWeights = true;
    RequireEvaluable(wb, NetLayout::Standard, needs, options);  // before the kernel reads the data set
    kernelHeld = std::make_shared<BPKernel>(wb, options);
  }
  auto startError = [&] { return kernelHeld ? kernelHeld->StartError(options) : StartError(wb, options); };
  wb.CurrentError = startError();
  // That pass checked the network against the data set; the later ones need not.
  options.NetworkFits = true;
  f.EditSuccess.SetText(FixedDisplayText(wb.SuccessRate, 7, 5));
  f.EditSuccess.Repaint();
  f.ge.SetText(FixedDisplayText(wb.CurrentError, 12, 4) + " / " + wb.ResultText);
  f.ge.Repaint();
  // The preparation's weighted rate, already a share of the vectors.
  wb.AcceptedWeightedRate = wb.WeightedCorrect;
  f.WeightedAccEdit.SetText(FixedDisplayText(wb.AcceptedWeightedRate, 7, 5));
  f.WeightedAccEdit.Repaint();
  f.TrainingEdit.SetText(" ");
  f.TrainingEdit.Repaint();

  SaveWeights(wb, 0);
  const bool online = wb.OnlineBP;
  const std::string mode = online ? "Backpropagation - online mode" : "Backpropagation - batch mode";
  wb.ParamText[7] = mode + "   eta=" + Trim(f.BPLearn.Text()) + "  alfa(momentum)=" + Trim(f.BPmom.Text());
  ShowRunMethod(wb, mode);
  wb.ResultText = FixedDisplayText(startError(), 12, 4);

  const int period = BPDisplayPeriod(wb.NumOfVectors, wb.NumOfWeights);
  AllocBPArrays(wb);
  wb.BPEta = wb.BPLearnRate;
  if (!kernelHeld) kernelHeld = std::make_shared<BPKernel>(wb, options);
  BPKernel& kernel = *kernelHeld;
  kernel.BeginRun(options);
  if (log.is_open()) {
    kernel.Log = &log;
    kernel.LogName = logName;
  }
  // The online rows, unless written as the run goes, are replayed from the kernel when first read; also
  // when the run stops early (an overflow), for the epochs it began.
  OnlineReplayAtEnd replayAtEnd(wb, online && !kernel.RecordsDirectly() ? kernelHeld : nullptr);
  // Rows written directly into a kept block: those of the epochs not reached are zeroed at the end.
  struct RowsNotWrittenAtEnd {
    BPKernel* kernel;
    ~RowsNotWrittenAtEnd() {
      if (kernel) kernel->ClearRowsNotWritten();
    }
  } rowsAtEnd{online && kernel.RecordsDirectly() ? &kernel : nullptr};

  const int nv = wb.NumOfVectors;
  ClearUpperVectorState();
  for (int e = 0; e <= wb.NumOfEpochs; ++e) {
    wb.Epoch = e + 1;
    if (wb.BPDecay != 0.0) wb.BPEta = BPRate(wb.BPLearnRate, wb.BPDecay, e);
    if (online) {
      wb.CurrentError = 0.0;
      int count = 0;
      kernel.BeginOnlineEpoch(e);
      for (int v = 0; v < nv; ++v) {
        if (kernel.VectorGradient(e, v)) ++count;
        kernel.UpdateWeights();
      }
      wb.SuccessRate = static_cast<double>(count) / nv;
      HoldRates(wb, false);  // the weighted rate shown stays the start's
      StreamFence();
    } else {
      kernel.BatchGradient();
      kernel.UpdateWeights();
    }
    kernel.StoreWeights();
    const std::vector<double>& weights = kernel.Weights();
    bool finite = std::isfinite(wb.CurrentError);
    for (double w : weights) finite = finite && std::isfinite(w);
    if (!finite) throw FloatError("Floating point overflow in backpropagation, epoch " + IntToStr(e));

    if (e % period == 0) {
      ShowRates(wb);
      f.ep.SetText(IntToStr(e));
      f.ep.Repaint();
    }
    std::copy(weights.begin(), weights.end(), wb.WeightHistory.Row(static_cast<std::size_t>(e)).begin());
    RecordEpochRow(wb, e);
    wb.Plat.ProcessEvents();
    ClearUpperVectorState();  // after the plot's painting and the event pump
  }
  replayAtEnd.Install();
  if (log.is_open() && !log.commit()) throw FileError("Cannot write " + logName);
  ExportWeightMatrixAtRunEnd(wb);

  f.TrainingEdit.SetText(FormatFixed(static_cast<double>(MonotonicMs() - start) / 1000.0, 2) + "s");
  f.TrainingEdit.Repaint();
  ShowRates(wb);
  f.ep.SetText(IntToStr(wb.NumOfEpochs));
  f.ep.Repaint();
  wb.MethodTag = "BP";
  ShowEvaluationCount(wb);
  if (!f.NoGTPBox.Checked()) CallRunEnded(wb);
  return true;
}

}  // namespace wl
