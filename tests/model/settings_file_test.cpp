// The settings file and the parameter file: what the writer puts in them, what the reader takes from
// them (prefix matching, keys that also match other lines, bad lines), and the round trip of the window.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "model/read_parameters.h"
#include "model/settings_file.h"
#include "platform/numfmt.h"
#include "platform/text_file.h"
#include "state/workbench.h"
#include "platform/scripted_platform.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

using test::Lines;
using test::ReadText;

// Everything a control shows: its value, and for lists the item index, for the page control its page.
std::map<std::string, std::string> State(const TForm1& f) {
  std::map<std::string, std::string> s;
  for (const Control* c : f.Controls()) {
    std::string v = c->ValueText();
    if (auto* b = dynamic_cast<const ComboBox*>(c)) (v += '#') += std::to_string(b->ItemIndex());
    if (auto* p = dynamic_cast<const PageControl*>(c)) (v += '#') += std::to_string(p->ActivePage());
    s[c->Name()] = v;
  }
  return s;
}

class SettingsFileTest : public ::testing::Test {
 protected:
  // A program start: a new window with its defaults, in the same program directory.
  std::unique_ptr<Workbench> Start(ScriptedPlatform& p) { return std::make_unique<Workbench>(p, dir); }
  std::string Ini() const { return dir + "/weightlab.ini"; }
  void WriteIni(const std::string& content) { std::ofstream(Ini(), std::ios::binary) << content; }

  test::TempProgramDir temp{"wl_settings_"};
  std::string dir = temp.Str();
  ScriptedPlatform plat;
};

TEST_F(SettingsFileTest, DefaultWindowRoundTrip) {
  auto wb = Start(plat);
  SaveSettings(*wb, false);
  const std::string saved = ReadText(Ini());
  EXPECT_FALSE(fs::exists(Ini() + ".tmp"));

  const auto lines = Lines(saved);
  ASSERT_GT(lines.size(), 150u);
  EXPECT_EQ(lines[0], "WeightLab   v.0.947");
  EXPECT_EQ(lines[1], "WorthChanging=30");  // carries the V const field, as "V_coef=" does
  const std::set<std::string> all(lines.begin(), lines.end());
  for (const char* l : {"Hidden=4   ", "step=slow", "StepEdit=2", "ErrrBox=1.0", "ActivePage=0", "CPUCHECKED=0",
                        "clindex=0", "oldDH2Box", "S1DT2", "h01", "CVButton", "Dir1WeightLabButton",
                        "NoHchart", "NoDetailRes", "OutTF.ItemIndex=0", "selepoch=99999  "})
    EXPECT_TRUE(all.count(l)) << l;
  // Single flags of clear controls are not written.
  for (const char* l : {"SMstdButton", "NOSMstdButton", "NoDetPlotBox", "SigmBox", "IRBox"})
    EXPECT_FALSE(all.count(l)) << l;

  ScriptedPlatform p2;
  auto again = Start(p2);
  LoadSettings(*again);
  EXPECT_TRUE(p2.Messages.empty());
  EXPECT_EQ(State(again->Form1), State(wb->Form1));
  // No neurons in layer L3: its group is shown disabled.
  EXPECT_FALSE(again->Form1.GroupBox5.Enabled());
  EXPECT_EQ(again->Form1.GroupBox5.CaptionColor(), GroupBox::clInactiveCaption);

  SaveSettings(*again, false);
  EXPECT_EQ(ReadText(Ini()), saved);
}

// Another text a field may hold: a text field any text, a field that holds a number another number that
// the parameter reading accepts for it.
std::string ChangedText(const TForm1& f, const Edit& e) {
  double v = 0.0;
  if (!TryStrToFloat(Trim(e.Text()), v)) return " text of " + e.Name();
  for (const char* candidate : {"7", "0.5", "1.5", "0", "-1"})
    if (candidate != Trim(e.Text()) && ParameterFieldAccepts(f, e, candidate)) return candidate;
  ADD_FAILURE() << "no other number for " << e.Name();
  return e.Text();
}

