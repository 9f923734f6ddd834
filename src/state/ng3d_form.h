#pragma once
// The error-surface window "Error Surface " (NG3D): its controls, the box geometry, the stored grid and
// the view settings. Its picture is a Qt image and lives in analysis/ng3d_pictures.h, reached through the
// window's Pictures handle; the routines that compute and draw the surface are in analysis/error_surface.h.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/controls.h"

namespace wl {

struct NG3DPictures;

namespace ng3d_items {
inline const std::vector<std::string> Components = {"1", "2", "3", "4", "5", "6"};
inline const std::vector<std::string> Trajectory = {"No Trajectory", "Color Trajectory", "Blue Trajectory",
                                                    "Detailed Trajectory"};
inline const std::vector<std::string> Quality = {"high quality", "medium quality", "poor quality",
                                                 "very poor quality"};
// The pens of ColorBox1, in its order: black, maroon, green, olive, navy, purple, teal, gray, silver, red,
// lime, yellow, blue, fuchsia, aqua, white ($BBGGRR).
inline const std::vector<std::string> ColorNames = {"clBlack", "clMaroon", "clGreen",  "clOlive",
                                                    "clNavy",  "clPurple", "clTeal",   "clGray",
                                                    "clSilver", "clRed",   "clLime",   "clYellow",
                                                    "clBlue",  "clFuchsia", "clAqua",  "clWhite"};
inline const std::vector<std::int64_t> ColorValues = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                                      0x808000, 0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF,
                                                      0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
}  // namespace ng3d_items

// The box of the picture for one point size (all in picture pixels).
struct SurfaceBox {
  double Scale = 0.85;
  int Height = 298, Left = 38, Top = 21, Lift = 18, Axis1DX = 255, Axis1DY = 153, Axis2DX = 280, Axis2DY = 102;
  int PictureHeight = 613, PictureWidth = 629;
};

// What a surface grid was sampled with: its lines (PlotLines after the cap), its step along a line
// (ESGridStep), the box and point size it was drawn in and the range of its axes. The grid's consumers
// (redraws, "EPS", the pick) take these, never the controls, which may have changed since.
struct SurfaceGridMade {
  int Lines = 0;
  int Step = 1;
  int PointSize = 1;
  SurfaceBox Box;
  double Range = 0.0;
  int C1Index = 0, C2Index = 1;
};

// An epoch's point of the trajectory on the surface: its picture place (Y lies BoxLift below the drawn
// point) and the epoch's recorded error.
struct TTrajectoryPoint {
  int X = 0, Y = 0;
  float E = 0.0f;
};

// Where an epoch's weight vector lies in the box of an animation frame: U pixels from the centre along
// c1, T a fraction of the c2 axis, E the epoch's recorded error.
struct TFramePosition {
  float U = 0.0f, T = 0.0f, E = 0.0f;
};

class TNG3D : public Form {
 public:
  TNG3D();

  Label I1{*this, ControlKind::Label, "I1", "", ""};
  Label I2{*this, ControlKind::Label, "I2", "", ""};
  Label I3{*this, ControlKind::Label, "I3", "", ""};
  Label PaintBox1{*this, ControlKind::Label, "PaintBox1", "", ""};
  Edit c1edit{*this, "c1edit", "", "c1", "", 0};
  Edit c2Edit{*this, "c2Edit", "", "c2", "", 0};
  Edit erEdit{*this, "erEdit", "", "ES E", "", 0};
  Edit TrEdit{*this, "TrEdit", "", "TR E", "", 0};
  Button SaveButton{*this, ControlKind::Button, "SaveButton", "", "Save"};
  Button Button2{*this, ControlKind::Button, "Button2", "", "Save As"};
  Button C2{*this, ControlKind::Button, "C2", "", "C1"};
  Button C1{*this, ControlKind::Button, "C1", "", "C2"};
  Button tc1{*this, ControlKind::Button, "tc1", "", "tc1"};
  Button tc2{*this, ControlKind::Button, "tc2", "", "tc2"};
  ComboBox ColorBox1{*this, ControlKind::ComboBox, "ColorBox1", "", "", ng3d_items::ColorNames, 0};
  ComboBox TRBox{*this, ControlKind::ComboBox, "TRBox", "", "", ng3d_items::Trajectory, 0};
  Edit ThreeDEdit{*this, "ThreeDEdit", "", "c1 range", "100", 5};
  Edit LGEdit{*this, "LGEdit", "", "Lines", "25", 2};
  ComboBox c1box{*this, ControlKind::ComboBox, "c1box", "", "c1", ng3d_items::Components, 0};
  ComboBox c2box{*this, ControlKind::ComboBox, "c2box", "", "c2", ng3d_items::Components, 1};
  ComboBox ESQBox{*this, ControlKind::ComboBox, "ESQBox", "", "", ng3d_items::Quality, 2};
  Button RepB{*this, ControlKind::Button, "RepB", "", "Only Plot"};
  Edit ReDrawEdit{*this, "ReDrawEdit", "", "", "-1", 5};
  Button Button1{*this, ControlKind::Button, "Button1", "", "="};
  Button Button3{*this, ControlKind::Button, "Button3", "", ">"};
  Button Button4{*this, ControlKind::Button, "Button4", "", "<"};
  Button Button5{*this, ControlKind::Button, "Button5", "", "Cmp Errors"};
  FileDialog SGDialog{*this, "SGDialog", true, "GIF|*.gif"};

  // The picture (analysis/ng3d_pictures.h); made by the first preparation.
  std::shared_ptr<NG3DPictures> Pictures;
  std::uint64_t PictureVersion = 0;  // counts the copies of the picture to the window

  SurfaceBox Box;
  int MirrorC1 = 1, MirrorC2 = 1;
  // [family][line][point]: heights in pixels above the bottom face.
  std::vector<std::vector<std::vector<float>>> SurfaceGrid;
  bool GridReady = false;  // a grid has been computed since start-up
  SurfaceGridMade GridMade;  // what SurfaceGrid was sampled with (state/analysis_shapes.h)
  bool SurfaceDrawn = false;
  int ClickX = 0, ClickY = 0;
  // The point-pick marker I2: shown, its left, top and height.
  bool MarkerShown = false;
  int MarkerLeft = 0, MarkerTop = 0, MarkerHeight = 0;

  // The epoch trajectory's points (the right-click pick searches them) and the trajectory marker I3.
  std::vector<TTrajectoryPoint> TrajectoryPoints;
  bool TrajectoryMarkerShown = false;
  int TrajectoryMarkerLeft = 0, TrajectoryMarkerTop = 0, TrajectoryMarkerHeight = 0;
  // The animation frames' positions of the epochs, from the last frame that computed them.
  std::vector<TFramePosition> FramePositions;

  // Window geometry.
  int Left = 0, Top = 0, Width = 640, Height = 768, PanelTop = 620, PanelHeight = 114;
  bool Shown = false;

  void ShowBitmap();
};

}  // namespace wl
