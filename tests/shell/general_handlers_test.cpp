// The main window's general handlers: what each menu item calls with which mode, the controls kept
// consistent with each other, the steps of "New Training" around the pipeline, the timed runs, and the
// command boundary that restores a command's flags when an error ends it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/paths.h"
#include "shell/command.h"
#include "shell/general_commands.h"
#include "shell/shell_test_env.h"
#include "shell/startup.h"
#include "training/run_end.h"

namespace wl {
namespace {

using test::ShellTest;

class GeneralHandlersTest : public ShellTest {
 public:
  GeneralHandlersTest() { Begin(); }
  void Begin() {
    Write("weightlab.ini", "WeightLab   v.0.947\nCPUCHECKED=1500\n");
    ConnectHandlers(*wb);
    StartProgram(*wb);
  }
  void Click(const std::string& name) {
    Control* c = wb->Form1.Find(name);
    ASSERT_NE(c, nullptr) << name;
    ASSERT_TRUE(c->Enabled()) << name;
    if (c->Kind() == ControlKind::MenuItem) static_cast<MenuItem*>(c)->UserClick();
    if (c->Kind() == ControlKind::Button) static_cast<Button*>(c)->UserClick();
    if (c->Kind() == ControlKind::CheckBox) static_cast<CheckBox*>(c)->UserClick();
  }
  void OpenIris() {
    plat.OpenAnswers.push_back("DATA/iris.dat");
    Click("Simple1");
    ASSERT_EQ(wb->NumOfVectors, 150);
  }
  void Type(Edit& e, const std::string& text) {
    ASSERT_TRUE(e.UserSetText(text)) << e.Name();
    e.LeaveFocus();
  }
  std::string LastDialog() const { return plat.Dialogs.empty() ? "" : plat.Dialogs.back().Dialog; }
  std::string LastEditorFile() const {
    return plat.EditorRequests.empty() ? "" : FileNameOf(plat.EditorRequests.back());
  }
};

// Each general menu item that has its operation calls it with the mode of the command table.
TEST_F(GeneralHandlersTest, MenuItemsCallTheirRoutineWithTheirMode) {
  const struct {
    const char* Control;
    bool NeedsNetwork;
    std::function<void(GeneralHandlersTest&)> Before;
    std::function<void(GeneralHandlersTest&)> Check;
  } cases[] = {
      // "Open Training Set": OpenDataFile, which asks with the data-set dialog.
      {"Simple1", false, [](auto& t) { t.plat.OpenAnswers.push_back("DATA/xor.dat"); },
       [](auto& t) {
         EXPECT_EQ(t.LastDialog(), "OpenTestSetDialog");
         EXPECT_EQ(t.wb->NumOfVectors, 4);
       }},
      // "Create Network": CreateNetwork with schemes 1 to 6.
      {"DeterministicValues", false, nullptr, [](auto& t) { EXPECT_EQ(t.wb->NetType, 1); }},
      {"RandomValues", false, nullptr, [](auto& t) { EXPECT_EQ(t.wb->NetType, 2); }},
      {"DetermLinearInput1", false, nullptr, [](auto& t) { EXPECT_EQ(t.wb->NetType, 3); }},
      {"RandomLinearInput1", false, nullptr, [](auto& t) { EXPECT_EQ(t.wb->NetType, 4); }},
      {"RandomLinearInteger1", false, nullptr, [](auto& t) { EXPECT_EQ(t.wb->NetType, 5); }},
      {"RandomSigmoidInteger1", false, nullptr, [](auto& t) { EXPECT_EQ(t.wb->NetType, 6); }},
      // "SM Training": the one-change search, mode 1 random and mode 2 deterministic, timed.
      {"Random1change", true, [](auto& t) { t.wb->Form1.SMstdButton.UserClick(); },
       [](auto& t) {
         EXPECT_EQ(t.wb->MethodTag, "S1-R");
         EXPECT_EQ(t.wb->Form1.TrainingEdit.Text(), ElapsedText(t.wb->ElapsedTime));
       }},
      {"Discrete1change", true, [](auto& t) { t.wb->Form1.SMstdButton.UserClick(); },
       [](auto& t) {
         EXPECT_EQ(t.wb->MethodTag, "S1-D");
         EXPECT_EQ(t.wb->Form1.TrainingEdit.Text(), ElapsedText(t.wb->ElapsedTime));
       }},
      // "Weights": SaveWeights mode 3 (shown), LoadWeights (asks), SaveWeights mode 1 (not shown).
      {"ShowWeights1", true, nullptr, [](auto& t) { EXPECT_EQ(t.LastEditorFile(), "iris_86410_FinalWeights.txt"); }},
      {"LoadWeightsfromFile1", true, [](auto& t) { t.plat.OpenAnswers.push_back(std::nullopt); },
       [](auto& t) { EXPECT_EQ(t.LastDialog(), "WeightsDialog"); }},
      {"SaveCurrentWeightstoFile1", true, nullptr,
       [](auto& t) {
         EXPECT_TRUE(FileExists(t.PathOf("results/iris_86410_FinalWeights.txt")));
         EXPECT_TRUE(t.plat.EditorRequests.empty());
       }},
      // "Tools" -> "Parameters": the parameter file, opened in the editor.
      {"Parameters1", false, nullptr, [](auto& t) { EXPECT_EQ(t.LastEditorFile(), "iris_86410_param.txt"); }},
      // "Help": the help file at its contents.
      {"Help1", false, nullptr,
       [](auto& t) { EXPECT_EQ(t.plat.HelpRequests, std::vector<std::string>{t.wb->HelpFile}); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Control);
    Restart();
    plat = ScriptedPlatform();
    plat.ProgramDir = Dir();
    plat.ClockMs = 10000;
    plat.ClockDay = 2;
    Begin();
    OpenIris();
    Type(wb->Form1.EpochEditT2, "2");
    if (c.NeedsNetwork) Click("RandomLinearInput1");
    plat.Dialogs.clear();
    plat.EditorRequests.clear();
    if (c.Before) c.Before(*this);
    Click(c.Control);
    EXPECT_TRUE(plat.Messages.empty()) << (plat.Messages.empty() ? "" : plat.Messages[0].Text);
    c.Check(*this);
  }
}

TEST_F(GeneralHandlersTest, SameLayersCopiesTheOutputLayerToTheHiddenLayers) {
  TForm1& f = wb->Form1;
  Control* const layerControls[] = {&f.SlopeHidL2Edit, &f.sscaleHidL2Edit, &f.NSEHidL2Edit, &f.HL2TF,
                                    &f.SlopeHidL3Edit, &f.sscaleHidL3Edit, &f.NSEHidL3Edit, &f.HL3TF};
  Click("SameLayersBox");  // cleared: the eight controls are the user's
  ASSERT_FALSE(f.SameLayersBox.Checked());
  for (Control* c : layerControls) EXPECT_TRUE(c->Enabled()) << c->Name();

  // While cleared, the output layer's fields keep to themselves.
  Type(f.SlopeEdit, "2.5");
  Type(f.sscaleEdit, "0.5");
  Type(f.NSEdit, "4");
  f.OutTF.SetItemIndex(2, ChangeSource::User);
  Type(f.SlopeHidL2Edit, "9");
  EXPECT_EQ(f.SlopeHidL3Edit.Text(), "1");
  EXPECT_EQ(f.HL3TF.ItemIndex(), 0);

  Click("SameLayersBox");  // checked: copied and disabled
  for (Edit* e : {&f.SlopeHidL2Edit, &f.SlopeHidL3Edit}) EXPECT_EQ(e->Text(), "2.5") << e->Name();
  for (Edit* e : {&f.sscaleHidL2Edit, &f.sscaleHidL3Edit}) EXPECT_EQ(e->Text(), "0.5") << e->Name();
  for (Edit* e : {&f.NSEHidL2Edit, &f.NSEHidL3Edit}) EXPECT_EQ(e->Text(), "4") << e->Name();
  EXPECT_EQ(f.HL2TF.Text(), "linear");
  EXPECT_EQ(f.HL3TF.Text(), "linear");
  for (Control* c : layerControls) EXPECT_FALSE(c->Enabled()) << c->Name();

  // While checked, every change of the output layer follows into both hidden layers, also a change a
  // routine makes (the settings file); a transfer function only when the user picks it.
  Type(f.SlopeEdit, "3");
  f.sscaleEdit.SetText("0.25");
  Type(f.NSEdit, "7");
  f.OutTF.SetItemIndex(1, ChangeSource::User);
  EXPECT_EQ(f.SlopeHidL2Edit.Text(), "3");
  EXPECT_EQ(f.SlopeHidL3Edit.Text(), "3");
  EXPECT_EQ(f.sscaleHidL2Edit.Text(), "0.25");
  EXPECT_EQ(f.sscaleHidL3Edit.Text(), "0.25");
  EXPECT_EQ(f.NSEHidL3Edit.Text(), "7");
  EXPECT_EQ(f.HL2TF.Text(), "tanh");
  EXPECT_EQ(f.HL3TF.Text(), "tanh");
  f.OutTF.SetItemIndex(4, ChangeSource::Program);
  EXPECT_EQ(f.HL3TF.Text(), "tanh");
}

TEST_F(GeneralHandlersTest, HiddenL3NeuronsSwitchTheirGroup) {
  TForm1& f = wb->Form1;
  Type(f.Hid3EditT2, "3");
  EXPECT_TRUE(f.GroupBox5.Enabled());
  EXPECT_EQ(f.GroupBox5.CaptionColor(), GroupBox::clWindowText);
  Type(f.Hid3EditT2, "0");
  EXPECT_FALSE(f.GroupBox5.Enabled());
  EXPECT_EQ(f.GroupBox5.CaptionColor(), GroupBox::clInactiveCaption);
  Type(f.Hid3EditT2, "2");
  EXPECT_TRUE(f.GroupBox5.Enabled());
  // A blank field is no integer: the conversion's message, and the group stays as it was.
  Type(f.Hid3EditT2, "");
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "'    ' is not a valid integer value");
  EXPECT_TRUE(f.GroupBox5.Enabled());
}

TEST_F(GeneralHandlersTest, FullWeightMatrixAndTheWeightOrdersKeepTheirFieldsConsistent) {
  TForm1& f = wb->Form1;
  Type(f.EpochEditT2, "40");
  Type(f.fromEdit, "5");
  Click("ALLWMBox");  // cleared: nothing changes
  EXPECT_EQ(f.fromEdit.Text(), "5    ");
  Click("ALLWMBox");  // checked: epochs 0 to the number of epochs
  EXPECT_EQ(f.fromEdit.Text(), "0");
  EXPECT_EQ(f.WMepEdit.Text(), "40     ");

  // The weight orders may be switched off until their searches exist; their handlers hold all the same.
  f.RWOrderBox.SetEnabled(true);
  f.CustOrderBox.SetEnabled(true);
  Click("RWOrderBox");
  EXPECT_TRUE(f.RWOrderBox.Checked());
  Click("CustOrderBox");
  EXPECT_TRUE(f.CustOrderBox.Checked());
  EXPECT_FALSE(f.RWOrderBox.Checked());
  Click("RWOrderBox");
  EXPECT_TRUE(f.RWOrderBox.Checked());
  EXPECT_FALSE(f.CustOrderBox.Checked());
  Click("RWOrderBox");  // clearing one leaves the other alone
  EXPECT_FALSE(f.RWOrderBox.Checked());
  EXPECT_FALSE(f.CustOrderBox.Checked());
}

class NewTrainingClickTest : public GeneralHandlersTest {
 protected:
  void Run() {
    RunCommand(*wb, [this] {
      NewTrainingClick(*wb, {[this](Workbench&) { ++committees; },
                             [this](Workbench& w) {
                               ++pipelines;
                               traceAtPipeline = w.OnTopForm.Caption();
                               timeAtPipeline = w.Form1.TrainingEdit.Text();
                               if (refuseRun) throw WlError("refused");
                               ApplyWeightMatrixFieldsForRun(w);  // as a run's end does
                             }});
    });
  }
  int committees = 0, pipelines = 0;
  bool refuseRun = false;  // the pipeline refuses before its run starts
  std::string traceAtPipeline, timeAtPipeline;
};

TEST_F(NewTrainingClickTest, ACommitteeTouchesNoneOfTheRunsFields) {
  TForm1& f = wb->Form1;
  f.CommEdit.SetText("3");
  Type(f.WMepEdit, "500");
  f.TrainingEdit.SetText("1.00s");
  Run();
  EXPECT_EQ(committees, 1);
  EXPECT_EQ(pipelines, 0);
  EXPECT_EQ(f.WMepEdit.Text(), "500  ");
  EXPECT_EQ(f.fromEdit.Text(), "0    ");
  EXPECT_EQ(f.TrainingEdit.Text(), "1.00s");
  EXPECT_EQ(wb->GTP.ResizeEdit.Text(), "1");
  EXPECT_EQ(wb->ProgressStage, "2");
}

TEST_F(NewTrainingClickTest, ReadsTheParametersAndKeepsTheWeightMatrixWithinTheEpochs) {
  TForm1& f = wb->Form1;
  Click("ALLWMBox");  // "full WM" cleared
  Type(f.WMepEdit, "500");
  Type(f.EpochEditT2, "12");
  f.WMMatlabBox.UserClick();
  Run();
  EXPECT_EQ(pipelines, 1);
  EXPECT_TRUE(plat.Messages.empty());
  // Once the parameters are read the trace stands at 4-0-0; the run time is blank while it runs.
  EXPECT_EQ(traceAtPipeline, "On Top      4-0-0");
  EXPECT_EQ(timeAtPipeline, " ");
  EXPECT_EQ(wb->OnTopForm.Caption(), "On Top      5-0-0");
  EXPECT_EQ(f.WMepEdit.Text(), "12");
  EXPECT_TRUE(f.WMWeightLabBox.Checked());
  EXPECT_EQ(wb->GTP.ResizeEdit.Text(), "12     ");
  EXPECT_EQ(wb->NumOfEpochs, 12);

  // "full WM": every epoch into the weight matrix.
  Click("ALLWMBox");
  Type(f.EpochEditT2, "30");
  Type(f.everyWMEdit, "3");
  f.anyWMEdit.SetText("5 7");
  Run();
  EXPECT_EQ(f.WMepEdit.Text(), "30");
  EXPECT_EQ(f.everyWMEdit.Text(), "1");
  EXPECT_EQ(f.anyWMEdit.Text(), "");
}

// A run refused before it starts (a network that does not fit the fields) leaves the weight-matrix
// fields as they were; the parameters are checked with the values the run would give them.
TEST_F(NewTrainingClickTest, ARunRefusedBeforeItStartsLeavesTheWeightMatrixFields) {
  TForm1& f = wb->Form1;
  Type(f.EpochEditT2, "3");
  Type(f.WMepEdit, "12");
  Type(f.everyWMEdit, "2");
  f.anyWMEdit.SetText("5 7");
  f.WMMatlabBox.UserClick();
  refuseRun = true;
  for (bool full : {true, false}) {
    SCOPED_TRACE(full ? "full WM" : "not full WM");
    if (f.ALLWMBox.Checked() != full) Click("ALLWMBox");
    Type(f.WMepEdit, "12");
    plat.Messages.clear();
    Run();
    EXPECT_EQ(pipelines, full ? 1 : 2);
    ASSERT_EQ(plat.Messages.size(), 1u);
    EXPECT_EQ(plat.Messages[0].Text, "refused");
    EXPECT_EQ(f.WMepEdit.Text(), "12   ");
    EXPECT_EQ(f.everyWMEdit.Text(), "2   ");
    EXPECT_EQ(f.anyWMEdit.Text(), "5 7");
    EXPECT_TRUE(f.WMMatlabBox.Checked());
  }
  // With "full WM" a "to WM" that is no number is no refusal: the run gives it the epochs.
  refuseRun = false;
  Click("ALLWMBox");
  ASSERT_TRUE(f.ALLWMBox.Checked());
  f.WMepEdit.SetText("x");
  plat.Messages.clear();
  Run();
  EXPECT_TRUE(plat.Messages.empty()) << plat.Messages.front().Text;
  EXPECT_EQ(f.WMepEdit.Text(), "3");
}

TEST_F(NewTrainingClickTest, RefusesMatlabAndStopsAtAnInvalidParameter) {
  TForm1& f = wb->Form1;
  f.TrainingInMatlab.UserClick();
  Run();
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "Training Method is set to Matlab. Choose another method.");
  EXPECT_EQ(wb->ProgressStage, "2");

