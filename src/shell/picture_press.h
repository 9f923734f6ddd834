#pragma once
// Mouse presses on the pictures of the plot windows: one row per window whose picture reacts to a press,
// so that a click in the view and a press in a script run the same handler.
#include <string>
#include <vector>

#include "state/workbench.h"

namespace wl {

// A press at picture position (X, Y): the left button unless Right, with or without Ctrl held.
struct PicturePress {
  int X = 0, Y = 0;
  bool Right = false, Ctrl = false;
};

struct PicturePressRow {
  std::string Window;  // the window's name, as FindWindow knows it
  void (*Run)(Workbench&, const PicturePress&);
};

const std::vector<PicturePressRow>& PicturePressTable();

// Runs the press through the command boundary. False when the window's picture takes no presses.
bool PressPicture(Workbench& wb, const std::string& window, const PicturePress& press);

}  // namespace wl
