#include "smlp/lnum_grad.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/errors.h"
#include "platform/numfmt.h"
#include "smlp/lnet.h"
#include "smlp/lunit_net.h"
#include "smlp/smlp_network.h"
#include "state/workbench.h"

namespace wl {

namespace {

double StepError(Workbench& wb, std::uint8_t mode) { return mode == 1 ? EvaluateNetwork(wb) : LNetError(wb, 7); }

void Log(Workbench& wb, const std::string& line) {
  if (!wb.LogFile.is_open()) throw FileError("The run log is not open to write \"" + line + "\"");
  wb.LogFile << line << '\n';
  if (!wb.LogFile) throw FileError("Cannot write file " + wb.LogFileName);
}

double& WeightOf(Workbench& wb, const TGradRecord& r) {
  return wb.Net[1][static_cast<std::size_t>(r.Neuron)].Weights[static_cast<std::size_t>(r.Input)];
}

// Sets the record's weight to the sign of its gain, evaluates and logs the step under its position.
void TakeStep(Workbench& wb, std::uint8_t mode, const char* tag, std::size_t position) {
  const TGradRecord& r = wb.LGradient[position];
  WeightOf(wb, r) = SignOf(r.Gain);
  const double e = StepError(wb, mode);
  Log(wb, "");
  Log(wb, "");
  Log(wb, tag + IntToStr(static_cast<std::int64_t>(position)));
  Log(wb, "n=" + IntToStr(r.Neuron) + "  w=" + IntToStr(r.Input) + "  v=" + FloatToStr(r.Gain));
  Log(wb, "error = " + FloatToStr(e));
  WriteLNetRules(wb, 2);
}

// The feature whose inputs hold input i (inputs numbered feature by feature); -1 past them.
int FeatureOfInput(const Workbench& wb, int i) {
  int start = 0;
  for (std::size_t f = 0; f < wb.FeatureValueCount.size(); ++f) {
    const int n = wb.FeatureValueCount[f];
    if (i < start + n) return static_cast<int>(f);
    start += n;
  }
  return -1;
}

}  // namespace

void NumericalGradientL(Workbench& wb, std::uint8_t mode) {
  const int l0 = wb.Layers[0];
  const int l1 = wb.Layers[1];
  const int classes = std::max(1, wb.NumOfClasses);
  wb.LGradient.assign(static_cast<std::size_t>(l1) * static_cast<std::size_t>(l0 + 1), TGradRecord{});
  wb.GradSumSq = 0.0;
  const double e0 = StepError(wb, mode);
  wb.CurrentError = e0;
  std::size_t r = 0;
  for (int h = 0; h < l1; ++h)
    for (int i = 0; i <= l0; ++i, ++r) {
      TGradRecord& g = wb.LGradient[r];
      g = TGradRecord{0.0, h, i, i < l0 ? FeatureOfInput(wb, i) : -1, h / classes};
      double& w = wb.Net[1][static_cast<std::size_t>(h)].Weights[static_cast<std::size_t>(i)];
      const double w0 = w;
      w = w0 + 1.0;
      const double plus = StepError(wb, mode);
      if (plus < e0) g.Gain = e0 - plus;
      w = w0 - 1.0;
      const double minus = StepError(wb, mode);
      wb.NewError = minus;
      if (minus < e0 && minus < plus) g.Gain = -(e0 - minus);
      wb.GradSumSq += g.Gain * g.Gain;
      w = w0;
    }
  wb.NormV = std::sqrt(wb.GradSumSq);
}

void SortGradient(std::vector<TGradRecord>& records, std::vector<TFeatureGradient>& features, int numOfFeatures) {
  const std::size_t n = records.size();
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < i; ++j) {
      const double gi = records[i].Gain, gj = records[j].Gain;
      if (std::fabs(gj) < std::fabs(gi) || (gj == -gi && gj < gi)) std::swap(records[i], records[j]);
    }

  // Each entry names its own feature, so that an entry without gains steps no other feature's records.
  features.assign(static_cast<std::size_t>(std::max(0, numOfFeatures)), TFeatureGradient{});
  for (std::size_t f = 0; f < features.size(); ++f) features[f].Feature = static_cast<std::int32_t>(f);
  for (const TGradRecord& r : records) {
    if (r.Gain == 0.0) break;
    if (r.Feature < 0 || static_cast<std::size_t>(r.Feature) >= features.size()) continue;  // a threshold
    features[static_cast<std::size_t>(r.Feature)].Sum += std::fabs(r.Gain);
  }
  const std::size_t m = features.size();
  for (std::size_t i = 0; i < m; ++i)
    for (std::size_t j = 0; j < m; ++j)
      if (features[j].Sum < features[i].Sum) std::swap(features[i], features[j]);
}

void StepAlongGradient(Workbench& wb, std::uint8_t mode) {
  const TForm1& form = wb.Form1;
  const std::size_t n = wb.LGradient.size();
  if (form.SA.Checked())
    for (std::size_t i = 0; i < n && wb.LGradient[i].Gain != 0.0; ++i) TakeStep(wb, mode, "i=", i);
  if (form.SF1.Checked())
    for (const TFeatureGradient& fg : wb.FeatureGradient)
      for (std::size_t i = 0; i < n && wb.LGradient[i].Gain != 0.0; ++i)
        if (wb.LGradient[i].Feature == fg.Feature) TakeStep(wb, mode, "i=", i);
}

void StepAlongGradient4(Workbench& wb, std::uint8_t mode) {
  if (!wb.Form1.SA.Checked()) return;
  std::size_t m = 0;
  while (m < wb.LGradient.size() && wb.LGradient[m].Gain != 0.0) ++m;
  auto clear = [&](std::size_t r) { WeightOf(wb, wb.LGradient[r]) = 0.0; };
  for (std::size_t i = 0; i < m; ++i) {
    TakeStep(wb, mode, "i=", i);
    for (std::size_t j = 0; j < m; ++j) {
      if (j == i) continue;
      TakeStep(wb, mode, "j=", j);
      for (std::size_t k = 0; k < m; ++k) {
        if (k == i || k == j) continue;
        TakeStep(wb, mode, "k=", k);
        for (std::size_t l = 0; l < m; ++l) {
          if (l == i || l == j || l == k) continue;
          TakeStep(wb, mode, "l=", l);
          clear(l);
        }
        clear(k);
      }
      clear(j);
    }
    clear(i);
  }
}

void LNumGradTrain(Workbench& wb, std::uint8_t mode) {
  NumericalGradientL(wb, mode);
  SortGradient(wb.LGradient, wb.FeatureGradient, wb.NumOfFeatures);
  if (!wb.Form1.BeamSearch.Checked())
    StepAlongGradient(wb, mode);
  else
    StepAlongGradient4(wb, mode);
}

}  // namespace wl
