#include "model/results_prefix.h"

#include "state/workbench.h"
#include "platform/numfmt.h"
#include "platform/paths.h"

namespace wl {

std::string MakeDataBaseName(std::string_view fileName) {
  const std::string name = FileNameOf(fileName);
  return Trim(std::string_view(name).substr(0, name.find('.')));
}

void MakeResultsPrefix(Workbench& wb) {
  wb.DataBaseName = MakeDataBaseName(wb.DataFileName);
  const std::string dir = wb.Path("\\results");
  EnsureDirectory(dir);
  wb.ResultsPrefix = dir + "/" + wb.DataBaseName + "_" + IntToStr(wb.Plat.SecondsOfYear());
  wb.WeightsPictureNo = 1;
}

}  // namespace wl
