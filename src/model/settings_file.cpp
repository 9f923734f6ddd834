#include "model/settings_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>

#include "state/report_opener.h"
#include "model/data_file.h"
#include "model/read_parameters.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/text_file.h"

namespace wl {
namespace {

using K = SettingsKind;
using R = SettingsRole;

#define WL_C(name) +[](TForm1& f) -> Control& { return f.name; }
// Value and item lines, flag pairs, radio pairs (the second word selects the other button), single flags.
#define WL_VALUE(word, n, name) {K::Value, word, n, WL_C(name)}
#define WL_VALUE_ROLE(word, n, name, role) {K::Value, word, n, WL_C(name), {}, 0, nullptr, role}
#define WL_ITEM(word, n, name) {K::Item, word, n, WL_C(name)}
#define WL_PAIR(word, n, word2, n2, name) {K::Pair, word, n, WL_C(name), word2, n2}
#define WL_RADIOPAIR(word, n, word2, n2, name, other) {K::RadioPair, word, n, WL_C(name), word2, n2, WL_C(other)}
#define WL_FLAG(word, n, name) {K::Flag, word, n, WL_C(name)}

const std::vector<SettingsKey> kKeys = {
    WL_VALUE("WorthChanging=", 5, VCEdit),
    WL_VALUE("V_exp=", 5, VexpEdit),
    WL_VALUE("next_D=", 5, NextDEdit),
    WL_VALUE("V_coef=", 5, VCEdit),
    WL_VALUE("StopError=", 5, StopErrorEdit),
    WL_VALUE("SmallW=", 5, SmallWEdit),
    WL_VALUE("IntegerW=", 5, IntegerWEdit),
    WL_VALUE("step=", 4, StepEdit),
    WL_ITEM("ESquality=", 8, ESQBox),
    WL_VALUE("delta=", 5, DeltaEdit),
    WL_VALUE("NGdelta=", 7, DeltaNGEdit),
    WL_VALUE("part=", 4, PartEdit),
    WL_VALUE_ROLE("slope=", 5, SlopeEdit, R::NotOnLayerFields),
    WL_VALUE("InitialWeight=", 5, InitEdit),
    WL_VALUE("SetOff=", 5, SetOffEdit),
    WL_VALUE("max_epoch=", 5, EpochEditT2),
    WL_VALUE("GoodResult=", 5, SREdit),
    WL_VALUE("pwr=", 3, ExpEdit),
    WL_VALUE("Hidden=", 5, HiddenEditT2),
    WL_VALUE_ROLE("Hid3=", 4, Hid3EditT2, R::HiddenL3),
    WL_VALUE("HidBias=", 5, HidBEdit),
    WL_VALUE("OutBias=", 5, OutBEdit),
    WL_VALUE("BeamWidth=", 5, BeamEdit),
    WL_VALUE("Out2w=", 5, Out2WEdit),

    WL_VALUE("Population=", 7, PopEdit),
    WL_PAIR("OldPoint", 5, "NoOldPoint", 7, OldPointBox),
    WL_PAIR("Numbers", 5, "NoNumbers", 7, Numbers),
    WL_PAIR("Hchart", 5, "NoHchart", 7, ChartH),
    WL_PAIR("NormCheck", 8, "NoNormCheck", 8, NormCheck),
    WL_FLAG("SMstdButton", 8, SMstdButton),
    {K::ReadClear, "NOSMstdButton", 8, WL_C(SMstdButton)},
    WL_FLAG("SMWSButton", 8, SMWSButton),
    WL_FLAG("SMDH1Button", 8, SMDH1Button),
    WL_FLAG("oldDH2Box", 8, OldDH2Box),
    WL_FLAG("OSTBox", 6, OSTBox),
    WL_VALUE("momentum=", 7, MomentumEdit),
    WL_PAIR("WriteDetails", 9, "NoWriteDetails", 9, WriteDetails),
    WL_VALUE("NGBW=", 4, NGBW),
    WL_VALUE("fromH=", 5, fromHEdit),
    WL_VALUE("toH=", 3, toHEdit),
    WL_VALUE("ErrrBox=", 6, ErrrBox),
    WL_VALUE("selepoch=", 6, SelEpochEdit),
    WL_VALUE("typsel=", 6, typselEdit),
    WL_VALUE("elimdV=", 6, elimdVEdit),
    WL_PAIR("SelMetBox", 8, "NoSelMetBox", 8, SelMetBox),
    WL_FLAG("SMLPBeamSearch", 10, BeamSearch),
    WL_FLAG("SMLPFirstBest", 10, BestFirst),
    {K::ActivePage, "ActivePage=", 9, nullptr},
    WL_VALUE_ROLE("sscale=", 6, sscaleEdit, R::NotOnLayerFields),

    WL_PAIR("useST", 5, "NouseST", 7, useST),
    WL_VALUE("ThreeDscale=", 8, ThreeDEdit),
    WL_VALUE("NumOfStep=", 8, NSEdit),
    WL_FLAG("NGT2", 4, NGT2),
    WL_FLAG("S1DT2", 5, S1DT2),
    WL_FLAG("S1RT2", 5, S1RT2),
    WL_FLAG("S2DT2", 5, S2DT2),
    WL_FLAG("S2RT2", 5, S2RT2),
    WL_FLAG("BackPropT2", 9, BPButton),
    WL_FLAG("D2zero", 6, D2zeroButton),
    WL_FLAG("GTPBox", 6, GTPBox),
    WL_FLAG("GTP2Box", 6, GTPBox2),
    WL_FLAG("NoGTPBox", 6, NoGTPBox),
    WL_FLAG("CovMat", 6, CMBox),
    WL_FLAG("WeightMat", 9, WMBox),
    WL_FLAG("Matlab", 6, MatLabBox),
    WL_FLAG("TrainingInMatlab", 12, TrainingInMatlab),
    WL_FLAG("fastICA", 7, FastICABox),
    WL_VALUE("LinesInPlot=", 8, LGEdit),
    WL_VALUE("BPlearn=", 6, BPLearn),
    WL_VALUE("BPmom=", 5, BPmom),
    WL_FLAG("batchBP", 7, BatchBP),
    WL_FLAG("onlineBP", 8, OnlineBP),
    WL_PAIR("DetailRes", 8, "NoDetailRes", 11, WriteDetails),

    WL_FLAG("h01", 3, h01),
    WL_FLAG("hparab", 6, DH1Button),
    WL_FLAG("noH", 3, NoH),
    WL_VALUE("WMEPEdit=", 7, WMepEdit),
    WL_VALUE("everyWMEdit=", 7, everyWMEdit),
    WL_VALUE("anyWMEdit=", 7, anyWMEdit),
    WL_VALUE("NGDH1=", 5, DH1Edit),
    WL_VALUE("SMDH1=", 5, SMDH1Edit),
    WL_VALUE("Smhid=", 5, SmhidEdit),
    WL_PAIR("SMSTBox", 6, "NOSMSTBox", 7, SMSTBox),
    WL_FLAG("SigmBox", 6, SigmBox),
    WL_FLAG("WriteDetails", 9, WriteDetails),
    WL_VALUE("Alsig2=", 6, Alsig2),
    WL_FLAG("SelMetBox", 8, SelMetBox),
    WL_ITEM("StepEdit=", 4, StepEdit),
    WL_ITEM("LRDBox=", 5, LRDBox),
    WL_FLAG("entrBox", 6, entrBox),
    WL_VALUE("XLCEdit=", 5, XLCEdit),
    WL_VALUE("WSRangeEdit=", 8, WSRangeEdit),
    WL_VALUE("WSDeltaEdit=", 8, WSdeltaEdit),
    WL_FLAG("CH1Box", 6, CH1Box),
    WL_VALUE("MaxDeltaEdit=", 8, MaxDeltaEdit),
    WL_VALUE("MaxWeightEdit=", 8, MaxWeightEdit),
    WL_FLAG("LoadWBox", 6, LoadWBox),

    WL_FLAG("wstBox", 6, wstBox),
    {K::CpuChecked, "CPUCHECKED=", 8, nullptr},
    WL_VALUE("WLEdit=", 6, WLEdit),
    WL_FLAG("autoES", 6, autoES),
    WL_FLAG("ClassBox", 8, ClassBox),
    WL_FLAG("GradientLogBox", 12, LogGradientBox),
    WL_FLAG("BPminBox", 8, BPminBox),
    WL_FLAG("modWBox", 7, modWBox),
    WL_PAIR("SameLayers", 9, "DifferentLayers", 12, SameLayersBox),
    WL_VALUE_ROLE("SlopeEdit=", 5, SlopeEdit, R::NotOnLayerFields),
    WL_VALUE_ROLE("SlopeHidL2Edit=", 11, SlopeHidL2Edit, R::LayerField),
    WL_VALUE_ROLE("SlopeHidL3Edit=", 11, SlopeHidL3Edit, R::LayerField),
    WL_VALUE_ROLE("sscaleEdit=", 6, sscaleEdit, R::NotOnLayerFields),
    WL_VALUE_ROLE("sscaleHidL2Edit=", 13, sscaleHidL2Edit, R::LayerField),
    WL_VALUE_ROLE("sscaleHidL3Edit=", 13, sscaleHidL3Edit, R::LayerField),
    WL_VALUE("NSEdit=", 6, NSEdit),
    WL_VALUE("NSEHidL2Edit=", 11, NSEHidL2Edit),
    WL_VALUE("NSEHidL3Edit=", 11, NSEHidL3Edit),
    WL_ITEM("OutTF.ItemIndex=", 5, OutTF),
    WL_ITEM("HL2TF.ItemIndex=", 5, HL2TF),
    WL_ITEM("HL3TF.ItemIndex=", 5, HL3TF),
    {K::ClIndex, "clindex=", 7, nullptr},
    {K::ClearFlag, "NoDetPlotBox", 9, WL_C(DetPlotBox)},
    WL_FLAG("IRBox", 5, IRBox),

    WL_FLAG("deBox", 5, debox),
    WL_FLAG("modWBox", 7, modWBox),
    WL_VALUE("IREdit=", 6, IREdit),
    WL_FLAG("WEBox", 5, WEBox),
    WL_FLAG("RsmallBox", 8, RsmallBox),
    WL_FLAG("RbigBox", 7, RbigBox),
    WL_FLAG("RshapeBox", 8, RshapeBox),
    WL_FLAG("RcolorBox", 8, RcolorBox),
    WL_FLAG("strbox", 6, strbox),
    WL_FLAG("Rinit", 5, Rinit),
    WL_VALUE("EEDit1=", 6, EEdit1),
    WL_VALUE("MEDit1=", 6, MEdit1),
    WL_VALUE("EEDit2=", 6, EEdit2),
    WL_VALUE("MEDit2=", 6, MEdit2),
    WL_VALUE("EEDit3=", 6, EEdit3),
    WL_VALUE("MEDit3=", 6, MEdit3),
    WL_VALUE("MEDit4=", 6, MEdit4),
    WL_FLAG("VdWBox", 6, VdwBox),
    WL_PAIR("PMBox", 5, "noPMBox", 7, PMBox),
    WL_FLAG("CFSBox", 6, CFSBox),
    WL_VALUE("fromEdit=", 8, fromEdit),
    WL_PAIR("AllWMBox", 8, "noAllWMBox", 9, ALLWMBox),
    WL_ITEM("c1Box=", 5, c1box),
    WL_ITEM("c2Box=", 5, c2box),

    WL_ITEM("PSEdit=", 6, PSEdit),
    WL_PAIR("SCBox", 5, "noSCBox", 7, SCBox),
    WL_RADIOPAIR("CVButton", 7, "LxoButton", 8, CVButton, LxoButton),
    WL_VALUE("PCAminEdit=", 9, PCAminEdit),
    WL_VALUE("VertEdit=", 8, VertEdit),
    WL_VALUE("fiEdit=", 6, fiEdit),
    WL_VALUE("CVEdit=", 6, CVEdit),
    WL_VALUE("LxoEdit=", 6, LxoEdit),
    WL_VALUE("NumCVEdit=", 8, NumCVEdit),
    WL_VALUE("CVSSEdit=", 8, CVSSEdit),
    WL_VALUE("CommEdit=", 8, CommEdit),
    WL_VALUE("PrunEdit=", 8, PrunEdit),
    WL_VALUE("DWTREdit=", 8, DWTREdit),
    WL_VALUE("HidThrEdit=", 8, HidThrEdit),
    WL_VALUE("OutThrEdit=", 8, OutThrEdit),
    WL_VALUE("ErrorSelEdit=", 10, ErrorSelEdit),
    WL_VALUE("coef_V2Edit=", 10, coef_V2Edit),
    WL_VALUE("coef_d2Edit=", 10, coef_d2Edit),
    WL_VALUE("VdwEdit1=", 8, VdwEdit1),
    WL_VALUE("VdwEdit2=", 8, VdwEdit2),
    WL_VALUE("LEdit=", 5, LEdit),
    WL_VALUE("Nedit=", 5, NEdit),
    WL_VALUE("WymEdit=", 7, WymEdit),
    WL_VALUE("c3Edit=", 6, c3Edit),

    WL_VALUE("pmwEdit=", 7, pmwEdit),
    WL_VALUE("M2Edit=", 6, M2Edit),
    WL_VALUE("AepochEdit=", 8, AepochEdit),
    WL_VALUE("BepochEdit=", 8, BepochEdit),
    WL_VALUE("MiddleEdit=", 8, MiddleEdit),
    WL_VALUE("MarkerSizeEdit=", 12, MarkerSizeEdit),
    WL_VALUE("StartWEdit=", 9, StartWEdit),
    WL_PAIR("AccBadCheck", 10, "noAccBadCheck", 12, AccBadCheck),
    WL_PAIR("OutSideBox", 10, "noOutSideBox", 12, OutsideBox),
    WL_PAIR("WeightedErrorBox", 12, "noWeightedErrorBox", 14, WeightedErrorBox),
    WL_PAIR("CLCheckBox", 8, "noCLCheckBox", 10, CLCheckbox),
    WL_PAIR("DefClassBox", 10, "noDefClassBox", 12, DefClassBox),
    WL_PAIR("FullConn", 8, "noFullConn", 10, FullConn),
    WL_PAIR("SkipCheck", 8, "noSkipCheck", 10, SkipCheck),
    WL_PAIR("strBox", 6, "nostrBox", 8, strbox),
    WL_PAIR("ZHWBox", 6, "noZHWBox", 8, ZHWBox),
    WL_PAIR("InPlaceBox", 9, "noInPlaceBox", 11, InPlaceBox),
    WL_PAIR("ParabVssBox", 10, "noParabVssBox", 12, ParabVSSBox),
    WL_PAIR("SigmTFBox", 8, "noSigmTFBox", 10, SigmTFBox),
    WL_PAIR("BigPlotBox", 9, "noBigPlotBox", 11, BigPlotBox),
    WL_PAIR("ForcepBox", 9, "noForcepBox", 11, ForcePBox),
    WL_PAIR("LogWMDBox", 9, "noLogWMDBox", 11, LogWMDBox),
    WL_PAIR("BigBlackBox", 10, "noBigBlackBox", 12, BigBlackBox),
    WL_PAIR("chpwr", 5, "nochpwr", 7, chpwr),

    WL_PAIR("LOBox", 5, "noLOBox", 7, LOBox),
    WL_PAIR("A05dEButton", 10, "noA05dEButton", 12, A05dEButton),
    WL_PAIR("SecDevButton", 10, "noSecDevButton", 12, SecDevButton),
    WL_PAIR("NoRandomBox", 10, "noNoRandomBox", 12, NoRandomBox),
    WL_PAIR("ANVBox", 6, "noANVBox", 8, ANVBox),
    WL_PAIR("ClassBox", 8, "noClassBox", 9, ClassBox),
    WL_PAIR("ModWBox", 7, "noModWBox", 8, modWBox),
    WL_PAIR("TRWBox", 6, "noTRWBox", 8, TRWBox),
    WL_PAIR("AutoPlace", 8, "noAutoPlace", 10, AutoPlace),
    WL_PAIR("WriteDetails", 9, "noWriteDetails", 9, WriteDetails),
    WL_RADIOPAIR("Dir1WeightLabButton", 0, "Dir1MatlabButton", 12, Dir1WeightLabButton, Dir1MatlabButton),
    WL_RADIOPAIR("Dir2WeightLabButton", 0, "Dir2MatlabButton", 12, Dir2WeightLabButton, Dir2MatlabButton),
    WL_RADIOPAIR("WMWeightLabBox", 0, "WMMatlabBox", 10, WMWeightLabBox, WMMatlabBox),
    WL_PAIR("RWOrderBox", 9, "noRWOrderBox", 11, RWOrderBox),
    WL_PAIR("CustOrderBox", 9, "noCustOrderBox", 11, CustOrderBox),
};

#undef WL_C
#undef WL_VALUE
#undef WL_VALUE_ROLE
#undef WL_ITEM
#undef WL_PAIR
#undef WL_RADIOPAIR
#undef WL_FLAG

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// The first n characters of the line equal the first n of the word, letter case ignored; a line shorter
// than n does not match, nor does a word that is never read (n = 0).
bool Matches(std::string_view line, std::string_view word, int n) {
  const auto len = static_cast<std::size_t>(n);
  if (n <= 0 || line.size() < len || word.size() < len) return false;
  for (std::size_t i = 0; i < len; ++i)
    if (Lower(line[i]) != Lower(word[i])) return false;
  return true;
}

std::string TextOf(Control& c) {
  if (auto* e = dynamic_cast<Edit*>(&c)) return e->Text();
  if (auto* b = dynamic_cast<ComboBox*>(&c)) return b->Text();
  throw std::logic_error("settings key on a control without text: " + c.Name());
}

void SetTextOf(Control& c, std::string text) {
  if (auto* e = dynamic_cast<Edit*>(&c)) return e->SetText(std::move(text), ChangeSource::Program);
  if (auto* b = dynamic_cast<ComboBox*>(&c)) return b->SetText(std::move(text), ChangeSource::Program);
  throw std::logic_error("settings key on a control without text: " + c.Name());
}

ComboBox& ListOf(Control& c) {
  if (auto* b = dynamic_cast<ComboBox*>(&c)) return *b;
  throw std::logic_error("item key on a control without items: " + c.Name());
}

bool IsChecked(Control& c) {
  if (auto* b = dynamic_cast<CheckBox*>(&c)) return b->Checked();
  if (auto* r = dynamic_cast<RadioButton*>(&c)) return r->Checked();
  throw std::logic_error("flag key on a control without a check: " + c.Name());
}

// Checking a radio button clears the other buttons of its group.
void SetChecked(Control& c, bool on) {
  if (auto* b = dynamic_cast<CheckBox*>(&c)) return b->SetChecked(on, ChangeSource::Program);
  if (auto* r = dynamic_cast<RadioButton*>(&c)) return r->SetChecked(on, ChangeSource::Program);
  throw std::logic_error("flag key on a control without a check: " + c.Name());
}

// An item key acts only on a line whose value is an integer, so that the short key of the same box's
// text ("step=" against "StepEdit=") never feeds it a word. An index outside the list selects nothing and
// clears the text.
void ApplyItem(ComboBox& box, std::string_view line, bool textKept) {
  std::int32_t index = 0;
  if (!TryStrToInt(Trim(ValueAfterEquals(line)), index)) return;
  // -1 is what the writer gives a text that is none of the items; the box's text line has set it.
  if (index == -1 && textKept) return;
  if (index < 0 || index >= static_cast<int>(box.Items().size()))
    box.SetText("", ChangeSource::Program);
  else
    box.SetItemIndex(index, ChangeSource::Program);
}

// What the reading of one settings file keeps besides the controls: the file, the line being read, the
// fields that hold a number at start (they take only numbers), and the lines not used.
struct SettingsReading {
  std::string Path;
  std::int64_t LineNo = 0;
  std::set<const Control*> NumberFields;
  std::string Skipped;  // one line per entry not used
  int Matched = 0;      // lines that matched a key
  std::set<const Control*> RefusedOnLine;  // fields that did not take the line being read (told once)

