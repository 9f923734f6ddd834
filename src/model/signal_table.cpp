#include "model/signal_table.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "model/create_network.h"
#include "model/eval_options.h"
#include "model/forward_pass.h"
#include "state/training_parts.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"
#include "model/class_weights.h"
#include "model/sparse_inputs.h"
#include "model/vector_state.h"
#include "model/vector_pass.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

namespace wl {

namespace {

// Sums beyond this stand for the output 0, so that the exponential is never taken of them.
constexpr double kTableGuard = 11300.0;

inline double Sigma(double s) { return s > kTableGuard ? 0.0 : 1.0 / (std::exp(s) + 1.0); }

struct SigmoidOut {
  double operator()(double s) const { return Sigma(s); }
};

// The same outputs by the vector kernels' exponential (within a unit in the last place of the C
// library's): one number at a time or in blocks, equal bit for bit, so that kept and recomputed outputs
// agree while the trials compute theirs in blocks.
struct KernelSigmoidOut {
  double operator()(double s) const { return KernelLogistic(s); }
};

// y[i] := out(a[i]) for i < n.
template <class F>
inline void Outputs(const F& out, const double* a, double* y, int n) {
  for (int i = 0; i < n; ++i) y[i] = out(a[i]);
}
inline void Outputs(const KernelSigmoidOut&, const double* a, double* y, int n) { VectorLogistic(a, y, n); }

struct StairOut {
  const double* Table;
  int K;
  double Scale, Range;
  double operator()(double s) const {
    if (s < -Range) return 1.0;
    if (s > Range) return 0.0;
    const std::int64_t i = std::clamp<std::int64_t>(Round(0.5 * K - s * Scale), 0, K);
    return Table[i];
  }
};

StairOut MakeStair(Workbench& wb) {
  EnsureStairTable(wb);
  return {wb.StairTable.data(), std::max(0, wb.NumOfStep), wb.StairScale, wb.StairRange};
}

// A kept output: the sum it was computed from and the output. A NaN sum never matches, so a fresh entry
// is always computed.
struct KeptOutput {
  double s = std::numeric_limits<double>::quiet_NaN();
  double y = 0.0;
};

// A vector's error term (unweighted) and correctness as its kept outputs give them; cls < 0: not valid.
struct KeptScore {
  double e = 0.0;
  int cls = -1;
  bool correct = false;
};

}  // namespace

// What the trials keep between calls, one set for each family of outputs: every table entry's output
// beside the sum it belongs to, and every vector's score from its kept outputs. The entries are checked
// against the table's sums when they are read, so a table changed behind the routines' back (restored,
// refilled) only costs recomputation.
struct SignalTableMemo {
  struct Family {
    std::vector<std::vector<std::vector<KeptOutput>>> rows;  // [level][neuron][vector]
    std::vector<KeptScore> scores;                            // [vector]
    int outLevel = -1;
    double p = std::numeric_limits<double>::quiet_NaN();
    int rule = -1;
    // The staircase the outputs were computed with.
    const double* table = nullptr;
    int K = -1;
    double scale = 0.0, range = 0.0;
  };
  Family families[3];  // 0: sigmoid, 1: staircase, 2: sigmoid by the vector kernels
  // For every coded input of a discrete or symbolic feature, the vectors where it is 1 (in order): a
  // trial of its weight changes only their sums. They follow the data set of the last full pass, as the
  // table does, and are made from it by the first trial that needs them; refreshing a column from the
  // data alone drops them until the next full pass.
  struct HotVectors {
    std::vector<std::vector<int>> lists;  // [input]
    std::vector<int> index;               // one row's inputs that are not zero
    std::vector<double> value;
    HotInputs coder;
    const void* data = nullptr;  // the data set of the last full pass
    int vectors = -1, inputs = -1;
    bool allowed = false;  // no column refreshed from the data since that pass
    bool made = false;
  } hot;
};

namespace {

// The family's memo, shaped for the table; entries whose shape changed are dropped.
SignalTableMemo::Family& MemoFor(Workbench& wb, int family, const StairOut* stair) {
  auto& handle = wb.TableMemo.Memo;
  if (!handle) handle = std::make_shared<SignalTableMemo>();
  SignalTableMemo::Family& m = handle->families[family];
  const auto& T = wb.SignalTable;
  if (stair && (m.table != stair->Table || m.K != stair->K || m.scale != stair->Scale || m.range != stair->Range)) {
    m.rows.clear();
    m.table = stair->Table;
    m.K = stair->K;
    m.scale = stair->Scale;
    m.range = stair->Range;
  }
  const int levels = static_cast<int>(T.size());
  if (m.outLevel != levels - 1) {
    m.outLevel = levels - 1;
    m.rows.clear();
  }
  m.rows.resize(T.size());
  std::size_t nv = 0;
  for (std::size_t l = 0; l < T.size(); ++l) {
    auto& level = m.rows[l];
    level.resize(T[l].size());
    for (std::size_t n = 0; n < T[l].size(); ++n) {
      if (level[n].size() != T[l][n].size()) level[n].assign(T[l][n].size(), KeptOutput{});
      nv = std::max(nv, T[l][n].size());
    }
  }
  if (m.scores.size() != nv) m.scores.assign(nv, KeptScore{});
  return m;
}

SignalTableMemo::Family& MemoFor(Workbench& wb, const SigmoidOut&) { return MemoFor(wb, 0, nullptr); }
SignalTableMemo::Family& MemoFor(Workbench& wb, const KernelSigmoidOut&) { return MemoFor(wb, 2, nullptr); }
SignalTableMemo::Family& MemoFor(Workbench& wb, const StairOut& stair) { return MemoFor(wb, 1, &stair); }

// Makes the kept scores follow the exponent and the counting rule of the call.
void MemoScoring(SignalTableMemo::Family& m, double p, int rule) {
  if (m.p == p && m.rule == rule) return;
  m.p = p;
  m.rule = rule;
  for (KeptScore& k : m.scores) k.cls = -1;
}

// The output of the sum s of table entry (level, neuron, v): the kept one when s is the sum it was
// computed from, else computed and kept (a changed output of the last layer drops the vector's score).
template <class F>
inline double KeptY(SignalTableMemo::Family& m, const F& out, int level, int neuron, std::size_t v, double s) {
  KeptOutput& k = m.rows[static_cast<std::size_t>(level)][static_cast<std::size_t>(neuron)][v];
  if (k.s == s) return k.y;
  k.s = s;
  k.y = out(s);
  if (level == m.outLevel) m.scores[v].cls = -1;
  return k.y;
}

// KeptY with the output of s computed already (y = out(s)): the same entries kept and dropped.
inline double KeptYGiven(SignalTableMemo::Family& m, int level, int neuron, std::size_t v, double s, double y) {
  KeptOutput& k = m.rows[static_cast<std::size_t>(level)][static_cast<std::size_t>(neuron)][v];
  if (k.s == s) return k.y;
  k.s = s;
  k.y = y;
  if (level == m.outLevel) m.scores[v].cls = -1;
  return k.y;
}

// The outputs of a layer's sums s[0..n) of vector v into y, through the kept outputs: one by one, or by
// the vector kernels for the whole layer at once.
template <class F>
inline void LayerOutputs(SignalTableMemo::Family& m, const F& out, int level, std::size_t v, const double* s, double* y,
                         int n) {
  for (int j = 0; j < n; ++j) y[j] = KeptY(m, out, level, j, v, s[j]);
}
inline void LayerOutputs(SignalTableMemo::Family& m, const KernelSigmoidOut&, int level, std::size_t v, const double* s,
                         double* y, int n) {
  auto& rows = m.rows[static_cast<std::size_t>(level)];
  bool kept = true;
  for (int j = 0; j < n && kept; ++j) kept = rows[static_cast<std::size_t>(j)][v].s == s[j];
  if (kept) {
    for (int j = 0; j < n; ++j) y[j] = rows[static_cast<std::size_t>(j)][v].y;
    return;
  }
  VectorLogistic(s, y, n);
  for (int j = 0; j < n; ++j) y[j] = KeptYGiven(m, level, j, v, s[j], y[j]);
}

// The error term |d|^p, as the error functions compute it.
inline double Term(double d, double p) {
  d = std::fabs(d);
  if (d == 0.0) return 0.0;
  if (p == 2.0) return d * d;
  if (p == 1.0) return d;
  return std::pow(d, p);
}

[[noreturn]] void NotFitting(const char* what) {
  throw WlError(std::string("The network does not fit ") + what + ". Create the network again.");
}

// The network as the table sees it.
struct Geometry {
  int nl = 0;       // layers, inputs included
  int L0 = 0;       // network inputs
  int L1 = 0;       // neurons of layer 1
  int outputs = 0;  // neurons of the last layer
  int th1 = 0;      // threshold index of a layer-1 neuron
  int th2 = 0;      // threshold index of a layer-2 neuron (three layers)
  bool skip = false;  // the output neurons also see every input
};

// Checks the network's shape against the data set. `trial`: the routine changes one weight, which the
// table supports for two and three layers only.
Geometry CheckNetwork(const Workbench& wb, bool trial) {
  const std::vector<int>& L = wb.Layers;
  const int nl = static_cast<int>(L.size());
  if (nl < 2 || nl > 4 || static_cast<int>(wb.Net.size()) != nl) NotFitting("the chosen structure");
  if (trial && nl > 3) throw WlError("The signal table serves networks of two or three layers only.");
  Geometry g;
  g.nl = nl;
  g.L0 = L[0];
  g.L1 = L[1];
  g.outputs = L[nl - 1];
  for (int l = 1; l < nl; ++l) {
    const int fan = wb.LayerInputs[static_cast<std::size_t>(l - 1)];
    const bool skip = nl == 3 && l == 2 && fan == L[1] + L[0] && L[0] > 0;
    if (fan != L[l - 1] && !skip) NotFitting("the chosen structure");
    if (skip) g.skip = true;
    if (static_cast<int>(wb.Net[l].size()) != L[l]) NotFitting("the chosen structure");
    for (const TNeuron& n : wb.Net[l])
      if (static_cast<int>(n.Weights.size()) <= fan || (trial && static_cast<int>(n.OldWeights.size()) <= fan))
        NotFitting("the chosen structure");
  }
  g.th1 = wb.LayerInputs[0];
  g.th2 = nl >= 3 ? wb.LayerInputs[1] : 0;
  if (g.outputs < 1) NotFitting("the chosen structure");
  if (InputLayerSize(wb.Features) != g.L0) NotFitting("the data set");
  const auto nv = static_cast<std::size_t>(std::max(0, wb.NumOfVectors));
  if (wb.Data.size() < nv || wb.VectorClass.size() < nv || wb.VectorWeight.size() < nv) NotFitting("the data set");
  return g;
}

// The full passes also check every row of the data set (unless the run found the network fitting).
Geometry CheckForFullPass(const Workbench& wb, const EvalOptions& o) {
  const Geometry g = CheckNetwork(wb, false);
  EvalNeeds needs;
  needs.VectorWeights = true;
  RequireEvaluable(wb, NetLayout::Standard, needs, o);
  return g;
}

// Gives the table the network's shape, a column per vector; existing entries are kept.
void ShapeTable(Workbench& wb, const Geometry& g) {
  auto& T = wb.SignalTable;
  const auto nv = static_cast<std::size_t>(std::max(0, wb.NumOfVectors));
  T.resize(static_cast<std::size_t>(g.nl - 1));
  for (int l = 1; l < g.nl; ++l) {
    auto& level = T[static_cast<std::size_t>(l - 1)];
    level.resize(static_cast<std::size_t>(wb.Layers[l]));
    for (auto& row : level)
      if (row.size() < nv) row.resize(nv, 0.0);
  }
}

void RequireFilledTable(const Workbench& wb, const Geometry& g) {
  const auto& T = wb.SignalTable;
  const auto nv = static_cast<std::size_t>(std::max(0, wb.NumOfVectors));
  bool fits = T.size() >= static_cast<std::size_t>(g.nl - 1);
  for (int l = 1; fits && l < g.nl; ++l) {
    const auto& level = T[static_cast<std::size_t>(l - 1)];
    fits = level.size() == static_cast<std::size_t>(wb.Layers[l]);
    for (const auto& row : level) fits = fits && row.size() >= nv;
  }
  if (!fits) throw WlError("The signal table does not fit the network: a full pass must fill it first.");
}

// Where network input i comes from: feature f, and for a discrete or symbolic feature the value it
// stands for (j; Value null when the feature lists fewer values than it has inputs).
struct InputRef {
  int f = 0;
  int j = -1;  // -1: a continuous feature
  const double* Value = nullptr;
};

InputRef InputOf(const Workbench& wb, int input) {
  int c = 0;
  for (int f = 0; f < static_cast<int>(wb.Features.size()); ++f) {
    const TFeature& feat = wb.Features[static_cast<std::size_t>(f)];
    const int count = feat.Kind == 'c' ? 1 : feat.NValues;
    if (input < c + count) {
      InputRef r;
      r.f = f;
      if (feat.Kind != 'c') {
        r.j = input - c;
        if (static_cast<std::size_t>(r.j) < feat.Values.size()) r.Value = &feat.Values[static_cast<std::size_t>(r.j)];
      }
      return r;
    }
    c += count;
  }
  NotFitting("the data set");
}

// The signal of the input for vector v.
inline double InputSignal(const Workbench& wb, const InputRef& r, int v) {
  const double d = wb.Data[static_cast<std::size_t>(v)][static_cast<std::size_t>(r.f)];
  if (r.j < 0) return d;
  return (r.Value && d == *r.Value) ? 1.0 : 0.0;
}

void FillInputMap(Workbench& wb, const Geometry& g) {
  wb.InputFeature.assign(static_cast<std::size_t>(g.L0), 0);
  wb.InputValue.assign(static_cast<std::size_t>(g.L0), -1);
  int c = 0;
  for (int f = 0; f < static_cast<int>(wb.Features.size()); ++f) {
    const TFeature& feat = wb.Features[static_cast<std::size_t>(f)];
    const int count = feat.Kind == 'c' ? 1 : feat.NValues;
    for (int j = 0; j < count && c < g.L0; ++j, ++c) {
      wb.InputFeature[static_cast<std::size_t>(c)] = f;
      wb.InputValue[static_cast<std::size_t>(c)] = feat.Kind == 'c' ? -1 : j;
    }
  }
}

// The first layer's sums over the inputs that are not zero, when some feature is discrete or symbolic
// (its coded inputs are mostly 0); null when every feature is continuous. The storage is one per thread
// and only grows.
FirstLayerSums* BoundSums(const Workbench& wb) {
  bool coded = false;
  for (const TFeature& f : wb.Features)
    if (f.Kind != 'c') coded = true;
  if (!coded) return nullptr;
  thread_local FirstLayerSums sums;
  sums.Bind(wb.Net[1].data(), wb.Layers[1], wb.Layers[0]);
  return &sums;
}

// Full pass of vector v: stores every neuron's sum in the table and leaves the signals of every layer in
// buf (laid out as PrepareEvalSignals says); returns the output layer's signals.
template <class F>
const double* ForwardColumn(Workbench& wb, const Geometry& g, const F& out, SignalTableMemo::Family& m,
                            FirstLayerSums* sparse, int v, double* buf) {
  const std::vector<int>& L = wb.Layers;
  CodeInputs(wb.Features, wb.Data[static_cast<std::size_t>(v)].data(), buf);
  const double* x = buf;
  const double* prev = x;
  for (int l = 1; l < g.nl; ++l) {
    double* cur = buf + wb.EvalOffset[static_cast<std::size_t>(l)];
    const int n = L[l - 1];
    const int th = wb.LayerInputs[static_cast<std::size_t>(l - 1)];
    const bool skip = g.skip && l == 2;
    auto& level = wb.SignalTable[static_cast<std::size_t>(l - 1)];
    const TNeuron* layer = wb.Net[static_cast<std::size_t>(l)].data();
    const bool sparseSums = l == 1 && sparse;
    if (sparseSums) sparse->Sums(x, cur);
    thread_local std::vector<double> sums;
    if (sums.size() < static_cast<std::size_t>(L[l])) sums.resize(static_cast<std::size_t>(L[l]));
    for (int j = 0; j < L[l]; ++j) {
      const double* w = layer[j].Weights.data();
      double sum = sparseSums ? cur[j] : Dot(prev, w, n);
      if (skip) sum += Dot(x, w + n, g.L0);
      const double s = w[th] - sum;
      level[static_cast<std::size_t>(j)][static_cast<std::size_t>(v)] = s;
      sums[static_cast<std::size_t>(j)] = s;
    }
    LayerOutputs(m, out, l - 1, static_cast<std::size_t>(v), sums.data(), cur, L[l]);
    prev = cur;
  }
  return prev;
}

// The outputs of vector v as the table holds them.
template <class F>
void TableOutputs(const Workbench& wb, const Geometry& g, const F& out, int v, double* y) {
  const auto& level = wb.SignalTable[static_cast<std::size_t>(g.nl - 2)];
  for (int k = 0; k < g.outputs; ++k) y[k] = out(level[static_cast<std::size_t>(k)][static_cast<std::size_t>(v)]);
}

// A full pass over the data set: the lists of hot vectors are to be made from it again.
void HotListsAfterFullPass(Workbench& wb, const Geometry& g) {
  SignalTableMemo::HotVectors& h = wb.TableMemo.Memo->hot;
  h.made = false;
  h.allowed = true;
  h.data = wb.Data.data();
  h.vectors = wb.NumOfVectors;
  h.inputs = g.L0;
}

// Makes the lists of hot vectors from the data set (their storage only grows).
void MakeHotLists(const Workbench& wb, SignalTableMemo::HotVectors& h) {
  const auto n0 = static_cast<std::size_t>(h.inputs);
  if (h.lists.size() < n0) h.lists.resize(n0);
  for (std::size_t i = 0; i < n0; ++i) h.lists[i].clear();
  if (h.index.size() < n0 + 1) h.index.resize(n0 + 1);
  if (h.value.size() < n0 + 1) h.value.resize(n0 + 1);
  h.coder.Bind(wb.Features);
  for (int v = 0; v < h.vectors; ++v) {
    const int m = h.coder.Find(wb.Data[static_cast<std::size_t>(v)].data(), h.index.data(), h.value.data(), true);
    for (int t = 0; t < m; ++t) h.lists[static_cast<std::size_t>(h.index[static_cast<std::size_t>(t)])].push_back(v);
  }
  h.made = true;
}

// How correct vectors are counted: the winner (the output largest above 0, the first on ties) is the
// class; or, with a default class (DefClassBox), the class output alone above 0.5, or no output above
// 0.5 for the class that has no output neuron.
enum class Counting { Winner, DefaultClass };

struct VectorScore {
  double e;
  bool correct;
};

inline VectorScore Score(const double* y, int outputs, int c, double p, Counting rule) {
  double e = 0.0;
  for (int k = 0; k < outputs; ++k) e += Term(y[k] - (k == c ? 1.0 : 0.0), p);
  bool correct;
  if (rule == Counting::Winner) {
    int winner = -1;
    double best = 0.0;
    for (int k = 0; k < outputs; ++k)
      if (y[k] > best) {
        best = y[k];
        winner = k;
      }
    correct = winner >= 0 && winner == c;
  } else {
    bool classHigh = false, otherHigh = false;
    for (int k = 0; k < outputs; ++k)
      if (y[k] > 0.5) (k == c ? classHigh : otherHigh) = true;
    correct = c < outputs ? classHigh && !otherHigh : !otherHigh;
  }
  return {e, correct};
}

// The current part must have been drawn for this data set and these Parts.
void CheckBatch(const Workbench& wb) { RequirePartsFit(wb); }

double SumOfSquares(const Workbench& wb) {
  double sum = 0.0;
  for (std::size_t l = 1; l < wb.Net.size(); ++l)
    for (const TNeuron& n : wb.Net[l])
      for (double w : n.Weights) sum += w * w;
  return sum;
}

// The end of every error routine: the counters, the small-weights term and the class-error division.
double Finish(Workbench& wb, double e, int correct, int used, bool all) {
  wb.NumOfCorrect = correct;
  if (used <= 0) throw FloatError("Invalid floating point operation: no vectors to evaluate");
  wb.SuccessRate = static_cast<double>(correct) / used;
  wb.ErrorEvaluations += all ? 1.0 : 1.0 / wb.NumOfParts;
  if (wb.SmallW > 0.0) e += wb.SmallW * SumOfSquares(wb);
  if (wb.ClassErrorMode == 3) {
    if (wb.SuccessRate == 0.0)
      throw FloatError("Floating point division by zero: no vector is classified correctly, so the error cannot be "
                       "divided by the success rate");
    e /= wb.SuccessRate;
  }
  if (!std::isfinite(e)) throw FloatError("Floating point overflow in the error function");
  return e;
}

// The full pass of both families. The table is refreshed for every vector; the error covers all vectors
// or the current part.
template <class F>
double FullPassError(Workbench& wb, const F& out, bool counted, const EvalOptions& o) {
  ClearVectorState();
  const Geometry g = CheckForFullPass(wb, o);
  const bool all = wb.NumOfParts <= 1;
  if (!all) CheckBatch(wb);
  ShapeTable(wb, g);
  SignalTableMemo::Family& m = MemoFor(wb, out);
  FirstLayerSums* sparse = BoundSums(wb);
  FillInputMap(wb, g);
  double* buf = PrepareEvalSignals(wb, g.L0);
  wb.TableMemo.Memo->hot.allowed = false;  // until the pass is through
  const Counting rule = all && o.DefaultClass ? Counting::DefaultClass : Counting::Winner;
  const double p = wb.ErrorExponent;
  wb.NumOfCorrect = 0;
  double e = 0.0;
  int correct = 0;
  const int nv = wb.NumOfVectors;
  if (all) {
    for (int v = 0; v < nv; ++v) {
      const double* y = ForwardColumn(wb, g, out, m, sparse, v, buf);
      const VectorScore sc = Score(y, g.outputs, wb.VectorClass[static_cast<std::size_t>(v)], p, rule);
      e += sc.e * wb.VectorWeight[static_cast<std::size_t>(v)];
      if (sc.correct) ++correct;
    }
  } else {
    for (int v = 0; v < nv; ++v) ForwardColumn(wb, g, out, m, sparse, v, buf);
    double* y = buf + wb.EvalOffset[static_cast<std::size_t>(g.nl - 1)];
    for (int v : wb.BatchIndex) {
      TableOutputs(wb, g, out, v, y);
      const VectorScore sc = Score(y, g.outputs, wb.VectorClass[static_cast<std::size_t>(v)], p, rule);
      e += sc.e;
      if (sc.correct) ++correct;
    }
  }
  HotListsAfterFullPass(wb, g);
  if (counted) {
    std::int64_t neurons = 0;
    for (int l = 1; l < g.nl; ++l) neurons += wb.Layers[l];
    wb.SigmoidCount += neurons * nv;
  }
  const int used = all ? nv : static_cast<int>(wb.BatchIndex.size());
  return Finish(wb, e, correct, used, all);
}

// One changed weight.
struct Trial {
  enum Kind { Input, Threshold, Hidden, SkipInput };
  int layer = 1, n = 0, i = 0;
  Kind kind = Input;
  double wOld = 0.0, wNew = 0.0;
  InputRef in;  // Input, SkipInput
};

Trial MakeTrial(const Workbench& wb, const Geometry& g, int layer, int n, int i) {
  auto none = [&]() {
    throw WlError("No weight " + IntToStr(i) + " of neuron " + IntToStr(n) + " in layer " + IntToStr(layer) +
                  " of the network");
  };
  Trial t;
  t.layer = layer;
  t.n = n;
  t.i = i;
  if (layer == 1) {
    if (n < 0 || n >= g.L1 || i < 0 || i > g.th1) none();
    if (i == g.th1) {
      t.kind = Trial::Threshold;
    } else {
      t.kind = Trial::Input;
      t.in = InputOf(wb, i);
    }
  } else if (layer == 2 && g.nl == 3) {
    if (n < 0 || n >= g.outputs || i < 0 || i > g.th2) none();
    if (i == g.th2) {
      t.kind = Trial::Threshold;
    } else if (i < g.L1) {
      t.kind = Trial::Hidden;
    } else {
      t.kind = Trial::SkipInput;
      t.in = InputOf(wb, i - g.L1);
    }
  } else {
    none();
  }
  const TNeuron& neuron = wb.Net[static_cast<std::size_t>(layer)][static_cast<std::size_t>(n)];
  t.wOld = neuron.OldWeights[static_cast<std::size_t>(i)];
  t.wNew = neuron.Weights[static_cast<std::size_t>(i)];
  return t;
}

// The change of the changed neuron's stored sum for vector v (layer 1, or layer 2 but for the hidden
// output, which the caller supplies).
inline double InputDelta(const Workbench& wb, const Trial& t, int v) {
  if (t.kind == Trial::Threshold) return t.wNew - t.wOld;
  return (t.wOld - t.wNew) * InputSignal(wb, t.in, v);
}

// The outputs of vector v with the changed weight, from the table. *changed receives the changed
// neuron's output when it is asked for.
template <class F>
inline void TrialColumn(const Workbench& wb, const Geometry& g, const Trial& t, const F& out, int v, double* y,
                        double* changed) {
  const auto uv = static_cast<std::size_t>(v);
  const auto& T0 = wb.SignalTable[0];
  if (t.layer == 1) {
    const double s0 = T0[static_cast<std::size_t>(t.n)][uv];
    const double delta = InputDelta(wb, t, v);
    if (g.nl == 2) {
      for (int k = 0; k < g.outputs; ++k) y[k] = k == t.n ? out(s0 + delta) : out(T0[static_cast<std::size_t>(k)][uv]);
      if (changed) *changed = y[t.n];
      return;
    }
    const auto& T1 = wb.SignalTable[1];
    const std::vector<TNeuron>& outs = wb.Net[2];
    if (delta == 0.0 && !changed) {
      // The neuron's sum and output stay as they are, and so do the output sums.
      for (int k = 0; k < g.outputs; ++k) y[k] = out(T1[static_cast<std::size_t>(k)][uv]);
      return;
    }
    const double hOld = out(s0);
    const double hNew = out(s0 + delta);
    if (changed) *changed = hNew;
    const double diff = hOld - hNew;
    for (int k = 0; k < g.outputs; ++k)
      y[k] = out(T1[static_cast<std::size_t>(k)][uv] +
                 diff * outs[static_cast<std::size_t>(k)].Weights[static_cast<std::size_t>(t.n)]);
    return;
  }
  const auto& T1 = wb.SignalTable[1];
  double delta;
  if (t.kind == Trial::Hidden)
    delta = (t.wOld - t.wNew) * out(T0[static_cast<std::size_t>(t.i)][uv]);
  else
    delta = InputDelta(wb, t, v);
  for (int k = 0; k < g.outputs; ++k) {
    const double s = T1[static_cast<std::size_t>(k)][uv];
    y[k] = k == t.n ? out(s + delta) : out(s);
  }
  if (changed) *changed = y[t.n];
}

// The outputs of vector v with the changed weight, as TrialColumn gives them, reading the kept outputs of
// unchanged sums. Returns true when the change does not reach the vector: its outputs are then the
// table's.
template <class F>
inline bool KeptTrialColumn(const Workbench& wb, SignalTableMemo::Family& m, const Geometry& g, const Trial& t,
                            const F& out, int v, double* y, bool hot) {
  const auto uv = static_cast<std::size_t>(v);
  // A vector on the input's list of hot vectors has the signal 1 there: the data need not be read.
  auto Delta = [&]() { return hot ? (t.wOld - t.wNew) * 1.0 : InputDelta(wb, t, v); };
  const auto& T0 = wb.SignalTable[0];
  if (t.layer == 1) {
    const double s0 = T0[static_cast<std::size_t>(t.n)][uv];
    const double delta = Delta();
    if (g.nl == 2) {
      for (int k = 0; k < g.outputs; ++k)
        y[k] = k == t.n && delta != 0.0 ? out(s0 + delta) : KeptY(m, out, 0, k, uv, T0[static_cast<std::size_t>(k)][uv]);
      return delta == 0.0;
    }
    const auto& T1 = wb.SignalTable[1];
    const double diff = delta == 0.0 ? 0.0 : KeptY(m, out, 0, t.n, uv, s0) - out(s0 + delta);
    if (diff == 0.0) {
      for (int k = 0; k < g.outputs; ++k) y[k] = KeptY(m, out, 1, k, uv, T1[static_cast<std::size_t>(k)][uv]);
      return true;
    }
    const std::vector<TNeuron>& outs = wb.Net[2];
    for (int k = 0; k < g.outputs; ++k)
      y[k] = out(T1[static_cast<std::size_t>(k)][uv] +
                 diff * outs[static_cast<std::size_t>(k)].Weights[static_cast<std::size_t>(t.n)]);
    return false;
  }
  const auto& T1 = wb.SignalTable[1];
  const double delta =
      t.kind == Trial::Hidden
          ? (t.wOld - t.wNew) * KeptY(m, out, 0, t.i, uv, T0[static_cast<std::size_t>(t.i)][uv])
          : Delta();
  for (int k = 0; k < g.outputs; ++k) {
    const double s = T1[static_cast<std::size_t>(k)][uv];
    y[k] = k == t.n && delta != 0.0 ? out(s + delta) : KeptY(m, out, 1, k, uv, s);
  }
  return delta == 0.0;
}

// The score of vector v of class c under the trial: a vector the change does not reach keeps its score.
inline VectorScore KeptVectorScore(SignalTableMemo::Family& m, const Geometry& g, int v, const double* y, int c,
                                   double p, Counting rule) {
  KeptScore& kept = m.scores[static_cast<std::size_t>(v)];
  if (kept.cls < 0 || kept.cls != c) {
    const VectorScore sc = Score(y, g.outputs, c, p, rule);
    kept.e = sc.e;
    kept.correct = sc.correct;
    kept.cls = c;
    return sc;
  }
  return {kept.e, kept.correct};
}

template <class F>
inline VectorScore KeptTrialScore(const Workbench& wb, SignalTableMemo::Family& m, const Geometry& g, const Trial& t,
                                  const F& out, int v, double* y, int c, double p, Counting rule, bool hot = false) {
  if (!KeptTrialColumn(wb, m, g, t, out, v, y, hot)) return Score(y, g.outputs, c, p, rule);
  return KeptVectorScore(m, g, v, y, c, p, rule);
}

// The scores of the vectors vs[0..count) under the trial, as KeptTrialScore gives them one by one, with
// the new outputs of the block computed together (Outputs); `hot`: the vectors are on the changed input's
// list of hot vectors. y: room for one vector's outputs.
template <class F>
void ChunkScores(const Workbench& wb, SignalTableMemo::Family& m, const Geometry& g, const Trial& t, const F& out,
                 const int* vs, int count, bool hot, const int* cls, double p, Counting rule, VectorScore* sc, double* y) {
  thread_local std::vector<double> delta, a, fresh, b, yb;
  const auto uc = static_cast<std::size_t>(count), uo = static_cast<std::size_t>(g.outputs);
  if (delta.size() < uc) {
    delta.resize(uc);
    a.resize(uc);
    fresh.resize(uc);
  }
  if (b.size() < uc * uo) {
    b.resize(uc * uo);
    yb.resize(uc * uo);
  }
  auto Delta = [&](int v) { return hot ? (t.wOld - t.wNew) * 1.0 : InputDelta(wb, t, v); };
  const auto& T0 = wb.SignalTable[0];
  if (t.layer == 1) {
    const double* s0 = T0[static_cast<std::size_t>(t.n)].data();
    for (int j = 0; j < count; ++j) {
      const int v = vs[j];
      delta[static_cast<std::size_t>(j)] = Delta(v);
      a[static_cast<std::size_t>(j)] = s0[v] + delta[static_cast<std::size_t>(j)];
    }
    Outputs(out, a.data(), fresh.data(), count);
    if (g.nl == 2) {
      for (int j = 0; j < count; ++j) {
        const int v = vs[j];
        const auto uv = static_cast<std::size_t>(v);
        const bool same = delta[static_cast<std::size_t>(j)] == 0.0;
        for (int k = 0; k < g.outputs; ++k)
          y[k] = k == t.n && !same ? fresh[static_cast<std::size_t>(j)] : KeptY(m, out, 0, k, uv, T0[static_cast<std::size_t>(k)][uv]);
        sc[j] = same ? KeptVectorScore(m, g, v, y, cls[v], p, rule) : Score(y, g.outputs, cls[v], p, rule);
      }
      return;
    }
    const auto& T1 = wb.SignalTable[1];
    const std::vector<TNeuron>& outs = wb.Net[2];
    double wk[8];
    const int direct = std::min(g.outputs, 8);
    for (int k = 0; k < direct; ++k) wk[k] = outs[static_cast<std::size_t>(k)].Weights[static_cast<std::size_t>(t.n)];
    // a holds each vector's difference of the changed neuron's output now; 0 leaves the outputs as kept.
    for (int j = 0; j < count; ++j) {
      const int v = vs[j];
      const auto uv = static_cast<std::size_t>(v), uj = static_cast<std::size_t>(j);
      const double diff = delta[uj] == 0.0 ? 0.0 : KeptY(m, out, 0, t.n, uv, s0[v]) - fresh[uj];
      a[uj] = diff;
      for (int k = 0; k < g.outputs; ++k) {
        const double w = k < direct ? wk[k] : outs[static_cast<std::size_t>(k)].Weights[static_cast<std::size_t>(t.n)];
        b[static_cast<std::size_t>(k) * uc + uj] = diff == 0.0 ? 0.0 : T1[static_cast<std::size_t>(k)][uv] + diff * w;
      }
    }
    Outputs(out, b.data(), yb.data(), count * g.outputs);
    for (int j = 0; j < count; ++j) {
      const int v = vs[j];
      const auto uv = static_cast<std::size_t>(v), uj = static_cast<std::size_t>(j);
      if (a[uj] == 0.0) {
        for (int k = 0; k < g.outputs; ++k) y[k] = KeptY(m, out, 1, k, uv, T1[static_cast<std::size_t>(k)][uv]);
        sc[j] = KeptVectorScore(m, g, v, y, cls[v], p, rule);
      } else {
        for (int k = 0; k < g.outputs; ++k) y[k] = yb[static_cast<std::size_t>(k) * uc + uj];
        sc[j] = Score(y, g.outputs, cls[v], p, rule);
      }
    }
    return;
  }
  const auto& T1 = wb.SignalTable[1];
  const double* s1 = T1[static_cast<std::size_t>(t.n)].data();
  for (int j = 0; j < count; ++j) {
    const int v = vs[j];
    const auto uv = static_cast<std::size_t>(v), uj = static_cast<std::size_t>(j);
    delta[uj] = t.kind == Trial::Hidden
                    ? (t.wOld - t.wNew) * KeptY(m, out, 0, t.i, uv, T0[static_cast<std::size_t>(t.i)][uv])
                    : Delta(v);
    a[uj] = s1[v] + delta[uj];
  }
  Outputs(out, a.data(), fresh.data(), count);
  for (int j = 0; j < count; ++j) {
    const int v = vs[j];
    const auto uv = static_cast<std::size_t>(v), uj = static_cast<std::size_t>(j);
    const bool same = delta[uj] == 0.0;
    for (int k = 0; k < g.outputs; ++k)
      y[k] = k == t.n && !same ? fresh[uj] : KeptY(m, out, 1, k, uv, T1[static_cast<std::size_t>(k)][uv]);
    sc[j] = same ? KeptVectorScore(m, g, v, y, cls[v], p, rule) : Score(y, g.outputs, cls[v], p, rule);
  }
}

// The score of vector v, which the trial does not reach: its outputs are the table's, as they were kept.
template <class F>
inline VectorScore UnreachedScore(const Workbench& wb, SignalTableMemo::Family& m, const Geometry& g, const F& out,
                                  int v, double* y, int c, double p, Counting rule) {
  const auto uv = static_cast<std::size_t>(v);
  const int level = g.nl - 2;
  const auto& T = wb.SignalTable[static_cast<std::size_t>(level)];
  for (int k = 0; k < g.outputs; ++k) y[k] = KeptY(m, out, level, k, uv, T[static_cast<std::size_t>(k)][uv]);
  return KeptVectorScore(m, g, v, y, c, p, rule);
}

// The vectors a trial of an input weight reaches, when the input is a coded value of a discrete or
// symbolic feature and the lists hold for the data set: the vectors where the input is 1. Elsewhere its
// signal is 0 and the sum's change (w_old − w_new) × 0 is 0, when the difference is finite. Null: every
// vector must be visited.
const std::vector<int>* ReachedVectors(const Workbench& wb, const Geometry& g, const Trial& t) {
  if (t.kind != Trial::Input && t.kind != Trial::SkipInput) return nullptr;
  if (t.in.j < 0 || !std::isfinite(t.wOld - t.wNew) || !wb.TableMemo.Memo) return nullptr;
  SignalTableMemo::HotVectors& h = wb.TableMemo.Memo->hot;
  if (!h.allowed || h.data != wb.Data.data() || h.vectors != wb.NumOfVectors || h.inputs != g.L0) return nullptr;
  if (!h.made) MakeHotLists(wb, h);
  const int input = t.kind == Trial::Input ? t.i : t.i - g.L1;
  return &h.lists[static_cast<std::size_t>(input)];
}

// Transfer evaluations of one vector's trial: the sigmoid family counts the changed neuron and, in three
// layers, the outputs (layer 1) or the hidden output read (layer 2); the tabulated family counts only the
// changed neuron or the hidden output.
std::int64_t TrialCount(const Geometry& g, const Trial& t, bool sigmoidFamily) {
  if (t.layer == 1) return sigmoidFamily && g.nl == 3 ? 1 + g.outputs : 1;
  return t.kind == Trial::Hidden ? 1 : 0;
}

// The running sums of a trial: the error, the weight of the correct vectors and their count.
struct Sums {
  double e, weighted;
  int correct;
};

// The vectors a trial does not reach, one run after the other: each takes its kept score when its kept
// outputs are those of the table's sums and its score was kept for its class (else `slow` scores it),
// added in the vectors' order between the vectors reached, whose scores are given.
struct UnreachedRun {
  const double* const* sums = nullptr;      // the output level's sums, [output][vector]
  const KeptOutput* const* kept = nullptr;  // their kept outputs
  int outputs = 0;
  const KeptScore* scores = nullptr;
  const int* cls = nullptr;
  const double* vw = nullptr;
  double* terms = nullptr;

