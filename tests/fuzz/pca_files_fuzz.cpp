// The PCA exchange files that Matlab writes into PCA/: the input holds "eig_w.txt", "pcomp_w.txt",
// "ica_a.txt" and "scores_w.txt", parted by lines "====", read for a network on xor after a training run
// (as the error-surface pipeline reads them). The V pair gets the same texts.
#include "analysis/pca_files.h"
#include "fuzz_support.h"

namespace wl::fuzz {

void FuzzPcaFiles(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> parts = SplitParts(AsText(data, size), 4);
  FuzzProgram p;
  p.Start();
  Workbench& wb = p.Wb();
  p.Plat().OpenAnswers.push_back("DATA/xor.dat");
  if (!p.Click("Simple1")) Broken("xor.dat was refused");
  if (!p.Click("DeterministicValues")) Broken("the network was refused");
  wb.StartError = 1.0;  // as a training run leaves it
  wb.NumOfEpochs = 3;
  wb.MethodTag = "Matlab";
  p.Write("PCA/eig_w.txt", parts[0]);
  p.Write("PCA/eig_v.txt", parts[0]);
  p.Write("PCA/pcomp_w.txt", parts[1]);
  p.Write("PCA/pcomp_v.txt", parts[1]);
  p.Write("PCA/ica_a.txt", parts[2]);
  p.Write("PCA/scores_w.txt", parts[3]);
  p.TakeMessages();
  for (auto read : {+[](Workbench& w) { ReadPCAFiles(w, PCAFileKind::W); }, +[](Workbench& w) { ReadPCAFiles(w, PCAFileKind::V); },
                    +[](Workbench& w) { ReadICAFiles(w); }, +[](Workbench& w) { ReadComponentScores(w); }}) {
    const std::size_t shown = p.Plat().Messages.size();
    if (!p.Run([&] { read(wb); }) && p.Plat().Messages.size() == shown) Broken("a read ended without a message");
  }
}

}  // namespace wl::fuzz
