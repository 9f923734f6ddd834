#pragma once
// Validation of the main window's parameter fields and their copy into the parameter variables.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "state/workbench.h"
#include "platform/controls.h"
#include "platform/platform.h"

namespace wl {

// Checks one edit field of any window: its trimmed text must be a number (a whole number when isInteger;
// "5.0" passes) from min to max, both inclusive. Otherwise shows
//   name + " must be an Integer from " (or " must be a Number from ") + min + " to " + max
// with the bounds in the general number form, moves the focus to the field and returns false.
// The value itself is not returned: the caller reads the field again.
bool CheckNumber(Platform& plat, Edit& edit, std::string_view name, bool isInteger, double min, double max);
inline bool CheckNumber(Workbench& wb, Edit& edit, std::string_view name, bool isInteger, double min, double max) {
  return CheckNumber(wb.Plat, edit, name, isInteger, min, max);
}

// The same check and message on a text that is not held in an edit field; moves no focus.
bool CheckNumberText(Platform& plat, std::string_view text, std::string_view name, bool isInteger, double min,
                     double max);

// Whether a text would pass every check the parameter reading gives the main-window field `field`
// (including the transfer-function and selected-neuron checks); a field it does not check accepts any
// text. When it would not, `why` (if given) gets the message of the first check it fails.
bool ParameterFieldAccepts(const TForm1& f, const Control& field, std::string_view text, std::string* why = nullptr);

// Texts and items that a command is about to write into the main window's fields, for the check made
// before it writes them: each field named here is read as holding its planned text (a combo box its
// planned item); SameLayers, when set, stands for "use the settings for all layers".
struct PlannedFields {
  std::map<const Control*, std::string> Texts;
  std::map<const ComboBox*, int> Items;
  std::optional<bool> SameLayers;
};

// What refuses the parameter reading, told without reading anything into the parameters: every check
// and every conversion of ReadParameters in its order (the transfer-function boxes' items too), on the
// fields as they stand or as `planned` gives them. Message is the refusal's text ("" when the reading would pass); Conversion tells a text that
// does not convert (ReadParameters throws ConvertError for it) from a check's message; Field is the
// field a check's message moves the focus to.
struct ParametersCheck {
  std::string Message;
  bool Conversion = false;
  const Control* Field = nullptr;
};
ParametersCheck CheckParameters(const Workbench& wb, const PlannedFields& planned = {});

// Validates the main window's parameter fields in their fixed order and copies them into the parameter
// variables (with the layer count, the layers' transfer functions, the step-decay constants, the hidden
// neurons per class, the limit on transfer-function evaluations and the ParamText lines).
// Returns TRUE WHEN A VALUE IS INVALID, after the message of the first bad field (the values read before
// it keep their new values); the caller then abandons its operation. A field read without a check whose
// text is not of the required form throws ConvertError. CheckParameters tells the same refusal first.
// The mode tells which command reads the parameters (1 New Training, 2 Backpropagation, 10 SMLP); the
// reading is the same for every mode.
bool ReadParameters(Workbench& wb, std::uint8_t mode = 0);

// False when the transfer-function fields as they stand give a network of other neurons than plain
// sigmoids (ReadParameters would set NonStandardTF): "use the settings for all layers" unchecked, or the
// output layer's function, slope, stretch or steps other than sigmoid, 1, 1, 0. A field that holds no
// number is left to ReadParameters, which names it. Reads the fields only.
bool FieldsGivePlainSigmoids(const TForm1& f);

// The first token of an "any WM" list (blank-separated epochs e and ranges a-b) that does not name
// epochs of 0 .. last: a character other than a digit, "." or "-", more than one "-", a "-" at either end,
// or an epoch above last. Step is the progress-trace step of the fault; Conversion tells a token of the
// right characters that is no integer ("2.5"), which the reading of the list throws ConvertError for.
// Nothing when every token fits. Reads nothing else.
struct AnyWMFault {
  std::string Token;
  const char* Step = "";
  bool Conversion = false;
  std::string Unconverted;  // with Conversion: the text that is no integer
};
std::optional<AnyWMFault> AnyWMListFault(std::string_view list, int last);

// The "any WM" list as the run's weight-matrix export will check it, for the start of the run: with
// "PCA in Matlab (pc6.m)" or "ICA in Matlab (fastica.m)" chosen, its epochs must lie in 0 .. epochs;
// otherwise only its form is checked. A list the run empties ("full WM" with the fields a New Training or
// Continue Training sets for its run, fullWMRun) is not checked. The refusal's message is the export's
// own: "incorrect any WM: " + token.
std::optional<AnyWMFault> AnyWMListFaultForRun(const TForm1& f, std::string_view list, int epochs, bool fullWMRun);

}  // namespace wl
