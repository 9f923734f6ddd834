#include "analysis/data_pca.h"

#include <string>
#include <vector>

#include "analysis/svd.h"
#include "analysis/weight_pca.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "training/prepare_run.h"

namespace wl {

namespace {

std::string MatrixText(const Matrix& a) {
  std::string text;
  for (int r = 0; r < a.Rows; ++r) {
    for (int c = 0; c < a.Cols; ++c) text += FormatReal(a(r, c)) + "   ";
    text += "\n";
  }
  return text;
}

void ShowStatus(Workbench& wb, const std::string& text) {
  wb.Form1.ep.SetText(text);
  wb.Form1.ep.Repaint();
}

}  // namespace

bool PCAOnData(Workbench& wb) {
  const int n = wb.NumOfFeatures, N = wb.NumOfVectors;
  if (N < 1 || n < 1 || static_cast<int>(wb.Data.size()) < N)
    throw WlError("No data set has been opened yet. Open a data set first (Open -> Open Training Set).");
  std::vector<double> mean(static_cast<std::size_t>(n), 0.0);
  for (int v = 0; v < N; ++v)
    for (int f = 0; f < n; ++f) mean[static_cast<std::size_t>(f)] += wb.Data[static_cast<std::size_t>(v)][static_cast<std::size_t>(f)];
  for (double& m : mean) m /= N;
  wb.MatrixA.Resize(n, n);
  for (int f = 0; f < n; ++f) {
    wb.Plat.ProcessEvents();
    for (int g = 0; g < n; ++g) {
      double c = 0.0;
      for (int v = 0; v < N; ++v) {
        const auto& row = wb.Data[static_cast<std::size_t>(v)];
        c += (row[static_cast<std::size_t>(g)] - mean[static_cast<std::size_t>(g)]) *
             (row[static_cast<std::size_t>(f)] - mean[static_cast<std::size_t>(f)]);
      }
      wb.MatrixA(f, g) = c / N;
    }
  }

  const std::string file = wb.Path("PCA/CovMat.txt");
  EnsureDirectory(wb.Path("PCA"));
  std::string text = "covariance matrix:\n" + MatrixText(wb.MatrixA);
  WriteFileAtomically(file, text);

  wb.DataEigenvalues.assign(static_cast<std::size_t>(n), 0.0);
  if (!SVD(
          wb.MatrixA, n, n, wb.DataEigenvalues, wb.MatrixV, [&wb](const std::string& s) { ShowStatus(wb, s); },
          [&wb] { wb.Plat.ProcessEvents(); })) {
    ShowStatus(wb, "Error!  SVD failed");
    return false;
  }
  const std::string fault = EigenvalueFault(wb.DataEigenvalues, n);
  if (!fault.empty()) {
    ShowStatus(wb, fault);
    return false;
  }
  // Row c of MatrixA: the eigenvector of component c.
  for (int c = 0; c < n; ++c)
    for (int f = 0; f < n; ++f) wb.MatrixA(c, f) = wb.MatrixV(f, c);
  text += "\neigenvector matrix:\n" + MatrixText(wb.MatrixA);
  WriteFileAtomically(file, text);

  double S = 0.0;
  for (int i = 0; i < n; ++i) S += wb.DataEigenvalues[static_cast<std::size_t>(i)];
  std::vector<std::string> lines;
  double C = 0.0;
  for (int i = 0; i < n; ++i) {
    const double e = wb.DataEigenvalues[static_cast<std::size_t>(i)];
    C += e;
    lines.push_back(FixedDisplayText(e / S, 10, 7) + " / " + FixedDisplayText(C / S, 10, 7) + " / " + IntToStr(i + 1));
  }
  wb.Form1.VarianceBox.SetItems(std::move(lines));
  return true;
}

void WritePCAData(Workbench& wb) {
  const int k = wb.Form1.VarianceBox.ItemIndex() + 1;
  const int n = wb.NumOfFeatures, N = wb.NumOfVectors;
  // The components in MatrixA must be those of the data set as it is now.
  if (k < 1 || k > n || wb.MatrixA.Cols != n || wb.MatrixA.Rows < k || static_cast<int>(wb.Data.size()) < N) return;
  std::string text = "Number of features = " + IntToStr(k + 1) + "\n";
  text += "Number of Vectors = " + IntToStr(N) + "\n";
  text += "Class Column No = " + IntToStr(k + 1) + "\n\n";
  for (int c = 1; c <= k; ++c) text += "Feature[" + IntToStr(c) + "] = PCA" + IntToStr(c) + "  continuous\n";
  text += "Feature[" + IntToStr(k + 1) + "] = Class  discrete  " + IntToStr(wb.NumOfClasses);
  for (int c = 0; c < wb.NumOfClasses; ++c) text += "  " + IntToStr(c);
  text += "\n\n[DATA]\n";
  for (int v = 0; v < N; ++v) {
    const auto& row = wb.Data[static_cast<std::size_t>(v)];
    for (int c = 0; c < k; ++c) {
      double p = 0.0;
      for (int f = 0; f < n; ++f) p += row[static_cast<std::size_t>(f)] * wb.MatrixA(c, f);
      text += FormatReal(p) + "  ";
    }
    if (static_cast<std::size_t>(v) < wb.VectorClass.size()) text += IntToStr(wb.VectorClass[static_cast<std::size_t>(v)]);
    text += "\n";
  }
  WriteFileAtomically(wb.ResultsPrefix + "_" + IntToStr(k) + ".dat", text);
}

}  // namespace wl
