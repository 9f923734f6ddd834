#include "model/read_parameters.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <initializer_list>
#include <limits>
#include <string>

#include "platform/field_reads.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"

namespace wl {
namespace {

// How a checked field's value goes into its parameter variable.
enum class Store {
  None,       // checked only
  Real,       // read as a real
  Int,        // read as an integer
  IntAsReal,  // read as an integer, kept as a real
};

struct CheckRow {
  Edit TForm1::*Field;
  const char* Label;  // the name in the message, exactly
  bool IsInteger;
  double Min, Max;
  Store How;
  double ParameterState::*Real = nullptr;
  std::int32_t ParameterState::*Int = nullptr;
};

using P = ParameterState;
constexpr bool I = true, N = false;

// The checks in the order they run; ReadParameters runs them by number (1-based), between its other steps.
const std::array<CheckRow, 47> kChecks{{
    /*  1 */ {&TForm1::MiddleEdit, "middle", N, 0, 99, Store::Real, &P::Middle},
    /*  2 */ {&TForm1::AepochEdit, "Aepoch", N, 0, 999, Store::Real, &P::Aepoch},
    /*  3 */ {&TForm1::BepochEdit, "Bepoch", N, 0, 9, Store::Real, &P::Bepoch},
    /*  4 */ {&TForm1::HiddenEditT2, "Num Of Hidden (L2)", I, 0, 999, Store::None},
    /*  5 */ {&TForm1::Hid3EditT2, "Num Of Hidden (L3)", I, 0, 999, Store::None},
    /*  6 */ {&TForm1::WCEdit, "worth changing", N, 0, 10, Store::Real, &P::WorthChanging},
    /*  7 */ {&TForm1::VexpEdit, "V exponent", N, 0, 99, Store::Real, &P::V_exp},
    /*  8 */ {&TForm1::NextDEdit, "Next Step", N, 0, 1, Store::Real, &P::next_D},
    /*  9 */ {&TForm1::DH1Edit, "DH1 (Numerical Gradient)", N, 1.01, 99, Store::None},
    /* 10 */ {&TForm1::typselEdit, "vector selection with", N, 0, 1, Store::None},
    /* 11 */ {&TForm1::SelEpochEdit, "Select border vectors ", I, 0, 999999, Store::None},
    /* 12 */ {&TForm1::VCEdit, "V_const", N, 0.01, 9999, Store::Real, &P::V_coef},
    /* 13 */ {&TForm1::slEdit, "num of discrete values", I, 1, 999, Store::None},
    /* 14 */ {&TForm1::fromEdit, "from WM", I, 0, 9999999, Store::None},
    /* 15 */ {&TForm1::WMepEdit, "to WM", I, 0, 9999999, Store::None},
    /* 16 */ {&TForm1::everyWMEdit, "every WM", I, 0, 9999999, Store::None},
    /* 17 */ {&TForm1::WSRangeEdit, "WS range", N, 0.01, 9999, Store::Real, &P::WSRange},
    /* 18 */ {&TForm1::WSdeltaEdit, "WS delta", N, 0.001, 999, Store::Real, &P::WSDelta},
    /* 19 */ {&TForm1::SMDH1Edit, "next delta", N, 1.01, 99, Store::Real, &P::SMDH1},
    /* 20 */ {&TForm1::SmhidEdit, "next delta", N, 1.01, 99, Store::Real, &P::Smhid},
    /* 21 */ {&TForm1::XLCEdit, "prev dW", N, 0.01, 9.9, Store::Real, &P::XLC},
    /* 22 */ {&TForm1::MaxDeltaEdit, "max delta", N, 0.001, 99999, Store::Real, &P::MaxDelta},
    /* 23 */ {&TForm1::MaxWeightEdit, "max weight", N, 0.1, 99999, Store::Real, &P::MaxWeight},
    /* 24 */ {&TForm1::StopErrorEdit, "Stop Training when error", N, 0, 1, Store::Real, &P::StopError},
    /* 25 */ {&TForm1::SmallWEdit, "small weights regul.", N, 0, 99, Store::Real, &P::SmallW},
    /* 26 */ {&TForm1::IntegerWEdit, "-1,0,1 weights regul.", N, 0, 99, Store::Real, &P::IntegerW},
    /* 27 */ {&TForm1::DeltaEdit, "Initial delta", N, 0, 999, Store::Real, &P::InitialDelta},
    /* 28 */ {&TForm1::DeltaNGEdit, "Initial delta", N, 0, 999, Store::Real, &P::NGdelta},
    /* 29 */ {&TForm1::PartEdit, "Parts in Training Set", I, 1, 50, Store::Int, nullptr, &P::NumOfParts},
    /* 30 */ {&TForm1::SlopeEdit, "sigmoid slope", N, 0, 99999, Store::Real, &P::Slope},
    /* 31 */ {&TForm1::InitEdit, "Initial Weights Range", N, 0, 9999, Store::Real, &P::InitialWeight},
    /* 32 */ {&TForm1::SetOffEdit, "Signals SetOff", N, 0, 0.5, Store::Real, &P::SetOff},
    /* 33 */ {&TForm1::EpochEditT2, "NumOfEpochs", I, 0, 999999, Store::Int, nullptr, &P::NumOfEpochs},
    /* 34 */ {&TForm1::SREdit, "Stop Training with Success Rate", N, 0, 2, Store::Real, &P::GoodResult},
    /* 35 */ {&TForm1::ExpEdit, "Error Function Exponent", N, 0.001, 999, Store::Real, &P::ErrorExponent},
    /* 36 */ {&TForm1::BeamEdit, "Beam Width", I, 1, 99, Store::Int, nullptr, &P::BeamWidth},
    /* 37 */ {&TForm1::sscaleEdit, "stretch", N, 1, 99, Store::Real, &P::Stretch},
    /* 38 */ {&TForm1::NSEdit, "Num of Steps", I, 0, 9999, Store::Int, nullptr, &P::NumOfStep},
    /* 39 */ {&TForm1::MomentumEdit, "momentum", N, 0, 99, Store::Real, &P::Momentum},
    /* 40 */ {&TForm1::fromHEdit, "form H", I, -9999, 0, Store::Real, &P::fromH},
    /* 41 */ {&TForm1::toHEdit, "to H", I, 0, 99999, Store::Real, &P::toH},
    /* 42 */ {&TForm1::BPLearn, "BP Learning Coef", N, 1E-7, 99, Store::Real, &P::BPLearnRate},
    /* 43 */ {&TForm1::BPmom, "BP Momentum", N, 0, 99, Store::Real, &P::BPMomentum},
    /* 44 */ {&TForm1::LGEdit, "Lines in Plot", I, 0, 99, Store::Int, nullptr, &P::PlotLines},
    /* 45 */ {&TForm1::ThreeDEdit, "C1 range", N, 0.001, 99999, Store::IntAsReal, &P::ThreeDscale},
    /* 46 */ {&TForm1::Alsig2, "stop training with mln of sigm", N, 1E-5, 99999999, Store::None},
    /* 47 */ {&TForm1::WLEdit, "warn if operation longer than (0=warnings off)", N, 0, 99, Store::IntAsReal,
              &P::WarnLimit},
}};

// The step-decay words of StepEdit and LRDBox, tried in this order over their first Compared characters
// (letter case ignored). The factors are ln 2 rounded, and that divided by 2, multiplied by 0.33, divided
// by 4 and by 5: the number of epochs times the factor is the decay constant.
struct DecayWord {
  const char* Word;
  std::size_t Compared;
  long double Factor;
};
constexpr long double kSlowFactor = 0.346575L;
constexpr std::array<DecayWord, 6> kDecayWords{{
    {"none", 4, 0.0L},
    {"v. slow", 6, 0.69315L},
    {"slow", 4, kSlowFactor},
    {"medium", 6, 0.2287395L},
    {"fast", 4, 0.1732875L},
    {"v. fast", 6, 0.13863L},
}};

bool SameStart(std::string_view text, std::string_view word, std::size_t n) {
  if (text.size() < n || word.size() < n) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(word[i])))
      return false;
  return true;
}

