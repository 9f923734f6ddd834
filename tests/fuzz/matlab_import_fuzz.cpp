// "Import WM from Matlab": the input holds "config.txt" and "WM_matlab.txt", parted by a line "====",
// with the iris set in DATA/. The import draws the error surface at its coarsest quality. A stop must
// come with a message; whatever the files say, the import must not ask for more than they can hold.
#include "fuzz_support.h"

namespace wl::fuzz {

void FuzzMatlabImport(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> parts = SplitParts(AsText(data, size), 2);
  FuzzProgram p;
  p.Start();
  Workbench& wb = p.Wb();
  wb.Form1.ESQBox.SetItemIndex(3);
  p.Write("PCA/config.txt", parts[0]);
  p.Write("PCA/WM_matlab.txt", parts[1]);
  const bool imported = p.Click("importWMButton");
  if (!imported && p.TakeMessages().empty()) Broken("the import ended by an error without a message");
}

}  // namespace wl::fuzz
