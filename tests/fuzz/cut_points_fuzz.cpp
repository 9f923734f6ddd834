// The cut-point file of the discretization (which also holds the "include" list of the SMLP runs), on
// the iris set: discretized from the file and read back, then the feature list read as an SMLP run reads
// it. A first line "precision=N" sets the decimals of the labels. The set read back must label every
// interval of a feature differently, or two intervals would read as one value.
#include <map>

#include "experiments/discretization.h"
#include "fuzz_support.h"
#include "smlp/smlp_driver.h"

namespace wl::fuzz {

void FuzzCutPointFile(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = AsText(data, size);
  FuzzProgram p;
  p.Start();
  Workbench& wb = p.Wb();
  p.Plat().OpenAnswers.push_back("DATA/iris.dat");
  if (!p.Click("Simple1")) Broken("iris.dat was refused");
  if (text.starts_with("precision=")) {
    const std::size_t end = text.find('\n');
    wb.Form1.PrecEdit1.SetText(std::string(text.substr(10, end == std::string_view::npos ? 2 : std::min<std::size_t>(end - 10, 2))));
  }
  wb.Form1.DiscrFileEdit.SetText("fuzz_cuts");
  p.Write("fuzz_cuts.txt", text);
  p.TakeMessages();
  const std::string name = wb.DataFileName;
  const std::vector<std::vector<double>> before = wb.Data;
  DiscretizationOutcome outcome = DiscretizationOutcome::NoContinuous;
  const bool done = p.Run([&] { outcome = DiscretizeContinuousFeatures(wb); });
  if (!done) {
    if (p.TakeMessages().empty()) Broken("the discretization ended by an error without a message");
    if (wb.DataFileName != name || wb.NumOfVectors != 150) Broken("a refused file changed the data set");
    return;
  }
  if (outcome != DiscretizationOutcome::ReadBack) Broken("iris has continuous features, yet nothing was read back");
  // Vectors in different intervals of the file's cut points must read back as different values.
  if (wb.DiscrSource == DiscretizationSource::File)
    for (std::size_t f = 0; f < before.size() && f < wb.DiscrCutPoints.size(); ++f) {
      std::map<double, int> intervalOf;
      for (std::size_t v = 0; v < wb.Data.size(); ++v) {
        const int interval = CutPointInterval(wb.DiscrCutPoints[f], before[v][f]);
        const auto [it, fresh] = intervalOf.emplace(wb.Data[v][f], interval);
        if (!fresh && it->second != interval)
          Broken("two intervals of feature " + std::to_string(f) + " read back as one value");
      }
    }
  p.Run([&] { ReadHiddenPerClass(wb); });
}

}  // namespace wl::fuzz