// The factor of a step-decay box; a text that is none of the words is replaced by "slow".
long double DecayFactor(ComboBox& box) {
  const std::string text = Trim(box.Text());
  for (const DecayWord& w : kDecayWords)
    if (SameStart(text, w.Word, w.Compared)) return w.Factor;
  box.SetText("slow");
  return kSlowFactor;
}

// The product is formed in extended precision and kept as a double.
double DecayConstant(std::int32_t epochs, long double factor) {
  return static_cast<double>(static_cast<long double>(epochs) * factor);
}

std::string NumberMessage(std::string_view name, bool isInteger, double min, double max) {
  return std::string(name) + (isInteger ? " must be an Integer from " : " must be a Number from ") +
         FloatToStr(min) + " to " + FloatToStr(max);
}

bool IsValidNumber(std::string_view text, bool isInteger, double min, double max) {
  double v = 0;
  if (!TryStrToFloat(Trim(text), v)) return false;
  if (isInteger && static_cast<double>(Round(v)) != v) return false;
  return v >= min && v <= max;
}

class Reader {
 public:
  Reader(Workbench& wb, std::uint8_t mode) : wb_(wb), f_(wb.Form1), mode_(mode) {}

  // Runs checks from..to (numbers of the table) and stores their values; false at the first bad one.
  bool Checks(int from, int to) {
    for (int no = from; no <= to; ++no) {
      const CheckRow& row = kChecks[static_cast<std::size_t>(no - 1)];
      Edit& edit = f_.*row.Field;
      if (!CheckNumber(wb_.Plat, edit, row.Label, row.IsInteger, row.Min, row.Max)) return false;
      switch (row.How) {
        case Store::None: break;
        case Store::Real: wb_.*row.Real = StrToFloat(edit.Text()); break;
        case Store::Int: wb_.*row.Int = StrToInt(edit.Text()); break;
        case Store::IntAsReal: wb_.*row.Real = static_cast<double>(StrToInt(edit.Text())); break;
      }
    }
    return true;
  }

