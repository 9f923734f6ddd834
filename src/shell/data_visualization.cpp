#include "shell/data_visualization.h"

#include <algorithm>
#include <vector>

#include "analysis/canvas.h"
#include "analysis/graph_data_pictures.h"
#include "experiments/discretization.h"
#include "platform/numfmt.h"
#include "shell/command.h"

namespace wl {

TGraphData& ShowDataVisualization(Workbench& wb) {
  auto g = std::make_shared<TGraphData>();
  g->Left = 2;
  g->Top = 48;
  g->Width = TGraphData::L + (wb.FontPct > 121 ? 835 : 796);
  g->Height = TGraphData::L + (wb.FontPct > 121 ? 580 : 550);
  std::vector<std::string> names;
  for (std::size_t f = 0; f < wb.Features.size() && f < static_cast<std::size_t>(std::max(wb.NumOfFeatures, 0)); ++f)
    if (wb.Features[f].Kind == 'c') names.push_back(wb.Features[f].Name);
  g->FYbox.SetItems(names);
  g->FXbox.SetItems(names);
  // The first two continuous features are chosen, the first across and the second up (a single one on
  // both axes), so that "START" draws at once.
  if (!names.empty()) {
    g->FXbox.SetItemIndex(0);
    g->FYbox.SetItemIndex(names.size() > 1 ? 1 : 0);
  }
  wb.GraphDataWindows.push_back(g);
  wb.GraphDataExists = true;
  ConnectGraphDataHandlers(wb, *g);
  wb.Plat.ShowWindow(g->Name());
  return *g;
}

void CloseDataVisualization(Workbench& wb, TGraphData& g) {
  auto& open = wb.GraphDataWindows;
  open.erase(std::remove_if(open.begin(), open.end(), [&g](const auto& p) { return p.get() == &g; }), open.end());
  wb.GraphDataExists = !open.empty();
}

std::string DataVisualizationRefusal(const TGraphData& g, const std::string& missing) {
  if (g.FYbox.Items().empty() || g.FXbox.Items().empty())
    return "There are no continuous features to draw: read a data set with continuous features, then open "
           "\"Data Visualization\" again.";
  if (Trim(missing).empty()) return "Choose a feature in \"Feature Y  (vertical)\" and in \"Feature X  (horizontal)\".";
  return "\"" + missing + "\" is not a feature of the data set read now: open \"Data Visualization\" again.";
}

void DataVisualizationStart(Workbench& wb, TGraphData& g) {
  const int k = StrToInt(wb.Form1.PSEdit.Text());
  Pictures(g).DataPlotBitmap = MakePicture(k * TGraphData::W, k * TGraphData::H);
  {
    // The statistics routine shows its stage in the main window's Epoch field, which goes back to the
    // last run's epoch once the statistics are made.
    Edit& epoch = wb.Form1.ep;
    const std::string shown = epoch.Text();
    struct Restore {
      Edit& field;
      const std::string& text;
      ~Restore() {
        field.SetText(text);
        field.Repaint();
      }
    } restore{epoch, shown};
    MakeResultsFileName(wb);
  }
  const auto indexOf = [&wb](const std::string& name) {
    for (std::size_t f = 0; f < wb.Features.size() && f < static_cast<std::size_t>(std::max(wb.NumOfFeatures, 0)); ++f)
      if (wb.Features[f].Name == name) return static_cast<int>(f);
    return -1;
  };
  const int y = indexOf(g.FYbox.Text()), x = indexOf(g.FXbox.Text());
  if (y < 0 || x < 0) {
    wb.Plat.ShowMessage(DataVisualizationRefusal(g, y < 0 ? g.FYbox.Text() : g.FXbox.Text()));
    return;
  }
  g.YIndex = y;
  g.XIndex = x;
  g.PointSize = k;
  DrawDataPlot(wb, g, y, x, k);
}

const std::vector<WindowHandlerRow<TGraphData>>& GraphDataHandlerTable() {
  static const std::vector<WindowHandlerRow<TGraphData>> table = {
      {"StartButton", ControlEvent::MouseReleased, DataVisualizationStart},
      {"SaveGraphButton", ControlEvent::MouseReleased, SaveDataPlot},
      {"Button1", ControlEvent::MouseReleased, SaveDataPlotAs},
  };
  return table;
}

void ConnectGraphDataHandlers(Workbench& wb, TGraphData& g) { ConnectWindowHandlerRows(wb, g, GraphDataHandlerTable()); }

}  // namespace wl
