// The parameter reader: the checks of the main window's fields, their messages and focus, and the values
// and derived values it leaves in the parameter variables.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "model/read_parameters.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/scripted_platform.h"

namespace wl {
namespace {

class ReadParametersTest : public ::testing::Test {
 protected:
  ScriptedPlatform plat;
  Workbench wb{plat, "/nonexistent/weightlab"};

  void Set(const std::string& name, const std::string& text) {
    Control* c = wb.Form1.Find(name);
    ASSERT_NE(c, nullptr) << name;
    if (auto* e = dynamic_cast<Edit*>(c))
      e->SetText(text);
    else
      dynamic_cast<ComboBox&>(*c).SetText(text);
  }
  std::string LastMessage() const { return plat.Messages.empty() ? "" : plat.Messages.back().Text; }
};

void ExpectTF(const TTransferFunction& tf, int kind, double slope, double stretch, int steps, const char* what) {
  SCOPED_TRACE(what);
  EXPECT_EQ(tf.TFKind, kind);
  EXPECT_EQ(tf.TFSlope, slope);
  EXPECT_EQ(tf.TFStretch, stretch);
  EXPECT_EQ(tf.TFSteps, steps);
}

TEST_F(ReadParametersTest, DefaultWindowIsValid) {
  wb.NumOfClasses = 3;
  wb.ParamText[10] = "kept";
  EXPECT_FALSE(ReadParameters(wb));
  EXPECT_TRUE(plat.Messages.empty());

  EXPECT_EQ(wb.NumOfLayers, 3);
  for (const auto& tf : wb.LayerTF) ExpectTF(tf, 1, 1, 1, 0, "every layer a plain sigmoid");
  EXPECT_FALSE(wb.NonStandardTF);
  EXPECT_EQ(wb.NumOfEpochs, 12);
  EXPECT_EQ(wb.DeltaDecay, static_cast<double>(12 * 0.346575L));
  EXPECT_EQ(wb.BPDecay, wb.DeltaDecay);
  EXPECT_EQ(wb.SigmoidLimit, 3223372036854775808LL);
  EXPECT_EQ(wb.ErrorTFKind, 1);

  EXPECT_EQ(wb.Middle, 0.3);
  EXPECT_EQ(wb.Aepoch, 10);
  EXPECT_EQ(wb.Bepoch, 0.1);
  EXPECT_EQ(wb.V_exp, 1.0);
  EXPECT_EQ(wb.next_D, 0.999);
  EXPECT_EQ(wb.V_coef, 30);
  EXPECT_EQ(wb.WSRange, 5.0);
  EXPECT_EQ(wb.WSDelta, 0.1);
  EXPECT_EQ(wb.SMDH1, 2.0);
  EXPECT_EQ(wb.Smhid, 2.0);
  EXPECT_EQ(wb.XLC, 0.33);
  EXPECT_EQ(wb.MaxDelta, 5.0);
  EXPECT_EQ(wb.MaxWeight, 50);
  EXPECT_EQ(wb.InitialDelta, 0.2);
  EXPECT_EQ(wb.NGdelta, 0.1);
  EXPECT_EQ(wb.NumOfParts, 1);
  EXPECT_EQ(wb.Slope, 1);
  EXPECT_EQ(wb.InitialWeight, 1.0);
  EXPECT_EQ(wb.GoodResult, 1.01);
  EXPECT_EQ(wb.ErrorExponent, 2.0);
  EXPECT_EQ(wb.BeamWidth, 1);
  EXPECT_EQ(wb.Stretch, 1);
  EXPECT_EQ(wb.NumOfStep, 0);
  EXPECT_EQ(wb.fromH, -5);
  EXPECT_EQ(wb.toH, 450);
  EXPECT_EQ(wb.BPLearnRate, 0.05);
  EXPECT_EQ(wb.PlotLines, 25);
  EXPECT_EQ(wb.ThreeDscale, 100);
  EXPECT_EQ(wb.ErrorAxisRange, 1.0);
  EXPECT_EQ(wb.WarnLimit, 2);
  EXPECT_EQ(wb.HidBias, 0.5);
  EXPECT_EQ(wb.OutBias, 0.5);
  EXPECT_EQ(wb.SMLPOutWeights[1], 1.0);
  EXPECT_FALSE(wb.OnlineBP);
  EXPECT_FALSE(wb.WeightedError);
  EXPECT_EQ(wb.ClassErrorMode, 0);
  EXPECT_FALSE(wb.CLCheck);
  EXPECT_EQ(wb.HidPerOut, (std::vector<int>{1, 1, 1}));

  EXPECT_EQ(wb.ParamText[3], "Initial Delta = 0.2");
  EXPECT_EQ(wb.ParamText[8], "Delta = Delta/2 every 4 epochs");
  EXPECT_EQ(wb.ParamText[10], "kept");  // no small-weights term
  EXPECT_EQ(wb.ParamText[13], "WorthChanging = 0");
  EXPECT_EQ(wb.ParamText[14], "Error function Exponent = 2.0");
  EXPECT_EQ(wb.ParamText[17], "V exponent = 1.0");

  EXPECT_EQ(wb.Form1.ep.Text(), "0");
  ASSERT_EQ(wb.NeuronSelect.size(), 1024u);
  EXPECT_EQ(wb.NeuronSelect[0], 0);
  EXPECT_EQ(std::count(wb.NeuronSelect.begin(), wb.NeuronSelect.end(), -1), 1023);

  // With one setting for all layers the hidden layers' controls show the output layer's and are locked.
  EXPECT_FALSE(wb.Form1.HL2TF.Enabled());
  EXPECT_FALSE(wb.Form1.NSEHidL3Edit.Enabled());
  EXPECT_EQ(wb.Form1.NSEHidL2Edit.Text(), "0");
  EXPECT_EQ(wb.Form1.NSEHidL3Edit.Text(), "0");
}

struct BadCase {
  std::vector<std::pair<std::string, std::string>> texts;
  std::string message;
  std::string focus;  // "" when no field gets the focus
};

TEST_F(ReadParametersTest, FirstBadFieldStopsWithItsMessageAndFocus) {
  const BadCase cases[] = {
      {{{"MiddleEdit", "abc"}}, "middle must be a Number from 0 to 99", "MiddleEdit"},
      {{{"PartEdit", "51  "}}, "Parts in Training Set must be an Integer from 1 to 50", "PartEdit"},
      {{{"BPLearn", "0"}}, "BP Learning Coef must be a Number from 1E-7 to 99", "BPLearn"},
      {{{"SelEpochEdit", "1000000"}}, "Select border vectors  must be an Integer from 0 to 999999", "SelEpochEdit"},
      {{{"Alsig2", "0"}}, "stop training with mln of sigm must be a Number from 1E-5 to 99999999", "Alsig2"},
      {{{"fromHEdit", "-2.5"}}, "form H must be an Integer from -9999 to 0", "fromHEdit"},
      {{{"XLCEdit", "9.91"}}, "prev dW must be a Number from 0.01 to 9.9", "XLCEdit"},
      {{{"SetOffEdit", "0.6"}}, "Signals SetOff must be a Number from 0 to 0.5", "SetOffEdit"},
      {{{"ExpEdit", ""}}, "Error Function Exponent must be a Number from 0.001 to 999", "ExpEdit"},
      {{{"WLEdit", "100"}}, "warn if operation longer than (0=warnings off) must be a Number from 0 to 99", "WLEdit"},
      // The transfer-function group checks the output fields first, with their own names and bounds.
      {{{"SlopeEdit", "10000"}}, "slope must be a Number from 0 to 9999", "SlopeEdit"},
      {{{"NSEdit", "1.5"}}, "steps must be an Integer from 0 to 99999", "NSEdit"},
      // 100 passes the group's stretch bound (999) but not the later check of the same field (99).
      {{{"sscaleEdit", "100"}}, "stretch must be a Number from 1 to 99", "sscaleEdit"},
      {{{"CVSSEdit", "1024"}}, "Selected neuron must be an Integer from 0 to 1023", "CVSSEdit"},
      {{{"CVSSEdit", "-1"}}, "Selected neuron must be an Integer from 0 to 1023", "CVSSEdit"},
      {{{"HiddenEditT2", "0   "}, {"Hid3EditT2", "3   "}},
       "Num Of Hidden L3 may be greater then zero only when Num Of Hidden L2 is greater then zero",
       ""},
  };
  for (const BadCase& c : cases) {
    SCOPED_TRACE(c.texts.front().first + " = '" + c.texts.front().second + "'");
    ScriptedPlatform p;
    Workbench w{p, "/nonexistent/weightlab"};
    for (const auto& [name, text] : c.texts) {
      Control* ctl = w.Form1.Find(name);
      ASSERT_NE(ctl, nullptr);
      dynamic_cast<Edit&>(*ctl).SetText(text);
    }
    w.ErrorTFKind = -5;
    EXPECT_TRUE(ReadParameters(w));
    ASSERT_EQ(p.Messages.size(), 1u);
    EXPECT_EQ(p.Messages[0].Text, c.message);
    EXPECT_EQ(w.Form1.FocusRequested(), c.focus);
    EXPECT_EQ(w.ErrorTFKind, -5);  // never reached the end
  }
}

TEST_F(ReadParametersTest, ValuesBeforeTheBadFieldAreKeptAndLaterOnesUntouched) {
  Set("AepochEdit", "20");
  Set("BepochEdit", "0.5");
  Set("VexpEdit", "100");  // bad: check 7
  wb.NumOfLayers = -1;
  wb.next_D = -1;
  EXPECT_TRUE(ReadParameters(wb));
  EXPECT_EQ(LastMessage(), "V exponent must be a Number from 0 to 99");
  EXPECT_EQ(wb.Aepoch, 20);
  EXPECT_EQ(wb.Bepoch, 0.5);
  EXPECT_EQ(wb.NumOfLayers, 3);
  EXPECT_EQ(wb.next_D, -1);

  // A bad middle field stops before anything after it is read.
  ScriptedPlatform p;
  Workbench w{p, "/nonexistent/weightlab"};
  w.Form1.MiddleEdit.SetText("x");
  w.Aepoch = -1;
  w.NumOfLayers = -1;
  EXPECT_TRUE(ReadParameters(w));
  EXPECT_EQ(w.Aepoch, -1);
  EXPECT_EQ(w.NumOfLayers, -1);
}

// Fields read without a check, and fields checked as numbers but read as integers, end the operation
// with the conversion error when their text is not of the required form.
TEST_F(ReadParametersTest, UncheckedFieldsThatDoNotConvertThrow) {
  const std::pair<const char*, const char*> cases[] = {
      {"NSEdit", "2.0"},     // passes its integer check, read as an integer
      {"PartEdit", "5.0"},   // likewise
      {"WLEdit", "1.5"},     // checked as a number, read as an integer
      {"ThreeDEdit", "1.5"},
      {"Out2WEdit", "x"},
      {"HidBEdit", "x"},
      {"OutBEdit", "x"},
      {"ErrrBox", "x"},
      {"HidPerOut5Edit", "x"},
  };
  for (const auto& [name, text] : cases) {
    SCOPED_TRACE(name);
    ScriptedPlatform p;
    Workbench w{p, "/nonexistent/weightlab"};
    w.NumOfClasses = 3;
    Control* ctl = w.Form1.Find(name);
    if (auto* e = dynamic_cast<Edit*>(ctl))
      e->SetText(text);
    else
      dynamic_cast<ComboBox&>(*ctl).SetText(text);
    EXPECT_THROW(ReadParameters(w), ConvertError);
    EXPECT_TRUE(p.Messages.empty());
  }

  // Alsig2 is read as an integer only when the limit is on.
  Set("Alsig2", "0.5");
  EXPECT_FALSE(ReadParameters(wb));
  wb.Form1.SigmBox.SetChecked(true);
  EXPECT_THROW(ReadParameters(wb), ConvertError);
}

TEST_F(ReadParametersTest, SeparateLayerSettings) {
  TForm1& f = wb.Form1;
  f.SameLayersBox.SetChecked(false);
  Set("HiddenEditT2", "4   ");
  Set("Hid3EditT2", "2   ");
  f.OutTF.SetItemIndex(0);
  Set("SlopeEdit", "3");
  f.HL2TF.SetItemIndex(2);  // linear
  Set("SlopeHidL2Edit", "0.5");
  f.HL3TF.SetItemIndex(1);  // tanh
  Set("sscaleHidL3Edit", "2");
  EXPECT_FALSE(ReadParameters(wb));
  EXPECT_EQ(wb.NumOfLayers, 4);
  ExpectTF(wb.LayerTF[0], 3, 0.5, 1, 1, "layer 1 from the L2 controls");
  ExpectTF(wb.LayerTF[1], 2, 1, 2, 1, "layer 2 from the L3 controls");
  ExpectTF(wb.LayerTF[2], 1, 3, 1, 0, "the output layer");
  EXPECT_TRUE(wb.NonStandardTF);
  EXPECT_TRUE(f.HL2TF.Enabled());
  EXPECT_EQ(f.SlopeHidL2Edit.Text(), "0.5");

  // Separate settings count as non-standard even when every layer is a plain sigmoid.
  for (const char* n : {"SlopeEdit", "SlopeHidL2Edit", "SlopeHidL3Edit", "sscaleHidL3Edit"}) Set(n, "1");
  for (const char* n : {"NSEHidL2Edit", "NSEHidL3Edit"}) Set(n, "0");
  f.HL2TF.SetItemIndex(0);
  f.HL3TF.SetItemIndex(0);
  EXPECT_FALSE(ReadParameters(wb));
  EXPECT_TRUE(wb.NonStandardTF);

  // Three layers: the output record is LayerTF[1]; LayerTF[2] is not written.
  Set("Hid3EditT2", "0   ");
  f.OutTF.SetItemIndex(6);
  wb.LayerTF[2].TFKind = 99;
  EXPECT_FALSE(ReadParameters(wb));
  EXPECT_EQ(wb.NumOfLayers, 3);
  EXPECT_EQ(wb.LayerTF[1].TFKind, 7);
  EXPECT_EQ(wb.LayerTF[0].TFKind, 1);
  EXPECT_EQ(wb.LayerTF[2].TFKind, 99);

  // A bad hidden-layer field is reported with the group's names.
  Set("SlopeHidL2Edit", "-1");
  EXPECT_TRUE(ReadParameters(wb));
  EXPECT_EQ(LastMessage(), "slope must be a Number from 0 to 9999");
  EXPECT_EQ(f.FocusRequested(), "SlopeHidL2Edit");
}

// The layer count the hidden fields give, and the output layer's record placed by it; "Crossover" builds a
// three-layer network whatever they give, and is read as one.
TEST_F(ReadParametersTest, LayerCountOfTheStructure) {
  struct Case {
    bool Skip;
    const char* L2;
    const char* L3;
    int Layers;
  };
  const Case cases[] = {
      {false, "0", "0", 2}, {false, "4", "0", 3}, {false, "4", "2", 4},
      {true, "0", "0", 3},  {true, "4", "0", 3},  {true, "4", "2", 3},
  };
  TForm1& f = wb.Form1;
  f.SameLayersBox.SetChecked(false);
  f.HL2TF.SetItemIndex(1);  // tanh
  f.HL3TF.SetItemIndex(2);  // linear
  f.OutTF.SetItemIndex(3);  // linear (0;1)
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Skip ? "Crossover " : "Standard ") + c.L2 + "-" + c.L3);
    (c.Skip ? f.SkipCheck : f.FullConn).SetChecked(true);
    Set("HiddenEditT2", c.L2);
    Set("Hid3EditT2", c.L3);
    wb.LayerTF = {};
    EXPECT_FALSE(ReadParameters(wb));
    EXPECT_EQ(wb.NumOfLayers, c.Layers);
    EXPECT_EQ(wb.LayerTF[static_cast<std::size_t>(c.Layers - 2)].TFKind, 4) << "the output layer's record";
    if (c.Layers > 2) {
      EXPECT_EQ(wb.LayerTF[0].TFKind, 2) << "hidden layer 1 from the L2 controls";
    }
  }
  // With no hidden neuron in L2, L3 is refused in either structure.
  f.SkipCheck.SetChecked(true);
  Set("HiddenEditT2", "0");
  Set("Hid3EditT2", "2");
  EXPECT_TRUE(ReadParameters(wb));
  EXPECT_EQ(LastMessage(), "Num Of Hidden L3 may be greater then zero only when Num Of Hidden L2 is greater then zero");
}

