// The batch task file, run through the batch command with one epoch per training, so that the file's
// reading, its data sets and networks are what takes the time. Whatever ends the batch must say so.
#include "fuzz_support.h"

namespace wl::fuzz {

void FuzzBatchFile(const std::uint8_t* data, std::size_t size) {
  FuzzProgram p;
  p.Start();
  Workbench& wb = p.Wb();
  wb.Form1.EpochEditT2.SetText("1");
  wb.Form1.PopEdit.SetText("4");
  p.Write("fuzz_batch.txt", AsText(data, size));
  p.Plat().OpenAnswers.push_back("fuzz_batch.txt");
  const bool ran = p.Click("BatchMode1");
  if (!ran && p.TakeMessages().empty()) Broken("the batch ended by an error without a message");
}

}  // namespace wl::fuzz
