// The end of every trainer's run: the weight matrix is exported for the Matlab analysis exactly once, and
// only when PCA or ICA in Matlab is chosen.
#include "training/run_end.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "model/create_network.h"
#include "model/data_file.h"
#include "model/read_parameters.h"
#include "state/workbench.h"
#include "support/test_support.h"
#include "training/backprop.h"
#include "training/mlp_beam_search.h"
#include "training/ng_train.h"
#include "training/one_change.h"
#include "training/two_changes.h"

namespace wl {
namespace {

int exports = 0;

class RunEndTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_run_end_", {"results", "PCA"});
    ReadDataFile(*wb, std::string(WL_SOURCE_DIR) + "/DATA/xor.dat");
    wb->ResultsPrefix = (dir / "results" / "xor_10").string();
    wb->Form1.HiddenEditT2.SetText("2");
    wb->Form1.EpochEditT2.SetText("2");
    wb->Form1.WMepEdit.SetText("2");  // a range of the run's epochs
    wb->Rng.Seed = 7;
    ASSERT_EQ(CreateNetwork(*wb, 4), NetworkBuilt);
    wb->Hooks.WeightMatrixExport = [](Workbench&) { ++exports; };
    exports = 0;
  }
};

TEST_F(RunEndTest, EveryTrainerExportsOnceWhenMatlabIsChosen) {
  const std::vector<std::pair<const char*, std::function<void()>>> trainers = {
      {"one change", [&] { TrainOneChange(*wb, 2); }},
      {"two changes", [&] { TrainTwoChanges(*wb, 2); }},
      {"two changes from zero", [&] { TrainTwoChangesZero(*wb, 2); }},
      {"beam search", [&] { MLPBeamSearchTrain(*wb, 1); }},
      {"numerical gradient", [&] { NGTrain(*wb, 1); }},
      {"backpropagation", [&] {
         if (!ReadParameters(*wb, 2)) TrainBP(*wb);
       }},
  };
  for (const auto& [name, train] : trainers) {
    for (bool matlab : {false, true}) {
      if (matlab)
        wb->Form1.FastICABox.SetChecked(true);
      else
        wb->Form1.CMBox.SetChecked(true);
      exports = 0;
      train();
      EXPECT_TRUE(plat.Messages.empty()) << name << ": " << plat.Messages[0].Text;
      EXPECT_EQ(exports, matlab ? 1 : 0) << name;
    }
  }
  // The in-place variable step search exports whatever is chosen, when the range fits the run.
  wb->Form1.CMBox.SetChecked(true);
  wb->Form1.InPlaceBox.SetChecked(true);
  wb->Form1.OldDH2Box.SetChecked(true);
  wb->Form1.WMepEdit.SetText("2");
  exports = 0;
  TrainOneChange(*wb, 2);
  EXPECT_TRUE(plat.Messages.empty()) << plat.Messages[0].Text;
  EXPECT_EQ(exports, 1);
}