TEST_F(ReadParametersTest, StepDecayWords) {
  struct Case {
    const char* text;
    long double factor;
    const char* textAfter;
  };
  const Case cases[] = {
      {"none", 0.0L, "none"},
      {"None at all", 0.0L, "None at all"},
      {"v. slow", 0.69315L, "v. slow"},
      {"V. SLO", 0.69315L, "V. SLO"},
      {"slow", 0.346575L, "slow"},
      {"medium", 0.2287395L, "medium"},
      {"fast", 0.1732875L, "fast"},
      {"v. fast", 0.13863L, "v. fast"},
      {"", 0.346575L, "slow"},       // nothing selected
      {"quick", 0.346575L, "slow"},  // no word matches
      {"sl", 0.346575L, "slow"},     // shorter than the compared characters
  };
  Set("EpochEditT2", "100    ");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("'") + c.text + "'");
    Set("StepEdit", c.text);
    Set("LRDBox", c.text);
    EXPECT_FALSE(ReadParameters(wb));
    // The constants belong to the epoch count read in the same call.
    EXPECT_EQ(wb.DeltaDecay, static_cast<double>(100 * c.factor));
    EXPECT_EQ(wb.BPDecay, wb.DeltaDecay);
    EXPECT_EQ(wb.Form1.StepEdit.Text(), c.textAfter);
    EXPECT_EQ(wb.Form1.LRDBox.Text(), c.textAfter);
  }
  Set("StepEdit", "slow");
  EXPECT_FALSE(ReadParameters(wb));
  EXPECT_EQ(wb.ParamText[8], "Delta = Delta/2 every 35 epochs");  // 34.6575
  EXPECT_TRUE(plat.Messages.empty());
}

