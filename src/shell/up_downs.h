#pragma once
// The up-down controls of the trajectory windows ("Size", the shifts): each arrow is a command of its
// own. The windows' view and the script driver click them through here.
#include <functional>
#include <string>
#include <vector>

#include "state/workbench.h"

namespace wl {

struct UpDownRow {
  std::string Window, Control;
  // up: the up arrow, or the right arrow of a horizontal up-down.
  std::function<void(Workbench&, bool up)> Run;
};

const std::vector<UpDownRow>& UpDownTable();

// The row of that window's control, or nullptr when it is not an up-down.
const UpDownRow* FindUpDown(const std::string& window, const std::string& control);

// One arrow clicked by the user: the command runs as every user command does. False when the control is
// no up-down or the command did not end normally.
bool ClickUpDown(Workbench& wb, const std::string& window, const std::string& control, bool up);

}  // namespace wl
