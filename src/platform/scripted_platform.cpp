#include "platform/scripted_platform.h"

#include "platform/controls.h"
#include "platform/paths.h"

namespace wl {

void ScriptedPlatform::ShowMessage(const std::string& text, const std::string& caption) {
  Messages.push_back({text, caption});
}

Answer ScriptedPlatform::Ask(const std::string& text, const std::string& caption, Buttons buttons) {
  Questions.push_back({text, caption});
  if (QuestionAnswers.empty()) {
    if (!Starved) Starved = "a question was asked (\"" + text + "\") but no answer was queued";
    return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
  }
  Answer a = QuestionAnswers.front();
  QuestionAnswers.pop_front();
  return a;
}

bool ScriptedPlatform::Execute(FileDialog& dlg) {
  Dialogs.push_back({dlg.Name(), dlg.Filter, dlg.InitialDir, dlg.IsSave()});
  auto& queue = dlg.IsSave() ? SaveAnswers : OpenAnswers;
  if (queue.empty()) {
    if (!Starved)
      Starved = std::string("the ") + (dlg.IsSave() ? "save" : "open") + " dialog " + dlg.Name() +
                " was shown but no answer was queued";
    return false;
  }
  auto a = queue.front();
  queue.pop_front();
  if (!a) return false;
  dlg.FileName = (!a->empty() && (*a)[0] == '/') ? *a : ProgramPath(ProgramDir, *a);
  return true;
}

}  // namespace wl
