#include "training/direction_scan.h"

#include <cstdlib>

#include "model/error_functions.h"
#include "model/eval_options.h"
#include "platform/numfmt.h"
#include "state/workbench.h"

namespace wl {

namespace {

int SignOf(double v) { return v > 0.0 ? 1 : v < 0.0 ? -1 : 0; }

}  // namespace

double DirectionScanError(Workbench& wb) {
  if (wb.Form1.WMMatlabBox.Checked()) return ContinuousInputError(wb);
  return ComputeError(wb, HeldEvalOptions(wb), static_cast<std::uint8_t>(wb.ErrorTFKind & 0xFF));
}

bool ScanSampled(int u) {
  const int a = std::abs(u);
  if (a < 50) return true;
  if (a < 100) return u % 2 == 0;
  return u % 4 == 0;
}

std::string ScanPlace(double efar, double last, double best) {
  if (efar <= best) return "beg";
  if (last == best) return "end";
  return "mid";
}

void LogWMD(Workbench& wb, int l, int n, int k, double w0, bool store) {
  TNeuron& nr = wb.Net[static_cast<std::size_t>(l)][static_cast<std::size_t>(n)];
  const auto kk = static_cast<std::size_t>(k);
  const double e0 = DirectionScanError(wb);
  double best = e0, d = 0.0, efar = 0.0, last = 0.0;
  const bool log = wb.Form1.LogWMDBox.Checked() && wb.LogWMDFile.is_open();
  std::vector<double>* row = store && kk < wb.SectionSamples.size() ? &wb.SectionSamples[kk] : nullptr;
  std::size_t i = 0;
  wb.Plat.ProcessEvents();
  for (int u = -200; u <= 200; ++u) {
    if (!ScanSampled(u)) continue;
    nr.Weights[kk] = w0 + 0.05 * u;
    const double e = DirectionScanError(wb);
    if (row && i < row->size()) (*row)[i] = e;
    ++i;
    if (log) wb.LogWMDFile << FormatReal(e) << "  ";
    if (std::abs(u) >= 100 && efar == 0.0) efar = e;
    if (e < best) {
      best = e;
      d = 0.05 * u;
    }
    last = e;
  }
  const bool shaped = !wb.SearchDirection.Empty() && static_cast<std::size_t>(l - 1) < wb.SearchDirection.Shape().Neurons.size();
  const double v = shaped ? wb.SearchDirection[0][static_cast<std::size_t>(l - 1)][static_cast<std::size_t>(n)][kk] : 0.0;
  if (log) {
    const double next = kk < nr.OldWeights.size() ? nr.OldWeights[kk] : 0.0;
    wb.LogWMDFile << FormatReal(w0) << "  " << FormatReal(next) << "  " << FormatReal(w0 + d) << "  " << FormatReal(d)
                  << "  " << FormatReal(v) << "   " << SignOf(d) * SignOf(v) << "  " << ScanPlace(efar, last, best)
                  << "\r\n";
  }
  if (!wb.VdwData.Empty() && static_cast<std::size_t>(l - 1) < wb.VdwData.Shape().Neurons.size())
    wb.VdwData[0][static_cast<std::size_t>(l - 1)][static_cast<std::size_t>(n)][kk] = d;
}

}  // namespace wl