TEST_F(ReadParametersTest, DerivedValuesAndReportLines) {
  TForm1& f = wb.Form1;
  f.SigmBox.SetChecked(true);
  Set("Alsig2", "5000");
  Set("SmallWEdit", "0.5");
  Set("IntegerWEdit", "0");
  wb.ParamText[11] = "from an earlier run";
  f.CLCheckbox.SetChecked(true);
  f.OnlineBP.SetChecked(true);
  f.WEBox.SetChecked(true);
  Set("DeltaEdit", "0.25");
  EXPECT_FALSE(ReadParameters(wb));
  EXPECT_EQ(wb.SigmoidLimit, 5000000000LL);
  EXPECT_EQ(wb.ParamText[10], "small weights regul. parameter: 0.5");
  EXPECT_EQ(wb.ParamText[11], "from an earlier run");
  EXPECT_EQ(wb.ParamText[13], "WorthChanging = 0 * (1-NumOfCl)  ");
  EXPECT_EQ(wb.ParamText[3], "Initial Delta = 0.25");
  EXPECT_TRUE(wb.CLCheck);
  EXPECT_TRUE(wb.OnlineBP);
  EXPECT_TRUE(wb.WeightedError);

  f.RadioClass.SetChecked(true);
  Set("IntegerWEdit", "0.125");
  EXPECT_FALSE(ReadParameters(wb));
  EXPECT_EQ(wb.ClassErrorMode, 3);
  EXPECT_EQ(wb.ParamText[13], "Classification Error Included * (1-NumOfCl)  ");
  EXPECT_EQ(wb.ParamText[11], "integer weights regul. parameter: 0.125");
}

