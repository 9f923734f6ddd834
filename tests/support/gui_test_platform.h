#pragma once
// What the window tests of the program share: the Qt platform answering its dialogs and questions from
// the test, and a screen large enough that no window is moved to fit it.
#include <QRect>
#include <string>
#include <vector>

#include "gui/qt_platform.h"
#include "gui/screen_place.h"

namespace wl::test {

// Messages are kept, every question is answered "Yes", the open dialogs take OpenAnswers in turn (a
// dialog with none left is cancelled), and reports are not opened.
class AnsweringQtPlatform : public QtPlatform {
 public:
  using QtPlatform::QtPlatform;
  void ShowMessage(const std::string& text, const std::string&) override { Messages.push_back(text); }
  Answer Ask(const std::string&, const std::string&, Buttons) override { return Answer::Yes; }
  bool Execute(FileDialog& dlg) override {
    if (OpenAnswers.empty()) return false;
    dlg.FileName = OpenAnswers.front();
    OpenAnswers.erase(OpenAnswers.begin());
    return true;
  }
  void OpenInEditor(const std::string&) override {}
  std::vector<std::string> Messages, OpenAnswers;
};

// While it lives, the screen is taken as 8000 x 8000 pixels.
struct LargeScreenArea {
  LargeScreenArea() { SetScreenArea(QRect(0, 0, 8000, 8000)); }
  ~LargeScreenArea() { SetScreenArea(QRect()); }
};

}  // namespace wl::test