  // The reached vectors at[0..count) (ascending, from v on) with their scores sc, and the vectors before
  // each that are not reached; then, with `tail`, the vectors after the last up to `end`. Returns the
  // vector after the last one added.
  template <bool Weighted, class Slow>
  int Merge(int v, const int* at, const VectorScore* sc, int count, int end, bool tail, Sums& acc,
            Slow& slow) const {
    const double* s0 = sums[0];
    const KeptOutput* k0 = kept[0];
    const double* s1 = outputs > 1 ? sums[1] : s0;
    const KeptOutput* k1 = outputs > 1 ? kept[1] : k0;
    const KeptScore* ks = scores;
    const int* c = cls;
    const double* w = vw;
    double* out = terms;
    double e = acc.e, weighted = acc.weighted;
    int correct = acc.correct;
    auto take = [&](int u, double ev, bool good) {
      const double term = ev * w[u];
      e += term;
      out[u] = term;
      correct += good ? 1 : 0;
      if (Weighted) weighted = good ? weighted + w[u] : weighted;
    };
    auto run = [&](int to) {
      for (; v < to; ++v) {
        bool ok = ks[v].cls >= 0 && ks[v].cls == c[v] && k0[v].s == s0[v] && k1[v].s == s1[v];
        for (int k = 2; ok && k < outputs; ++k) ok = kept[k][v].s == sums[k][v];
        if (ok) [[likely]] {
          take(v, ks[v].e, ks[v].correct);
        } else {
          const VectorScore r = slow(v);
          take(v, r.e, r.correct);
        }
      }
    };
    for (int j = 0; j < count; ++j) {
      if (at[j] < v) continue;  // ascending: never
      run(at[j]);
      take(v, sc[j].e, sc[j].correct);
      ++v;
    }
    if (tail) run(end);
    acc.e = e;
    acc.weighted = weighted;
    acc.correct = correct;
    return v;
  }
};

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define WL_TABLE_LANES 1
#define WL_TABLE_AVX2 __attribute__((target("avx2,fma")))

// The product rounded before it is added to anything: the code here is compiled with FMA, and a fused
// multiply-add would give other numbers than the plain loops' product and sum.
WL_TABLE_AVX2 inline __m256d Rounded(__m256d x) {
  asm("" : "+x"(x));
  return x;
}

// The first `left` of four lanes (all four from 4 on), as a mask for the masked loads and stores.
WL_TABLE_AVX2 inline __m256i FirstLanes(int left) {
  return _mm256_cmpgt_epi64(_mm256_set1_epi64x(std::min(left, 4)), _mm256_setr_epi64x(0, 1, 2, 3));
}

// The kept entries (sum, output) of vectors v .. v + 3 (the first `left`), two to a register.
WL_TABLE_AVX2 inline void KeptLanes(const KeptOutput* kept, int v, int left, __m256d& s, __m256d& y) {
  const double* kp = reinterpret_cast<const double*>(kept + v);
  const __m256i index = _mm256_setr_epi64x(0, 1, 2, 3);
  const __m256i firstTwo = _mm256_cmpgt_epi64(_mm256_set1_epi64x(std::min(left, 2) * 2), index);
  const __m256i lastTwo = _mm256_cmpgt_epi64(_mm256_set1_epi64x(std::max(0, std::min(left, 4) - 2) * 2), index);
  const __m256d k01 = _mm256_maskload_pd(kp, firstTwo), k23 = _mm256_maskload_pd(kp + 4, lastTwo);
  s = _mm256_permute4x64_pd(_mm256_unpacklo_pd(k01, k23), 0xD8);
  y = _mm256_permute4x64_pd(_mm256_unpackhi_pd(k01, k23), 0xD8);
}

// The outputs of table entries (level, neuron) of vectors v .. v + 3 whose sums are s, as KeptY gives
// them in the lanes of `wanted`: the kept output, or where the kept sum is another the output computed
// and kept. The other lanes are left as they come.
WL_TABLE_AVX2 inline __m256d KeptOutputLanes(SignalTableMemo::Family& m, int level, int neuron,
                                             const KeptOutput* kept, int v, int left, __m256d s, __m256d wanted) {
  __m256d ks, y;
  KeptLanes(kept, v, left, ks, y);
  const int missing = _mm256_movemask_pd(_mm256_andnot_pd(_mm256_cmp_pd(ks, s, _CMP_EQ_OQ), wanted));
  if (missing) [[unlikely]] {
    alignas(32) double out[4], sv[4];
    _mm256_store_pd(out, y);
    _mm256_store_pd(sv, s);
    for (int q = 0; q < 4; ++q)
      if (missing & (1 << q)) out[q] = KeptY(m, KernelSigmoidOut{}, level, neuron, static_cast<std::size_t>(v + q), sv[q]);
    y = _mm256_load_pd(out);
  }
  return y;
}

// Four lanes of a first-layer trial of a three-layer network (KernelSigmoidOut), vectors v .. v + 3 of
// the block, j .. j + 3 of its arrays: the changed neuron's old output from the kept ones (computed and
// kept where the kept sum is not the table's), its difference from the new output (0 where the sum does
// not change), and the output neurons' new sums (0 where the difference is 0, as ChunkScores has them).
WL_TABLE_AVX2 inline void HiddenDifferences(SignalTableMemo::Family& m, int neuron, const double* s0,
                                            const KeptOutput* kept, int v, int j, int left, const double* delta,
                                            const double* fresh, double* diffOut, const double* const* t1,
                                            const double* wk, int outputs, double* sums, std::size_t stride) {
  const __m256i lanes = FirstLanes(left);
  const __m256d zero = _mm256_setzero_pd();
  const __m256d s = _mm256_maskload_pd(s0 + v, lanes);
  const __m256d d = _mm256_loadu_pd(delta + j);
  const __m256d changes = _mm256_and_pd(_mm256_cmp_pd(d, zero, _CMP_NEQ_UQ), _mm256_castsi256_pd(lanes));
  const __m256d hOld = KeptOutputLanes(m, 0, neuron, kept, v, left, s, changes);
  const __m256d diff = _mm256_and_pd(_mm256_sub_pd(hOld, _mm256_loadu_pd(fresh + j)), changes);
  _mm256_storeu_pd(diffOut + j, diff);
  const __m256d same = _mm256_cmp_pd(diff, zero, _CMP_EQ_OQ);
  for (int k = 0; k < outputs; ++k) {
    const __m256d b =
        _mm256_add_pd(_mm256_maskload_pd(t1[k] + v, lanes), Rounded(_mm256_mul_pd(diff, _mm256_broadcast_sd(wk + k))));
    _mm256_storeu_pd(sums + static_cast<std::size_t>(k) * stride + static_cast<std::size_t>(j), _mm256_andnot_pd(same, b));
  }
}

// Four lanes of the scores: the error terms Σ (y − target)² of the new outputs and the winner's rule,
// each term weighted and stored; the lanes where `reach` is 0 are returned (the change does not reach
// them: their outputs are the kept ones, scored by the caller), the correct ones in *good.
WL_TABLE_AVX2 inline int NewScores(const double* reach, const double* ys, std::size_t stride, int outputs, const int* cls,
                                   const double* vw, double* terms, int v, int j, int left, int* good) {
  const __m256i lanes = FirstLanes(left);
  const __m256d zero = _mm256_setzero_pd(), one = _mm256_set1_pd(1.0);
  const __m256d magnitude = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FFFFFFFFFFFFFFF));
  const __m128i classLanes = _mm_cmpgt_epi32(_mm_set1_epi32(std::min(left, 4)), _mm_setr_epi32(0, 1, 2, 3));
  const __m256d c = _mm256_cvtepi32_pd(_mm_maskload_epi32(cls + v, classLanes));
  __m256d e = zero, best = zero, winner = _mm256_set1_pd(-1.0);
  for (int k = 0; k < outputs; ++k) {
    const __m256d y = _mm256_loadu_pd(ys + static_cast<std::size_t>(k) * stride + static_cast<std::size_t>(j));
    const __m256d kd = _mm256_set1_pd(static_cast<double>(k));
    const __m256d target = _mm256_and_pd(_mm256_cmp_pd(c, kd, _CMP_EQ_OQ), one);
    const __m256d a = _mm256_and_pd(_mm256_sub_pd(y, target), magnitude);
    e = _mm256_add_pd(e, Rounded(_mm256_mul_pd(a, a)));
    const __m256d higher = _mm256_cmp_pd(y, best, _CMP_GT_OQ);
    best = _mm256_blendv_pd(best, y, higher);
    winner = _mm256_blendv_pd(winner, kd, higher);
  }
  const __m256d correct = _mm256_and_pd(_mm256_cmp_pd(winner, c, _CMP_EQ_OQ), _mm256_cmp_pd(winner, zero, _CMP_GE_OQ));
  _mm256_maskstore_pd(terms + v, lanes, _mm256_mul_pd(e, _mm256_maskload_pd(vw + v, lanes)));
  *good = _mm256_movemask_pd(correct);
  return _mm256_movemask_pd(_mm256_and_pd(_mm256_cmp_pd(_mm256_loadu_pd(reach + j), zero, _CMP_EQ_OQ),
                                          _mm256_castsi256_pd(lanes)));
}