  // Fills a transfer-function record from a combo box and its slope, stretch and steps fields.
  bool FillTF(TTransferFunction& tf, ComboBox& kind, Edit& slope, Edit& stretch, Edit& steps) {
    tf.TFKind = static_cast<std::uint8_t>(kind.ItemIndex() + 1);
    // A box that names none of the functions (its text typed over) gives a network no pass can
    // evaluate: refused here, before a command builds or trains it.
    if (tf.TFKind < 1 || tf.TFKind > kind.Items().size()) {
      wb_.Plat.ShowMessage("Unknown transfer function " + IntToStr(tf.TFKind));
      return false;
    }
    if (!CheckNumber(wb_.Plat, slope, "slope", false, 0, 9999)) return false;
    tf.TFSlope = StrToFloat(slope.Text());
    if (!CheckNumber(wb_.Plat, stretch, "stretch", false, 1, 999)) return false;
    tf.TFStretch = StrToFloat(stretch.Text());
    if (!CheckNumber(wb_.Plat, steps, "steps", true, 0, 99999)) return false;
    tf.TFSteps = StrToInt(steps.Text());
    return true;
  }
  bool FillFromOutput(TTransferFunction& tf) { return FillTF(tf, f_.OutTF, f_.SlopeEdit, f_.sscaleEdit, f_.NSEdit); }
  bool FillFromL2(TTransferFunction& tf) {
    return FillTF(tf, f_.HL2TF, f_.SlopeHidL2Edit, f_.sscaleHidL2Edit, f_.NSEHidL2Edit);
  }
  bool FillFromL3(TTransferFunction& tf) {
    return FillTF(tf, f_.HL3TF, f_.SlopeHidL3Edit, f_.sscaleHidL3Edit, f_.NSEHidL3Edit);
  }

  bool TransferFunctions() {
    auto& tf = wb_.LayerTF;
    wb_.NonStandardTF = true;
    if (f_.SameLayersBox.Checked()) {
      if (!FillFromOutput(tf[0])) return false;
      // Every layer takes the output layer's settings; the layer fields show them and are locked.
      for (Edit* e : {&f_.SlopeHidL2Edit, &f_.SlopeHidL3Edit}) e->SetText(f_.SlopeEdit.Text());
      for (Edit* e : {&f_.sscaleHidL2Edit, &f_.sscaleHidL3Edit}) e->SetText(f_.sscaleEdit.Text());
      for (Edit* e : {&f_.NSEHidL2Edit, &f_.NSEHidL3Edit}) e->SetText(f_.NSEdit.Text());
      f_.HL2TF.SetItemIndex(f_.OutTF.ItemIndex());
      f_.HL3TF.SetItemIndex(f_.OutTF.ItemIndex());
      for (Control* c : std::initializer_list<Control*>{&f_.HL2TF, &f_.SlopeHidL2Edit, &f_.sscaleHidL2Edit,
                                                        &f_.NSEHidL2Edit, &f_.HL3TF, &f_.SlopeHidL3Edit,
                                                        &f_.sscaleHidL3Edit, &f_.NSEHidL3Edit})
        c->SetEnabled(false);
      tf[1] = tf[0];
      tf[2] = tf[0];
      if (tf[0].TFKind == 1 && tf[0].TFSlope == 1 && tf[0].TFStretch == 1 && tf[0].TFSteps == 0)
        wb_.NonStandardTF = false;
      return true;
    }
    // The output layer's record is LayerTF[NumOfLayers - 2].
    switch (wb_.NumOfLayers) {
      case 2: return FillFromOutput(tf[0]);
      case 3: return FillFromOutput(tf[1]) && FillFromL2(tf[0]);
      default: return FillFromOutput(tf[2]) && FillFromL2(tf[0]) && FillFromL3(tf[1]);
    }
  }

