// The trajectory buttons as a user presses them on an iris run: "TR 1D", two marks made with Ctrl, "TR EX"
// and "Continue training", which trains VSS on from the extrapolated weights.
#include <gtest/gtest.h>

#include <vector>

#include "shell/command.h"
#include "shell/picture_press.h"
#include "shell/shell_test_env.h"
#include "shell/startup.h"
#include "shell/up_downs.h"

namespace wl {
namespace {

class TrajectoryCommandsTest : public test::ShellTest {
 protected:
  std::vector<double> Weights() const {
    std::vector<double> all;
    for (std::size_t l = 1; l < wb->Net.size(); ++l)
      for (const TNeuron& n : wb->Net[l]) all.insert(all.end(), n.Weights.begin(), n.Weights.end());
    return all;
  }
};

TEST_F(TrajectoryCommandsTest, MarksThenTRExThenContinueTraining) {
  ConnectHandlers(*wb);
  StartProgram(*wb);
  TForm1& f = wb->Form1;
  // Before a surface the three buttons do nothing; "Continue training" does nothing before a data set.
  for (Button* b : {&f.TR3DButton, &f.Button3, &f.Button2, &f.NTButton}) {
    ASSERT_TRUE(b->Enabled()) << b->Name();
    b->UserClick();
  }
  EXPECT_TRUE(plat.Messages.empty());
  EXPECT_FALSE(wb->LT3.Ready);

  wb->Rng.Seed = 12345;
  plat.OpenAnswers.push_back("DATA/iris.dat");
  f.Simple1.UserClick();
  f.RandomLinearInput1.UserClick();
  f.EpochEditT2.SetText("12");
  f.Discrete1change.UserClick();
  f.PlotT2.UserClick();
  ASSERT_TRUE(plat.Messages.empty());
  ASSERT_TRUE(wb->ESDone);

  f.Button3.UserClick();  // "TR 1D"
  TEForm& w = wb->EForm;
  ASSERT_NE(w.LastValue, 0);
  ASSERT_TRUE(PressPicture(*wb, "EForm", {200, w.ZeroRow - 2 * w.LastValue, false, true}));
  w.c1box.SetItemIndex(1, ChangeSource::User);  // redraws for component 2
  ASSERT_TRUE(PressPicture(*wb, "EForm", {200, w.ZeroRow - w.LastValue / 2, true, true}));
  EXPECT_DOUBLE_EQ(wb->ExtrapolationTargets[0], 1.0);
  EXPECT_LT(wb->ExtrapolationTargets[1], 0.0);

  const auto last = wb->WeightHistory.Row(12);
  const std::vector<double> recorded(last.begin(), last.end());
  f.Button2.UserClick();  // "TR EX"
  ASSERT_TRUE(plat.Messages.empty());
  const std::vector<double> moved = Weights();
  EXPECT_NE(moved, recorded);
  EXPECT_EQ(f.ge.Text().substr(0, 2), "O=");

  f.EpochEditT2.SetText("6");
  f.NTButton.UserClick();  // "Continue training", VSS chosen
  ASSERT_TRUE(plat.Messages.empty());
  EXPECT_EQ(wb->NumOfEpochs, 6);
  const auto start = wb->WeightHistory.Row(0);
  EXPECT_EQ(std::vector<double>(start.begin(), start.end()), moved);
  EXPECT_EQ(wb->ProgressStage, "128");
  EXPECT_FALSE(wb->ESDone);  // the continued run needs a new surface

  // "TR 3D" after a new surface (of a run long enough for a third component that is not rounding noise);
  // the arrows through the up-down table.
  f.PlotT2.UserClick();
  f.TR3DButton.UserClick();
  ASSERT_TRUE(wb->LT3.Ready);
  EXPECT_TRUE(ClickUpDown(*wb, "LT3", "UpDown3", true));
  EXPECT_DOUBLE_EQ(wb->LT3.Size, 0.5 * 1.3);
  EXPECT_TRUE(plat.Messages.empty());
}

}  // namespace
}  // namespace wl