// Vector v, which the change does not reach: its outputs and its score are the kept ones; stores its
// weighted term, returns whether it is correct. Not compiled with FMA (see Rounded).
[[gnu::noinline]] bool KeptOutputsScore(const Workbench& wb, SignalTableMemo::Family& m, const Geometry& g, int v,
                                        const int* cls, const double* vw, double* terms, double* y) {
  const auto u = static_cast<std::size_t>(v);
  const auto& T1 = wb.SignalTable[1];
  for (int k = 0; k < g.outputs; ++k) y[k] = KeptY(m, KernelSigmoidOut{}, 1, k, u, T1[static_cast<std::size_t>(k)][u]);
  const VectorScore sc = KeptVectorScore(m, g, v, y, cls[u], 2.0, Counting::Winner);
  terms[u] = sc.e * vw[u];
  return sc.correct;
}

// The block's vectors v0 .. v0 + c − 1 scored from their new outputs ys (output k of the block's j-th
// vector at [k * stride + j]), or where `reach` is 0 from their kept outputs and score; their weighted
// terms stored, then added to the running sums in the vectors' order (a load right after a masked store
// of the same place would wait for it). At most 1024 vectors.
WL_TABLE_AVX2 inline void ScoreBlock(const Workbench& wb, SignalTableMemo::Family& m, const Geometry& g, int v0, int c,
                                     const double* reach, const double* ys, std::size_t stride, const int* cls,
                                     const double* vw, double* terms, double* y, Sums& acc) {
  int goodLanes[256];
  for (int j = 0; j < c; j += 4) {
    const int v = v0 + j;
    int good = 0;
    int keptLanes = NewScores(reach, ys, stride, g.outputs, cls, vw, terms, v, j, c - j, &good);
    for (; keptLanes; keptLanes &= keptLanes - 1) {
      const int q = __builtin_ctz(static_cast<unsigned>(keptLanes));
      const bool right = KeptOutputsScore(wb, m, g, v + q, cls, vw, terms, y);
      good = right ? good | (1 << q) : good & ~(1 << q);
    }
    goodLanes[j / 4] = good;
  }
  double e = acc.e, weighted = acc.weighted;
  int correct = acc.correct;
  for (int j = 0; j < c; ++j) {
    const auto u = static_cast<std::size_t>(v0 + j);
    e += terms[u];
    if (goodLanes[j / 4] & (1 << (j % 4))) {
      ++correct;
      weighted += vw[u];
    }
  }
  acc.e = e;
  acc.weighted = weighted;
  acc.correct = correct;
}

