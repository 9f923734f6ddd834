// The main window's control table: kinds, captions, defaults, containers, radio groups and menus as the form
// is built.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/form1.h"

namespace wl {
namespace {

class Form1Table : public ::testing::Test {
 protected:
  TForm1 form;

  Control& Get(const std::string& name) {
    Control* c = form.Find(name);
    if (!c) ADD_FAILURE() << "no control " << name;
    return *c;
  }
  std::map<std::string, std::vector<RadioButton*>> Groups() {
    std::map<std::string, std::vector<RadioButton*>> groups;
    for (Control* c : form.Controls())
      if (auto* r = dynamic_cast<RadioButton*>(c)) groups[r->Group()].push_back(r);
    return groups;
  }
};

// Spot checks: kind, container, caption (for edits and combo boxes the label), value and state.
struct Spot {
  const char* name;
  ControlKind kind;
  const char* parent;
  const char* caption;
  const char* value;  // edit or combo text, "1"/"0" for check boxes and radio buttons, "" otherwise
  int itemIndex;      // combo and list boxes; -2 elsewhere
};

TEST_F(Form1Table, SpotChecks) {
  const Spot spots[] = {
      {"InitEdit", ControlKind::Edit, "TabNetworkAndError", "Initial weights", "1.0", -2},
      {"EpochEditT2", ControlKind::Edit, "Panel4", "Epochs", "12     ", -2},
      {"HiddenEditT2", ControlKind::Edit, "Panel4", "Hidden L2", "4   ", -2},
      {"SelEpochEdit", ControlKind::Edit, "TabTraining", "BV period", "99999  ", -2},
      {"StopErrorEdit", ControlKind::Edit, "TabTraining", "Stop at error", "0.00", -2},
      {"fromHEdit", ControlKind::Edit, "TabNumericalGradient", "from H", "-5", -2},
      {"anyWMEdit", ControlKind::Edit, "WMParamsGroup", "any WM", "", -2},
      {"ep", ControlKind::Edit, "GroupBox4", "Epoch", "", -2},
      {"NSEHidL3Edit", ControlKind::Edit, "GroupBox5", "Steps L3", "1", -2},
      {"SMWSButton", ControlKind::RadioButton, "VSSGroup", " WS weight section", "0", -2},
      {"TrainingInMatlab", ControlKind::RadioButton, "Panel4", " Matlab", "0", -2},
      {"S1DT2", ControlKind::RadioButton, "Panel4", "VSS", "1", -2},
      {"OldDH2Box", ControlKind::RadioButton, "VSSGroup", "VSS (DH2)", "1", -2},
      {"CVButton", ControlKind::RadioButton, "", "CV", "1", -2},
      {"RbigBox", ControlKind::RadioButton, "TabPlots", "big", "1", -2},
      {"WMWeightLabBox", ControlKind::RadioButton, "TabPlots", "WM in WeightLab format", "1", -2},
      {"HnoneButton", ControlKind::RadioButton, "HiddenFactorGroup", "None", "0", -2},
      {"CH1Box", ControlKind::CheckBox, "TabTraining", "CH1 ", "0", -2},
      {"SameLayersBox", ControlKind::CheckBox, "TabNetworkAndError", "use the settings for all layers", "1", -2},
      {"A05dEButton", ControlKind::CheckBox, "AllLayersFactorGroup", "limit V to 10 std", "0", -2},
      {"useST", ControlKind::CheckBox, "TabNumericalGradient", "SignalTable", "1", -2},
      {"modWBox", ControlKind::CheckBox, "TabPlots", "||w||", "1", -2},
      {"StepEdit", ControlKind::ComboBox, "TabTraining", "Step decay", "slow", 2},
      {"LRDBox", ControlKind::ComboBox, "TabTraining", "Rate decay", "slow", 2},
      {"ErrrBox", ControlKind::ComboBox, "TabNumericalGradient", "Error axis", "1.0", 8},
      {"CurrentClassBox", ControlKind::ComboBox, "TabSMLP", "Class", "0", 1},
      {"ESQBox", ControlKind::ComboBox, "TabErrorSurface", "Quality", "poor", 2},
      {"c2box", ControlKind::ComboBox, "TabErrorSurface", "C2", "2", 1},
      {"HidPerOut3Edit", ControlKind::ComboBox, "TabSMLP", "Hidden class 3", "1", 1},
      {"PSEdit", ControlKind::ComboBox, "GroupBox4", "Point size", "1", 0},
      {"VarianceBox", ControlKind::ListBox, "TabNetworkAndError", "% variance", "", -1},
      {"Label18", ControlKind::Label, "GroupBox4", "none", "", -2},
      {"Label19", ControlKind::Label, "GroupBox4", "", "", -2},
      {"Label56", ControlKind::Label, "GroupBox4", "Estimated Times:", "", -2},
      {"TrainingT2", ControlKind::Button, "Panel4", "New Training", "", -2},
      {"NTButton", ControlKind::Button, "Panel4", "Continue training", "", -2},
      {"ELFButton", ControlKind::Button, "TabTraining", "EL F", "", -2},
      {"Button4", ControlKind::Button, "TabTraining", "SSA", "", -2},
      {"GroupBox5", ControlKind::GroupBox, "TabNetworkAndError", "Hidden Layer L3 (4-layer networks only)", "", -2},
      {"GroupBox4", ControlKind::GroupBox, "", "Training Progress", "", -2},
      {"Panel4", ControlKind::Panel, "", "", "", -2},
      {"P1", ControlKind::PageControl, "", "", "", -2},
      {"Results1", ControlKind::MenuItem, "", "&Results", "", -2},
      {"Random1change", ControlKind::MenuItem, "SMTraining1", "Random - 1 change", "", -2},
      {"NG_old", ControlKind::MenuItem, "NGTraining1", "(Old-New)/Old", "", -2},
      {"DeterministicValues", ControlKind::MenuItem, "CreateNetwork1", "Determ, Sigmoid Input", "", -2},
      {"Help1", ControlKind::MenuItem, "", "Help", "", -2},
      {"OpenValidationSetDialog", ControlKind::FileDialog, "", "", "", -2},
  };
  for (const Spot& s : spots) {
    SCOPED_TRACE(s.name);
    Control* c = form.Find(s.name);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->Kind(), s.kind);
    EXPECT_EQ(c->Parent(), s.parent);
    EXPECT_EQ(c->Caption(), s.caption);
    switch (s.kind) {
      case ControlKind::Edit:
      case ControlKind::CheckBox:
      case ControlKind::RadioButton:
        EXPECT_EQ(c->ValueText(), s.value);
        break;
      case ControlKind::ComboBox:
      case ControlKind::ListBox:
        EXPECT_EQ(c->ValueText(), s.value);
        EXPECT_EQ(static_cast<ComboBox*>(c)->ItemIndex(), s.itemIndex);
        break;
      default:
        break;
    }
  }
  EXPECT_EQ(form.OpenTestSetDialog.Filter, "dataset files|*.dat|all files|*");
  EXPECT_EQ(form.OpenValidationSetDialog.Filter, "dataset files|*.dat|all files|*");
  EXPECT_FALSE(form.WeightsDialog.IsSave());
  EXPECT_EQ(form.OutTF.Items(), (std::vector<std::string>{"sigmoid", "tanh", "linear", "linear (0;1)", "linear (-1;1)",
                                                          "staircase (0;1)", "staircase (-1;1)"}));
  EXPECT_EQ(form.HidPerOut5Edit.Items().size(), 11u);
}

TEST_F(Form1Table, NamesAreUniqueAndEveryParentIsAContainer) {
  std::set<std::string> names;
  for (Control* c : form.Controls()) EXPECT_TRUE(names.insert(c->Name()).second) << "twice: " << c->Name();

  // A container must come before the controls it holds (the view builds the widgets in table order).
  std::set<std::string> seen;
  for (Control* c : form.Controls()) {
    SCOPED_TRACE(c->Name());
    const std::string& p = c->Parent();
    if (!p.empty()) {
      Control* parent = form.Find(p);
      ASSERT_NE(parent, nullptr) << "unknown parent " << p;
      EXPECT_TRUE(seen.count(p)) << "parent " << p << " comes later";
      switch (c->Kind()) {
        case ControlKind::MenuItem:
          EXPECT_EQ(parent->Kind(), ControlKind::MenuItem);
          break;
        case ControlKind::TabSheet:
          EXPECT_EQ(parent->Kind(), ControlKind::PageControl);
          break;
        default:
          EXPECT_TRUE(parent->Kind() == ControlKind::GroupBox || parent->Kind() == ControlKind::Panel ||
                      parent->Kind() == ControlKind::TabSheet)
              << "parent " << p << " holds no controls";
      }
    } else {
      EXPECT_NE(c->Kind(), ControlKind::TabSheet);
    }
    seen.insert(c->Name());
  }
}

TEST_F(Form1Table, PagesInOrder) {
  const char* captions[] = {"Network and Error", "Error Surface", "SMLP", "Training + SM + BP", "Plots",
                            "Numerical Gradient"};
  std::vector<TabSheet*> pages;
  for (Control* c : form.Controls())
    if (auto* t = dynamic_cast<TabSheet*>(c)) pages.push_back(t);
  ASSERT_EQ(pages.size(), 6u);
  EXPECT_EQ(form.P1.PageCount(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(pages[i]->PageIndex(), i);
    EXPECT_EQ(pages[i]->Caption(), captions[i]);
    EXPECT_EQ(pages[i]->Parent(), "P1");
  }
  EXPECT_EQ(form.P1.ActivePage(), 0);
}

TEST_F(Form1Table, RadioGroupsHoldTheAlternativesWithOneChecked) {
  // The alternatives of each choice; the first named is the one checked at start.
  const std::vector<std::vector<std::string>> choices = {
      {"S1DT2", "S1RT2", "S2DT2", "S2RT2", "NGT2", "BPButton", "D2zeroButton", "TrainingInMatlab"},
      {"OldDH2Box", "SMstdButton", "SMDH1Button", "SMWSButton"},
      {"CVButton", "LxoButton"},
      {"BatchBP", "OnlineBP"},
      {"FullConn", "SkipCheck", "strbox"},
      {"CMBox", "WMBox", "MatLabBox", "FastICABox"},
      {"BestFirst", "BeamSearch"},
      {"EqNumberButton", "EqDistanceButton", "EqDistJoinButton"},
      {"AdEButton", "AdE075Button", "AdEExpButton", "AdEVexpButton"},
      {"h01", "NoH", "DH1Button"},
      {"HexpButton", "HnoneButton", "HSegButton"},
      {"GTPBox", "GTPBox2", "NoGTPBox"},
      {"RbigBox", "RsmallBox", "RshapeBox", "RcolorBox"},
      {"WMWeightLabBox", "WMMatlabBox"},
      {"Dir1WeightLabButton", "Dir1MatlabButton"},
      {"Dir2WeightLabButton", "Dir2MatlabButton"},
      {"stepSMLPButton", "sigmoidSMLPButton"},
      {"S1SMLPButton", "S2SMLPButton", "GASMLPButton"},
      {"SF1", "SA", "SFA", "SWC"},
  };
  auto groups = Groups();
  size_t radios = 0;
  for (auto& [g, members] : groups) {
    EXPECT_FALSE(g.empty());
    radios += members.size();
  }
  size_t listed = 0;
  for (const auto& choice : choices) {
    SCOPED_TRACE(choice.front());
    listed += choice.size();
    auto* first = form.FindAs<RadioButton>(choice.front());
    ASSERT_NE(first, nullptr);
    std::vector<std::string> members;
    for (RadioButton* r : groups[first->Group()]) members.push_back(r->Name());
    EXPECT_EQ(std::set<std::string>(members.begin(), members.end()),
              std::set<std::string>(choice.begin(), choice.end()));
    for (const auto& name : choice) EXPECT_EQ(form.FindAs<RadioButton>(name)->Checked(), name == choice.front()) << name;
  }
  EXPECT_EQ(listed, radios) << "a radio button outside the listed choices";
  EXPECT_EQ(choices.size(), groups.size());

  // Choosing another alternative clears the first one and no other group.
  form.LxoButton.UserClick();
  EXPECT_FALSE(form.CVButton.Checked());
  form.RcolorBox.UserClick();
  EXPECT_FALSE(form.RbigBox.Checked());
  for (auto& [g, members] : groups)
    EXPECT_EQ(std::count_if(members.begin(), members.end(), [](RadioButton* r) { return r->Checked(); }), 1) << g;
}

TEST_F(Form1Table, MaskedFieldsKeepTheirBlanks) {
  const std::map<std::string, std::string> masked = {
      {"EpochEditT2", "12     "}, {"HiddenEditT2", "4   "}, {"Hid3EditT2", "0   "}, {"PartEdit", "1   "},
      {"SelEpochEdit", "99999  "}, {"BeamEdit", "1 "},     {"FCMAEdit", "4  "},     {"everyWMEdit", "1   "},
      {"fromEdit", "0    "},      {"WMepEdit", "12   "},  {"ThreeDEdit", "100  "}, {"PCAminEdit", "2 "},
      {"PopEdit", "256  "},       {"slEdit", "10 "},      {"NGBW", "1  "},        {"LGEdit", "25"}};
  int maskedCount = 0;
  for (Control* c : form.Controls()) {
    auto* e = dynamic_cast<Edit*>(c);
    if (!e) continue;
    SCOPED_TRACE(e->Name());
    auto it = masked.find(e->Name());
    if (it == masked.end()) {
      EXPECT_EQ(e->MaskWidth(), 0);
      continue;
    }
    ++maskedCount;
    EXPECT_EQ(e->Text(), it->second);
    EXPECT_EQ(e->MaskWidth(), static_cast<int>(it->second.size()));
  }
  EXPECT_EQ(maskedCount, static_cast<int>(masked.size()));
  EXPECT_TRUE(form.EpochEditT2.UserSetText("500"));
  EXPECT_EQ(form.EpochEditT2.Text(), "500    ");
}

// Besides the signal-table and class-error boxes, the choices of the one-change variants that are not
// built yet (in-place, random or custom weight order, weight sections) and the "New Training" methods
// that are not built yet start disabled.
TEST_F(Form1Table, OnlyTheSignalTableClassErrorAndUnbuiltVariantBoxesStartDisabled) {
  std::set<std::string> disabled;
  for (Control* c : form.Controls())
    if (!c->Enabled()) disabled.insert(c->Name());
  EXPECT_EQ(disabled, (std::set<std::string>{"SMSTBox", "OSTBox", "RadioClass"}));
}

TEST_F(Form1Table, MainMenuInOrder) {
  std::vector<std::string> bar;
  std::map<std::string, std::vector<std::string>> items;
  for (Control* c : form.Controls()) {
    if (c->Kind() != ControlKind::MenuItem) continue;
    (c->Parent().empty() ? bar : items[c->Parent()]).push_back(c->Caption());
  }
  EXPECT_EQ(bar, (std::vector<std::string>{"Open", "Create Network", "SM Training", "NG Training", "Error Surface",
                                           "&Results", "Weights", "SMLP", "Tools", "Help"}));
  EXPECT_EQ(items["SMLP1"],
            (std::vector<std::string>{"1 change", "2 changes", "Compare Rules", "NewPlot", "OldPlot", "Genetic Alg.",
                                      "constant L", "merging L", "splitting L", "XNG", "L Num Grad", "N of M 4/5",
                                      "N of M 5", "GetSMLP5Error"}));
  EXPECT_EQ(items["SelectTestSet1"], (std::vector<std::string>{"Open Training Set", "SMLP crossvalidation",
                                                               "NG crossvalidation", "VSS Crossvalidation",
                                                               "Open Batch File"}));
  EXPECT_EQ(items["SMTraining1"],
            (std::vector<std::string>{"Random - 1 change", "Random - 2 changes", "Determ - 1 change",
                                      "Determ - 2 changes", "Beam Search", "Backpropagation", "PCA on Data",
                                      "PCA-based"}));
  EXPECT_EQ(items["ErrorSurface1"], (std::vector<std::string>{"PCA  W", "Trajectory  W", "PCA  V", "Trajectory  V",
                                                              "2W", "Trajectory  2W", "Training Directions",
                                                              "PCA / ICA Directions", "All Directions", "Local PCA",
                                                              "Find PCA Minimum"}));
  EXPECT_EQ(items["NGTraining1"],
            (std::vector<std::string>{"(Old-New)/Old", "(Old-New)/max(Old-New)", "delta W --> 0", "Global then Local",
                                      "Global --> Local", "(Old-New)/Old if needed"}));
  EXPECT_EQ(items["Results1"], (std::vector<std::string>{"On Training Set", "On Validation Set"}));
  EXPECT_EQ(items["CreateNetwork1"].size(), 6u);
  EXPECT_EQ(items["Weights1"].size(), 3u);
  EXPECT_TRUE(items["Help1"].empty());
  EXPECT_EQ(form.Find("ResizeEdit"), nullptr);
}

TEST_F(Form1Table, EveryControlTheAlgorithmsUseExists) {
  const char* used[] = {
    "alsigEdit", "av_hEdit", "CommEdit", "CVButton", "CVEdit", "CVSSEdit", "EditSuccess", "ENVEdit", "ep", "ge",
    "Label18", "Label19", "Label55", "Label56", "LxoButton", "LxoEdit", "modWEdit", "NoRandomBox", "NormCheck",
    "NumCVEdit", "OpenCustDialog", "OpenTestSetDialog", "OpenValidationSetDialog", "opt_hEdit", "P1", "PSEdit",
    "TrainingEdit", "WeightedAccEdit", "WeightsDialog", "Alsig2", "BatchBP", "BeamEdit", "BPLearn", "BPminBox",
    "BPmom", "Button4", "c3Edit", "CH1Box", "CreateOrderBox", "CustOrderBox", "DeltaEdit", "ErrorSelEdit",
    "FCMAEdit", "InPlaceBox", "LRDBox", "MaxDeltaEdit", "MaxWeightEdit", "OldDH2Box", "OnlineBP", "OSTBox",
    "ParabVSSBox", "PartEdit", "RWOrderBox", "SelEpochEdit", "SelMetBox", "SigmBox", "SigmTFBox", "SMDH1Button",
    "SMDH1Edit", "SmhidEdit", "SMSTBox", "SMstdButton", "SMWSButton", "SREdit", "StepEdit", "StopErrorEdit",
    "typselEdit", "WSdeltaEdit", "WSRangeEdit", "WymEdit", "XLCEdit", "ZHWBox", "ALLWMBox", "BPButton",
    "D2zeroButton", "EpochEditT2", "Hid3EditT2", "HiddenEditT2", "LoadWBox", "NGT2", "NTButton", "S1DT2", "S1RT2",
    "S2DT2", "S2RT2", "TrainingInMatlab", "WLEdit", "AccBadCheck", "CLCheckbox", "DefClassBox", "entrBox", "ExpEdit",
    "FApproxBox", "FullConn", "GroupBox5", "HL2TF", "HL3TF", "InitEdit", "IntegerWEdit", "NSEdit", "NSEHidL2Edit",
    "NSEHidL3Edit", "OutsideBox", "OutTF", "pmwEdit", "RadioClass", "SameLayersBox", "SetOffEdit", "SkipCheck",
    "SlopeEdit", "SlopeHidL2Edit", "SlopeHidL3Edit", "SmallWEdit", "sscaleEdit", "sscaleHidL2Edit",
    "sscaleHidL3Edit", "StartWEdit", "strbox", "VarianceBox", "WEBox", "WeightedErrorBox", "anyWMEdit", "autoES",
    "c1box", "c2box", "CFSBox", "CMBox", "ESQBox", "everyWMEdit", "FastICABox", "fiEdit", "fromEdit", "LGEdit",
    "MatLabBox", "PCAminEdit", "PMBox", "SCBox", "ThreeDEdit", "VertEdit", "WMBox", "WMepEdit", "wstBox",
    "BeamSearch", "BestFirst", "CurrentClassBox", "DiscrFileEdit", "EqDistanceButton", "EqNumberButton",
    "FExpandBox", "FReduceBox", "HidBEdit", "HidPerOut1Edit", "HidPerOut5Edit", "HidPerOutEdit", "JoinWBox",
    "Out2WEdit", "OutBEdit", "OverlapBox", "PopEdit", "PrecEdit1", "RecrBox", "Rinit", "ShiftEdit1", "slEdit",
    "WCEdit", "A05dEButton", "AdE075Button", "AdEButton", "AdEExpButton", "AdEVexpButton", "AepochEdit",
    "BepochEdit", "ChartH", "chpwr", "DeltaNGEdit", "DH1Button", "DH1Edit", "EachEHBox", "EEdit1", "EEdit2",
    "EEdit3", "elimdVEdit", "ErrrBox", "fromHEdit", "h01", "HexpButton", "HnoneButton", "HSegButton", "LOBox",
    "LogGradientBox", "M2Edit", "MEdit1", "MEdit2", "MEdit3", "MEdit4", "MiddleEdit", "MomentumEdit", "NextDEdit",
    "NGBW", "NoH", "Numbers", "OldPointBox", "SecDevButton", "toHEdit", "useST", "VCEdit", "VexpEdit", "ANVBox",
    "AutoPlace", "BigBlackBox", "BigPlotBox", "ClassBox", "coef_d2Edit", "coef_V2Edit", "debox", "DetPlotBox",
    "Dir1MatlabButton", "Dir2MatlabButton", "DWTREdit", "ForcePBox", "GTPBox", "GTPBox2", "HidThrEdit", "IRBox",
    "IREdit", "LEdit", "LogWMDBox", "MarkerSizeEdit", "minmax", "modWBox", "NEdit", "NoGTPBox", "OutThrEdit",
    "PrunEdit", "RbigBox", "RcolorBox", "RshapeBox", "RsmallBox", "TRWBox", "VdwBox", "VdwEdit1", "VdwEdit2",
    "WMMatlabBox", "WriteDetails", "IRButton",
  };
  int missing = 0;
  for (const char* name : used)
    if (!form.Find(name)) {
      ADD_FAILURE() << "missing " << name;
      ++missing;
    }
  EXPECT_EQ(std::size(used), 245u);
  EXPECT_EQ(missing, 0);
}

}  // namespace
}  // namespace wl
