#pragma once
// The four representation windows: the hidden-layer and output-layer signals of the training vectors as
// square plots (HRF, ORF) or parallel-coordinate plots (HPF, OPF). The signal plots draw their pictures
// (analysis/signal_plots.h); the windows show them and save them. The output window's epoch field `SE`
// redraws both representations of a chosen epoch and, with "Auto Save", saves them.
#include <cstdint>
#include <memory>

#include "platform/controls.h"
#include "state/shell_values.h"

namespace wl {

struct SignalPlotPictures;

// What the four windows share: the image I1 the picture is copied to, "Save" and "Save As", the
// geometry and the count of copies the view repaints from.
class TRepresentationForm : public Form {
 public:
  TRepresentationForm(std::string name, std::string caption, int pictureIndex);

  Label I1{*this, ControlKind::Label, "I1", "", ""};
  Button Button1{*this, ControlKind::Button, "Button1", "", "Save"};
  Button Button2{*this, ControlKind::Button, "Button2", "", "Save As"};

  // Which of PlotBitmaps the window shows: 0 hidden, 1 output.
  const int PictureIndex;
  WindowRect Frame, Image, SaveButton, SaveAsButton;
  bool Shown = false;
  // Counts the pictures copied to the window; the view repaints I1 when it changes.
  std::uint64_t PictureVersion = 0;
};

// "Hidden Representation" as a square plot.
class THRF : public TRepresentationForm {
 public:
  THRF();
};

// "Output Representation" as a square plot, with the epoch selector.
class TORF : public TRepresentationForm {
 public:
  TORF();
  Label Label1{*this, ControlKind::Label, "Label1", "", "epoch"};
  // Any value may be typed; the selector's handler clamps it to the recorded epochs.
  SpinEdit SE{*this, "SE", "", "", 0, 0, 0};
  CheckBox ASB{*this, "ASB", "", "Auto Save", false};
  WindowRect EpochLabel, EpochField, AutoSaveBox;
};

// "Hidden Representation" and "Output Representation" as parallel-coordinate plots.
class THPF : public TRepresentationForm {
 public:
  THPF();
};
class TOPF : public TRepresentationForm {
 public:
  TOPF();
};

// The windows and the pictures the signal plots draw for them (PlotBitmaps: [0] hidden, [1] output, [2]
// and [3] the direction pictures), made on first use.
struct RepresentationWindows {
  THRF HRF;
  TORF ORF;
  TOPF OPF;
  THPF HPF;
  std::shared_ptr<SignalPlotPictures> PlotPictures;
};

// The windows' places on a screen of the given width: the parallel windows min(width, 1280) wide and
// 512 high, HPF at the top left and OPF under it; the square windows 640 x 740, HRF at the top left and
// ORF beside it.
void PlaceRepresentationWindows(RepresentationWindows& w, int screenWidth);

}  // namespace wl
