#include "analysis/trajectory_points.h"

#include <algorithm>

#include "analysis/picture_saving.h"
#include "analysis/trajectory_2d.h"
#include "platform/numfmt.h"

namespace wl {

double TrajectoryMatrixCell(const std::vector<std::vector<double>>& m, int row, int col) {
  if (row < 0 || col < 0 || static_cast<std::size_t>(row) >= m.size()) return 0.0;
  const auto& r = m[static_cast<std::size_t>(row)];
  return static_cast<std::size_t>(col) < r.size() ? r[static_cast<std::size_t>(col)] : 0.0;
}

std::array<double, 6> TrajectoryProjections(const Workbench& wb, int e) {
  std::array<double, 6> p{};
  for (int k = 0; k < 6; ++k) p[static_cast<std::size_t>(k)] = TrajectoryMatrixCell(wb.TrajectoryCoords, k, e);
  return p;
}

double TrajectoryNorm2(const Workbench& wb, int e) {
  return e >= 0 && static_cast<std::size_t>(e) < wb.WNormHistory.size() ? wb.WNormHistory[static_cast<std::size_t>(e)]
                                                                         : 0.0;
}

double TrajectoryEigenvalue(const Workbench& wb, int k) {
  return k >= 0 && static_cast<std::size_t>(k) < wb.Eigenvalues.size() ? wb.Eigenvalues[static_cast<std::size_t>(k)]
                                                                       : 0.0;
}

std::string TrajectoryCaption(const Workbench& wb, const std::string& title) {
  std::string caption = title + "     " + wb.DataBaseName + " ";
  for (int l = 0; l < wb.NumOfLayers && static_cast<std::size_t>(l) < wb.Layers.size(); ++l) {
    if (l > 0) caption += "-";
    caption += IntToStr(wb.Layers[static_cast<std::size_t>(l)]);
  }
  caption += "   ";
  for (int k = 0; k < 6; ++k) {
    const double ev = TrajectoryEigenvalue(wb, k);
    if (!(ev > 0.00001)) continue;
    const int d = ev > 10 ? 0 : ev > 1 ? 1 : ev > 0.1 ? 2 : ev > 0.01 ? 3 : ev > 0.001 ? 4 : ev > 0.0001 ? 5 : 6;
    caption += "   " + FormatFixed(ev, d);
  }
  return caption;
}

void WalkDetailedTrajectory(Workbench& wb, int r, const char* startWarning, const char* stepWarning,
                            const std::function<void(const std::array<double, 6>&, int)>& point) {
  bool warned = false;
  auto warn = [&](const char* text) {
    if (warned) return;
    warned = true;
    wb.Plat.ShowMessage(text);
  };
  std::array<double, 6> u{};
  if (!NormalisedTrajectoryPoint(TrajectoryProjections(wb, 0), TrajectoryNorm2(wb, 0), r, u)) warn(startWarning);
  point(u, 0);
  const std::size_t rows = std::min(wb.WeightHistory.Rows(), wb.DetailWNormHistory.Rows());
  for (int e = 1; e <= wb.NumOfEpochs && static_cast<std::size_t>(e) < rows; ++e) {
    std::array<double, 6> p = TrajectoryProjections(wb, e - 1);
    const auto now = wb.WeightHistory.Row(static_cast<std::size_t>(e));
    const auto before = wb.WeightHistory.Row(static_cast<std::size_t>(e - 1));
    const auto norms = wb.DetailWNormHistory.Row(static_cast<std::size_t>(e));
    const std::size_t n = std::min({now.size(), norms.size(), static_cast<std::size_t>(std::max(0, wb.NumOfWeights))});
    for (std::size_t j = 0; j < n; ++j) {
      const double d = now[j] - before[j];
      for (int k = 0; k < 6; ++k)
        p[static_cast<std::size_t>(k)] += d * TrajectoryMatrixCell(wb.PrincipalComponents, k, static_cast<int>(j));
      if (!NormalisedTrajectoryPoint(p, norms[j], r, u)) warn(stepWarning);
      point(u, e);
    }
  }
}

void TraceSubStepOffset(Workbench& wb, int offset) {
  std::int32_t sub = 0;
  TryStrToInt(wb.ProgressSubStep, sub);
  wb.OnTopForm.SetCaption("On Top      " + wb.ProgressStage + "-" + wb.ProgressStep + "-" + IntToStr(sub + offset));
}

std::string FileNamePart(const std::string& text) {
  // Letters, digits, "-", "+" and "." stay; each run of anything else (blanks, brackets, slashes) becomes
  // one "-", none at either end.
  std::string part;
  bool gap = false;
  for (const char c : text) {
    const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                      c == '+' || c == '.';
    if (!kept) {
      gap = true;
      continue;
    }
    if (gap && !part.empty() && part.back() != '-' && c != '-') part += '-';
    gap = false;
    part += c;
  }
  while (!part.empty() && part.back() == '-') part.pop_back();
  return part;
}

std::string TrajectoryPictureSuffix(const Workbench& wb, const std::string& tag, int c1, int c2, bool original) {
  return tag + FileNamePart(wb.MethodTag) + "_" + IntToStr(wb.WMFirstEpoch) + "-" + IntToStr(wb.WMLastEpoch) + "_c" +
         IntToStr(c1 + 1) + "-c" + IntToStr(c2 + 1) + (original ? "o" : "p");
}

void SaveTrajectoryPicture(Workbench& wb, QImage& pic, const std::string& suffix, bool askName) {
  if (pic.isNull()) return;
  if (askName)
    SavePictureAs(wb, &pic, suffix);
  else
    SavePicture(wb, &pic, suffix);
}

}  // namespace wl
