#include "analysis/representation_windows.h"

#include <algorithm>

#include "analysis/picture_saving.h"
#include "analysis/signal_plots.h"
#include "platform/numfmt.h"
#include "state/workbench.h"

namespace wl {

namespace {

bool CaptionBegins(const Form& f, char c) { return !f.Caption().empty() && f.Caption()[0] == c; }

}  // namespace

SavedPicture PictureToSave(const Workbench& wb, const TRepresentationForm& window, bool saveAs) {
  const std::string epoch = wb.ORF.SE.Text();
  const std::string& name = window.Name();
  if (name == "HPF") return {0, "_HRP-" + Trim(wb.Form1.IREdit.Text())};
  if (name == "OPF") return {1, "_ORP-" + Trim(wb.Form1.IREdit.Text())};
  if (name == "HRF") {
    if (CaptionBegins(window, 'V')) return {2, "_Vdw1"};
    if (window.Caption().size() > 2 && window.Caption()[2] == '+') return {2, "_dSdw_" + wb.Form1.VdwEdit1.Text()};
    return {0, "_HRS-" + epoch};
  }
  if (CaptionBegins(window, 'V')) return {3, "_Vdw2"};
  if (CaptionBegins(window, 'E') && saveAs) return {3, "_LNES"};
  return {1, "_ORS-" + epoch};
}

void SaveRepresentationPicture(Workbench& wb, TRepresentationForm& window, bool saveAs) {
  const SavedPicture p = PictureToSave(wb, window, saveAs);
  QImage* bitmap = &SignalPictures(wb).PlotBitmaps[static_cast<std::size_t>(p.Picture)];
  if (saveAs)
    SavePictureAs(wb, bitmap, p.Suffix);
  else
    SavePicture(wb, bitmap, p.Suffix);
}

namespace {

// The selector's steps; false when its epoch has nothing to draw (after the message).
bool SelectorEpochChanged(Workbench& wb) {
  TORF& orf = wb.ORF;
  const int epoch = std::clamp(orf.SE.Value(), 0, std::max(0, wb.NumOfEpochs));
  orf.SE.SetValue(epoch);
  if (!ShowSignalPlots(wb, epoch)) return false;
  if (!orf.ASB.Checked()) return true;
  const std::string e = IntToStr(epoch);
  SignalPlotPictures& pics = SignalPictures(wb);
  SavePicture(wb, &pics.PlotBitmaps[1], "_ORS-" + e);
  const int hidden = wb.Layers.size() > 1 ? wb.Layers[1] : 0;
  if (hidden > 3 || wb.Form1.ForcePBox.Checked())
    SavePicture(wb, &pics.PlotBitmaps[0], "_HRP-" + e);
  else if (CaptionBegins(orf, 'E'))
    SavePictureAs(wb, &pics.PlotBitmaps[3], "_LNES");
  else
    SavePicture(wb, &pics.PlotBitmaps[0], "_HRS-" + e);
  return true;
}

}  // namespace

void RepresentationEpochChanged(Workbench& wb) { SelectorEpochChanged(wb); }

void ShowRepresentations(Workbench& wb) {
  wb.ORF.SetCaption("Neuron Signals");
  wb.HRF.SetCaption("Neuron Signals");
  // The direction pictures hide the epoch selector; the signals bring it back.
  wb.ORF.SE.SetVisible(true);
  wb.ORF.ASB.SetVisible(true);
  wb.ORF.Label1.SetVisible(true);
  const int epoch = StrToInt(Trim(wb.Form1.IREdit.Text()));
  if (wb.ORF.SE.Value() != epoch) {
    wb.ORF.SE.SetValue(epoch);
    // The selector's steps draw its epoch or say that nothing is recorded: either is said once.
    if (!SelectorEpochChanged(wb) || wb.ORF.SE.Value() == epoch) return;
  }
  ShowSignalPlots(wb, epoch);
}

}  // namespace wl
