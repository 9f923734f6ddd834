// The batch task file, run through the batch command with one epoch per training, so that the file's
// reading, its data sets and networks are what takes the time. Whatever ends the batch must say so.
//
// The work an input may ask for is bounded, so that a slow input is no hang: the shipped monk1 set is cut
// to its first vectors and the networks have two hidden neurons (a pair search over monk1's 17 inputs
// and 432 vectors takes a minute in this build), and the batch is left, as no finding, once its trainings
// have evaluated more transfer functions than kWorkBudget (the count is looked at whenever the program
// passes its event pump).
#include <fstream>
#include <sstream>
#include <string>

#include "fuzz_support.h"

namespace wl::fuzz {

namespace {

constexpr std::int64_t kWorkBudget = 5'000'000;
constexpr int kMonkVectors = 48;

// Thrown from the event pump past the budget; no routine of the program catches it.
struct OverBudget {};

// DATA/monk1.dat with its first kMonkVectors vectors, the header saying so.
void CutMonk(const FuzzProgram& p) {
  const std::string path = p.Path("DATA/monk1.dat");
  std::istringstream in(ReadWhole(path));
  std::string out, line;
  bool data = false;
  int vectors = 0;
  while (std::getline(in, line) && vectors < kMonkVectors) {
    if (line.rfind("Number of Vectors", 0) == 0) line = "Number of Vectors = " + std::to_string(kMonkVectors);
    if (data && !line.empty()) ++vectors;
    if (line == "[DATA]") data = true;
    out += line + "\n";
  }
  p.Write("DATA/monk1.dat", out);
}

}  // namespace

void FuzzBatchFile(const std::uint8_t* data, std::size_t size) {
  FuzzProgram p;
  CutMonk(p);
  p.Start();
  Workbench& wb = p.Wb();
  wb.Form1.EpochEditT2.SetText("1");
  wb.Form1.HiddenEditT2.SetText("2");
  wb.Form1.PopEdit.SetText("4");
  // Each network starts its count anew: the work is the sum over the networks.
  std::int64_t done = 0, last = 0;
  bool thrown = false;  // once: the passes while the run unwinds let it go
  p.Plat().OnEvents = [&wb, &done, &last, &thrown] {
    if (thrown) return;
    if (wb.SigmoidCount < last) last = 0;
    done += wb.SigmoidCount - last;
    last = wb.SigmoidCount;
    if (done > kWorkBudget) {
      thrown = true;
      throw OverBudget{};
    }
  };
  p.Write("fuzz_batch.txt", AsText(data, size));
  p.Plat().OpenAnswers.push_back("fuzz_batch.txt");
  bool ran = false;
  try {
    ran = p.Click("BatchMode1");
  } catch (const OverBudget&) {
    p.Plat().OnEvents = nullptr;
    return;
  }
  p.Plat().OnEvents = nullptr;
  if (!ran && p.TakeMessages().empty()) Broken("the batch ended by an error without a message");
}

}  // namespace wl::fuzz
