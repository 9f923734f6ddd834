// Weight-section search: every weight in turn is tried at its value plus every offset of a regular grid
// from -R to R; the offset of the lowest error is kept when it lowers the error, and every error computed
// goes to the error-section file ("_errorsections.txt"), one line per weight and a line of ten asterisks
// after each epoch, so that the error profile of each weight along its own axis can be studied.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "state/workbench.h"
#include "training/one_change.h"

namespace wl {

namespace {

// The error-section file, open for the run; a write that fails ends the run.
class SectionFile {
 public:
  explicit SectionFile(std::string path) : path_(std::move(path)) {
    EnsureDirectory(std::filesystem::path(path_).parent_path().string());
    out_.open(path_, std::ios::binary | std::ios::trunc);
    if (!out_) throw FileError("Cannot create file " + path_);
  }
  void Write(const std::string& text) {
    out_ << text;
    if (!out_) throw FileError("Cannot write file " + path_);
  }
  void Close() {
    out_.close();
    if (!out_) throw FileError("Cannot write file " + path_);
  }

 private:
  std::string path_;
  AtomicOfstream out_{AtomicOfstream::RunLog};  // as far as the run got when an error ends it
};

}  // namespace

void TrainWeightSections(Workbench& wb, std::uint8_t mode, int n) {
  TForm1& form = wb.Form1;
  HourglassGuard hourglass(wb.Plat);
  SearchRunningGuard running(wb);
  OneChangeFrame frame(wb);
  frame.Prepare(mode, "S1-WS", true);
  frame.ShowLabel(mode == 1 ? "Random - 1 change ST" : "Discrete - 1 change ST");
  frame.DrawParts();
  n = StrToInt(form.SelEpochEdit.Text());
  SectionFile file(wb.ResultsPrefix + "_errorsections.txt");
  // No integer-weights option: every weight of every layer is scanned.
  frame.Start(false);

  const double R = wb.WSRange, h = wb.WSDelta, maxWeight = wb.MaxWeight;
  const bool borderVectors = form.SelMetBox.Checked();
  double& E = wb.CurrentError;
  auto overBudget = [&wb] { return wb.SigmoidCount > wb.SigmoidLimit; };
  std::string line;

  int e = 1;
  for (; e <= wb.NumOfEpochs; ++e) {
    frame.DrawParts();
    int ordinal = 0;
    for (const WeightRef& w : frame.Order()) {
      TNeuron& neuron = frame.Neuron(w);
      const auto k = static_cast<std::size_t>(w.k);
      double s = 0.0;
      const double w0 = neuron.Weights[k];
      neuron.OldWeights[k] = w0;
      line.clear();
      // Each offset computed afresh from i; the last one tried is the first at or above R.
      double x = -R;
      for (int i = 0; x < R; ++i) {
        x = -R + i * h;
        frame.Improve(w, w0 + x, x, s);
        line += FormatReal(wb.NewError) + "  ";
      }
      neuron.Weights[k] = std::min(std::max(w0 + s, -maxWeight), maxWeight);
      neuron.OldWeights[k] = w0;
      frame.FoldIntoTable(w, false);
      frame.RecordWeight(e, w);
      file.Write(line);
      // Over the budget the epoch ends here, its last line without a line end.
      if (overBudget()) break;
      file.Write("\n");
      frame.PlotWeight(e, w, ordinal++, s);
    }
    frame.ShowEpoch(e, wb.SuccessRate, nullptr);
    if (wb.SuccessRate >= wb.GoodResult || E <= wb.StopError) {
      wb.NumOfEpochs = e;
      wb.StepCount = e;
      break;
    }
    frame.RecordEpoch(e);
    if (overBudget()) break;
    if (borderVectors && e == n) {
      frame.BorderVectors();
      n *= 2;
    }
    file.Write("**********\n");
  }
  frame.End(e);
  file.Close();
}

}  // namespace wl