  void Skip(const std::string& why) {
    if (!Skipped.empty()) Skipped += '\n';
    Skipped += Path + ", line " + IntToStr(LineNo) + ": " + why;
  }
};

// A value the field could not use: a field that holds a number takes only a number, and only one that
// the parameter reading would accept. Says why in `why`.
bool ValueRefused(Workbench& wb, const SettingsReading& r, const SettingsKey& key, const std::string& value,
                  std::string& why) {
  Control& target = key.Target(wb.Form1);
  if (!r.NumberFields.count(&target)) return false;
  double v = 0.0;
  std::string check;
  if (!TryStrToFloat(Trim(value), v))
    why = "it is not a number";
  else if (!ParameterFieldAccepts(wb.Form1, target, value, &check))
    why = check;
  else
    return false;
  why = std::string(key.Word) + QuotedText(value) + " was not used (" + why + "); the field keeps " +
        QuotedText(TextOf(target));
  return true;
}

// Whether a line matches a key that is not a value or item key (a flag's word).
bool MatchesAFlag(std::string_view line) {
  for (const SettingsKey& key : kKeys)
    if (key.Kind != K::Value && key.Kind != K::Item &&
        (Matches(line, key.Word, key.N) || (key.N2 > 0 && Matches(line, key.Word2, key.N2))))
      return true;
  return false;
}

void ApplyValue(Workbench& wb, SettingsReading& r, const SettingsKey& key, std::string_view line) {
  Control& target = key.Target(wb.Form1);
  std::string why;
  if (ValueRefused(wb, r, key, ValueAfterEquals(line), why)) {
    // A flag's word that a number field's short key matches too ("SMDH1Button" and "SMDH1=") is the
    // flag's line: the field is left to its own line.
    if (line.find('=') == std::string_view::npos && MatchesAFlag(line)) return;
    // Two keys of one field ("slope=" and "SlopeEdit=") match the same line: it is told once.
    if (!r.RefusedOnLine.insert(&target).second) return;
    return r.Skip(why);
  }
  // The L3 count must be a whole number; a line that is not is skipped whole, the field keeping its text
  // (else the file written at exit would carry the fault to the next start).
  if (key.Role == R::HiddenL3) StrToInt(ValueAfterEquals(line));
  SetTextOf(target, ValueAfterEquals(line));
  if (key.Role == R::HiddenL3 && StrToInt(wb.Form1.Hid3EditT2.Text()) == 0) {
    wb.Form1.GroupBox5.SetEnabled(false);
    wb.Form1.GroupBox5.SetCaptionColor(GroupBox::clInactiveCaption);
  }
}

// How many leading characters of the line agree with the word, letter case ignored.
std::size_t Agreement(std::string_view line, std::string_view word) {
  std::size_t i = 0;
  while (i < line.size() && i < word.size() && Lower(line[i]) == Lower(word[i])) ++i;
  return i;
}

// The text key and the item key of one box (StepEdit's "step=" and "StepEdit=") share their compared
// characters, so each matches the other's line. The line belongs to the key it spells out further: the
// item key would read the text as an index, and the text key would put the index into the text.
bool LineOfTheOtherKey(Workbench& wb, const SettingsKey& key, std::string_view line) {
  if (key.Kind != K::Value && key.Kind != K::Item) return false;
  Control& target = key.Target(wb.Form1);
  for (const SettingsKey& other : kKeys) {
    if (&other == &key || (other.Kind != K::Value && other.Kind != K::Item) || other.Kind == key.Kind) continue;
    if (&other.Target(wb.Form1) != &target || !Matches(line, other.Word, other.N)) continue;
    if (Agreement(line, other.Word) > Agreement(line, key.Word)) return true;
  }
  return false;
}

// Whether the box of an item key has a text key too.
bool HasTextKey(Workbench& wb, const SettingsKey& key) {
  Control& target = key.Target(wb.Form1);
  for (const SettingsKey& other : kKeys)
    if (other.Kind == K::Value && &other.Target(wb.Form1) == &target) return true;
  return false;
}

// The action of a key whose first word matched the line.
void ApplyFirst(Workbench& wb, SettingsReading& r, const SettingsKey& key, std::string_view line) {
  switch (key.Kind) {
    case K::Value: return ApplyValue(wb, r, key, line);
    case K::Item: return ApplyItem(ListOf(key.Target(wb.Form1)), line, HasTextKey(wb, key));
    case K::Pair:
    case K::RadioPair:
    case K::Flag: return SetChecked(key.Target(wb.Form1), true);
    case K::ClearFlag:
    case K::ReadClear: return SetChecked(key.Target(wb.Form1), false);
    case K::ActivePage:
      return wb.Form1.P1.SetActivePage(StrToInt(Trim(ValueAfterEquals(line))), ChangeSource::Program);
    case K::ClIndex: wb.clindex = StrToInt(Trim(ValueAfterEquals(line))); return;
    case K::CpuChecked: {
      const std::string value = Trim(ValueAfterEquals(line));
      if (IsNumber(value)) wb.CPUCHECKED = StrToInt(value);
      return;
    }
  }
}

// The action of a pair whose second word matched the line.
void ApplySecond(Workbench& wb, const SettingsKey& key) {
  if (key.Kind == K::RadioPair)
    SetChecked(key.Other(wb.Form1), true);
  else
    SetChecked(key.Target(wb.Form1), false);
}

// Every key that matches the line acts, in key order.
void ApplyLine(Workbench& wb, SettingsReading& r, std::string_view line) {
  // The hidden layers' slope and stretch lines set only their own fields.
  bool layerLine = false;
  for (const SettingsKey& key : kKeys)
    if (key.Role == R::LayerField && Matches(line, key.Word, key.N)) layerLine = true;
  bool matched = false;
  for (const SettingsKey& key : kKeys) {
    if (layerLine && key.Role == R::NotOnLayerFields) continue;
    if (Matches(line, key.Word, key.N) && !LineOfTheOtherKey(wb, key, line)) {
      matched = true;
      ApplyFirst(wb, r, key, line);
    }
    if (key.N2 > 0 && Matches(line, key.Word2, key.N2)) {
      matched = true;
      ApplySecond(wb, key);
    }
  }
  if (matched) ++r.Matched;
}

// The fields of the value keys whose text is a number now (at start, their design-time default).
std::set<const Control*> NumberFields(Workbench& wb) {
  std::set<const Control*> out;
  for (const SettingsKey& key : kKeys) {
    if (key.Kind != K::Value) continue;
    Control& target = key.Target(wb.Form1);
    double v = 0.0;
    if (TryStrToFloat(Trim(TextOf(target)), v)) out.insert(&target);
  }
  return out;
}

// Whether the file holds a zero byte, which no text file of settings does.
bool HoldsZeroByte(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::array<char, 1 << 16> chunk{};
  while (in) {
    in.read(chunk.data(), chunk.size());
    const auto got = static_cast<std::size_t>(in.gcount());
    if (std::find(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got), '\0') !=
        chunk.begin() + static_cast<std::ptrdiff_t>(got))
      return true;
  }
  return false;
}

std::string SettingsText(Workbench& wb, bool toResults) {
  TForm1& f = wb.Form1;
  std::string out = f.Caption() + "\n";
  if (toResults) {
    // Only layers the network has; before a network exists there are none.
    const std::size_t layers = std::min(static_cast<std::size_t>(std::max(wb.NumOfLayers, 0)), wb.Layers.size());
    for (std::size_t i = 0; i < layers; ++i)
      out += "Layer[" + IntToStr(static_cast<std::int64_t>(i)) + "]=" + IntToStr(wb.Layers[i]) + "\n";
  }
  for (const SettingsKey& key : kKeys) {
    std::string line;
    switch (key.Kind) {
      case K::Value: line = std::string(key.Word) + TextOf(key.Target(f)); break;
      case K::Item: line = std::string(key.Word) + IntToStr(ListOf(key.Target(f)).ItemIndex()); break;
      case K::Pair:
      case K::RadioPair: line = std::string(IsChecked(key.Target(f)) ? key.Word : key.Word2); break;
      case K::Flag:
        if (!IsChecked(key.Target(f))) continue;
        line = key.Word;
        break;
      case K::ClearFlag:
        if (IsChecked(key.Target(f))) continue;
        line = key.Word;
        break;
      case K::ReadClear: continue;
      case K::ActivePage: line = std::string(key.Word) + IntToStr(f.P1.ActivePage()); break;
      case K::CpuChecked: line = std::string(key.Word) + FloatToStr(wb.CPUCHECKED); break;
      case K::ClIndex: line = std::string(key.Word) + IntToStr(wb.clindex); break;
    }
    out += line;
    out += '\n';
  }
  return out;
}

}  // namespace