// A first-layer trial of a three-layer network over every vector, with the kernels' logistic and the
// exponent 2: ChunkScores' numbers and kept entries, block after block, the new outputs in four lanes
// at a time, each vector's weighted term stored and added in the vectors' order.
WL_TABLE_AVX2 void HiddenTrialEveryVector(const Workbench& wb, SignalTableMemo::Family& m, const Geometry& g, const Trial& t,
                            const int* cls, const double* vw, double* terms, double* y, Sums& acc) {
  constexpr int kBlock = 256;
  const int nv = wb.NumOfVectors, outputs = g.outputs;
  const auto uo = static_cast<std::size_t>(outputs);
  thread_local std::vector<double> delta, a, fresh, diff, sums, ys;
  if (delta.size() < kBlock) {
    delta.resize(kBlock);
    a.resize(kBlock);
    fresh.resize(kBlock);
    diff.resize(kBlock);
  }
  if (sums.size() < uo * kBlock) {
    sums.resize(uo * kBlock);
    ys.resize(uo * kBlock);
  }
  thread_local std::vector<const double*> t1;
  thread_local std::vector<double> wk;
  t1.resize(uo);
  wk.resize(uo);
  for (std::size_t k = 0; k < uo; ++k) {
    t1[k] = wb.SignalTable[1][k].data();
    wk[k] = wb.Net[2][k].Weights[static_cast<std::size_t>(t.n)];
  }
  const double* s0 = wb.SignalTable[0][static_cast<std::size_t>(t.n)].data();
  const KeptOutput* kept = m.rows[0][static_cast<std::size_t>(t.n)].data();
  for (int v0 = 0; v0 < nv; v0 += kBlock) {
    const int c = std::min(kBlock, nv - v0);
    if (t.kind == Trial::Threshold) {
      const double dt = t.wNew - t.wOld;
      for (int j = 0; j < c; ++j) delta[static_cast<std::size_t>(j)] = dt;
    } else {
      for (int j = 0; j < c; ++j) delta[static_cast<std::size_t>(j)] = InputDelta(wb, t, v0 + j);
    }
    for (int j = 0; j < c; ++j) a[static_cast<std::size_t>(j)] = s0[v0 + j] + delta[static_cast<std::size_t>(j)];
    VectorLogistic(a.data(), fresh.data(), c);
    for (int j = 0; j < c; j += 4)
      HiddenDifferences(m, t.n, s0, kept, v0 + j, j, c - j, delta.data(), fresh.data(), diff.data(), t1.data(),
                        wk.data(), outputs, sums.data(), kBlock);
    for (std::size_t k = 0; k < uo; ++k) VectorLogistic(&sums[k * kBlock], &ys[k * kBlock], c);
    ScoreBlock(wb, m, g, v0, c, diff.data(), ys.data(), kBlock, cls, vw, terms, y, acc);
  }
}
// An output neuron's trial of a three-layer network over every vector (its threshold, a hidden
// output's weight, or a skip weight without a list of hot vectors), with the kernels' logistic and the
// exponent 2: ChunkScores' numbers and kept entries, the changed neuron's new output computed for the
// block, the other outputs' kept ones read four lanes at a time.
WL_TABLE_AVX2 void OutputTrialEveryVector(const Workbench& wb, SignalTableMemo::Family& m, const Geometry& g,
                                          const Trial& t, const int* cls, const double* vw, double* terms, double* y,
                                          Sums& acc) {
  constexpr int kBlock = 256;
  const int nv = wb.NumOfVectors;
  const auto uo = static_cast<std::size_t>(g.outputs);
  thread_local std::vector<double> delta, a, fresh, ys;
  if (delta.size() < kBlock) {
    delta.resize(kBlock);
    a.resize(kBlock);
    fresh.resize(kBlock);
  }
  if (ys.size() < uo * kBlock) ys.resize(uo * kBlock);
  thread_local std::vector<const double*> t1;
  thread_local std::vector<const KeptOutput*> kept1;
  t1.resize(uo);
  kept1.resize(uo);
  for (std::size_t k = 0; k < uo; ++k) {
    t1[k] = wb.SignalTable[1][k].data();
    kept1[k] = m.rows[1][k].data();
  }
  const double* s1 = t1[static_cast<std::size_t>(t.n)];
  const bool hidden = t.kind == Trial::Hidden;
  const double* h0 = hidden ? wb.SignalTable[0][static_cast<std::size_t>(t.i)].data() : nullptr;
  const KeptOutput* keptHidden = hidden ? m.rows[0][static_cast<std::size_t>(t.i)].data() : nullptr;
  const __m256d zero = _mm256_setzero_pd(), change = _mm256_set1_pd(t.wOld - t.wNew);
  for (int v0 = 0; v0 < nv; v0 += kBlock) {
    const int c = std::min(kBlock, nv - v0);
    if (t.kind == Trial::Threshold) {
      const double dt = t.wNew - t.wOld;
      for (int j = 0; j < c; ++j) delta[static_cast<std::size_t>(j)] = dt;
    } else if (hidden) {
      // (w_old − w_new) × the hidden output the weight reads, from the kept outputs.
      for (int j = 0; j < c; j += 4) {
        const __m256i lanes = FirstLanes(c - j);
        const __m256d s = _mm256_maskload_pd(h0 + v0 + j, lanes);
        const __m256d h = KeptOutputLanes(m, 0, t.i, keptHidden, v0 + j, c - j, s, _mm256_castsi256_pd(lanes));
        _mm256_storeu_pd(&delta[static_cast<std::size_t>(j)], _mm256_mul_pd(change, h));
      }
    } else {
      for (int j = 0; j < c; ++j) delta[static_cast<std::size_t>(j)] = InputDelta(wb, t, v0 + j);
    }
    for (int j = 0; j < c; ++j) a[static_cast<std::size_t>(j)] = s1[v0 + j] + delta[static_cast<std::size_t>(j)];
    VectorLogistic(a.data(), fresh.data(), c);
    for (int j = 0; j < c; j += 4) {
      const int v = v0 + j;
      const __m256i lanes = FirstLanes(c - j);
      const __m256d d = _mm256_loadu_pd(&delta[static_cast<std::size_t>(j)]);
      const __m256d reached = _mm256_and_pd(_mm256_cmp_pd(d, zero, _CMP_NEQ_UQ), _mm256_castsi256_pd(lanes));
      for (std::size_t k = 0; k < uo; ++k) {
        double* out = &ys[k * kBlock + static_cast<std::size_t>(j)];
        if (static_cast<int>(k) == t.n) {
          _mm256_storeu_pd(out, _mm256_loadu_pd(&fresh[static_cast<std::size_t>(j)]));
          continue;
        }
        const __m256d s = _mm256_maskload_pd(t1[k] + v, lanes);
        _mm256_storeu_pd(out, KeptOutputLanes(m, 1, static_cast<int>(k), kept1[k], v, c - j, s, reached));
      }
    }
    ScoreBlock(wb, m, g, v0, c, delta.data(), ys.data(), kBlock, cls, vw, terms, y, acc);
  }
}
#endif