  void HiddenPerClass() {
    const int classes = wb_.NumOfClasses;
    if (classes <= 0) return;
    auto& h = wb_.HidPerOut;
    if (static_cast<int>(h.size()) < classes) h.resize(static_cast<std::size_t>(classes), 0);
    const int rest = StrToInt(f_.HidPerOut5Edit.Text());
    for (int i = 0; i < classes; ++i) h[static_cast<std::size_t>(i)] = rest;
    ComboBox* const boxes[] = {&f_.HidPerOutEdit,  &f_.HidPerOut1Edit, &f_.HidPerOut2Edit,
                               &f_.HidPerOut3Edit, &f_.HidPerOut4Edit, &f_.HidPerOut5Edit};
    for (int i = 0; i < 6 && i < classes; ++i) h[static_cast<std::size_t>(i)] = StrToInt(boxes[i]->Text());
  }

  // True when a value is invalid.
  bool Run() {
    f_.ep.SetText("0");
    f_.ep.Repaint();

    // One neuron may be singled out (by index) for the crossvalidation; the others are -1.
    wb_.NeuronSelect.assign(1024, -1);
    if (!CheckNumber(wb_.Plat, f_.CVSSEdit, "Selected neuron", true, 0, 1023)) return true;
    const std::int32_t k = StrToInt(f_.CVSSEdit.Text());
    wb_.NeuronSelect[static_cast<std::size_t>(k)] = k;

    if (!Checks(1, 3)) return true;

    wb_.NumOfLayers = 2;
    if (!Checks(4, 4)) return true;
    const std::int32_t hiddenL2 = StrToInt(f_.HiddenEditT2.Text());
    if (hiddenL2 > 0) wb_.NumOfLayers = 3;
    if (!Checks(5, 5)) return true;
    if (StrToInt(f_.Hid3EditT2.Text()) > 0) {
      wb_.NumOfLayers = 4;
      if (hiddenL2 == 0) {
        wb_.Plat.ShowMessage(
            "Num Of Hidden L3 may be greater then zero only when Num Of Hidden L2 is greater then zero");
        return true;
      }
    }
    // A network with skip connections has three layers whatever the hidden counts say, as it is built:
    // the layer count and the transfer functions placed by it describe the network the fields make.
    if (f_.SkipCheck.Checked()) wb_.NumOfLayers = 3;

    if (!TransferFunctions()) return true;

    if (!Checks(6, 6)) return true;
    wb_.ParamText[13] = "WorthChanging = " + f_.WCEdit.Text();
    wb_.SMLPOutWeights[1] = StrToFloat(f_.Out2WEdit.Text());
    if (!Checks(7, 7)) return true;
    wb_.ParamText[17] = "V exponent = " + f_.VexpEdit.Text();
    if (!Checks(8, 23)) return true;

    if (f_.RadioClass.Checked()) {
      wb_.ClassErrorMode = 3;
      wb_.ParamText[13] = "Classification Error Included";
    } else {
      wb_.ClassErrorMode = 0;
    }
    wb_.CLCheck = f_.CLCheckbox.Checked();
    if (wb_.CLCheck) wb_.ParamText[13] += " * (1-NumOfCl)  ";

    if (!Checks(24, 25)) return true;
    if (wb_.SmallW > 0) wb_.ParamText[10] = "small weights regul. parameter: " + FloatToStr(wb_.SmallW);
    if (!Checks(26, 26)) return true;
    if (wb_.IntegerW > 0) wb_.ParamText[11] = "integer weights regul. parameter: " + FloatToStr(wb_.IntegerW);

    // The decay words are decoded here; the constants are formed once the epochs field has been read, so
    // that they belong to the epoch count of this run.
    const long double deltaFactor = DecayFactor(f_.StepEdit);
    const long double bpFactor = DecayFactor(f_.LRDBox);

    if (!Checks(27, 33)) return true;
    wb_.DeltaDecay = DecayConstant(wb_.NumOfEpochs, deltaFactor);
    wb_.BPDecay = DecayConstant(wb_.NumOfEpochs, bpFactor);
    if (!Checks(34, 35)) return true;
    // The "any WM" list of the run's weight-matrix export, checked before the run changes anything.
    const bool fullWMRun = mode_ == 1 || wb_.WMFieldsForRun.Pending;
    if (const auto bad = AnyWMListFaultForRun(f_, Trim(f_.anyWMEdit.Text()), wb_.NumOfEpochs, fullWMRun)) {
      if (bad->Conversion) StrToInt(bad->Unconverted);  // throws the conversion message the export would show
      wb_.Plat.ShowMessage("incorrect any WM: " + bad->Token);
      f_.anyWMEdit.SetFocus();
      return true;
    }
    wb_.ParamText[14] = "Error function Exponent = " + f_.ExpEdit.Text();

    HiddenPerClass();
    wb_.HidBias = StrToFloat(f_.HidBEdit.Text());
    wb_.OutBias = StrToFloat(f_.OutBEdit.Text());

    if (!Checks(36, 45)) return true;
    if (!Checks(46, 46)) return true;
    wb_.ErrorAxisRange = StrToFloat(f_.ErrrBox.Text());
    wb_.OnlineBP = !f_.BatchBP.Checked();
    if (!Checks(47, 47)) return true;
    wb_.WeightedError = f_.WEBox.Checked();

    wb_.ParamText[3] = "Initial Delta = " + FloatToStr(wb_.InitialDelta);
    wb_.ParamText[8] = "Delta = Delta/2 every " + IntToStr(Round(wb_.DeltaDecay)) + " epochs";

    if (f_.SigmBox.Checked())
      wb_.SigmoidLimit = StrToInt64(f_.Alsig2.Text()) * std::int64_t{1000000};
    else
      wb_.SigmoidLimit = 3223372036854775808LL;

    wb_.ErrorTFKind = 1;
    return false;
  }

