#include "analysis/pca_files.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "state/analysis_shapes.h"
#include "state/report_opener.h"
#include "model/data_file.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/text_file.h"

namespace wl {

namespace {

[[noreturn]] void BadLine(const std::string& path, std::size_t line, const std::string& why) {
  throw FileError("File " + path + ", line " + IntToStr(static_cast<std::int64_t>(line) + 1) + ": " + why);
}

double Number(const std::string& path, std::size_t line, const std::string& token) {
  double v = 0.0;
  if (!TryStrToFloat(token, v)) BadLine(path, line, QuotedText(token) + " is not a valid floating point value");
  return v;
}

void Open(TextLineReader& in, const std::string& path) {
  if (!in.Open(path)) throw FileError("Cannot open file " + path);
}

void ThrowIfReadFailed(const TextLineReader& in, const std::string& path) {
  if (in.Failed()) throw FileError("Cannot read file " + path);
}

void ReadEigenvalues(const std::string& path, std::vector<double>& eig) {
  TextLineReader in;
  Open(in, path);
  std::string line;
  for (std::size_t i = 0; in.Next(line); ++i) {
    if (i >= eig.size()) BadLine(path, i, "more lines than the network has weights (" + IntToStr(static_cast<std::int64_t>(eig.size())) + ")");
    eig[i] = Number(path, i, Trim(line));
  }
  ThrowIfReadFailed(in, path);
  // A negative first eigenvalue is no variance: the file is not a PCA of this trajectory.
  if (!eig.empty() && eig[0] < 0)
    throw FileError("File " + path + ": the first eigenvalue " + FloatToStr(eig[0]) + " is negative");
}

// Line s of a direction file: count tokens into rows [k][s] of dirs. The file holds one line per weight
// and not every value 0.
void ReadDirections(Workbench& wb, const std::string& path, int count, std::vector<std::vector<double>>& dirs) {
  TextLineReader in;
  Open(in, path);
  const auto n = static_cast<std::size_t>(std::max(wb.NumOfWeights, 0));
  bool nonZero = false;
  std::size_t s = 0;
  for (std::string line; in.Next(line); ++s) {
    if (s >= n) BadLine(path, s, "more lines than the network has weights (" + IntToStr(static_cast<std::int64_t>(n)) + ")");
    wb.DataLine = std::move(line);
    wb.DataLinePos = 1;
    for (int k = 0; k < count; ++k) {
      const std::string token = NextDataLineToken(wb);
      if (token.empty()) BadLine(path, s, "value " + IntToStr(k + 1) + " is missing");
      const double v = Number(path, s, token);
      dirs[static_cast<std::size_t>(k)][s] = v;
      nonZero = nonZero || v != 0.0;
    }
  }
  ThrowIfReadFailed(in, path);
  if (s < n)
    throw FileError("File " + path + ": " + IntToStr(static_cast<std::int64_t>(s)) + " lines for the " +
                    IntToStr(static_cast<std::int64_t>(n)) + " weights of the network, one line for each expected");
  if (!nonZero) throw FileError("File " + path + ": every value is 0, which gives no direction");
}

// The readers refuse without a message when a file is missing or no training has been run.
bool ReadersMayRead(const Workbench& wb, const std::string& a, const std::string& b) {
  return FileExists(a) && FileExists(b) && wb.StartError != 0.0 && wb.NumOfWeights > 0;
}

}  // namespace

// Both readers read the whole of their files before they take over anything: a refused file leaves the
// components in use as they were.
bool ReadPCAFiles(Workbench& wb, PCAFileKind kind) {
  const std::string eig = wb.Path(kind == PCAFileKind::W ? "PCA/eig_w.txt" : "PCA/eig_v.txt");
  const std::string comp = wb.Path(kind == PCAFileKind::W ? "PCA/pcomp_w.txt" : "PCA/pcomp_v.txt");
  if (!ReadersMayRead(wb, comp, eig)) return false;
  const auto n = static_cast<std::size_t>(wb.NumOfWeights);
  std::vector<double> eigenvalues(n, 0.0);
  std::vector<std::vector<double>> components(n, std::vector<double>(n, 0.0));
  ReadEigenvalues(eig, eigenvalues);
  ReadDirections(wb, comp, wb.NumOfWeights, components);
  wb.Eigenvalues = std::move(eigenvalues);
  wb.NumOfComponents = wb.NumOfWeights;
  wb.PrincipalComponents = components;
  wb.MatlabComponents = std::move(components);
  if (wb.ICAComponents.size() != 5 || (n > 0 && wb.ICAComponents[0].size() != n))
    wb.ICAComponents.assign(5, std::vector<double>(n, 0.0));
  StampComponents(wb);
  return true;
}

bool ReadICAFiles(Workbench& wb) {
  const std::string eig = wb.Path("PCA/eig_w.txt");
  const std::string ica = wb.Path("PCA/ica_a.txt");
  if (!ReadersMayRead(wb, ica, eig)) return false;
  const auto n = static_cast<std::size_t>(wb.NumOfWeights);
  std::vector<double> eigenvalues(n, 0.0);
  std::vector<std::vector<double>> directions(5, std::vector<double>(n, 0.0));
  ReadEigenvalues(eig, eigenvalues);
  ReadDirections(wb, ica, 5, directions);
  wb.Eigenvalues = std::move(eigenvalues);
  wb.NumOfComponents = wb.NumOfWeights;
  wb.PrincipalComponents.assign(n, std::vector<double>(n, 0.0));
  for (std::size_t k = 0; k < 5 && k < n; ++k) wb.PrincipalComponents[k] = directions[k];
  wb.ICAComponents = std::move(directions);
  if (wb.MatlabComponents.size() != n || (n > 0 && wb.MatlabComponents[0].size() != n))
    wb.MatlabComponents.assign(n, std::vector<double>(n, 0.0));
  StampComponents(wb);
  return true;
}

bool ReadComponentScores(Workbench& wb) {
  const std::string path = wb.Path("PCA/scores_w.txt");
  if (wb.MethodTag != "Matlab" || !FileExists(path)) return true;
  TextLineReader in;
  Open(in, path);
  const auto n = static_cast<std::size_t>(wb.NumOfWeights);
  const auto epochs = static_cast<std::size_t>(wb.NumOfEpochs < 0 ? 0 : wb.NumOfEpochs) + 1;
  wb.ComponentScores.assign(n, std::vector<double>(epochs, 0.0));
  // Only the lines of the epochs are read; a shorter file reads as empty lines.
  for (std::size_t e = 0; e < epochs; ++e) {
    if (!in.Next(wb.DataLine)) wb.DataLine.clear();
    ThrowIfReadFailed(in, path);
    wb.DataLinePos = 1;
    for (std::size_t k = 0; k < n; ++k) {
      const std::string token = NextDataLineToken(wb);
      double v = 0.0;
      if (!TryStrToFloat(token, v)) {
        wb.Plat.ShowMessage("Error in scores_w.txt line " + IntToStr(static_cast<std::int64_t>(e) + 1) + ": " +
                            ShownText(token) + " is not a real number");
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
