#pragma once
// The picture viewer "Picture Viewer" (Przegladaj): shows the GIF, JPEG and BMP pictures the plots saved,
// steps through the pictures of a folder and back through the ones shown, and saves the shown picture
// again. Made on first use and destroyed when closed; the picture itself is a Qt image in
// analysis/viewer_pictures.h behind the Pictures handle.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/controls.h"

namespace wl {

struct ViewerPictures;

class TPrzegladaj : public Form {
 public:
  TPrzegladaj() : Form("Przegladaj", "Picture Viewer") {}

  // The history keeps the newest 1021 names.
  static constexpr std::size_t HistorySize = 1021;
  static constexpr int MaxBackSteps = 255;

  Label Image1{*this, ControlKind::Label, "Image1", "", ""};
  MenuItem Open1{*this, ControlKind::MenuItem, "Open1", "", "Open"};
  MenuItem Next1{*this, ControlKind::MenuItem, "Next1", "", "Next"};
  MenuItem Previous1{*this, ControlKind::MenuItem, "Previous1", "", "Previous"};
  MenuItem Increase1{*this, ControlKind::MenuItem, "Increase1", "", "Increase"};
  MenuItem Desrease1{*this, ControlKind::MenuItem, "Desrease1", "", "Decrease"};
  MenuItem Save1{*this, ControlKind::MenuItem, "Save1", "", "Save"};
  MenuItem SaveasBMP2{*this, ControlKind::MenuItem, "SaveasBMP2", "Save1", "Save as BMP"};
  MenuItem SaveasGIF1{*this, ControlKind::MenuItem, "SaveasGIF1", "Save1", "Save as GIF"};
  MenuItem SaveasJPG1{*this, ControlKind::MenuItem, "SaveasJPG1", "Save1", "Save as JPG"};
  FileDialog OpenPictureDialog1{*this, "OpenPictureDialog1", false,
                                "pictures|*.gif;*.GIF;*.jpg;*.JPG;*.jpeg;*.JPEG;*.bmp;*.BMP|all files|*"};
  FileDialog SavePictureDialog1{*this, "SavePictureDialog1", true, "all files|*"};

  // The folder search of "Open": the files of one kind in the chosen file's folder, in name order, and
  // the one found last (-1 before the first).
  std::vector<std::string> SearchFiles;
  int SearchIndex = -1;
  // The names of the pictures shown (full paths), oldest first; the position of the shown one; the
  // steps taken back with "Previous" that "Next" walks forward again.
  std::vector<std::string> History;
  int HistoryPos = 0;
  int BackSteps = 0;

  // The picture: stretched to Image1 or at its own size.
  std::shared_ptr<ViewerPictures> Pictures;
  bool Stretch = false;
  std::uint64_t PictureVersion = 0;

  // Geometry: the window, and Image1 at (2, 2).
  int Width = 818, Height = 728;
  bool Sized = false;  // the start size taken (at the first activation)
  int ImageWidth = 222, ImageHeight = 222;
};

}  // namespace wl