// Every control the file keeps is changed from its default; a new start restores all of it.
TEST_F(SettingsFileTest, ChangedWindowRoundTrip) {
  auto wb = Start(plat);
  TForm1& f = wb->Form1;
  std::set<std::string> groups;
  std::set<const Control*> changed;
  for (const SettingsKey& key : SettingsKeys()) {
    for (ControlRef ref : {key.Target, key.Other}) {
      if (!ref) continue;
      Control& c = ref(f);
      if (auto* e = dynamic_cast<Edit*>(&c); e && changed.insert(e).second) e->SetText(ChangedText(f, *e));
      if (auto* b = dynamic_cast<ComboBox*>(&c)) b->SetItemIndex(static_cast<int>(b->Items().size()) - 1);
      if (auto* r = dynamic_cast<RadioButton*>(&c)) groups.insert(r->Group());
    }
  }
  std::set<std::string> toggled;
  for (const SettingsKey& key : SettingsKeys())
    if (key.Target)
      if (auto* b = dynamic_cast<CheckBox*>(&key.Target(f)); b && toggled.insert(b->Name()).second)
        b->SetChecked(!b->Checked());
  // The last button of every group the file keeps.
  for (Control* c : f.Controls())
    if (auto* r = dynamic_cast<RadioButton*>(c); r && groups.count(r->Group())) r->SetChecked(true);
  f.SMDH1Button.SetChecked(true);  // its word also matches the "SMDH1=" key of another field
  f.Hid3EditT2.SetText("2   ");
  f.P1.SetActivePage(4);
  wb->CPUCHECKED = 1500;
  wb->clindex = 3;
  ASSERT_FALSE(f.SameLayersBox.Checked());
  ASSERT_TRUE(f.WriteDetails.Checked());
  ASSERT_TRUE(f.SelMetBox.Checked());

  SaveSettings(*wb, false);
  const std::string saved = ReadText(Ini());

  ScriptedPlatform p2;
  auto again = Start(p2);
  LoadSettings(*again);
  EXPECT_TRUE(p2.Messages.empty());
  EXPECT_EQ(State(again->Form1), State(f));
  EXPECT_EQ(again->CPUCHECKED, 1500);
  EXPECT_EQ(again->clindex, 3);
  EXPECT_TRUE(again->Form1.GroupBox5.Enabled());
  SaveSettings(*again, false);
  EXPECT_EQ(ReadText(Ini()), saved);
}

// What the file keeps comes back at the next start: a box's text that is none of its items (written with
// the item index -1, whose line the text key also matches), and values that end in carriage returns.
TEST_F(SettingsFileTest, TextsThatAreNoItemAndTrailingCarriageReturnsSurvive) {
  // A number field (V exponent) and a text field (any WM).
  const std::pair<const char*, const char*> cases[] = {
      {"very slow", "2"}, {"3", "1.5\r"}, {"-1", "2\r\r"}, {"", "\r"}, {"fast", "x\ry"},
  };
  for (auto [step, vexp] : cases) {
    auto wb = Start(plat);
    wb->Form1.StepEdit.SetText(step);
    double number = 0.0;
    Edit& field = TryStrToFloat(Trim(vexp), number) ? wb->Form1.VexpEdit : wb->Form1.anyWMEdit;
    field.SetText(vexp);
    SaveSettings(*wb, false);
    const std::string saved = ReadText(Ini());
    ScriptedPlatform p2;
    auto again = Start(p2);
    LoadSettings(*again);
    EXPECT_TRUE(p2.Messages.empty());
    EXPECT_EQ(again->Form1.StepEdit.Text(), step);
    EXPECT_EQ(again->Form1.StepEdit.ItemIndex(), wb->Form1.StepEdit.ItemIndex()) << step;
    EXPECT_EQ(again->Form1.VexpEdit.Text(), wb->Form1.VexpEdit.Text());
    EXPECT_EQ(again->Form1.anyWMEdit.Text(), wb->Form1.anyWMEdit.Text());
    EXPECT_EQ(field.Text(), vexp);
    SaveSettings(*again, false);
    EXPECT_EQ(ReadText(Ini()), saved) << step;
  }
  // An item's own index still selects it, whichever line sets it last.
  auto wb = Start(plat);
  WriteIni("WeightLab   v.0.947\nstep=anything\nStepEdit=1\n");
  LoadSettings(*wb);
  EXPECT_EQ(wb->Form1.StepEdit.ItemIndex(), 1);
  EXPECT_EQ(wb->Form1.StepEdit.Text(), wb->Form1.StepEdit.Items()[1]);
  // A file with Windows line ends loses them, and only them.
  WriteIni("WeightLab   v.0.947\r\nV_exp=4\r\nstep=slow\r\nStepEdit=-1\r\nSmallW=0.5\r\r\n");
  LoadSettings(*wb);
  EXPECT_EQ(wb->Form1.VexpEdit.Text(), "4");
  EXPECT_EQ(wb->Form1.StepEdit.Text(), "slow");
  EXPECT_EQ(wb->Form1.SmallWEdit.Text(), "0.5\r");
}

