#include "shell/font_window.h"

#include <fstream>

#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"
#include "platform/paths.h"
#include "shell/startup.h"

namespace wl {

MainFormLayout LayOutMainFormForFonts(double s, int screenWidth) {
  // The heights and tops are those of the start-up; only the widths differ.
  MainFormLayout l = LayOutMainForm(s, screenWidth);
  l.Form.Width = RoundInt(800 * s);
  l.Form.Left = screenWidth - l.Form.Width;
  l.Pages.Width = RoundInt(792 * s);
  l.ProgressGroup.Width = RoundInt(768 * s);
  return l;
}

void ShowFontsForm(Workbench& wb) {
  TForm2& f = wb.Form2;
  f.Left = 300;
  f.Top = 200;
  f.MaskEdit1.SetText(IntToStr(wb.FontPct));
  wb.Plat.ShowWindow(f.Name());
  f.MaskEdit1.SetFocus();
}

void FontsOK(Workbench& wb) {
  TForm2& f = wb.Form2;
  const int pct = StrToInt(f.MaskEdit1.Text());
  if (pct <= 0) {
    wb.Plat.ShowMessage(kFontPctZeroMessage);
    return;
  }
  wb.FontPct = pct;
  const double s = pct / 120.0;
  // The main window's font follows the percentage, as at the start.
  wb.FontScale = s;
  wb.Plat.HideWindow(f.Name());
  const MainFormLayout l = LayOutMainFormForFonts(s, wb.ScreenWidth);
  wb.MainFormRect = l.Form;
  wb.PagesRect = l.Pages;
  wb.ProgressGroupRect = l.ProgressGroup;
  wb.Plat.RepaintWindow(wb.Form1.Name());
}

void FontsCancel(Workbench& wb) { wb.Plat.HideWindow(wb.Form2.Name()); }

std::string SquareDataSetText() {
  std::string out =
      "Number of features = 3\n"
      "Number of Vectors = 10000\n"
      "Class Column No = 3\n"
      "Feature[1] = X   continuous\n"
      "Feature[2] = Y   continuous\n"
      "Feature[3] = Class   discrete  2   0  1\n"
      "[DATA]\n";
  out.reserve(out.size() + 10000 * 14);
  for (int i = 1; i <= 100; ++i)
    for (int j = 1; j <= 100; ++j) {
      const bool inside = i >= 20 && i <= 80 && j >= 20 && j <= 80;
      out += IntToStr(i) + "   " + IntToStr(j) + "     " + (inside ? "1" : "0") + "\n";
    }
  return out;
}

void WriteSquareDataSet(Workbench& wb) {
  FileDialog& dlg = wb.Form1.SaveDialog1;
  dlg.InitialDir = wb.Path("\\PCA");
  if (!wb.Plat.Execute(dlg)) return;
  const std::string path = dlg.FileName + ".DAT";
  AtomicOfstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw FileError("Cannot create file " + path);
  out << SquareDataSetText();
  out.close();
  if (!out) throw FileError("Cannot write file " + path);
}

}  // namespace wl
