#pragma once
// The two small tools of "Tools" -> "Fonts" and the "S+P" button: the font window that lays the main
// window out again for a font percentage, and the writer of the square test data set.
#include <string>

#include "shell/startup.h"
#include "state/workbench.h"

namespace wl {

// The message of a percentage that would shrink the main window to nothing.
inline constexpr const char* kFontPctZeroMessage = "The font size must be above 0 %";

// The main window laid out by the font window's "OK" for the scale s = FontPct / 120: 800s x 768s at
// the top right of the screen; the pages 792s x 470s at (0, 0); the group "Training Progress" 768s x 218s
// at (12s, 482s). (The start-up's layout is wider: LayOutMainForm.)
MainFormLayout LayOutMainFormForFonts(double s, int screenWidth);

// "Fonts": the window at (300, 200) with FontPct in MaskEdit1, shown, the focus in MaskEdit1.
void ShowFontsForm(Workbench& wb);
// "OK": FontPct := MaskEdit1, the window hidden, the main
// window laid out again and repainted. A text that is not an integer throws ConvertError and a percentage
// of 0 or less is refused with a message; either way nothing moves.
void FontsOK(Workbench& wb);
// "Cancel": the window hidden.
void FontsCancel(Workbench& wb);

// The lines of the square data set: the header of seven lines, then 10000 rows of i, j (1..100) and the
// class, 1 inside 20..80 x 20..80.
std::string SquareDataSetText();
// "S+P": the save dialog SaveDialog1 in "PCA/"; the set is written to the chosen name + ".DAT".
void WriteSquareDataSet(Workbench& wb);

}  // namespace wl
