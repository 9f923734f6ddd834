#include "analysis/weight_matrix.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "model/data_file.h"
#include "model/read_parameters.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/rounding.h"
#include "platform/text_file.h"
#include "training/prepare_run.h"

namespace wl {

namespace {

const char* const kMatlabFile = "PCA/WM_matlab.txt";
const char* const kLinesMessage = "Error: Number Of Lines in WM_matlab.txt <> max_epoch+1";

void Trace(Workbench& wb, const char* step) {
  wb.ProgressStep = step;
  UpdateProgressTrace(wb);
}

// The number of whitespace-separated tokens of a line.
int TokenCount(std::string_view line) {
  int n = 0;
  bool in = false;
  for (char c : line) {
    const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
    if (!blank && !in) ++n;
    in = !blank;
  }
  return n;
}

// Opens the Matlab weights file for reading; FileError when it cannot be opened.
void OpenMatlabFile(TextLineReader& in, const std::string& path) {
  if (!in.Open(path)) throw FileError("Cannot open file " + path);
}

void ThrowIfReadFailed(const TextLineReader& in, const std::string& path) {
  if (in.Failed()) throw FileError("Cannot read file " + path);
}

// The line-count message, with the file and what it holds.
std::string LinesMessage(const std::string& path, std::int64_t lines, std::int64_t wanted, bool atMost) {
  std::string holds = lines > wanted ? "more than " + IntToStr(wanted) : IntToStr(lines);
  return std::string(kLinesMessage) + ": " + path + " holds " + holds + " lines, and " +
         (atMost ? "the histories of the training hold at most " : "the epochs need ") + IntToStr(wanted);
}

std::vector<std::string> Tokens(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  for (std::string t; in >> t;) out.push_back(t);
  return out;
}

// The shape of the current network, as the histories record it.
WeightShape NetworkShape(const Workbench& wb) {
  return WeightShape::Of(wb.Layers, wb.LayerInputs.data(), static_cast<int>(wb.Net.size()));
}

bool SameShape(const WeightShape& a, const WeightShape& b) { return a.Neurons == b.Neurons && a.Weights == b.Weights; }

// How many epochs of a Matlab training the histories can take: rows 0 .. E of the run that sized them,
// and none when they were made for another network.
int HistoryCapacity(const Workbench& wb) {
  if (!SameShape(wb.WeightHistory.Shape(), NetworkShape(wb))) return 0;
  return static_cast<int>(std::min(wb.WeightHistory.Rows(), wb.WNormHistory.size()));
}

// The "any WM" list added to the selection; false after "incorrect any WM: " + token.
bool SelectAnyEpochs(Workbench& wb, std::vector<bool>& selected) {
  const int last = wb.NumOfEpochs;
  const std::string list = Trim(wb.Form1.anyWMEdit.Text());
  if (const auto bad = AnyWMListFault(list, last)) {
    if (bad->Conversion) StrToInt(bad->Unconverted);  // the system's conversion message
    Trace(wb, bad->Step);
    wb.Plat.ShowMessage("incorrect any WM: " + bad->Token);
    return false;
  }
  for (const std::string& token : Tokens(list)) {
    const auto dash = token.find('-');
    if (dash != std::string::npos) {
      const int a = StrToInt(Trim(token.substr(0, dash)));
      const int b = StrToInt(Trim(token.substr(dash + 1)));
      for (int e = std::min(a, b); e <= std::max(a, b); ++e) selected[static_cast<std::size_t>(e)] = true;
    } else {
      selected[static_cast<std::size_t>(StrToInt(token))] = true;
    }
  }
  return true;
}

void MissingMatlabFile(Workbench& wb, const char* step) {
  Trace(wb, step);
  wb.Plat.ShowMessage("File " + wb.Path(kMatlabFile) + " not found!");
}

}  // namespace

std::string WeightLabLine(const std::vector<double>& values) {
  std::string line;
  line.reserve(values.size() * 25 + 2);
  for (double v : values) line += FormatReal(v) + "  ";
  line += "\r\n";
  return line;
}

std::vector<int> MatlabToSystemOrder(const Workbench& wb) {
  const WeightShape shape = NetworkShape(wb);
  std::vector<int> order;
  order.reserve(shape.RowSize);
  for (int li = 0; li < shape.NumLayers(); ++li)
    for (int k = 0; k < shape.Weights[static_cast<std::size_t>(li)]; ++k)
      for (int n = 0; n < shape.Neurons[static_cast<std::size_t>(li)]; ++n)
        order.push_back(static_cast<int>(shape.Offset[static_cast<std::size_t>(li)]) +
                        n * shape.Weights[static_cast<std::size_t>(li)] + k);
  return order;
}

bool BuildWMForMatlab(Workbench& wb) {
  TForm1& f = wb.Form1;
  const std::string matlabPath = wb.Path(kMatlabFile);
  const bool matlab = f.TrainingInMatlab.Checked();
  if (wb.Net.size() < 2) throw WlError("No network has been created yet. Create the network first (Create Network).");
  const WeightShape shape = NetworkShape(wb);
  const int N = static_cast<int>(shape.RowSize);

  // 1. A Matlab training sets the epoch count from its file, which must fit the histories it replaces.
  Trace(wb, "40");
  if (matlab) {
    Trace(wb, "41");
    if (!FileExists(matlabPath)) {
      MissingMatlabFile(wb, "42");
      return false;
    }
    // Counted only as far as the histories reach: a longer file is refused after that many lines.
    const int capacity = HistoryCapacity(wb);
    const std::int64_t lines = CountFileLines(matlabPath, capacity);
    if (lines < 1 || lines > capacity) {
      wb.Plat.ShowMessage(LinesMessage(matlabPath, lines, capacity, true));
      return false;
    }
    wb.NumOfEpochs = static_cast<int>(lines - 1);
  }

  // 2.-4. The range selection.
  Trace(wb, "43");
  std::vector<bool> selected(static_cast<std::size_t>(std::max(0, wb.NumOfEpochs) + 1), false);
  Trace(wb, "44");
  if (!CheckNumber(wb, f.fromEdit, "from WM", true, 0, wb.NumOfEpochs - 1)) return false;
  wb.WMFrom = StrToInt(f.fromEdit.Text());
  Trace(wb, "45");
  if (!CheckNumber(wb, f.WMepEdit, "to WM", true, wb.WMFrom, wb.NumOfEpochs)) return false;
  wb.WMTo = StrToInt(f.WMepEdit.Text());
  Trace(wb, "46");
  if (!CheckNumber(wb, f.everyWMEdit, "every WM", true, 0, wb.NumOfEpochs)) return false;
  wb.WMEvery = StrToInt(f.everyWMEdit.Text());
  if (wb.WMEvery > 0)
    for (int e = wb.WMFrom; e <= wb.WMTo; ++e)
      if ((e - wb.WMFrom) % wb.WMEvery == 0) selected[static_cast<std::size_t>(e)] = true;

  // 5. The "any WM" list.
  Trace(wb, "47");
  if (!SelectAnyEpochs(wb, selected)) return false;

  // 6. The matrix at its final size.
  Trace(wb, "50");
  const int rows = static_cast<int>(std::count(selected.begin(), selected.end(), true));
  Trace(wb, "54");
  wb.WMRows = rows;
  wb.WeightMatrix.assign(static_cast<std::size_t>(N), std::vector<double>(static_cast<std::size_t>(rows), 0.0));

  // 7. The Matlab file's columns and lines.
  if (matlab) {
    Trace(wb, "55");
    if (!FileExists(matlabPath)) {
      MissingMatlabFile(wb, "56");
      return false;
    }
    // One line at a time, and no further than one line past the epochs the file must hold.
    const std::int64_t wanted = static_cast<std::int64_t>(wb.NumOfEpochs) + 1;
    TextLineReader in;
    OpenMatlabFile(in, matlabPath);
    std::string line;
    while (in.LineNo() <= wanted && in.Next(line)) {
      if (TokenCount(line) != N) {
        Trace(wb, "57");
        wb.Plat.ShowMessage("Error: Number of Columns in WM_matlab.txt <> NumOfWeights");
        return false;
      }
    }
    ThrowIfReadFailed(in, matlabPath);
    Trace(wb, "58");
    if (in.LineNo() != wanted) {
      Trace(wb, "59");
      wb.Plat.ShowMessage(LinesMessage(matlabPath, in.LineNo(), wanted, false));
      return false;
    }
  }

  // 8. The values.
  Trace(wb, "60");
  int r = 0;
  if (matlab) {
    Trace(wb, "61");
    TextLineReader in;
    OpenMatlabFile(in, matlabPath);
    const std::vector<int> toSystem = MatlabToSystemOrder(wb);
    std::string line;
    for (int e = 0; e <= wb.NumOfEpochs; ++e) {
      const auto ue = static_cast<std::size_t>(e);
      // The file was checked above; one changed since reads as short lines.
      if (!in.Next(line)) line.clear();
      const std::vector<std::string> tokens = Tokens(line);
      wb.WNormHistory[ue] = 0.0;
      auto row = wb.WeightHistory.Row(ue);
      for (int t = 0; t < N; ++t) {
        double value = 0.0;
        const std::string token = static_cast<std::size_t>(t) < tokens.size() ? tokens[static_cast<std::size_t>(t)] : "";
        if (!TryStrToFloat(token, value)) {
          Trace(wb, "62");
          wb.Plat.ShowMessage("Error in WM_matlab.txt line " + IntToStr(e + 1) + ": " + ShownText(token) +
                              " is not a real number");
          return false;
        }
        const auto w = static_cast<std::size_t>(toSystem[static_cast<std::size_t>(t)]);
        row[w] = value;
        wb.WNormHistory[ue] += value * value;
        // The columns keep the program's order, so that components pair with the weights they move.
        if (selected[ue]) wb.WeightMatrix[w][static_cast<std::size_t>(r)] = value;
      }
      if (selected[ue]) ++r;
    }
    double sum = 0.0;
    for (double v : wb.WeightHistory.Row(static_cast<std::size_t>(wb.NumOfEpochs))) sum += v * v;
    wb.WeightNorm = std::sqrt(sum);
    f.modWEdit.SetText(FixedDisplayText(wb.WeightNorm, 10, 2));
    if (f.autoES.Checked()) f.ThreeDEdit.SetText(IntToStr(Round(wb.WeightNorm)));
  } else {
    Trace(wb, "63");
    // A run that pruned inputs kept its records in the shape it started with: the matrix holds the
    // trajectory of the weights the network has now.
    const std::vector<std::size_t> columns = RecordedWeightColumns(wb, shape);
    if (columns.size() != static_cast<std::size_t>(N) ||
        wb.WeightHistory.Rows() < static_cast<std::size_t>(std::max(0, wb.NumOfEpochs) + 1))
      throw WlError("No training of this network has been recorded. Train the network first.");
    for (int e = 0; e <= wb.NumOfEpochs; ++e) {
      if (!selected[static_cast<std::size_t>(e)]) continue;
      const auto row = wb.WeightHistory.Row(static_cast<std::size_t>(e));
      for (int w = 0; w < N; ++w)
        wb.WeightMatrix[static_cast<std::size_t>(w)][static_cast<std::size_t>(r)] = row[columns[static_cast<std::size_t>(w)]];
      ++r;
    }
  }

  // 9. The export for the Matlab scripts.
  Trace(wb, "64");
  if (!matlab && f.MatLabBox.Checked()) {
    Trace(wb, "65");
    std::string text;
    std::vector<double> values(static_cast<std::size_t>(N));
    for (int row = 0; row < rows; ++row) {
      for (int w = 0; w < N; ++w)
        values[static_cast<std::size_t>(w)] = wb.WeightMatrix[static_cast<std::size_t>(w)][static_cast<std::size_t>(row)];
      text += WeightLabLine(values);
    }
    EnsureDirectory(wb.Path("PCA"));
    WriteFileAtomically(wb.Path("PCA/WM_weightlab.txt"), text);
  }

  // 10.
  Trace(wb, "66");
  const auto first = std::find(selected.begin(), selected.end(), true);
  const auto last = std::find(selected.rbegin(), selected.rend(), true);
  wb.WMFirstEpoch = first == selected.end() ? -1 : static_cast<int>(first - selected.begin());
  wb.WMLastEpoch = last == selected.rend() ? -1 : static_cast<int>(selected.rend() - last) - 1;
  wb.WMLastRow = wb.WMRows - 1;
  return true;
}

void BuildWMForMatlabAtRunEnd(Workbench& wb) {
  try {
    BuildWMForMatlab(wb);
  } catch (const WlError& e) {
    // The run itself is done; the export's fault is only reported.
    wb.Plat.ShowMessage(e.what());
  }
}

}  // namespace wl