// With the export chosen, a range that does not fit the run (a run of no epoch, or "to WM" past its
// epochs) is said in the same plain words by every trainer, and nothing is exported.
TEST_F(RunEndTest, EveryTrainerSaysPlainlyWhyARangeWasNotExported) {
  const std::vector<std::pair<const char*, std::function<void()>>> trainers = {
      {"VSS", [&] { TrainOneChange(*wb, 2); }},
      {"S1-R", [&] { TrainOneChange(*wb, 1); }},
      {"S2-D", [&] { TrainTwoChanges(*wb, 2); }},
      {"NG", [&] { NGTrain(*wb, 1); }},
      {"BP", [&] {
         if (!ReadParameters(*wb, 2)) TrainBP(*wb);
       }},
      {"weight sections", [&] {
         wb->Form1.SMWSButton.SetChecked(true);
         TrainOneChange(*wb, 2);
         wb->Form1.OldDH2Box.SetChecked(true);
       }},
      {"in-place weight sections", [&] {
         wb->Form1.InPlaceBox.SetChecked(true);
         wb->Form1.SMWSButton.SetChecked(true);
         TrainOneChange(*wb, 2);
         wb->Form1.InPlaceBox.SetChecked(false);
         wb->Form1.OldDH2Box.SetChecked(true);
       }},
  };
  struct Range {
    const char* epochs;
    const char* to;
    const char* message;
  };
  const Range ranges[] = {
      {"0", "0", "The weight matrix was not exported: the run trained no epoch."},
      {"2", "5",
       "The weight matrix was not exported: the run has 2 epochs, and \"from WM\" 0 to \"to WM\" 5 is not a "
       "range of its epochs."},
  };
  wb->Form1.MatLabBox.SetChecked(true);
  for (const auto& [name, train] : trainers)
    for (const Range& r : ranges) {
      // The numerical gradient fits "to WM" to the epochs it ran before it exports.
      if (std::string(name) == "NG" && std::string(r.epochs) != "0") continue;
      SCOPED_TRACE(std::string(name) + ", " + r.epochs + " epochs, to WM " + r.to);
      ASSERT_EQ(CreateNetwork(*wb, 4), NetworkBuilt);
      wb->Form1.EpochEditT2.SetText(r.epochs);
      wb->Form1.fromEdit.SetText("0");
      wb->Form1.WMepEdit.SetText(r.to);
      wb->Form1.everyWMEdit.SetText("1");
      plat.Messages.clear();
      exports = 0;
      train();
      ASSERT_EQ(plat.Messages.size(), 1u);
      EXPECT_EQ(plat.Messages[0].Text, r.message);
      EXPECT_EQ(exports, 0);
    }
}

TEST_F(RunEndTest, InPlaceSearchExportsOnlyARangeThatFitsTheRun) {
  struct Case {
    const char* epochs;
    const char* from;
    const char* to;
    const char* every;
    const char* message;  // "" when the matrix is exported
  };
  const Case cases[] = {
      {"3", "0", "3", "1", ""},
      {"3", "1", "2", "3", ""},
      {"3", "0", "12", "1",
       "The weight matrix was not exported: the run has 3 epochs, and \"from WM\" 0 to \"to WM\" 12 is not a "
       "range of its epochs."},
      {"3", "3", "3", "1",
       "The weight matrix was not exported: the run has 3 epochs, and \"from WM\" 3 to \"to WM\" 3 is not a "
       "range of its epochs."},
      {"1", "0", "1", "2", "The weight matrix was not exported: the run has 1 epoch, fewer than \"every WM\" 2."},
      {"0", "0", "0", "0", "The weight matrix was not exported: the run trained no epoch."},
  };
  wb->Form1.InPlaceBox.SetChecked(true);
  for (bool matlab : {false, true}) {
    wb->Form1.MatLabBox.SetChecked(matlab);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.epochs) + " epochs, " + c.from + " to " + c.to + " every " + c.every +
                   (matlab ? ", PCA in Matlab" : ""));
      wb->Form1.EpochEditT2.SetText(c.epochs);
      wb->Form1.fromEdit.SetText(c.from);
      wb->Form1.WMepEdit.SetText(c.to);
      wb->Form1.everyWMEdit.SetText(c.every);
      plat.Messages.clear();
      exports = 0;
      TrainOneChange(*wb, 2);
      EXPECT_EQ(wb->NumOfEpochs, std::stoi(c.epochs));
      if (*c.message == 0) {
        EXPECT_TRUE(plat.Messages.empty()) << plat.Messages[0].Text;
        EXPECT_EQ(exports, 1);
      } else {
        ASSERT_EQ(plat.Messages.size(), 1u);
        EXPECT_EQ(plat.Messages[0].Text, c.message);
        EXPECT_EQ(exports, 0);
      }
    }
  }
}

}  // namespace
}  // namespace wl
