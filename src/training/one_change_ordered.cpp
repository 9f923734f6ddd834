// The variable step search in another order than layer by layer: a new random order in every epoch
// ("Random Weight Order"), or the fixed order of a custom weight order file ("Custom Weight Order"), of
// which the run can also write a template ("CreateOrder"). Each weight is searched by the very same
// per-weight search as in the variable step search.
//
// The order table is visited whole: the integer-weights option still sets the output weights at the
// start, but every entry is then searched, output weights included.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/weights_file.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/text_file.h"
#include "state/report_opener.h"
#include "state/workbench.h"
#include "training/one_change.h"
#include "training/vss_search.h"

namespace wl {

namespace {

// Every weight of the network in the frame's order (layer, neuron, index; the threshold last).
std::vector<TWeightOrderEntry> AllWeights(const Workbench& wb) {
  std::vector<TWeightOrderEntry> order;
  for (int l = 1; l < static_cast<int>(wb.Net.size()); ++l)
    for (int n = 0; n < wb.Layers[static_cast<std::size_t>(l)]; ++n)
      for (int k = 0; k <= wb.LayerInputs[static_cast<std::size_t>(l - 1)]; ++k) order.push_back({0.0, l, n, k});
  return order;
}

[[noreturn]] void BadOrderLine(const std::string& file, int line, const std::string& why) {
  throw FileError("Custom order file " + file + ", line " + IntToStr(line) + ": " + why);
}

struct ReadOrder {
  std::vector<TWeightOrderEntry> Entries;
  std::vector<int> Lines;  // the file's line of each entry
};

// Every line with more than blanks gives an entry: layer, neuron, index and key, each an integer.
ReadOrder ReadCustomOrder(Workbench& wb, const std::string& file) {
  TextLineReader in;
  if (!in.Open(file)) throw FileError("Cannot open file " + file);
  ReadOrder r;
  std::string line;
  while (in.Next(line)) {
    const int lineNo = static_cast<int>(in.LineNo());
    if (Trim(line).empty()) continue;
    wb.WeightLine = line;
    wb.WeightLinePos = 1;
    TWeightOrderEntry e;
    try {
      e.Layer = StrToInt(NextWeightLineToken(wb));
      e.Neuron = StrToInt(NextWeightLineToken(wb));
      e.Index = StrToInt(NextWeightLineToken(wb));
      e.Key = StrToInt(NextWeightLineToken(wb));
    } catch (const ConvertError& err) {
      BadOrderLine(file, lineNo, err.what());
    }
    r.Entries.push_back(e);
    r.Lines.push_back(lineNo);
  }
  if (in.Failed()) throw FileError("Cannot read file " + file);
  return r;
}

// An entry names a weight of the network.
bool Addresses(const Workbench& wb, const TWeightOrderEntry& e) {
  const int nl = static_cast<int>(wb.Net.size());
  return e.Layer >= 1 && e.Layer < nl && e.Neuron >= 0 && e.Neuron < wb.Layers[static_cast<std::size_t>(e.Layer)] &&
         e.Index >= 0 && e.Index <= wb.LayerInputs[static_cast<std::size_t>(e.Layer - 1)];
}

}  // namespace

void SortWeightOrder(std::vector<TWeightOrderEntry>& order) {
  for (std::size_t i = 0; i < order.size(); ++i)
    for (std::size_t j = 0; j < i; ++j)
      if (order[i].Key < order[j].Key) std::swap(order[i], order[j]);
}

std::string CustomOrderTemplate(const Workbench& wb) {
  std::string text;
  int key = 0;
  for (const TWeightOrderEntry& e : AllWeights(wb))
    text += IntToStr(e.Layer) + "   " + IntToStr(e.Neuron) + "   " + IntToStr(e.Index) + "   " + IntToStr(++key) + "\n";
  return text;
}

void TrainVSSOrdered(Workbench& wb, std::uint8_t mode, int n) {
  if (!BorderPeriodFits(wb, n)) return;
  HourglassGuard hourglass(wb.Plat);
  TForm1& form = wb.Form1;
  std::vector<TWeightOrderEntry> table;

  if (form.CustOrderBox.Checked()) {
    if (form.CreateOrderBox.Checked()) {
      const std::string path = wb.ResultsPrefix + "_CustOrder.txt";
      EnsureDirectory(std::filesystem::path(path).parent_path().string());
      WriteFileAtomically(path, CustomOrderTemplate(wb));
      ShowInNotepad(wb, "notepad.exe " + path);
      return;
    }
    FileDialog& dlg = form.OpenCustDialog;
    dlg.InitialDir = wb.Path("\\Results");
    if (!wb.Plat.Execute(dlg)) return;
    const std::string file = dlg.FileName;
    ReadOrder read = ReadCustomOrder(wb, file);
    if (static_cast<int>(read.Entries.size()) != wb.NumOfWeights) {
      wb.Plat.ShowMessage("Incorrect number of weights in custom order file");
      return;
    }
    for (std::size_t i = 0; i < read.Entries.size(); ++i) {
      const TWeightOrderEntry& e = read.Entries[i];
      if (!Addresses(wb, e)) {
        wb.Plat.ShowMessage("Custom order file " + file + ", line " + IntToStr(read.Lines[i]) + ": layer " +
                            IntToStr(e.Layer) + ", neuron " + IntToStr(e.Neuron) + ", weight " + IntToStr(e.Index) +
                            " is not a weight of the network. Nothing was trained.");
        return;
      }
    }
    table = std::move(read.Entries);
    SortWeightOrder(table);
  }

  const bool random = form.RWOrderBox.Checked();
  // A random order starts from the frame's order and is drawn anew at the start of every epoch.
  if (random) table = AllWeights(wb);
  std::vector<WeightRef> visit(table.size());
  auto fill = [&visit, &table] {
    for (std::size_t i = 0; i < table.size(); ++i) visit[i] = {table[i].Layer, table[i].Neuron, table[i].Index};
  };
  fill();

  RunVSS(wb, mode, n, "S1-DH2-Random (VSS)",
         [&](OneChangeFrame&, int) -> const std::vector<WeightRef>& {
           if (random) {
             for (TWeightOrderEntry& e : table) e.Key = wb.Rng.Real();
             SortWeightOrder(table);
             fill();
           }
           return visit;
         });
}

}  // namespace wl