// Each hidden layer keeps its own slope and stretch; the output layer's short keys match those lines
// too but leave them to their own fields.
TEST_F(SettingsFileTest, DistinctLayerSettingsSurvive) {
  auto wb = Start(plat);
  TForm1& f = wb->Form1;
  f.SameLayersBox.SetChecked(false);
  f.SlopeEdit.SetText("1.5");
  f.SlopeHidL2Edit.SetText("2.5");
  f.SlopeHidL3Edit.SetText("3.5");
  f.sscaleEdit.SetText("4");
  f.sscaleHidL2Edit.SetText("5");
  f.sscaleHidL3Edit.SetText("6");
  SaveSettings(*wb, false);

  ScriptedPlatform p2;
  auto again = Start(p2);
  LoadSettings(*again);
  const TForm1& g = again->Form1;
  EXPECT_FALSE(g.SameLayersBox.Checked());
  EXPECT_EQ(g.SlopeEdit.Text(), "1.5");
  EXPECT_EQ(g.SlopeHidL2Edit.Text(), "2.5");
  EXPECT_EQ(g.SlopeHidL3Edit.Text(), "3.5");
  EXPECT_EQ(g.sscaleEdit.Text(), "4");
  EXPECT_EQ(g.sscaleHidL2Edit.Text(), "5");
  EXPECT_EQ(g.sscaleHidL3Edit.Text(), "6");
}

struct LineCase {
  std::string lines;    // after the caption line
  std::string control;  // the control looked at
  std::string value;    // its state afterwards (text, then "#" and the item index of a list)
};

TEST_F(SettingsFileTest, WhichKeysALineSets) {
  const LineCase cases[] = {
      // Prefix matching over the compared characters, letter case ignored.
      {"v_exp=2", "VexpEdit", "2"},
      {"V_ex=3\nMEDit4=7", "VexpEdit", "1.0"},  // shorter than the 5 characters compared
      {"V_expX=3", "VexpEdit", "3"},
      // A value line without "=" puts the whole line into the field; the value is not trimmed.
      {"anyWMEdit", "anyWMEdit", "anyWMEdit"},
      {"InitialWeight= 0.5 ", "InitEdit", " 0.5 "},
      {"MEDit4=7", "MEdit4", "7"},
      {"WorthChanging=12", "VCEdit", "12"},
      {"WorthChanging=12", "WCEdit", "0"},
      // The box's text key and its item key share their first four characters.
      {"step=fast", "StepEdit", "fast#4"},
      {"StepEdit=4", "StepEdit", "fast#4"},
      {"step=fast\nStepEdit=1", "StepEdit", "v. slow#1"},
      // -1 is what the writer gives a text that is none of the items: the text stays as its own line set it.
      {"StepEdit=-1", "StepEdit", "slow#2"},
      {"step=very slow\nStepEdit=-1", "StepEdit", "very slow#-1"},
      {"ESquality=x", "ESQBox", "poor#2"},  // an item key acts only on an integer
      {"HidBias=2.5", "HidBEdit", "2.5#2"},
      // The hidden layers' lines do not reach the output layer's fields.
      {"SlopeHidL2Edit=5", "SlopeEdit", "1"},
      {"sscaleHidL3Edit=6", "sscaleEdit", "1"},
      {"sscaleHidL3Edit=6", "sscaleHidL3Edit", "6"},
      {"slope=7", "SlopeEdit", "7"},
      // Flags: pairs, radio pairs, single words, the reader's own clearing word.
      {"NoNormCheck", "NormCheck", "0"},
      {"LxoButton", "LxoButton", "1"},
      {"LxoButton", "CVButton", "0"},
      {"Dir1MatlabButton\nDir1WeightLabButton", "Dir1MatlabButton", "1"},  // the WeightLab word is not read
      {"SMstdButton", "OldDH2Box", "0"},
      {"SMstdButton\nNOSMstdButton", "SMstdButton", "0"},
      {"NoDetPlotBox", "DetPlotBox", "0"},
      {"DetailRes", "WriteDetails", "1"},
      {"WriteDetails\nNoDetailRes", "WriteDetails", "0"},
      // A short key that also matches a longer word; the later line of its own group decides.
      {"NoHchart", "NoH", "1"},
      {"NoHchart\nh01", "h01", "1"},
      {"SMDH1Button", "SMDH1Edit", "2.0"},  // the flag's word is no value of the number field
      {"SMDH1Button\nSMDH1=3", "SMDH1Edit", "3"},
      {"ActivePage=3", "P1", "#3"},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.lines);
    WriteIni("WeightLab   v.0.947\n" + c.lines + "\n");
    ScriptedPlatform p;
    auto wb = Start(p);
    LoadSettings(*wb);
    EXPECT_EQ(State(wb->Form1)[c.control], c.value);
    EXPECT_TRUE(p.Messages.empty());
  }
}

