#include "analysis/weight_pca.h"

#include <algorithm>
#include <cmath>

#include "analysis/svd.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"

namespace wl {

namespace {

void ShowStatus(Workbench& wb, const std::string& text) {
  wb.Form1.ep.SetText(text);
  wb.Form1.ep.Repaint();
}

}  // namespace

bool RunSVD(Workbench& wb, int m, int n) {
  return SVD(
      wb.MatrixA, m, n, wb.Eigenvalues, wb.MatrixV, [&wb](const std::string& s) { ShowStatus(wb, s); },
      [&wb] { wb.Plat.ProcessEvents(); });
}

void ZeroNoiseEigenvalues(std::vector<double>& eig, int n, double scale) {
  const std::size_t count = std::min(eig.size(), static_cast<std::size_t>(std::max(n, 0)));
  double largest = std::fabs(scale);
  for (std::size_t i = 0; i < count; ++i) largest = std::max(largest, std::fabs(eig[i]));
  const double tolerance = static_cast<double>(n) * 1e-12 * largest;
  for (std::size_t i = 0; i < count; ++i)
    if (std::fabs(eig[i]) <= tolerance) eig[i] = 0.0;
}

std::string EigenvalueFault(const Workbench& wb, int n) { return EigenvalueFault(wb.Eigenvalues, n); }

std::string EigenvalueFault(const std::vector<double>& eigenvalues, int n) {
  const int count = std::min(n, static_cast<int>(eigenvalues.size()));
  bool positive = false;
  for (int i = 0; i < count; ++i) {
    const double e = eigenvalues[static_cast<std::size_t>(i)];
    if (std::isnan(e)) return "Error!  EigenValue[" + IntToStr(i) + "]=" + FloatToStr(e);
    if (e > 0.0) positive = true;
  }
  if (positive) return "";
  return "Error!  EigenValue[0]=" + FloatToStr(count > 0 ? eigenvalues[0] : 0.0);
}

void ComputeCovarianceMatrix(Workbench& wb) {
  const int R = wb.WMRows, N = wb.NumOfWeights;
  if (R < 2) throw FloatError("Division by zero: the covariance of the weights needs two rows of the weight matrix or more");
  if (wb.MatrixA.Rows != N || wb.MatrixA.Cols != N) wb.MatrixA.Resize(N, N);
  std::vector<double> mean(static_cast<std::size_t>(N), 0.0);
  for (int j = 0; j < N; ++j) {
    double s = 0.0;
    for (double x : wb.WeightMatrix[static_cast<std::size_t>(j)]) s += x;
    mean[static_cast<std::size_t>(j)] = s / R;
  }
  for (int i = 0; i < N; ++i) {
    wb.Plat.ProcessEvents();
    const auto& wi = wb.WeightMatrix[static_cast<std::size_t>(i)];
    const double mi = mean[static_cast<std::size_t>(i)];
    for (int j = 0; j < N; ++j) {
      const auto& wj = wb.WeightMatrix[static_cast<std::size_t>(j)];
      const double mj = mean[static_cast<std::size_t>(j)];
      double c = 0.0;
      for (int t = 0; t < R; ++t) c += (wi[static_cast<std::size_t>(t)] - mi) * (wj[static_cast<std::size_t>(t)] - mj);
      wb.MatrixA(i, j) = c;
    }
  }
  for (double& c : wb.MatrixA.Cells) c /= (R - 1);
}

bool ComputeWeightPCA(Workbench& wb) {
  const int N = wb.NumOfWeights;
  if (N < 1 || static_cast<int>(wb.WeightMatrix.size()) != N)
    throw WlError("No weight matrix has been built for this network.");
  if (static_cast<int>(wb.Eigenvalues.size()) != N) wb.Eigenvalues.assign(static_cast<std::size_t>(N), 0.0);
  int m = N;
  if (wb.Form1.CMBox.Checked()) {
    ShowStatus(wb, "Calculating Covariance Matrix...");
    wb.MatrixA.Resize(N, N);
    ComputeCovarianceMatrix(wb);
  } else {
    // The weight matrix itself, transposed: epochs as rows, stacked until there are at least as many rows
    // as weights. Neither centred nor scaled.
    const int R = wb.WMRows;
    if (R < 1) throw FloatError("Division by zero: the weight matrix has no rows");
    const int r = N > R ? (N + R - 1) / R : 1;
    m = R * r;
    wb.MatrixA.Resize(m, N);
    for (int i = 0; i < m; ++i)
      for (int j = 0; j < N; ++j)
        wb.MatrixA(i, j) = wb.WeightMatrix[static_cast<std::size_t>(j)][static_cast<std::size_t>(i % R)];
  }
  if (!RunSVD(wb, m, N)) {
    ShowStatus(wb, "Error!  SVD failed");
    return false;
  }
  // The covariance of a constant trajectory is all rounding noise, its largest eigenvalue too: the noise is
  // measured against the squared size of the weights as well.
  double scale = 0.0;
  if (wb.Form1.CMBox.Checked())
    for (const auto& column : wb.WeightMatrix)
      for (double x : column) scale = std::max(scale, x * x);
  ZeroNoiseEigenvalues(wb.Eigenvalues, N, scale);
  const std::string fault = EigenvalueFault(wb, N);
  if (!fault.empty()) {
    ShowStatus(wb, fault);
    return false;
  }
  ExtractPrincipalComponents(wb);
  ShowStatus(wb, "Drawing Plot...");
  return true;
}

void ExtractPrincipalComponents(Workbench& wb) {
  const int N = wb.NumOfWeights;
  wb.MatrixA.Resize(N, N);
  for (int i = 0; i < N; ++i)
    for (int j = 0; j < N; ++j) wb.MatrixA(i, j) = wb.MatrixV(j, i);
  wb.NumOfComponents = N;
  wb.PrincipalComponents.assign(static_cast<std::size_t>(wb.NumOfComponents), std::vector<double>(static_cast<std::size_t>(N)));
  for (int k = 0; k < wb.NumOfComponents; ++k)
    for (int j = 0; j < N; ++j) wb.PrincipalComponents[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)] = wb.MatrixA(k, j);
  wb.MatrixA.Resize(1, 1);
  WritePCAFiles(wb);
}

void WritePCAFiles(Workbench& wb) {
  const int N = wb.NumOfWeights;
  EnsureDirectory(wb.Path("PCA"));
  const int shown = std::min(6, std::min(N, static_cast<int>(wb.PrincipalComponents.size())));
  std::string text;
  for (int j = 0; j < N; ++j) {
    for (int k = 0; k < shown; ++k)
      text += FormatReal(wb.PrincipalComponents[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)]) + "   ";
    text += "\n";
  }
  WriteFileAtomically(wb.Path("PCA/pcomp_w.txt"), text);
  text.clear();
  for (int j = 0; j < N && j < static_cast<int>(wb.Eigenvalues.size()); ++j)
    text += FormatReal(wb.Eigenvalues[static_cast<std::size_t>(j)]) + "\n";
  WriteFileAtomically(wb.Path("PCA/eig_w.txt"), text);
  text.clear();
  for (int r = 0; r < wb.WMRows; ++r) {
    for (const auto& column : wb.WeightMatrix) text += "  " + FormatReal(column[static_cast<std::size_t>(r)]);
    text += "\r\n";
  }
  WriteFileAtomically(wb.Path("PCA/WM_weightlab.txt"), text);
}

}  // namespace wl