TEST_F(ReadParametersTest, HiddenNeuronsPerClass) {
  TForm1& f = wb.Form1;
  f.HidPerOutEdit.SetText("3");
  f.HidPerOut1Edit.SetText("4");
  f.HidPerOut5Edit.SetText("8");
  wb.NumOfClasses = 2;
  EXPECT_FALSE(ReadParameters(wb));
  EXPECT_EQ(wb.HidPerOut, (std::vector<int>{3, 4}));

  wb.NumOfClasses = 8;
  EXPECT_FALSE(ReadParameters(wb));
  EXPECT_EQ(wb.HidPerOut, (std::vector<int>{3, 4, 1, 1, 1, 8, 8, 8}));

  // Without classes no list is read.
  wb.NumOfClasses = 0;
  wb.HidPerOut.clear();
  f.HidPerOut5Edit.SetText("x");
  EXPECT_FALSE(ReadParameters(wb));
  EXPECT_TRUE(wb.HidPerOut.empty());
}

TEST_F(ReadParametersTest, CheckNumber) {
  struct Case {
    const char* text;
    bool isInteger;
    double min, max;
    bool ok;
  };
  const Case cases[] = {
      {"5.0", true, 0, 9, true},  // a whole number written with a point passes an integer check
      {" 7 ", true, 0, 9, true},
      {"7.5", true, 0, 9, false},
      {"0", false, 0, 1, true},
      {"1", false, 0, 1, true},
      {"1.0000001", false, 0, 1, false},
      {"-0.001", false, 0, 1, false},
      {"1E-7", false, 1E-7, 99, true},
      {"9.9e-8", false, 1E-7, 99, false},
      {"abc", false, 0, 1, false},
      {"", false, 0, 1, false},
      {"1,5", false, 0, 9, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("'") + c.text + "'");
    ScriptedPlatform p;
    Workbench w{p, "/nonexistent/weightlab"};
    w.Form1.InitEdit.SetText(c.text);
    EXPECT_EQ(CheckNumber(w, w.Form1.InitEdit, "x", c.isInteger, c.min, c.max), c.ok);
    EXPECT_EQ(p.Messages.size(), c.ok ? 0u : 1u);
    EXPECT_EQ(w.Form1.FocusRequested(), c.ok ? "" : "InitEdit");
    EXPECT_EQ(CheckNumberText(p, c.text, "x", c.isInteger, c.min, c.max), c.ok);
  }

  // The text twin shows the same message and moves no focus.
  EXPECT_FALSE(CheckNumberText(plat, "100000000", "big", false, 0.001, 99999999));
  EXPECT_EQ(LastMessage(), "big must be a Number from 0.001 to 99999999");
  EXPECT_EQ(wb.Form1.FocusRequested(), "");
}

}  // namespace
}  // namespace wl