 private:
  Workbench& wb_;
  TForm1& f_;
  std::uint8_t mode_;
};

// The checks outside the table: the transfer-function fields of the three layers and the selected
// neuron.
struct ExtraCheck {
  Edit TForm1::*Field;
  const char* Label;
  bool IsInteger;
  double Min, Max;
};
const ExtraCheck kExtraChecks[] = {
    {&TForm1::CVSSEdit, "Selected neuron", I, 0, 1023},
    {&TForm1::SlopeEdit, "slope", N, 0, 9999},      {&TForm1::sscaleEdit, "stretch", N, 1, 999},
    {&TForm1::NSEdit, "steps", I, 0, 99999},        {&TForm1::SlopeHidL2Edit, "slope", N, 0, 9999},
    {&TForm1::sscaleHidL2Edit, "stretch", N, 1, 999}, {&TForm1::NSEHidL2Edit, "steps", I, 0, 99999},
    {&TForm1::SlopeHidL3Edit, "slope", N, 0, 9999}, {&TForm1::sscaleHidL3Edit, "stretch", N, 1, 999},
    {&TForm1::NSEHidL3Edit, "steps", I, 0, 99999},
};

}  // namespace

bool ParameterFieldAccepts(const TForm1& f, const Control& field, std::string_view text, std::string* why) {
  auto check = [&](const Edit& edit, const char* label, bool isInteger, double min, double max) {
    if (&edit != &field || IsValidNumber(text, isInteger, min, max)) return true;
    if (why) *why = NumberMessage(label, isInteger, min, max);
    return false;
  };
  for (const ExtraCheck& c : kExtraChecks)
    if (!check(f.*c.Field, c.Label, c.IsInteger, c.Min, c.Max)) return false;
  for (const CheckRow& row : kChecks)
    if (!check(f.*row.Field, row.Label, row.IsInteger, row.Min, row.Max)) return false;
  return true;
}

