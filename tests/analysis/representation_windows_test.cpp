// The representation windows: their places on the screen, the picture and name each button saves, the
// output window's epoch selector (clamped, drawn, auto-saved), and "Show".
#include "analysis/representation_windows.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "analysis/signal_plots.h"
#include "state/workbench.h"
#include "support/qt_app_env.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

class RepresentationWindowsTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_repwin_", {"results"});
    wb->ResultsPrefix = (dir / "results" / "tiny_7").string();
  }

  // Epochs 0..epochs recorded for `hidden` hidden neurons and two outputs, one vector of class 0.
  void Record(int hidden, int epochs) {
    wb->Layers = {2, hidden, 2};
    wb->NumOfLayers = 3;
    wb->NumOfClasses = 2;
    wb->NumOfEpochs = epochs;
    wb->SignalHistory.assign(static_cast<std::size_t>(epochs) + 1, SignalEpoch{});
    for (SignalEpoch& row : wb->SignalHistory) {
      row.Recorded = true;
      row.Class = {0};
      row.Signal = {std::vector<std::vector<double>>(hidden, {0.5}), {{0.9}, {0.1}}};
    }
  }
  bool Saved(const std::string& suffix) const { return fs::exists(wb->ResultsPrefix + suffix + "_s1.gif"); }
};

TEST_F(RepresentationWindowsTest, PlacesOnTheScreen) {
  for (const auto& [screen, wide] : std::vector<std::pair<int, int>>{{1024, 1024}, {1600, 1280}}) {
    PlaceRepresentationWindows(*wb, screen);
    EXPECT_EQ(wb->HPF.Frame.Width, wide);
    EXPECT_EQ(wb->HPF.Image.Width, wide - 16);
    EXPECT_EQ(wb->OPF.Frame.Top, 512);
    EXPECT_EQ(wb->OPF.Image.Width, wide - 16);
  }
  EXPECT_EQ(wb->ORF.Frame.Left, 640);
  EXPECT_EQ(wb->HRF.Frame.Height, 740);
  EXPECT_EQ(wb->ORF.EpochField.Left, 90);
  EXPECT_EQ(wb->ORF.ASB.Caption(), "Auto Save");
}

TEST_F(RepresentationWindowsTest, ButtonsSaveTheirWindowsPictureUnderItsName) {
  wb->Form1.IREdit.SetText(" 7 ");
  wb->Form1.VdwEdit1.SetText("3");
  wb->ORF.SE.SetValue(4);
  struct Case {
    TRepresentationForm* Window;
    const char* Caption;
    bool SaveAs;
    int Picture;
    const char* Suffix;
  } cases[] = {
      {&wb->HPF, "Hidden Representation", false, 0, "_HRP-7"},
      {&wb->OPF, "Output Representation", true, 1, "_ORP-7"},
      {&wb->HRF, "V contra dW", false, 2, "_Vdw1"},
      {&wb->HRF, "dS+dw", false, 2, "_dSdw_3"},
      {&wb->HRF, "Neuron Signals", true, 0, "_HRS-4"},
      {&wb->ORF, "V contra dW", true, 3, "_Vdw2"},
      {&wb->ORF, "E-section", true, 3, "_LNES"},
      {&wb->ORF, "E-section", false, 1, "_ORS-4"},
      {&wb->ORF, "Neuron Signals", false, 1, "_ORS-4"},
  };
  for (const Case& c : cases) {
    c.Window->SetCaption(c.Caption);
    const SavedPicture p = PictureToSave(*wb, *c.Window, c.SaveAs);
    EXPECT_EQ(p.Picture, c.Picture) << c.Window->Name() << " " << c.Caption;
    EXPECT_EQ(p.Suffix, c.Suffix) << c.Window->Name() << " " << c.Caption;
  }
  // "Save" of a window with no picture yet writes nothing.
  wb->HRF.SetCaption("Neuron Signals");
  SaveRepresentationPicture(*wb, wb->HRF, false);
  EXPECT_FALSE(Saved("_HRS-4"));
}

TEST_F(RepresentationWindowsTest, EpochSelectorIsClampedToTheRecordedEpochs) {
  Record(2, 6);
  wb->ORF.SE.SetValue(-3);
  RepresentationEpochChanged(*wb);
  EXPECT_EQ(wb->ORF.SE.Value(), 0);
  EXPECT_EQ(wb->OutputPlotMode, 2);
  wb->ORF.SE.SetValue(40);
  RepresentationEpochChanged(*wb);
  EXPECT_EQ(wb->ORF.SE.Value(), 6);
  EXPECT_TRUE(wb->ORF.Shown);
  EXPECT_FALSE(Saved("_ORS-6"));  // "Auto Save" is not checked
}

TEST_F(RepresentationWindowsTest, AutoSaveNamesFollowTheHiddenPicture) {
  wb->ORF.ASB.SetChecked(true);
  Record(5, 6);
  wb->ORF.SE.SetValue(5);
  RepresentationEpochChanged(*wb);
  EXPECT_TRUE(Saved("_ORS-5"));
  EXPECT_TRUE(Saved("_HRP-5"));
  EXPECT_FALSE(Saved("_HRS-5"));

  Record(3, 6);
  wb->ORF.SE.SetValue(4);
  RepresentationEpochChanged(*wb);
  EXPECT_TRUE(Saved("_ORS-4"));
  EXPECT_TRUE(Saved("_HRS-4"));
  EXPECT_FALSE(Saved("_HRP-4"));

  // An epoch without signals draws nothing and saves nothing.
  wb->SignalHistory[2].Recorded = false;
  wb->ORF.SE.SetValue(2);
  RepresentationEpochChanged(*wb);
  EXPECT_FALSE(Saved("_ORS-2"));
}

TEST_F(RepresentationWindowsTest, ShowSetsTheCaptionsAndTheEpoch) {
  Record(2, 6);
  wb->Form1.IREdit.SetText("3");
  ShowRepresentations(*wb);
  EXPECT_EQ(wb->ORF.Caption(), "Neuron Signals");
  EXPECT_EQ(wb->HRF.Caption(), "Neuron Signals");
  EXPECT_EQ(wb->ORF.SE.Value(), 3);
  EXPECT_EQ(wb->HiddenPlotMode, 2);
  EXPECT_TRUE(plat.Messages.empty());
}

}  // namespace
}  // namespace wl