  f.S1DT2.UserClick();
  f.InitEdit.SetText("x");
  Run();
  EXPECT_EQ(pipelines, 0);
  EXPECT_EQ(plat.Messages.size(), 2u);
  EXPECT_EQ(wb->OnTopForm.Caption(), "On Top      3-0-0");

  f.InitEdit.SetText("1.0");
  f.CommEdit.SetText("two");
  Run();
  ASSERT_EQ(plat.Messages.size(), 3u);
  EXPECT_EQ(plat.Messages[2].Text, "'two' is not a valid integer value");
  EXPECT_EQ(pipelines + committees, 0);
}

TEST_F(GeneralHandlersTest, TimedRunsShowTheirTimeInSecondsWithTwoDecimals) {
  const struct {
    std::int64_t Ms;
    const char* Text;
  } cases[] = {{2500, "2.50s"}, {12340, "12.34s"}, {0, "0.00s"}, {999, "1.00s"}, {61005, "61.01s"}};
  for (const auto& c : cases) EXPECT_EQ(ElapsedText(c.Ms), c.Text) << c.Ms;

  plat.ClockMs = 5000;
  plat.ClockDay = 3;
  std::string during;
  TimedRun(*wb, [&] { during = wb->Form1.TrainingEdit.Text(); });
  EXPECT_EQ(during, " ");
  EXPECT_EQ(wb->StartTime, 2 * 86400000LL + 5000);
  EXPECT_EQ(wb->Form1.TrainingEdit.Text(), ElapsedText(wb->ElapsedTime));
}

TEST_F(GeneralHandlersTest, AnErrorEndingACommandRestoresItsFlags) {
  const bool ran = RunCommand(*wb, [this] {
    wb->TestingMode = wb->SearchRunning = wb->InCrossvalidation = wb->CommitteeVoting = wb->BatchMode = true;
    wb->Plat.SetHourglass(true);
    throw FileError("Cannot read file x.dat");
  });
  EXPECT_FALSE(ran);
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "Cannot read file x.dat");
  EXPECT_FALSE(wb->TestingMode || wb->SearchRunning || wb->InCrossvalidation || wb->CommitteeVoting || wb->BatchMode);
  EXPECT_FALSE(plat.Hourglass);
  EXPECT_FALSE(wb->CommandRunning);

  // A command started while another runs is ignored.
  int inner = 0;
  RunCommand(*wb, [&] { EXPECT_FALSE(RunCommand(*wb, [&] { ++inner; })); });
  EXPECT_EQ(inner, 0);
}

}  // namespace
}  // namespace wl
