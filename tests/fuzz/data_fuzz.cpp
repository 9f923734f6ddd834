// The data-set file: opened with "Open Training Set" over the iris set a user had open. A refused file
// must say so and leave iris loaded; a file read must give a consistent data set on which a network is
// built and its error computed. A first line "# function approximation" checks that box first.
#include "fuzz_support.h"
#include "model/error_functions.h"

namespace wl::fuzz {

namespace {

void CheckConsistent(const Workbench& wb) {
  const auto n = static_cast<std::size_t>(wb.NumOfVectors);
  if (wb.Data.size() != n || wb.VectorClass.size() != n || wb.VectorWeight.size() != n)
    Broken("the data set's tables do not match its " + std::to_string(n) + " vectors");
  if (wb.Features.size() != static_cast<std::size_t>(wb.NumOfFeatures)) Broken("the features do not match their count");
  for (std::size_t v = 0; v < n; ++v) {
    if (wb.Data[v].size() != static_cast<std::size_t>(wb.NumOfFeatures)) Broken("a row of the wrong length");
    if (wb.VectorClass[v] < 0 || wb.VectorClass[v] >= wb.NumOfClasses) Broken("a class outside the classes");
  }
}

}  // namespace

void FuzzDataFile(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = AsText(data, size);
  FuzzProgram p;
  p.Start();
  Workbench& wb = p.Wb();
  if (text.starts_with("# function approximation")) wb.Form1.FApproxBox.SetChecked(true);
  p.Plat().OpenAnswers.push_back("DATA/iris.dat");
  if (!wb.Form1.FApproxBox.Checked() && !p.Click("Simple1")) Broken("iris.dat was refused");
  p.TakeMessages();
  const int vectors = wb.NumOfVectors, features = wb.NumOfFeatures;
  const std::string name = wb.DataFileName, label = wb.Form1.Label18.Caption();

  p.Write("DATA/fuzz.dat", text);
  p.Plat().OpenAnswers.push_back("DATA/fuzz.dat");
  const bool read = p.Click("Simple1");
  const auto messages = p.TakeMessages();
  if (!read) {
    if (messages.empty()) Broken("the file was refused without a message");
    if (wb.NumOfVectors != vectors || wb.NumOfFeatures != features || wb.DataFileName != name ||
        wb.Form1.Label18.Caption() != label)
      Broken("a refused file changed the data set");
    return;
  }
  CheckConsistent(wb);
  // The user's next step: a network for the set, and its error.
  if (p.Click("RandomValues")) p.Run([&] { ComputeError(wb); });
}

}  // namespace wl::fuzz