namespace wl {
namespace {

// The check told first must be the reading's own refusal: for each window (one field or box set, several
// bad fields at once) CheckParameters gives the message ReadParameters shows or throws, and reads nothing.
TEST_F(ReadParametersTest, CheckToldFirstIsTheReadingsRefusal) {
  struct Case {
    std::vector<std::pair<const char*, const char*>> fields;
    bool sameLayers;
  };
  const Case cases[] = {
      {{}, true},
      {{{"VexpEdit", "100"}, {"InitEdit", "-1"}}, true},
      {{{"NSEdit", "2.0"}}, true},               // passes its integer check, then does not convert
      {{{"WLEdit", "1.5"}}, true},               // checked as a number, read as an integer
      {{{"ThreeDEdit", "0.5"}}, true},
      {{{"HiddenEditT2", "0"}, {"Hid3EditT2", "3"}}, true},
      {{{"HiddenEditT2", "2.0"}}, true},
      {{{"Out2WEdit", "x"}, {"HidBEdit", "y"}}, true},
      {{{"HidPerOut2Edit", "two"}}, true},       // read for the third class
      {{{"HidPerOut4Edit", "two"}}, true},       // not read: three classes
      {{{"ErrrBox", ""}}, true},
      {{{"Alsig2", "0.5"}}, true},
      {{{"OutTF", ""}}, true},
      {{{"HL2TF", ""}}, false},
      {{{"HL3TF", ""}}, false},                  // three layers: not read
      {{{"SlopeHidL2Edit", "-1"}}, false},
      {{{"SlopeHidL2Edit", "-1"}}, true},        // the output layer's settings are taken instead
      {{{"CVSSEdit", "2.0"}}, true},
      {{{"StopErrorEdit", "2"}, {"MiddleEdit", "x"}}, true},
  };
  for (const Case& c : cases) {
    ScriptedPlatform p;
    Workbench w{p, "/nonexistent/weightlab"};
    w.NumOfClasses = 3;
    w.Form1.SigmBox.SetChecked(true);
    w.Form1.SameLayersBox.SetChecked(c.sameLayers);
    std::string what;
    for (const auto& [name, text] : c.fields) {
      what += std::string(name) + "=\"" + text + "\" ";
      Control* field = w.Form1.Find(name);
      ASSERT_NE(field, nullptr) << name;
      if (auto* e = dynamic_cast<Edit*>(field))
        e->SetText(text);
      else
        dynamic_cast<ComboBox&>(*field).SetText(text);
    }
    SCOPED_TRACE(what);
    w.Aepoch = -7;
    const ParametersCheck told = CheckParameters(w);
    EXPECT_EQ(w.Aepoch, -7);  // nothing read
    EXPECT_TRUE(p.Messages.empty());
    std::string refused;
    bool conversion = false;
    try {
      if (ReadParameters(w)) refused = p.Messages.empty() ? "(no message)" : p.Messages.back().Text;
    } catch (const ConvertError& e) {
      refused = e.what();
      conversion = true;
    }
    EXPECT_EQ(told.Message, refused);
    EXPECT_EQ(told.Conversion, conversion);
  }
}

// The texts a command is about to write stand for the fields' own.
TEST_F(ReadParametersTest, CheckReadsThePlannedTexts) {
  wb.NumOfClasses = 2;
  Set("InitEdit", "-1");
  PlannedFields planned;
  planned.Texts[&wb.Form1.InitEdit] = "1";
  EXPECT_EQ(CheckParameters(wb, planned).Message, "");
  planned.Texts[&wb.Form1.HiddenEditT2] = "5000";
  EXPECT_EQ(CheckParameters(wb, planned).Message, "Num Of Hidden (L2) must be an Integer from 0 to 999");
  planned.Texts[&wb.Form1.HiddenEditT2] = "2";
  planned.Items[&wb.Form1.OutTF] = 7;
  EXPECT_EQ(CheckParameters(wb, planned).Message, "Unknown transfer function 8");
  EXPECT_EQ(wb.Form1.InitEdit.Text(), "-1");
}

}  // namespace
}  // namespace wl
