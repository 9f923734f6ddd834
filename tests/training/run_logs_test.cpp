// The logs a run writes as it goes: a log whose write fails (the disk is full) ends the run with a message
// naming it and leaves the log before; an error that ends a run publishes the other logs as far as the run
// got; nothing leaves a ".tmp" behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "model/create_network.h"
#include "model/data_file.h"
#include "model/read_parameters.h"
#include "platform/errors.h"
#include "shell/command.h"
#include "state/workbench.h"
#include "support/test_support.h"
#include "training/mlp_beam_search.h"
#include "training/ng_beam.h"
#include "training/ng_train.h"
#include "training/two_changes.h"

namespace wl {
namespace {

namespace fs = std::filesystem;
using test::Lines;
using test::ReadText;

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

class RunLogsTest : public test::ProgramDirTest {
 protected:
  void SetUp() override { MakeProgramDir("wl_runlogs_", {"results", "PCA"}); }

  // XOR from the shipped sample and a 2-2-2 network of the given scheme from a fixed seed.
  void Xor(std::uint8_t scheme = 4) {
    ReadDataFile(*wb, std::string(WL_SOURCE_DIR) + "/DATA/xor.dat");
    wb->ResultsPrefix = dir.string() + "/results/xor_100";
    wb->Form1.HiddenEditT2.SetText("2");
    wb->Rng.Seed = 12345;
    ASSERT_EQ(CreateNetwork(*wb, scheme), NetworkBuilt);
    ASSERT_FALSE(ReadParameters(*wb));
  }

  // Every temporary file (or link) left below the program directory.
  std::vector<std::string> TempFiles() const {
    std::vector<std::string> tmp;
    for (const auto& e : fs::recursive_directory_iterator(dir))
      if (e.path().extension() == ".tmp") tmp.push_back(e.path().string());
    return tmp;
  }
};

struct LogCase {
  const char* log;  // the file name after ResultsPrefix, or below the program directory
  bool inProgramDir;
  std::uint8_t scheme;
  std::function<void(Workbench&)> settings;
  std::function<void(Workbench&)> run;
};

// A disk that is full for the log alone: its temporary file leads to /dev/full, so that every write of the
// log fails as on a full disk while the run's other files are written. The run ends with "Cannot write
// file <log>", the log keeps what the run before wrote, and no temporary file stays.
TEST_F(RunLogsTest, ALogOnAFullDiskLeavesTheLogBefore) {
  const LogCase cases[] = {
      {"_optH.txt", false, 4, [](Workbench& w) { w.Form1.EpochEditT2.SetText("400"); },
       [](Workbench& w) { NGTrain(w, 1); }},
      {"_nggradients.txt", false, 4,
       [](Workbench& w) {
         w.Form1.EpochEditT2.SetText("60");
         w.Form1.LogGradientBox.SetChecked(true);
       },
       [](Workbench& w) { NGTrain(w, 1); }},
      {"_xng.txt", false, 4,
       [](Workbench& w) {
         w.Form1.EpochEditT2.SetText("30");
         w.Form1.NGBW.SetText("2");
       },
       [](Workbench& w) { TrainNGBeam(w, 1); }},
      {"History.txt", true, 4, [](Workbench& w) { w.Form1.BeamEdit.SetText("5"); },
       [](Workbench& w) { MLPBeamSearchTrain(w, 1); }},
      {"T2.txt", true, 8, [](Workbench&) {}, [](Workbench& w) { TrainTwoChangesZero(w, 1); }},
  };
  for (const LogCase& c : cases) {
    SCOPED_TRACE(c.log);
    MakeProgramDir("wl_runlogs_", {"results", "PCA"});
    plat.Messages.clear();
    Xor(c.scheme);
    c.settings(*wb);
    const std::string log = c.inProgramDir ? (dir / c.log).string() : wb->ResultsPrefix + c.log;
    ASSERT_TRUE(RunCommand(*wb, [&] { c.run(*wb); }));
    ASSERT_TRUE(plat.Messages.empty()) << plat.Messages[0].Text;
    ASSERT_GT(fs::file_size(log), 0u);

    // The same run again with the log on a full disk.
    WriteText(log, "the log before\n");
    fs::create_symlink("/dev/full", log + ".tmp");
    Xor(c.scheme);
    c.settings(*wb);
    EXPECT_FALSE(RunCommand(*wb, [&] { c.run(*wb); }));
    ASSERT_FALSE(plat.Messages.empty());
    EXPECT_EQ(plat.Messages.back().Text, "Cannot write file " + log);
    ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(log)));
    EXPECT_EQ(ReadText(log), "the log before\n");
    EXPECT_EQ(TempFiles(), std::vector<std::string>());
  }
}

// The direction log fails part-way through a run: the run stops there with its message, the log of the
// step factors is published with the epochs run so far, the direction log keeps the log before, and no
// ".tmp" stays.
TEST_F(RunLogsTest, ARunStoppedByAnErrorKeepsItsOtherLogsAsFarAsItGot) {
  Xor();
  wb->Form1.EpochEditT2.SetText("200");
  wb->Form1.LogGradientBox.SetChecked(true);
  const std::string opt = wb->ResultsPrefix + "_optH.txt", gradients = wb->ResultsPrefix + "_nggradients.txt";
  ASSERT_TRUE(RunCommand(*wb, [&] { NGTrain(*wb, 1); }));
  const std::size_t epochs = Lines(ReadText(opt)).size();
  const std::uintmax_t size = fs::file_size(gradients);
  ASSERT_GT(size, 4 * fs::file_size(opt));

  WriteText(gradients, "the log before\n");
  Xor();
  {
    const test::FileSizeLimit full(size / 2);
    EXPECT_FALSE(RunCommand(*wb, [&] { NGTrain(*wb, 1); }));
  }
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "Cannot write file " + gradients);
  EXPECT_EQ(ReadText(gradients), "the log before\n");
  const std::size_t kept = Lines(ReadText(opt)).size();
  EXPECT_GT(kept, 0u);
  EXPECT_LT(kept, epochs);
  EXPECT_FALSE(wb->OptHFile.is_open());
  EXPECT_FALSE(wb->GradientsFile.is_open());
  EXPECT_EQ(TempFiles(), std::vector<std::string>());
}

// A log the workbench keeps open across the routines of a run, when an error ends the command outside
// any routine that ends it: the command ends it as it ends the result report.
TEST_F(RunLogsTest, TheCommandEndsTheLogsAnErrorLeftOpen) {
  const std::string log = (dir / "results" / "x_SMLP.txt").string(), rules = (dir / "results" / "x_RE.txt").string();
  WriteText(rules, "the rules before\n");
  EXPECT_FALSE(RunCommand(*wb, [&] {
    wb->LogFile.open(log, std::ios::binary | std::ios::trunc);
    wb->LogFile << "round 1\n";
    wb->SMLPRulesFile.open(rules, std::ios::binary | std::ios::trunc);
    wb->SMLPRulesFile << "half the rules\n";
    throw WlError("the run cannot go on");
  }));
  EXPECT_FALSE(wb->LogFile.is_open());
  EXPECT_FALSE(wb->SMLPRulesFile.is_open());
  EXPECT_EQ(ReadText(log), "round 1\n");
  EXPECT_EQ(ReadText(rules), "the rules before\n");
  EXPECT_EQ(TempFiles(), std::vector<std::string>());
}

}  // namespace
}  // namespace wl
