#pragma once
// The NG error-section window "NG ES Section" (NGF): its controls and its geometry. Its chart is a Qt
// image and lives in analysis/ngf_pictures.h, reached through the window's Pictures handle; the routines
// that draw it are in analysis/ng_section.h, and the trainers reach them through the hooks table.
#include <cstdint>
#include <memory>

#include "platform/controls.h"

namespace wl {

struct NGFPictures;

class TNGF : public Form {
 public:
  TNGF();

  // The drawing surface and the (hidden) image; the view paints the chart in their place.
  Label PaintBox1{*this, ControlKind::Label, "PaintBox1", "", ""};
  Label Image1{*this, ControlKind::Label, "Image1", "", ""};
  Button Button1{*this, ControlKind::Button, "Button1", "", "Save"};
  Button Button2{*this, ControlKind::Button, "Button2", "", "Save As"};

  // The chart and the pen that draws on it (analysis/ngf_pictures.h); made when the axes are first drawn.
  std::shared_ptr<NGFPictures> Pictures;
  // Counts the copies of the chart to the window; the view repaints when it changes.
  std::uint64_t PictureVersion = 0;

  // Window geometry: at (0, 0), 600 wide and 600 high (610 with large fonts).
  int Left = 0, Top = 0, Width = 600, Height = 600;

  // Copies the chart to the window.
  void ShowBitmap();
};

}  // namespace wl