template <class F>
double TrialError(Workbench& wb, int layer, int n, int i, const F& out, bool sigmoidFamily, const EvalOptions& o) {
  ClearVectorState();
  const Geometry g = CheckNetwork(wb, true);
  RequireFilledTable(wb, g);
  const Trial t = MakeTrial(wb, g, layer, n, i);
  const bool all = wb.NumOfParts <= 1;
  if (!all) CheckBatch(wb);
  double* buf = PrepareEvalSignals(wb, g.L0);
  double* y = buf + wb.EvalOffset[static_cast<std::size_t>(g.nl - 1)];
  const Counting rule =
      !sigmoidFamily && all && o.DefaultClass ? Counting::DefaultClass : Counting::Winner;
  const double p = wb.ErrorExponent;
  const int nv = wb.NumOfVectors;
  SignalTableMemo::Family& m = MemoFor(wb, out);
  MemoScoring(m, p, static_cast<int>(rule));
  wb.NumOfCorrect = 0;
  double e = 0.0;
  int correct = 0;
  double weightedCorrect = wb.WeightedCorrect;
  if (all) {
    if (wb.VectorErrorTerm.size() < static_cast<std::size_t>(nv))
      wb.VectorErrorTerm.resize(static_cast<std::size_t>(nv), 0.0);
    double* terms = wb.VectorErrorTerm.data();
    const double* vw = wb.VectorWeight.data();
    const int* cls = wb.VectorClass.data();
    // A trial of a coded input's weight computes only the vectors where the input is 1; the others keep
    // their scores (added in the same order, so the error is the same number).
    const std::vector<int>* reached = ReachedVectors(wb, g, t);
    const int* next = reached ? reached->data() : nullptr;
    const int* last = reached ? next + reached->size() : nullptr;
    // The output level's sums and kept outputs: a vector not reached whose kept outputs are those of its
    // sums and whose score is kept for its class takes the kept score at once.
    thread_local std::vector<const double*> sums;
    thread_local std::vector<const KeptOutput*> keptOut;
    sums.clear();
    keptOut.clear();
    UnreachedRun run;
    if (reached) {
      const auto level = static_cast<std::size_t>(g.nl - 2);
      for (int k = 0; k < g.outputs; ++k) {
        sums.push_back(wb.SignalTable[level][static_cast<std::size_t>(k)].data());
        keptOut.push_back(m.rows[level][static_cast<std::size_t>(k)].data());
      }
      run.sums = sums.data();
      run.kept = keptOut.data();
      run.outputs = g.outputs;
    }
    run.scores = m.scores.data();
    run.cls = cls;
    run.vw = vw;
    run.terms = terms;
    Sums acc{e, weightedCorrect, correct};
    auto add = [&](int v, const VectorScore& sc) {
      const double term = sc.e * vw[v];
      acc.e += term;
      terms[v] = term;
      if (sc.correct) {
        ++acc.correct;
        if (sigmoidFamily) acc.weighted += vw[v];
      }
    };
    // The vectors reached are scored in blocks (their new outputs computed together), then added in
    // order with the runs of vectors between them.
    constexpr int kChunk = 256;
    thread_local std::vector<int> index;
    thread_local std::vector<VectorScore> scores;
    if (index.size() < static_cast<std::size_t>(kChunk)) {
      index.resize(static_cast<std::size_t>(kChunk));
      scores.resize(static_cast<std::size_t>(kChunk));
    }
    bool lanes = false;
#if WL_TABLE_LANES
    if constexpr (std::is_same_v<F, KernelSigmoidOut>)
      lanes = !reached && g.nl == 3 && p == 2.0 && rule == Counting::Winner;
#endif
    if (lanes) {
#if WL_TABLE_LANES
      if (t.layer == 1)
        HiddenTrialEveryVector(wb, m, g, t, cls, vw, terms, y, acc);
      else
        OutputTrialEveryVector(wb, m, g, t, cls, vw, terms, y, acc);
#endif
    } else if (!reached) {
      for (int v0 = 0; v0 < nv; v0 += kChunk) {
        const int c = std::min(kChunk, nv - v0);
        for (int j = 0; j < c; ++j) index[static_cast<std::size_t>(j)] = v0 + j;
        ChunkScores(wb, m, g, t, out, index.data(), c, false, cls, p, rule, scores.data(), y);
        for (int j = 0; j < c; ++j) add(v0 + j, scores[static_cast<std::size_t>(j)]);
      }
    } else {
      auto slow = [&](int v) { return UnreachedScore(wb, m, g, out, v, y, cls[v], p, rule); };
      int v = 0;
      const int* r = next;
      do {
        const int c = static_cast<int>(std::min<std::ptrdiff_t>(kChunk, last - r));
        if (c > 0) ChunkScores(wb, m, g, t, out, r, c, true, cls, p, rule, scores.data(), y);
        const bool tail = r + c == last;
        v = sigmoidFamily ? run.Merge<true>(v, r, scores.data(), c, nv, tail, acc, slow)
                          : run.Merge<false>(v, r, scores.data(), c, nv, tail, acc, slow);
        r += c;
      } while (r != last);
    }
    e = acc.e;
    correct = acc.correct;
    weightedCorrect = acc.weighted;
  } else {
    for (int v : wb.BatchIndex) {
      const VectorScore sc =
          KeptTrialScore(wb, m, g, t, out, v, y, wb.VectorClass[static_cast<std::size_t>(v)], p, rule);
      e += sc.e;
      if (sc.correct) {
        ++correct;
        if (sigmoidFamily) weightedCorrect += wb.VectorWeight[static_cast<std::size_t>(v)];
      }
    }
  }
  if (sigmoidFamily) wb.WeightedCorrect = weightedCorrect;
  const int used = all ? nv : static_cast<int>(wb.BatchIndex.size());
  wb.SigmoidCount += TrialCount(g, t, sigmoidFamily) * used;
  return Finish(wb, e, correct, used, all);
}

