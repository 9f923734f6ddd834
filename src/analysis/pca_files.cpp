#include "analysis/pca_files.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "state/report_opener.h"
#include "model/data_file.h"
#include "state/workbench.h"
#include "analysis/text_lines.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"

namespace wl {

namespace {

[[noreturn]] void BadLine(const std::string& path, std::size_t line, const std::string& why) {
  throw FileError("File " + path + ", line " + IntToStr(static_cast<std::int64_t>(line) + 1) + ": " + why);
}

double Number(const std::string& path, std::size_t line, const std::string& token) {
  double v = 0.0;
  if (!TryStrToFloat(token, v)) BadLine(path, line, "'" + token + "' is not a valid floating point value");
  return v;
}

// The arrays the readers fill, sized for the network when they are not yet.
void SizeResults(Workbench& wb) {
  const auto n = static_cast<std::size_t>(wb.NumOfWeights);
  if (wb.Eigenvalues.size() != n) wb.Eigenvalues.assign(n, 0.0);
  wb.NumOfComponents = wb.NumOfWeights;
  auto size = [n](std::vector<std::vector<double>>& m, std::size_t rows) {
    if (m.size() != rows || (rows > 0 && m[0].size() != n)) m.assign(rows, std::vector<double>(n, 0.0));
  };
  size(wb.PrincipalComponents, n);
}

void ReadEigenvalues(Workbench& wb, const std::string& path) {
  const std::vector<std::string> lines = ReadLines(path);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i >= wb.Eigenvalues.size())
      BadLine(path, i, "more lines than the network has weights (" + IntToStr(wb.NumOfWeights) + ")");
    wb.Eigenvalues[i] = Number(path, i, Trim(lines[i]));
  }
}

// Line s of a direction file: count tokens into the given rows (each [k][s]).
void ReadDirections(Workbench& wb, const std::string& path, int count,
                    std::vector<std::vector<double>>& own) {
  const std::vector<std::string> lines = ReadLines(path);
  for (std::size_t s = 0; s < lines.size(); ++s) {
    if (s >= static_cast<std::size_t>(wb.NumOfWeights))
      BadLine(path, s, "more lines than the network has weights (" + IntToStr(wb.NumOfWeights) + ")");
    wb.DataLine = lines[s];
    wb.DataLinePos = 1;
    for (int k = 0; k < count; ++k) {
      const std::string token = NextDataLineToken(wb);
      if (token.empty()) BadLine(path, s, "value " + IntToStr(k + 1) + " is missing");
      const double v = Number(path, s, token);
      const auto uk = static_cast<std::size_t>(k);
      if (uk < wb.PrincipalComponents.size()) wb.PrincipalComponents[uk][s] = v;
      own[uk][s] = v;
    }
  }
}

}  // namespace

bool ReadPCAFiles(Workbench& wb, PCAFileKind kind) {
  const std::string eig = wb.Path(kind == PCAFileKind::W ? "PCA/eig_w.txt" : "PCA/eig_v.txt");
  const std::string comp = wb.Path(kind == PCAFileKind::W ? "PCA/pcomp_w.txt" : "PCA/pcomp_v.txt");
  if (!FileExists(comp) || !FileExists(eig) || wb.StartError == 0.0) return false;
  SizeResults(wb);
  const auto n = static_cast<std::size_t>(wb.NumOfWeights);
  if (wb.MatlabComponents.size() != n || (n > 0 && wb.MatlabComponents[0].size() != n))
    wb.MatlabComponents.assign(n, std::vector<double>(n, 0.0));
  ReadEigenvalues(wb, eig);
  ReadDirections(wb, comp, wb.NumOfComponents, wb.MatlabComponents);
  return true;
}

bool ReadICAFiles(Workbench& wb) {
  const std::string eig = wb.Path("PCA/eig_w.txt");
  const std::string ica = wb.Path("PCA/ica_a.txt");
  if (!FileExists(ica) || !FileExists(eig) || wb.StartError == 0.0) return false;
  SizeResults(wb);
  const auto n = static_cast<std::size_t>(wb.NumOfWeights);
  if (wb.ICAComponents.size() != 5 || wb.ICAComponents[0].size() != n)
    wb.ICAComponents.assign(5, std::vector<double>(n, 0.0));
  ReadEigenvalues(wb, eig);
  ReadDirections(wb, ica, 5, wb.ICAComponents);
  return true;
}

bool ReadComponentScores(Workbench& wb) {
  const std::string path = wb.Path("PCA/scores_w.txt");
  if (wb.MethodTag != "Matlab" || !FileExists(path)) return true;
  const std::vector<std::string> lines = ReadLines(path);
  const auto n = static_cast<std::size_t>(wb.NumOfWeights);
  const auto epochs = static_cast<std::size_t>(wb.NumOfEpochs < 0 ? 0 : wb.NumOfEpochs) + 1;
  wb.ComponentScores.assign(n, std::vector<double>(epochs, 0.0));
  for (std::size_t e = 0; e < epochs; ++e) {
    wb.DataLine = e < lines.size() ? lines[e] : std::string();
    wb.DataLinePos = 1;
    for (std::size_t k = 0; k < n; ++k) {
      const std::string token = NextDataLineToken(wb);
      double v = 0.0;
      if (!TryStrToFloat(token, v)) {
        wb.Plat.ShowMessage("Error in scores_w.txt line " + IntToStr(static_cast<std::int64_t>(e) + 1) + ": " + token +
                            " is not a real number");
        return false;
      }
      wb.ComponentScores[k][e] = v;
    }
  }
  return true;
}

void WriteEigenvalues(Workbench& wb) {
  if (!wb.ESDone) return;
  const int n = std::min(wb.NumOfWeights, static_cast<int>(wb.Eigenvalues.size()));
  double S = 0.0;
  for (int i = 0; i < n; ++i) S += wb.Eigenvalues[static_cast<std::size_t>(i)];
  if (S == 0.0) throw FloatError("Division by zero: the eigenvalues sum to 0");
  std::string text = "eigenvalue  current_variance  total_variance\n\n";
  double C = 0.0;
  for (int i = 0; i < n; ++i) {
    const double e = wb.Eigenvalues[static_cast<std::size_t>(i)];
    C += e;
    text += FormatExponent(e, 5, 3) + "   " + FormatExponent(e / S, 5, 3) + "   " + FormatFixed(C / S, 11) + "\n";
  }
  const std::string file = wb.ResultsPrefix + "_eigen.txt";
  WriteFileAtomically(file, text);
  ShowInNotepad(wb, "notepad.exe " + file);
}

}  // namespace wl