TEST_F(SettingsFileTest, ComputerSpeedAndColourIndex) {
  struct Case {
    const char* line;
    double cpu;
  };
  const Case cases[] = {{"CPUCHECKED=1500", 1500}, {"CPUCHECKED= 1500 ", 1500}, {"CPUCHECKED=fast", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    WriteIni(std::string("caption\nclindex=2\n") + c.line + "\n");
    ScriptedPlatform p;
    auto wb = Start(p);
    LoadSettings(*wb);
    EXPECT_EQ(wb->CPUCHECKED, c.cpu);
    EXPECT_EQ(wb->clindex, 2);
    EXPECT_TRUE(p.Messages.empty());
  }
}

// A line whose value does not convert is reported once, with the file and its line, and skipped; the
// lines after it are still read. The file was written with CR LF line ends.
TEST_F(SettingsFileTest, BadLinesAreReportedAndSkipped) {
  fs::copy_file(WL_TEST_DATA_DIR "/settings_bad_lines.ini", Ini());
  auto wb = Start(plat);
  const std::string hid3 = wb->Form1.Hid3EditT2.Text();
  LoadSettings(*wb);
  ASSERT_EQ(plat.Messages.size(), 1u);
  const std::string& m = plat.Messages[0].Text;
  const auto reported = Lines(m);
  ASSERT_EQ(reported.size(), 4u) << m;
  EXPECT_EQ(reported[0], Ini() + ", line 3: 'two' is not a valid integer value - the line was skipped");
  for (int i : {5, 7, 8}) EXPECT_NE(m.find(Ini() + ", line " + std::to_string(i) + ": "), std::string::npos) << i;

  const TForm1& f = wb->Form1;
  EXPECT_EQ(f.InitEdit.Text(), "0.7");
  EXPECT_EQ(f.StepEdit.Text(), "fast");
  EXPECT_EQ(f.StepEdit.ItemIndex(), 4);
  EXPECT_EQ(f.MiddleEdit.Text(), "0.4");
  EXPECT_TRUE(f.Numbers.Checked());
  EXPECT_EQ(f.P1.ActivePage(), 0);
  EXPECT_EQ(wb->CPUCHECKED, 0);
  EXPECT_EQ(wb->clindex, 0);
  // "Hid3=x" is skipped whole, so the file written at exit reads back without a fault.
  EXPECT_EQ(f.Hid3EditT2.Text(), hid3);
  SaveSettings(*wb, false);
  ScriptedPlatform p2;
  LoadSettings(*Start(p2));
  EXPECT_TRUE(p2.Messages.empty()) << p2.Messages[0].Text;
}

// A value that a number field cannot use is not taken into it at start: the field keeps what it held, and
// one message names the file, the line and the entry; the other lines are read.
TEST_F(SettingsFileTest, ValuesANumberFieldCannotUseAreNotTaken) {
  struct Case {
    std::string line, control, kept, why;
  };
  const Case cases[] = {
      {"InitialWeight=NaN", "InitEdit", "1.0", "it is not a number"},
      {"InitialWeight=1e309", "InitEdit", "1.0", "it is not a number"},
      {"InitialWeight=0x10", "InitEdit", "1.0", "it is not a number"},
      {"InitialWeight=", "InitEdit", "1.0", "it is not a number"},
      {"InitialWeight=99999", "InitEdit", "1.0", "Initial Weights Range must be a Number from 0 to 9999"},
      {"max_epoch=12.5", "EpochEditT2", "12     ", "NumOfEpochs must be an Integer from 0 to 999999"},
      {"slope=-1", "SlopeEdit", "1", "slope must be a Number from 0 to 9999"},
      {"CVSSEdit=1024", "CVSSEdit", "0", "Selected neuron must be an Integer from 0 to 1023"},
      {"HidBias=abc", "HidBEdit", "0.5", "it is not a number"},  // read as a number by the SMLP runs
      {"MarkerSizeEdit=x" + std::string(300, '7'), "MarkerSizeEdit", "1.0", "it is not a number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    WriteIni("WeightLab   v.0.947\n" + c.line + "\nMEDit4=7\n");
    ScriptedPlatform p;
    auto wb = Start(p);
    LoadSettings(*wb);
    EXPECT_EQ(wb->Form1.Find(c.control)->ValueText(), c.kept);
    EXPECT_EQ(wb->Form1.MEdit4.Text(), "7");  // the other lines are read
    const std::string key = c.line.substr(0, c.line.find('=') + 1);
    const std::string value = ValueAfterEquals(c.line);  // at most 255 characters
    ASSERT_EQ(p.Messages.size(), 1u);
    EXPECT_EQ(p.Messages[0].Text, Ini() + ", line 2: " + key + QuotedText(value) + " was not used (" + c.why +
                                      "); the field keeps '" + c.kept + "'");
  }
  // A long value is quoted short: at most the 255 characters the reader takes, and of them the first 40.
  WriteIni("caption\nInitialWeight=" + std::string(1 << 20, '9') + "\n");
  ScriptedPlatform p;
  auto wb = Start(p);
  LoadSettings(*wb);
  ASSERT_EQ(p.Messages.size(), 1u);
  EXPECT_EQ(p.Messages[0].Text, Ini() + ", line 2: InitialWeight='" + std::string(40, '9') +
                                    "...' (255 characters) was not used (Initial Weights Range must be a Number from 0 "
                                    "to 9999); the field keeps '1.0'");
}

// A file that holds no setting at all (empty, junk, binary) keeps every default and says so, naming the
// file; a byte-order mark before the first line hides no key.
TEST_F(SettingsFileTest, FilesWithoutSettingsAreToldAndChangeNothing) {
  const std::string keeps = ": every setting keeps its default";
  const std::pair<std::string, std::string> cases[] = {
      {"", "Settings file " + Ini() + " is empty" + keeps},
      {"\xEF\xBB\xBF", "Settings file " + Ini() + " is empty" + keeps},
      {"\n\n\n", "Settings file " + Ini() + " holds no setting (no line begins with a key of the settings)" + keeps},
      {"WeightLab   v.0.947\nsome words\n", "Settings file " + Ini() +
                                                " holds no setting (no line begins with a key of the settings)" + keeps},
      // Binary: not read at all, although "InitialWeight=5" would match.
      {std::string("\x7F" "ELF\0\0\nInitialWeight=5\nh01\n", 26),
       "Settings file " + Ini() + " is not a text file (it holds a zero byte)" + keeps},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    WriteIni(text);
    ScriptedPlatform p;
    auto wb = Start(p);
    const auto before = State(wb->Form1);
    LoadSettings(*wb);
    EXPECT_EQ(State(wb->Form1), before);
    ASSERT_EQ(p.Messages.size(), 1u);
    EXPECT_EQ(p.Messages[0].Text, message);
  }
  WriteIni("\xEF\xBB\xBFInitialWeight=0.5\nMEDit4=7\n");
  ScriptedPlatform p;
  auto wb = Start(p);
  LoadSettings(*wb);
  EXPECT_EQ(wb->Form1.InitEdit.Text(), "0.5");
  EXPECT_TRUE(p.Messages.empty());
}

TEST_F(SettingsFileTest, MissingFileKeepsTheDefaults) {
  auto wb = Start(plat);
  const auto before = State(wb->Form1);
  LoadSettings(*wb);
  EXPECT_EQ(State(wb->Form1), before);
  EXPECT_TRUE(plat.Messages.empty());
}

TEST_F(SettingsFileTest, ParameterFileHasTheLayerLines) {
  auto wb = Start(plat);
  wb->Form1.InitEdit.SetText("0.75");
  wb->ResultsPrefix = dir + "/results/iris_8587815";
  wb->Layers = {4, 5, 3};
  wb->NumOfLayers = 3;
  SaveSettings(*wb, true);
  SaveSettings(*wb, false);
  const std::string param = ReadText(dir + "/results/iris_8587815_param.txt");
  auto p = Lines(param);
  auto s = Lines(ReadText(Ini()));
  ASSERT_EQ(p.size(), s.size() + 3);
  EXPECT_EQ(p[0], "WeightLab   v.0.947");
  EXPECT_EQ(p[1], "Layer[0]=4");
  EXPECT_EQ(p[2], "Layer[1]=5");
  EXPECT_EQ(p[3], "Layer[2]=3");
  EXPECT_TRUE(std::equal(s.begin() + 1, s.end(), p.begin() + 4));
  EXPECT_TRUE(param.find("\nInitialWeight=0.75\n") != std::string::npos);
}

TEST_F(SettingsFileTest, ParametersCommand) {
  auto wb = Start(plat);
  // Before any data set there is no results prefix: nothing is written, the user is told why.
  EXPECT_FALSE(ShowParameterFile(*wb));
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text,
            "No data set has been opened yet. Open a data set first (Open -> Open Training Set).");
  EXPECT_TRUE(fs::is_empty(dir));
  EXPECT_TRUE(plat.EditorRequests.empty());

  wb->ResultsPrefix = dir + "/results/iris_86410";
  EXPECT_TRUE(ShowParameterFile(*wb));
  EXPECT_EQ(plat.EditorRequests, std::vector<std::string>{dir + "/results/iris_86410_param.txt"});
  EXPECT_TRUE(fs::exists(dir + "/results/iris_86410_param.txt"));
  EXPECT_FALSE(fs::exists(Ini()));
}

TEST(SettingsValueAfterEquals, Cases) {
  EXPECT_EQ(ValueAfterEquals("a=b=c"), "b=c");
  EXPECT_EQ(ValueAfterEquals("no equals"), "no equals");
  EXPECT_EQ(ValueAfterEquals("a= x "), " x ");
  EXPECT_EQ(ValueAfterEquals("a="), "");
  EXPECT_EQ(ValueAfterEquals("k=" + std::string(300, 'x')), std::string(255, 'x'));
}

// The table itself: every key can be written and read back on its control.
TEST(SettingsKeyTable, KeysFitTheirControls) {
  TForm1 f;
  for (const SettingsKey& key : SettingsKeys()) {
    SCOPED_TRACE(std::string(key.Word));
    EXPECT_LE(key.N, static_cast<int>(key.Word.size()));
    EXPECT_LE(key.N2, static_cast<int>(key.Word2.size()));
    switch (key.Kind) {
      case SettingsKind::Value:
        EXPECT_EQ(key.Word.back(), '=');
        EXPECT_TRUE(dynamic_cast<Edit*>(&key.Target(f)) || dynamic_cast<ComboBox*>(&key.Target(f)));
        break;
      case SettingsKind::Item:
        EXPECT_EQ(key.Word.back(), '=');
        EXPECT_TRUE(dynamic_cast<ComboBox*>(&key.Target(f)));
        break;
      case SettingsKind::RadioPair:
        EXPECT_TRUE(dynamic_cast<RadioButton*>(&key.Other(f)));
        [[fallthrough]];
      case SettingsKind::Pair:
      case SettingsKind::Flag:
      case SettingsKind::ClearFlag:
      case SettingsKind::ReadClear:
        EXPECT_TRUE(dynamic_cast<CheckBox*>(&key.Target(f)) || dynamic_cast<RadioButton*>(&key.Target(f)));
        break;
      default: EXPECT_EQ(key.Target, nullptr);
    }
  }
}

}  // namespace
}  // namespace wl