template <class F>
void TrialVector(Workbench& wb, int v, int layer, int n, int i, const F& out, bool sigmoidFamily) {
  ClearVectorState();
  const Geometry g = CheckNetwork(wb, true);
  RequireFilledTable(wb, g);
  if (v < 0 || v >= wb.NumOfVectors) throw WlError("No vector " + IntToStr(v) + " in the data set");
  const Trial t = MakeTrial(wb, g, layer, n, i);
  double* buf = PrepareEvalSignals(wb, g.L0);
  double* y = buf + wb.EvalOffset[static_cast<std::size_t>(g.nl - 1)];
  double changed = 0.0;
  TrialColumn(wb, g, t, out, v, y, &changed);
  std::vector<TNeuron>& outs = wb.Net[static_cast<std::size_t>(g.nl - 1)];
  for (int k = 0; k < g.outputs; ++k) outs[static_cast<std::size_t>(k)].Signal = y[k];
  wb.Net[static_cast<std::size_t>(layer)][static_cast<std::size_t>(n)].Signal = changed;
  wb.SigmoidCount += TrialCount(g, t, sigmoidFamily);
}

template <class F>
void UpdateTable(Workbench& wb, int layer, int n, int i, const F& out) {
  ClearVectorState();
  const Geometry g = CheckNetwork(wb, true);
  // A search whose trials do not read the table still folds its changes in; a table never filled for
  // this data set is given its shape first.
  ShapeTable(wb, g);
  const Trial t = MakeTrial(wb, g, layer, n, i);
  SignalTableMemo::Family& m = MemoFor(wb, out);
  const int nv = wb.NumOfVectors;
  auto& T0 = wb.SignalTable[0];
  if constexpr (std::is_same_v<F, KernelSigmoidOut>) {
    if (t.layer == 1 && g.nl == 3) {
      // The changed neuron's new outputs and the output neurons' new outputs in blocks, kept. For a coded
      // input with its list of hot vectors, a vector off the list has the signal 0: its sums take the
      // same expressions with a change of (w_old − w_new) × 0, without reading the data.
      constexpr int kChunk = 256;
      const std::vector<int>* reached = ReachedVectors(wb, g, t);
      int at[kChunk];
      double delta[kChunk], sOld[kChunk], stored[kChunk], y[kChunk];
      thread_local std::vector<double> sums, outs;
      const auto uo = static_cast<std::size_t>(g.outputs);
      if (sums.size() < uo * kChunk) {
        sums.resize(uo * kChunk);
        outs.resize(uo * kChunk);
      }
      double* s0 = T0[static_cast<std::size_t>(n)].data();
      auto& T1 = wb.SignalTable[1];
      std::vector<double*> t1(uo);
      std::vector<double> wk(uo);
      for (std::size_t k = 0; k < uo; ++k) {
        t1[k] = T1[k].data();
        wk[k] = wb.Net[2][k].Weights[static_cast<std::size_t>(n)];
      }
      auto block = [&](int c) {
        for (int j = 0; j < c; ++j) {
          const int v = at[j];
          delta[j] = reached ? (t.wOld - t.wNew) * 1.0 : InputDelta(wb, t, v);
          sOld[j] = s0[v];
          stored[j] = std::min(sOld[j] + delta[j], kTableGuard);
          s0[v] = stored[j];
        }
        VectorLogistic(stored, y, c);
        for (int j = 0; j < c; ++j) {
          const auto uv = static_cast<std::size_t>(at[j]);
          double diff = 0.0;
          if (delta[j] != 0.0) {
            const double hOld = KeptY(m, out, 0, n, uv, sOld[j]);
            diff = hOld - KeptYGiven(m, 0, n, uv, stored[j], y[j]);
          }
          for (std::size_t k = 0; k < uo; ++k) {
            double& sk = t1[k][uv];
            sk = std::min(sk + diff * wk[k], kTableGuard);
            sums[k * kChunk + static_cast<std::size_t>(j)] = sk;
          }
        }
        for (std::size_t k = 0; k < uo; ++k) {
          VectorLogistic(&sums[k * kChunk], &outs[k * kChunk], c);
          for (int j = 0; j < c; ++j)
            KeptYGiven(m, 1, static_cast<int>(k), static_cast<std::size_t>(at[j]), sums[k * kChunk + static_cast<std::size_t>(j)],
                       outs[k * kChunk + static_cast<std::size_t>(j)]);
        }
      };
      int c = 0;
      if (!reached) {
        for (int v = 0; v < nv; ++v) {
          at[c++] = v;
          if (c == kChunk) block(std::exchange(c, 0));
        }
      } else {
        const double off = (t.wOld - t.wNew) * 0.0;
        const int* next = reached->data();
        const int* last = next + reached->size();
        for (int v = 0; v < nv; ++v) {
          if (next != last && *next == v) {
            ++next;
            at[c++] = v;
            if (c == kChunk) block(std::exchange(c, 0));
            continue;
          }
          s0[v] = std::min(s0[v] + off, kTableGuard);
          for (std::size_t k = 0; k < uo; ++k) t1[k][v] = std::min(t1[k][v] + 0.0 * wk[k], kTableGuard);
        }
      }
      if (c > 0) block(c);
      if (nv > 0) wb.Net[1][static_cast<std::size_t>(n)].Signal = out(s0[nv - 1]);
      return;
    }
  }
  if (t.layer == 1) {
    double* s0 = T0[static_cast<std::size_t>(n)].data();
    double stored = 0.0;
    for (int v = 0; v < nv; ++v) {
      const double delta = InputDelta(wb, t, v);
      const double sOld = s0[v];
      stored = std::min(sOld + delta, kTableGuard);
      s0[v] = stored;
      if (g.nl == 3) {
        // A zero change leaves the neuron's output as it was (the clamp at the guard changes no output).
        const auto uv = static_cast<std::size_t>(v);
        const double diff = delta == 0.0 ? 0.0 : KeptY(m, out, 0, n, uv, sOld) - KeptY(m, out, 0, n, uv, stored);
        auto& T1 = wb.SignalTable[1];
        for (int k = 0; k < g.outputs; ++k) {
          double& s = T1[static_cast<std::size_t>(k)][static_cast<std::size_t>(v)];
          s = std::min(s + diff * wb.Net[2][static_cast<std::size_t>(k)].Weights[static_cast<std::size_t>(n)],
                       kTableGuard);
        }
      }
    }
    if (nv > 0) wb.Net[1][static_cast<std::size_t>(n)].Signal = out(stored);
    return;
  }
  double* s1 = wb.SignalTable[1][static_cast<std::size_t>(n)].data();
  for (int v = 0; v < nv; ++v) {
    const double delta = t.kind == Trial::Hidden
                             ? (t.wOld - t.wNew) * KeptY(m, out, 0, t.i, static_cast<std::size_t>(v),
                                                         T0[static_cast<std::size_t>(t.i)][static_cast<std::size_t>(v)])
                             : InputDelta(wb, t, v);
    s1[v] = std::min(s1[v] + delta, kTableGuard);
  }
}

