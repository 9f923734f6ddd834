#include "model/forward_pass.h"

#include <algorithm>

#include "model/create_network.h"
#include "state/workbench.h"
#include "model/vector_state.h"

namespace wl {

NetStructure ChosenStructure(const Workbench& wb) {
  const TForm1& f = wb.Form1;
  if (f.FApproxBox.Checked()) return NetStructure::FunctionApprox;
  if (f.SkipCheck.Checked()) return NetStructure::Skip;
  if (f.FullConn.Checked()) return NetStructure::Standard;
  if (f.strbox.Checked()) return NetStructure::Smlp;
  return NetStructure::None;
}

bool HasSkipConnections(const Workbench& wb) {
  const std::vector<int>& L = wb.Layers;
  return L.size() == 3 && wb.LayerInputs.size() >= 2 && L[0] > 0 && wb.LayerInputs[1] == L[1] + L[0];
}

namespace {

[[noreturn]] void NotFitting(const char* what) {
  throw WlError(std::string("The network does not fit ") + what + ". Create the network again.");
}

void RequireShape(const Workbench& wb, NetLayout layout, const EvalNeeds& needs) {
  auto fail = NotFitting;
  const std::vector<int>& L = wb.Layers;
  const std::size_t nl = L.size();
  if (nl < 2 || nl > 4 || wb.Net.size() != nl) fail("the chosen structure");
  for (std::size_t l = 0; l < nl; ++l)
    if (L[l] < 0 || wb.Net[l].size() != static_cast<std::size_t>(L[l])) fail("the chosen structure");
  if (needs.InputWeights)
    for (const TNeuron& n : wb.Net[0])
      if (n.Weights.empty()) fail("the chosen structure");

  auto needWeights = [&](std::size_t l, std::size_t count) {
    for (const TNeuron& n : wb.Net[l])
      if (n.Weights.size() < count) fail("the chosen structure");
  };
  switch (layout) {
    case NetLayout::Standard:
      for (std::size_t l = 1; l < nl; ++l)
        needWeights(l, static_cast<std::size_t>(std::max(L[l - 1], wb.LayerInputs[l - 1])) + 1);
      break;
    case NetLayout::Skip:
      if (nl != 3) fail("the chosen structure");
      needWeights(1, static_cast<std::size_t>(std::max(L[0], wb.LayerInputs[0])) + 1);
      needWeights(2, static_cast<std::size_t>(std::max(L[1] + L[0], wb.LayerInputs[1])) + 1);
      break;
    case NetLayout::Smlp: {
      if (nl != 3) fail("the chosen structure");
      needWeights(1, static_cast<std::size_t>(L[0]) + 1);
      if (wb.HidPerOut.size() < static_cast<std::size_t>(L[2])) fail("the chosen structure");
      // Hidden unit k of class c is unit k * classes + c.
      for (int c = 0; c < L[2]; ++c) {
        const int k = wb.HidPerOut[c];
        if (k < 0) fail("the chosen structure");
        if (wb.Net[2][c].Weights.size() < static_cast<std::size_t>(k) + 1) fail("the chosen structure");
        if (k > 0 && static_cast<long>(k - 1) * L[2] + c >= L[1]) fail("the chosen structure");
      }
      break;
    }
  }

  if (needs.CodedInputs && InputLayerSize(wb.Features) != L[0]) fail("the data set");
}

}  // namespace

void RequireSignalsRecordable(const Workbench& wb) {
  EvalNeeds needs;
  needs.Classes = false;
  needs.InputWeights = true;
  RequireEvaluable(wb, ChosenStructure(wb) == NetStructure::Skip ? NetLayout::Skip : NetLayout::Standard, needs);
  if (wb.Net.size() < 2) throw WlError("The network has no layer above its inputs: no signals to record");
}

void RequireEvaluable(const Workbench& wb, NetLayout layout, const EvalNeeds& needs, int onlyVector) {
  auto fail = NotFitting;
  RequireShape(wb, layout, needs);
  if (wb.Layers.back() < 1) fail("the chosen structure");
  const int nv = wb.NumOfVectors;
  if (nv < 0 || wb.Data.size() < static_cast<std::size_t>(nv)) fail("the data set");
  int first = 0, last = nv;
  if (onlyVector >= 0) {
    if (onlyVector >= nv) throw WlError("No vector " + IntToStr(onlyVector) + " in the data set");
    first = onlyVector;
    last = onlyVector + 1;
  }
  const std::size_t width =
      needs.CodedInputs ? wb.Features.size() : static_cast<std::size_t>(std::max(0, wb.NumOfFeatures));
  for (int v = first; v < last; ++v)
    if (wb.Data[v].size() < width) fail("the data set");
  if (needs.Classes) {
    if (wb.VectorClass.size() < static_cast<std::size_t>(nv)) fail("the data set");
    for (int v = first; v < last; ++v)
      if (wb.VectorClass[v] < 0 || wb.VectorClass[v] >= std::max(1, wb.NumOfClasses)) fail("the data set");
  }
  if (needs.VectorWeights && wb.VectorWeight.size() < static_cast<std::size_t>(nv)) fail("the data set");
  if (needs.Targets && wb.TargetValue.size() < static_cast<std::size_t>(nv)) fail("the data set");
}

void RequireEvaluable(const Workbench& wb, NetLayout layout, const EvalNeeds& needs, const EvalOptions& o) {
  if (!o.NetworkFits) {
    RequireEvaluable(wb, layout, needs);
    return;
  }
  RequireShape(wb, layout, needs);
  if (wb.Layers.back() < 1) NotFitting("the chosen structure");
}

void SmlpSignals(const Workbench& wb, const double* in, double* hid, double* out, double slope) {
  const std::vector<int>& L = wb.Layers;
  const int n0 = L[0], n1 = L[1], classes = L[2];
  auto step = [](double net, double theta) {
    return 0.5 * static_cast<double>((net > theta) - (net < theta)) + 0.5;
  };
  for (int j = 0; j < n1; ++j) {
    const double* w = wb.Net[1][j].Weights.data();
    const double net = Dot(in, w, n0);
    if (slope != 0.0) {
      const double arg = (w[n0] - net) * slope;
      hid[j] = arg > kExpGuard ? 0.0 : 1.0 / (1.0 + std::exp(arg));
    } else {
      hid[j] = step(net, w[n0]);
    }
  }
  for (int c = 0; c < classes; ++c) {
    const int k = wb.HidPerOut[c];
    const double* w = wb.Net[2][c].Weights.data();
    double net = 0.0;
    for (int t = 0; t < k; ++t) net += hid[t * classes + c] * w[t];
    out[c] = slope != 0.0 ? 1.0 / (1.0 + UnguardedExp((w[k] - net) * slope)) : step(net, w[k]);
  }
}

double* PrepareEvalSignals(NetworkState& ns, int inputWidth) {
  const std::size_t nl = ns.Layers.size();
  std::size_t off = static_cast<std::size_t>(std::max(inputWidth, nl ? ns.Layers[0] : 0));
  ns.EvalOffset[0] = 0;
  for (std::size_t l = 1; l < nl && l < ns.EvalOffset.size(); ++l) {
    ns.EvalOffset[l] = off;
    off += static_cast<std::size_t>(ns.Layers[l]);
  }
  if (ns.EvalSignals.size() < off) ns.EvalSignals.resize(off);
  return ns.EvalSignals.data();
}

namespace {

// The input layer's signals of vector v, each given to signal(i, value): the value of each input (scaled
// by its weight), passed on as it is with linear inputs, else through the stretched sigmoid.
template <class Signal>
void InputSignals(Workbench& wb, int v, Signal signal) {
  const std::vector<TNeuron>& in = wb.Net[0];
  const double* row = wb.Data[v].data();
  const double slope = wb.Slope, stretch = wb.Stretch, offset = wb.StretchOffset;
  const bool linear = wb.LinearInputs;
  auto put = [&](std::size_t i, double x) {
    if (linear) {
      signal(i, x);
    } else {
      double y = stretch / (1.0 + UnguardedExp(-x * slope)) + offset;
      signal(i, y > 1.0 ? 1.0 : (y < 0.0 ? 0.0 : y));
      ++wb.SigmoidCount;
    }
  };
  if (wb.AllContinuous) {
    for (std::size_t i = 0; i < in.size(); ++i) put(i, in[i].Weights[0] * row[i]);
    return;
  }
  std::size_t k = 0;
  for (std::size_t f = 0; f < wb.Features.size(); ++f) {
    const TFeature& feat = wb.Features[f];
    if (feat.Kind == 'c') {
      put(k, in[k].Weights[0] * row[f]);
      ++k;
    } else {
      const std::size_t known = feat.Values.size();
      for (int i = 0; i < feat.NValues; ++i, ++k)
        put(k, (static_cast<std::size_t>(i) < known && row[f] == feat.Values[i]) ? in[k].Weights[0] : 0.0);
    }
  }
}

// The input layer's signals into its neurons.
void InputLayer(Workbench& wb, int v) {
  std::vector<TNeuron>& in = wb.Net[0];
  InputSignals(wb, v, [&in](std::size_t i, double x) { in[i].Signal = x; });
}

// A standard layer: stretched sigmoid of (threshold - net) × slope, guarded.
void StandardLayer(Workbench& wb, std::size_t l) {
  const std::vector<TNeuron>& prev = wb.Net[l - 1];
  const std::size_t n = prev.size();
  const double slope = wb.Slope, stretch = wb.Stretch, offset = wb.StretchOffset;
  for (TNeuron& neuron : wb.Net[l]) {
    const double* w = neuron.Weights.data();
    double net = 0.0;
    for (std::size_t i = 0; i < n; ++i) net += prev[i].Signal * w[i];
    const double a = (w[n] - net) * slope;
    neuron.Signal = a > kExpGuard ? 0.0 : StretchedSigmoid(a, stretch, offset);
    ++wb.SigmoidCount;
  }
}

}  // namespace

void ForwardPass(Workbench& wb, int v, NetStructure structure) {
  wb.StretchOffset = (1.0 - wb.Stretch) / 2.0;
  InputLayer(wb, v);
  const std::size_t nl = wb.Net.size();
  switch (structure) {
    case NetStructure::Standard:
      for (std::size_t l = 1; l < nl; ++l) StandardLayer(wb, l);
      break;
    case NetStructure::Skip: {
      // Plain logistic neurons without stretch and without a guard.
      const double slope = wb.Slope;
      const std::vector<TNeuron>& in = wb.Net[0];
      const std::size_t n0 = in.size(), n1 = wb.Net[1].size();
      for (TNeuron& neuron : wb.Net[1]) {
        const double* w = neuron.Weights.data();
        double net = 0.0;
        for (std::size_t i = 0; i < n0; ++i) net += in[i].Signal * w[i];
        neuron.Signal = 1.0 / (1.0 + UnguardedExp((w[n0] - net) * slope));
        ++wb.SigmoidCount;
      }
      const std::vector<TNeuron>& hid = wb.Net[1];
      for (TNeuron& neuron : wb.Net[2]) {
        const double* w = neuron.Weights.data();
        double net = 0.0;
        for (std::size_t i = 0; i < n1; ++i) net += hid[i].Signal * w[i];
        for (std::size_t i = 0; i < n0; ++i) net += in[i].Signal * w[n1 + i];
        neuron.Signal = 1.0 / (1.0 + UnguardedExp((w[n1 + n0] - net) * slope));
        ++wb.SigmoidCount;
      }
      break;
    }
    case NetStructure::FunctionApprox: {
      for (std::size_t l = 1; l + 1 < nl; ++l) StandardLayer(wb, l);
      // A linear output layer, not counted.
      const std::vector<TNeuron>& prev = wb.Net[nl - 2];
      const std::size_t n = prev.size();
      for (TNeuron& neuron : wb.Net[nl - 1]) {
        const double* w = neuron.Weights.data();
        double net = 0.0;
        for (std::size_t i = 0; i < n; ++i) net += prev[i].Signal * w[i];
        neuron.Signal = (w[n] - net) * wb.Slope;
      }
      break;
    }
    case NetStructure::Smlp:
    case NetStructure::None:
      break;  // step-function networks have their own evaluation
  }
}

void ForwardInputLayer(Workbench& wb, int v) {
  wb.StretchOffset = (1.0 - wb.Stretch) / 2.0;
  InputLayer(wb, v);
}

void ForwardInputLayer(Workbench& wb, int v, double* out) {
  wb.StretchOffset = (1.0 - wb.Stretch) / 2.0;
  InputSignals(wb, v, [out](std::size_t i, double x) { out[i] = x; });
}

void ComputeSignals(Workbench& wb, int v) {
  ClearVectorState();
  const NetStructure s = ChosenStructure(wb);
  EvalNeeds needs;
  needs.Classes = false;
  needs.InputWeights = true;
  if (s == NetStructure::Smlp || s == NetStructure::None) {
    // Only the input layer is computed.
    if (wb.Layers.empty() || wb.Net.empty() || wb.Net[0].size() != static_cast<std::size_t>(wb.Layers[0]) ||
        InputLayerSize(wb.Features) != wb.Layers[0])
      NotFitting("the data set");
    for (const TNeuron& n : wb.Net[0])
      if (n.Weights.empty()) NotFitting("the chosen structure");
  } else {
    RequireShape(wb, s == NetStructure::Skip ? NetLayout::Skip : NetLayout::Standard, needs);
  }
  if (v < 0 || v >= wb.NumOfVectors || static_cast<std::size_t>(v) >= wb.Data.size())
    throw WlError("No vector " + IntToStr(v) + " in the data set");
  if (wb.Data[v].size() < wb.Features.size()) NotFitting("the data set");
  ForwardPass(wb, v, s);
}

}  // namespace wl