bool CheckNumberText(Platform& plat, std::string_view text, std::string_view name, bool isInteger, double min,
                     double max) {
  if (IsValidNumber(text, isInteger, min, max)) return true;
  plat.ShowMessage(NumberMessage(name, isInteger, min, max));
  return false;
}

bool CheckNumber(Platform& plat, Edit& edit, std::string_view name, bool isInteger, double min, double max) {
  if (IsValidNumber(edit.Text(), isInteger, min, max)) return true;
  plat.ShowMessage(NumberMessage(name, isInteger, min, max));
  edit.SetFocus();
  return false;
}

ParametersCheck CheckParameters(const Workbench& wb, const PlannedFields& planned) {
  const TForm1& f = wb.Form1;
  ParametersCheck out;
  auto text = [&](const Control& c, const std::string& own) -> std::string {
    const auto it = planned.Texts.find(&c);
    return it == planned.Texts.end() ? own : it->second;
  };
  auto check = [&](const Edit& e, std::string_view label, bool isInteger, double min, double max) {
    if (IsValidNumber(text(e, e.Text()), isInteger, min, max)) return true;
    out.Message = NumberMessage(label, isInteger, min, max);
    out.Field = &e;
    return false;
  };
  auto converts = [&](const Control& c, const std::string& own, ReadAs as) {
    out.Message = FirstUnreadable({{text(c, own), as}});
    out.Conversion = !out.Message.empty();
    return !out.Conversion;
  };
  // A whole number may pass its check written "2.0"; the reading converts it as an integer all the same.
  auto checkInt = [&](const Edit& e, std::string_view label, double min, double max) {
    return check(e, label, I, min, max) && converts(e, e.Text(), ReadAs::Int);
  };
  auto rows = [&](int from, int to) {
    for (int no = from; no <= to; ++no) {
      const CheckRow& r = kChecks[static_cast<std::size_t>(no - 1)];
      const Edit& e = f.*r.Field;
      if (!check(e, r.Label, r.IsInteger, r.Min, r.Max)) return false;
      const bool integer = r.How == Store::Int || r.How == Store::IntAsReal || no == 4 || no == 5;
      if (integer && !converts(e, e.Text(), ReadAs::Int)) return false;
    }
    return true;
  };
  auto transfer = [&](const ComboBox& kind, const Edit& slope, const Edit& stretch, const Edit& steps) {
    const auto it = planned.Items.find(&kind);
    const int k = (it == planned.Items.end() ? kind.ItemIndex() : it->second) + 1;
    if (k < 1 || k > static_cast<int>(kind.Items().size())) {
      out.Message = "Unknown transfer function " + IntToStr(k);
      return false;
    }
    return check(slope, "slope", N, 0, 9999) && check(stretch, "stretch", N, 1, 999) && checkInt(steps, "steps", 0, 99999);
  };

  if (!checkInt(f.CVSSEdit, "Selected neuron", 0, 1023) || !rows(1, 4)) return out;
  const std::int32_t hiddenL2 = StrToInt(text(f.HiddenEditT2, f.HiddenEditT2.Text()));
  int layers = hiddenL2 > 0 ? 3 : 2;
  if (!rows(5, 5)) return out;
  if (StrToInt(text(f.Hid3EditT2, f.Hid3EditT2.Text())) > 0) {
    layers = 4;
    if (hiddenL2 == 0) {
      out.Message = "Num Of Hidden L3 may be greater then zero only when Num Of Hidden L2 is greater then zero";
      return out;
    }
  }
  if (f.SkipCheck.Checked()) layers = 3;
  const bool output = transfer(f.OutTF, f.SlopeEdit, f.sscaleEdit, f.NSEdit);
  if (!output) return out;
  if (!planned.SameLayers.value_or(f.SameLayersBox.Checked())) {
    if (layers >= 3 && !transfer(f.HL2TF, f.SlopeHidL2Edit, f.sscaleHidL2Edit, f.NSEHidL2Edit)) return out;
    if (layers >= 4 && !transfer(f.HL3TF, f.SlopeHidL3Edit, f.sscaleHidL3Edit, f.NSEHidL3Edit)) return out;
  }
  if (!rows(6, 6) || !converts(f.Out2WEdit, f.Out2WEdit.Text(), ReadAs::Float) || !rows(7, 35)) return out;
  const int epochs = StrToInt(text(f.EpochEditT2, f.EpochEditT2.Text()));
  if (const auto bad = AnyWMListFaultForRun(f, Trim(text(f.anyWMEdit, f.anyWMEdit.Text())), epochs,
                                            wb.WMFieldsForRun.Pending)) {
    if (bad->Conversion) {
      out.Message = FirstUnreadable({{bad->Unconverted, ReadAs::Int}});
      out.Conversion = true;
    } else {
      out.Message = "incorrect any WM: " + bad->Token;
      out.Field = &f.anyWMEdit;
    }
    return out;
  }
  if (wb.NumOfClasses > 0) {
    const ComboBox* const boxes[] = {&f.HidPerOutEdit,  &f.HidPerOut1Edit, &f.HidPerOut2Edit,
                                     &f.HidPerOut3Edit, &f.HidPerOut4Edit, &f.HidPerOut5Edit};
    if (!converts(f.HidPerOut5Edit, f.HidPerOut5Edit.Text(), ReadAs::Int)) return out;
    for (int i = 0; i < 6 && i < wb.NumOfClasses; ++i)
      if (!converts(*boxes[i], boxes[i]->Text(), ReadAs::Int)) return out;
  }
  if (!converts(f.HidBEdit, f.HidBEdit.Text(), ReadAs::Float) || !converts(f.OutBEdit, f.OutBEdit.Text(), ReadAs::Float) ||
      !rows(36, 46) || !converts(f.ErrrBox, f.ErrrBox.Text(), ReadAs::Float) || !rows(47, 47))
    return out;
  if (f.SigmBox.Checked()) converts(f.Alsig2, f.Alsig2.Text(), ReadAs::Int64);
  return out;
}

