#include "analysis/cosines.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "analysis/weight_matrix.h"
#include "model/weights_file.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/text_file.h"

namespace wl {

namespace {

// The number of lines of a weight-matrix file and the number of tokens of its last line, read one line
// at a time.
struct WMFileInfo {
  std::int64_t Lines = 0;
  int LastLineTokens = 0;
};

void OpenWMFile(TextLineReader& in, const std::string& path) {
  if (!in.Open(path)) throw FileError("Cannot open file " + (path.empty() ? std::string("(no file loaded)") : path));
}

WMFileInfo ReadWMFile(Workbench& wb, const std::string& path) {
  TextLineReader in;
  OpenWMFile(in, path);
  WMFileInfo info;
  std::string line, last;
  while (in.Next(line)) std::swap(line, last);
  if (in.Failed()) throw FileError("Cannot read file " + path);
  info.Lines = in.LineNo();
  if (info.Lines > 0) {
    wb.WeightLine = std::move(last);
    wb.WeightLinePos = 1;
    while (!NextWeightLineToken(wb).empty()) {
      ++info.LastLineTokens;
      ++wb.WeightLinePos;
    }
  }
  return info;
}

// The network's weights in the program's order, for reading lines in Matlab's order through them.
std::vector<double*> NetworkWeights(Workbench& wb) {
  std::vector<double*> out;
  for (std::size_t l = 1; l < wb.Net.size(); ++l)
    for (TNeuron& n : wb.Net[l])
      for (double& x : n.Weights) out.push_back(&x);
  return out;
}

// Line t of a file as a weight vector of K values in the program's order; with Matlab's order the values
// go into the network's weights first and the vector is read from there.
void ReadWeightVector(Workbench& wb, const std::string& path, const std::string& line, std::size_t lineNo,
                      const std::vector<int>& toSystem, const std::vector<double*>& net, std::vector<double>& out) {
  const bool matlabOrder = !toSystem.empty();
  wb.WeightLine = line;
  wb.WeightLinePos = 1;
  const std::string where = "File " + path + ", line " + IntToStr(static_cast<std::int64_t>(lineNo) + 1) + ": ";
  for (std::size_t t = 0; t < out.size(); ++t) {
    const std::string token = NextWeightLineToken(wb);
    ++wb.WeightLinePos;
    double v = 0.0;
    if (token.empty())
      throw FileError(where + "it holds fewer than " + IntToStr(static_cast<std::int64_t>(out.size())) + " values");
    if (!TryStrToFloat(token, v)) throw FileError(where + QuotedText(token) + " is not a valid floating point value");
    if (matlabOrder)
      *net[static_cast<std::size_t>(toSystem[t])] = v;
    else
      out[t] = v;
  }
  if (matlabOrder)
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = *net[i];
}

double Dot(const std::vector<double>& a, const std::vector<double>& b) {
  double s = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) s += a[i] * b[i];
  return s;
}

}  // namespace

void SelectWMFile(Workbench& wb, int k) {
  wb.WMFileChosen = true;
  FileDialog& dlg = wb.Form1.WMDialog;
  dlg.InitialDir = wb.Path("PCA");
  dlg.FileName = "WM";
  if (wb.Plat.Execute(dlg)) {
    wb.WMFiles[static_cast<std::size_t>(k == 2 ? 1 : 0)] = dlg.FileName;
    dlg.FileName.assign(1, ' ');
  } else {
    wb.WMFileChosen = false;
  }
}

std::string WriteCosines(Workbench& wb, const std::vector<double>& w1, const std::vector<double>& w2,
                         const std::vector<double>& p1, const std::vector<double>& p2) {
  std::string line;
  const double n12 = std::sqrt(Dot(w1, w1)) * std::sqrt(Dot(w2, w2));
  if (n12 > 0.0) {
    ((line += ' ') += FormatReal(Dot(w1, w2) / n12)) += "   ";
  } else {
    wb.Plat.ShowMessage("modW1*modW2<=0");
    line += "   error       ";
  }
  std::vector<double> d1(w1.size()), d2(w2.size());
  for (std::size_t i = 0; i < w1.size(); ++i) {
    d1[i] = w1[i] - p1[i];
    d2[i] = w2[i] - p2[i];
  }
  const double m12 = std::sqrt(Dot(d1, d1)) * std::sqrt(Dot(d2, d2));
  if (m12 > 0.0) {
    line += FormatReal(Dot(d1, d2) / m12);
  } else {
    wb.Plat.ShowMessage("modW1*modW2<=0");
    line += "error";
  }
  return line + "\n";
}

void CompareWMFiles(Workbench& wb) {
  if (!wb.WMFileChosen) return;
  const std::string& file1 = wb.WMFiles[0];
  const std::string& file2 = wb.WMFiles[1];
  const WMFileInfo f1 = ReadWMFile(wb, file1);
  const WMFileInfo f2 = ReadWMFile(wb, file2);
  if (f1.LastLineTokens != f2.LastLineTokens) {
    wb.Plat.ShowMessage("Different Number of Weights in MW1 and WM2");
    return;
  }
  const auto n = static_cast<std::size_t>(std::min(f1.Lines, f2.Lines));
  if (n < 2) {
    wb.Plat.ShowMessage("Fewer than two lines in MW1 or WM2");
    return;
  }
  // The files' weight count is their own; the network's stays as it is.
  const int K = f1.LastLineTokens;
  const bool matlabOrder = wb.Form1.WMMatlabBox.Checked();
  std::vector<int> toSystem;
  std::vector<double*> net;
  if (matlabOrder) {
    if (wb.Net.size() < 2 || K != wb.NumOfWeights) {
      wb.Plat.ShowMessage("Number of Weights in MW1 and WM2 <> NumOfWeights of the network (" + IntToStr(K) + " <> " +
                          IntToStr(wb.NumOfWeights) + ")");
      return;
    }
    toSystem = MatlabToSystemOrder(wb);
    net = NetworkWeights(wb);
    if (net.size() != static_cast<std::size_t>(K)) {
      wb.Plat.ShowMessage("Number of Weights in MW1 and WM2 <> NumOfWeights of the network (" + IntToStr(K) + " <> " +
                          IntToStr(static_cast<std::int64_t>(net.size())) + ")");
      return;
    }
  }
  const auto uk = static_cast<std::size_t>(K);
  std::vector<double> w1(uk), w2(uk), p1(uk), p2(uk);
  std::string text = "  from_start                  current\n";
  // The two files side by side, a line of each at a time.
  TextLineReader in1, in2;
  OpenWMFile(in1, file1);
  OpenWMFile(in2, file2);
  std::string line1, line2;
  for (std::size_t t = 0; t < n; ++t) {
    if (t > 0) {
      p1 = w1;
      p2 = w2;
    }
    if (!in1.Next(line1)) line1.clear();
    if (!in2.Next(line2)) line2.clear();
    if (in1.Failed() || in2.Failed()) throw FileError("Cannot read file " + (in1.Failed() ? file1 : file2));
    ReadWeightVector(wb, file1, line1, t, toSystem, net, w1);
    ReadWeightVector(wb, file2, line2, t, toSystem, net, w2);
    if (t > 0) text += WriteCosines(wb, w1, w2, p1, p2);
  }
  EnsureDirectory(wb.Path("PCA"));
  WriteFileAtomically(wb.Path("PCA/CosDir.txt"), text);
}

}  // namespace wl