template <class F>
void ForwardVector(Workbench& wb, int v, const F& out, bool counted) {
  ClearVectorState();
  const Geometry g = CheckNetwork(wb, false);
  if (v < 0 || v >= wb.NumOfVectors) throw WlError("No vector " + IntToStr(v) + " in the data set");
  EvalNeeds needs;
  needs.VectorWeights = true;
  RequireEvaluable(wb, NetLayout::Standard, needs, v);
  ShapeTable(wb, g);
  SignalTableMemo::Family& m = MemoFor(wb, out);
  // The row may have changed since the last full pass: the trials visit every vector until the next.
  wb.TableMemo.Memo->hot.allowed = false;
  FirstLayerSums* sparse = BoundSums(wb);
  FillInputMap(wb, g);
  double* buf = PrepareEvalSignals(wb, g.L0);
  ForwardColumn(wb, g, out, m, sparse, v, buf);
  for (int l = 0; l < g.nl; ++l) {
    const double* s = buf + wb.EvalOffset[static_cast<std::size_t>(l)];
    std::vector<TNeuron>& layer = wb.Net[static_cast<std::size_t>(l)];
    for (int j = 0; j < wb.Layers[l]; ++j) layer[static_cast<std::size_t>(j)].Signal = s[j];
  }
  if (counted)
    for (int l = 1; l < g.nl; ++l) wb.SigmoidCount += wb.Layers[l];
}

}  // namespace

