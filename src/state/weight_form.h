#pragma once
// The two weight windows "ES Weights" (window 0) and "Trajectory Weights" (window 1): their controls, their
// placement and the bars of their last drawing. Their pictures are Qt images and live in
// analysis/weight_form_pictures.h, reached through the window's Pictures handle; the routines that draw
// them and answer the window's events are in analysis/weight_forms.h.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/controls.h"

namespace wl {

struct WeightFormPictures;

// The picture's geometry for the point size P: bar thickness T, height H, width Wp, zero column X0, the
// scale S (pixels per unit of weight) and the grid's reach G.
struct WeightPictureGeometry {
  int P = 1, T = 2, H = 0, Wp = 629, X0 = 315, S = 20, G = 16;
};

// One bar of the picture: its row, its ends and the weight it shows.
struct WeightBar {
  int Y = 0, X1 = 0, X2 = 0;
  double Weight = 0.0;
};

class TWfr : public Form {
 public:
  explicit TWfr(int index);
  TWfr(const TWfr&) = delete;
  TWfr& operator=(const TWfr&) = delete;

  int Index() const { return index_; }

  Label I1{*this, ControlKind::Label, "I1", "", ""};          // shows the picture
  Label Image1{*this, ControlKind::Label, "Image1", "", ""};  // a hidden copy of the picture
  Button Button1{*this, ControlKind::Button, "Button1", "", "Save"};
  Button Button2{*this, ControlKind::Button, "Button2", "", "Save As"};
  FileDialog SaveDialog1{*this, "SaveDialog1", true, "GIF|*.gif"};

  // The picture and the copy Image1 holds (analysis/weight_form_pictures.h); none until the first show.
  std::shared_ptr<WeightFormPictures> Pictures;
  std::uint64_t PictureVersion = 0;  // counts the copies of the picture to the window
  WeightPictureGeometry Geometry;
  std::vector<WeightBar> Bars;  // the bars of the last drawing, in drawing order

  // Window placement (screen pixels), the place of the picture and the buttons, the window style.
  int Left = 0, Top = 0, Width = 640, Height = 637;
  int PictureTop = 3, PictureLeft = 2, PictureWidth = 629, PictureHeight = 0, ButtonsTop = 0;
  bool StayOnTop = false;
  // The hint of I1: the value of the bar pointed at, shown while HintOn.
  std::string Hint;
  bool HintOn = false;

 private:
  int index_;
};

}  // namespace wl