const std::vector<SettingsKey>& SettingsKeys() { return kKeys; }

std::string ValueAfterEquals(std::string_view line) {
  const std::size_t eq = line.find('=');
  const std::string_view value = eq == std::string_view::npos ? line : line.substr(eq + 1);
  return std::string(value.substr(0, 255));
}

std::string SettingsFileName(const Workbench& wb) { return wb.ProgramDir + "/weightlab.ini"; }

std::string ParameterFileName(const Workbench& wb) { return wb.ResultsPrefix + "_param.txt"; }

void LoadSettings(Workbench& wb) {
  const std::string path = SettingsFileName(wb);
  if (!FileExists(path)) return;
  const std::string defaults = ": every setting keeps its default";
  if (HoldsZeroByte(path)) {
    wb.Plat.ShowMessage("Settings file " + path + " is not a text file (it holds a zero byte)" + defaults);
    return;
  }
  // In a file the program wrote, a carriage return at the end of a line belongs to the value.
  TextLineReader in;
  if (!in.Open(path, TextLineReader::Keep)) throw FileError("Cannot read file " + path);
  SettingsReading r;
  r.Path = path;
  r.NumberFields = NumberFields(wb);
  std::string line;
  // A file with Windows line ends (its first line ends in a carriage return) has one dropped from every
  // line.
  bool windowsLineEnds = false;
  while (in.Next(line)) {
    r.LineNo = in.LineNo();
    r.RefusedOnLine.clear();
    if (r.LineNo == 1) windowsLineEnds = !line.empty() && line.back() == '\r';
    if (windowsLineEnds && !line.empty() && line.back() == '\r') line.pop_back();
    try {
      ApplyLine(wb, r, line);
    } catch (const ConvertError& e) {
      // One bad line must not cost the user the rest of the settings (which the exit would overwrite).
      r.Skip(std::string(e.what()) + " - the line was skipped");
    }
  }
  if (in.Failed()) throw FileError("Cannot read file " + path);
  if (in.Empty()) {
    wb.Plat.ShowMessage("Settings file " + path + " is empty" + defaults);
    return;
  }
  if (r.Matched == 0) {
    wb.Plat.ShowMessage("Settings file " + path + " holds no setting (no line begins with a key of the settings)" +
                        defaults);
    return;
  }
  if (!r.Skipped.empty()) wb.Plat.ShowMessage(r.Skipped);
}

void SaveSettings(Workbench& wb, bool toResults) {
  if (toResults && wb.ResultsPrefix.empty())
    throw FileError("The parameter file has no name yet: open a data set first");
  const std::string path = toResults ? ParameterFileName(wb) : SettingsFileName(wb);
  if (toResults) EnsureDirectory(std::filesystem::path(path).parent_path().string());
  WriteFileAtomically(path, SettingsText(wb, toResults));
}

bool ShowParameterFile(Workbench& wb) {
  if (wb.ResultsPrefix.empty()) {
    wb.Plat.ShowMessage("No data set has been opened yet. Open a data set first (Open -> Open Training Set).");
    return false;
  }
  SaveSettings(wb, true);
  ShowInNotepad(wb, "notepad.exe " + ParameterFileName(wb));
  return true;
}

}  // namespace wl
