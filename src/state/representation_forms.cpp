#include "state/representation_forms.h"

#include <algorithm>

namespace wl {

TRepresentationForm::TRepresentationForm(std::string name, std::string caption, int pictureIndex)
    : Form(std::move(name), std::move(caption)), PictureIndex(pictureIndex) {}

THRF::THRF() : TRepresentationForm("HRF", "Hidden Representation", 0) {}
TORF::TORF() : TRepresentationForm("ORF", "Output Representation", 1) {}
THPF::THPF() : TRepresentationForm("HPF", "Hidden Representation", 0) {}
TOPF::TOPF() : TRepresentationForm("OPF", "Output Representation", 1) {}

void PlaceRepresentationWindows(RepresentationWindows& w, int screenWidth) {
  const int wide = std::min(screenWidth, 1280);
  auto parallel = [wide](TRepresentationForm& f, int top) {
    f.Frame = {0, top, wide, 512};
    f.Image = {1, 2, wide - 16, 420};
    f.SaveButton = {8, 440, 75, 25};
    f.SaveAsButton = {96, 440, 75, 25};
  };
  parallel(w.HPF, 0);
  parallel(w.OPF, 512);
  auto square = [](TRepresentationForm& f, int left) {
    f.Frame = {left, 0, 640, 740};
    f.Image = {1, 2, 630, 630};
    f.SaveButton = {370, 650, 75, 25};
    f.SaveAsButton = {490, 650, 75, 25};
  };
  square(w.HRF, 0);
  square(w.ORF, 640);
  w.ORF.EpochLabel = {30, 655, 50, 17};
  w.ORF.EpochField = {90, 650, 80, 24};
  w.ORF.AutoSaveBox = {210, 655, 100, 17};
}

}  // namespace wl
