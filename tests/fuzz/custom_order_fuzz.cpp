// The custom weight order file of the ordered variable step search: "Random - 1 change" with "VSS (DH2)"
// and "Custom Weight Order" on the xor set, one epoch. A refused file must say so and train nothing.
#include "fuzz_support.h"

namespace wl::fuzz {

void FuzzCustomOrderFile(const std::uint8_t* data, std::size_t size) {
  FuzzProgram p;
  p.Start();
  Workbench& wb = p.Wb();
  p.Plat().OpenAnswers.push_back("DATA/xor.dat");
  if (!p.Click("Simple1")) Broken("xor.dat was refused");
  if (!p.Click("DeterministicValues")) Broken("the network was refused");
  wb.Form1.OldDH2Box.SetChecked(true);
  wb.Form1.CustOrderBox.SetChecked(true);
  wb.Form1.EpochEditT2.SetText("1");
  p.TakeMessages();
  const std::string initial = wb.ResultsPrefix + "_InitWeights.txt";

  p.Write("results/fuzz_order.txt", AsText(data, size));
  p.Plat().OpenAnswers.push_back("results/fuzz_order.txt");
  const bool trained = p.Click("Random1change");
  const auto messages = p.TakeMessages();
  if (!trained && messages.empty()) Broken("the run ended by an error without a message");
  if (std::filesystem::exists(initial) && !messages.empty() && !trained) Broken("a refused file still trained");
}

}  // namespace wl::fuzz