std::optional<AnyWMFault> AnyWMListFault(std::string_view list, int last) {
  std::size_t pos = 0;
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; };
  while (pos < list.size()) {
    while (pos < list.size() && blank(list[pos])) ++pos;
    const std::size_t start = pos;
    while (pos < list.size() && !blank(list[pos])) ++pos;
    if (start == pos) break;
    const std::string token(list.substr(start, pos - start));
    auto fault = [&](const char* step) { return AnyWMFault{token, step, false, ""}; };
    auto unconverted = [&](const char* step, std::string text) { return AnyWMFault{token, step, true, std::move(text)}; };
    if (!std::all_of(token.begin(), token.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.' || c == '-'; }))
      return fault("50");
    const auto dashes = std::count(token.begin(), token.end(), '-');
    if (dashes > 1) return fault("48");
    std::int32_t a = 0, b = 0;
    if (dashes == 1) {
      if (token.front() == '-' || token.back() == '-') return fault("49");
      const auto dash = token.find('-');
      if (!TryStrToInt(Trim(token.substr(0, dash)), a)) return unconverted("52", Trim(token.substr(0, dash)));
      if (a > last) return fault("52");
      if (!TryStrToInt(Trim(token.substr(dash + 1)), b)) return unconverted("53", Trim(token.substr(dash + 1)));
      if (b > last) return fault("53");
    } else {
      if (!TryStrToInt(token, a)) return unconverted("51", token);
      if (a > last) return fault("51");
    }
  }
  return std::nullopt;
}

std::optional<AnyWMFault> AnyWMListFaultForRun(const TForm1& f, std::string_view list, int epochs, bool fullWMRun) {
  if (fullWMRun && f.ALLWMBox.Checked()) return std::nullopt;
  const bool exported = f.MatLabBox.Checked() || f.FastICABox.Checked();
  return AnyWMListFault(list, exported ? epochs : std::numeric_limits<int>::max());
}

bool ReadParameters(Workbench& wb, std::uint8_t mode) { return Reader(wb, mode).Run(); }

bool FieldsGivePlainSigmoids(const TForm1& f) {
  if (!f.SameLayersBox.Checked() || f.OutTF.ItemIndex() != 0) return false;
  // The same reading as TransferFunctions: slope 1, stretch 1, steps 0.
  double slope = 1.0, stretch = 1.0;
  std::int32_t steps = 0;
  if (TryStrToFloat(Trim(f.SlopeEdit.Text()), slope) && slope != 1.0) return false;
  if (TryStrToFloat(Trim(f.sscaleEdit.Text()), stretch) && stretch != 1.0) return false;
  if (TryStrToInt(Trim(f.NSEdit.Text()), steps) && steps != 0) return false;
  return true;
}

}  // namespace wl