double TableSigmoid(double s) { return UseVectorKernels() ? KernelLogistic(s) : Sigma(s); }

double TableStair(const Workbench& wb, double s) {
  const int k = std::max(0, wb.NumOfStep);
  if (wb.StairTable.size() != static_cast<std::size_t>(k) + 1)
    throw WlError("The staircase table has not been built for " + IntToStr(k) + " steps");
  return StairOut{wb.StairTable.data(), k, wb.StairScale, wb.StairRange}(s);
}

void ForwardVectorFromData(Workbench& wb, int v) {
  if (UseVectorKernels())
    ForwardVector(wb, v, KernelSigmoidOut{}, true);
  else
    ForwardVector(wb, v, SigmoidOut{}, true);
}

double ErrorFullPass(Workbench& wb) { return ErrorFullPass(wb, HeldEvalOptions(wb)); }

double ErrorFullPass(Workbench& wb, const EvalOptions& o) {
  return UseVectorKernels() ? FullPassError(wb, KernelSigmoidOut{}, true, o) : FullPassError(wb, SigmoidOut{}, true, o);
}

void ForwardChangedWeight(Workbench& wb, int v, int layer, int neuron, int weight) {
  if (UseVectorKernels())
    TrialVector(wb, v, layer, neuron, weight, KernelSigmoidOut{}, true);
  else
    TrialVector(wb, v, layer, neuron, weight, SigmoidOut{}, true);
}

double ErrorWithChangedWeight(Workbench& wb, int layer, int neuron, int weight) {
  return ErrorWithChangedWeight(wb, HeldEvalOptions(wb), layer, neuron, weight);
}

double ErrorWithChangedWeight(Workbench& wb, const EvalOptions& o, int layer, int neuron, int weight) {
  return UseVectorKernels() ? TrialError(wb, layer, neuron, weight, KernelSigmoidOut{}, true, o)
                            : TrialError(wb, layer, neuron, weight, SigmoidOut{}, true, o);
}

void UpdateSignalTable(Workbench& wb, int layer, int neuron, int weight) {
  if (UseVectorKernels())
    UpdateTable(wb, layer, neuron, weight, KernelSigmoidOut{});
  else
    UpdateTable(wb, layer, neuron, weight, SigmoidOut{});
}

void UpdateSignalTableB(Workbench& wb, int v) { ForwardVector(wb, v, MakeStair(wb), false); }

void StairForwardChangedWeight(Workbench& wb, int v, int layer, int neuron, int weight) {
  TrialVector(wb, v, layer, neuron, weight, MakeStair(wb), false);
}

void UpdateSignalTableAfterChange(Workbench& wb, int layer, int neuron, int weight) {
  UpdateTable(wb, layer, neuron, weight, MakeStair(wb));
}

double SignalTableError(Workbench& wb, int layer, int neuron, int weight) {
  return SignalTableError(wb, HeldEvalOptions(wb), layer, neuron, weight);
}

double SignalTableError(Workbench& wb, const EvalOptions& o, int layer, int neuron, int weight) {
  return TrialError(wb, layer, neuron, weight, MakeStair(wb), false, o);
}

double SignalTableErrorB(Workbench& wb) { return SignalTableErrorB(wb, HeldEvalOptions(wb)); }

double SignalTableErrorB(Workbench& wb, const EvalOptions& o) { return FullPassError(wb, MakeStair(wb), false, o); }

}  // namespace wl
