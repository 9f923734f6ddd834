// The handler rows against the windows' control registries: a row must name a control its window has.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/scripted_platform.h"
#include "shell/command.h"
#include "shell/data_visualization.h"
#include "shell/picture_viewer.h"
#include "shell/up_downs.h"
#include "state/workbench.h"

namespace wl {
namespace {

TEST(HandlerRowsTest, EveryRowNamesAControlOfItsWindow) {
  ScriptedPlatform plat;
  Workbench wb(plat, "/nonexistent/weightlab");
  EXPECT_EQ(UnknownHandlerControls(wb.Form1, HandlerTable()), std::vector<std::string>{});
  EXPECT_EQ(UnknownHandlerControls(wb.GTP, GTPHandlerTable()), std::vector<std::string>{});
  EXPECT_EQ(GTPHandlerTable().size(), 4u);
  EXPECT_EQ(UnknownHandlerControls(wb.NGF, NGFHandlerTable()), std::vector<std::string>{});
  EXPECT_EQ(NGFHandlerTable().size(), 2u);
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(UnknownHandlerControls(wb.WeightForms[static_cast<std::size_t>(k)], WeightFormHandlerTable(k)),
              std::vector<std::string>{});
    EXPECT_EQ(WeightFormHandlerTable(k).size(), 2u);
  }
  for (Form* w : {static_cast<Form*>(&wb.HRF), static_cast<Form*>(&wb.ORF), static_cast<Form*>(&wb.HPF),
                  static_cast<Form*>(&wb.OPF)})
    EXPECT_EQ(UnknownHandlerControls(*w, RepresentationHandlerTable(w->Name())), std::vector<std::string>{})
        << w->Name();
  EXPECT_EQ(RepresentationHandlerTable("ORF").size(), 3u);
  EXPECT_EQ(UnknownHandlerControls(wb.NG3D, NG3DHandlerTable()), std::vector<std::string>{});
  EXPECT_EQ(NG3DHandlerTable().size(), 16u);
  EXPECT_EQ(UnknownHandlerControls(wb.Form2, Form2HandlerTable()), std::vector<std::string>{});
  EXPECT_EQ(UnknownHandlerControls(TGraphData(), RowNames(GraphDataHandlerTable())), std::vector<std::string>{});
  EXPECT_EQ(UnknownHandlerControls(TPrzegladaj(), RowNames(ViewerHandlerTable())), std::vector<std::string>{});
  EXPECT_EQ(ViewerHandlerTable().size(), 8u);
  EXPECT_EQ(UnknownHandlerControls(wb.LT2, LT2HandlerTable()), std::vector<std::string>{});
  EXPECT_EQ(UnknownHandlerControls(wb.LT3, LT3HandlerTable()), std::vector<std::string>{});
  EXPECT_EQ(UnknownHandlerControls(wb.EForm, EFormHandlerTable()), std::vector<std::string>{});
}

// Every up-down row names a control of its window that has no handler row of its own.
TEST(HandlerRowsTest, EveryUpDownIsAControlOfItsWindow) {
  ScriptedPlatform plat;
  Workbench wb(plat, "/nonexistent/weightlab");
  for (const UpDownRow& r : UpDownTable()) {
    Form* w = wb.FindWindow(r.Window);
    ASSERT_NE(w, nullptr) << r.Window;
    EXPECT_NE(w->Find(r.Control), nullptr) << r.Window << "." << r.Control;
  }
  EXPECT_EQ(UpDownTable().size(), 7u);
  EXPECT_EQ(FindUpDown("LT3", "c1box"), nullptr);
  EXPECT_FALSE(ClickUpDown(wb, "LT2", "Button1", true));
}

TEST(HandlerRowsTest, AMisspeltRowIsNamed) {
  ScriptedPlatform plat;
  Workbench wb(plat, "/nonexistent/weightlab");
  const Handler none = [](Workbench&) {};
  const std::vector<HandlerRow> rows = {{"TrainingT2", ControlEvent::MouseReleased, none},
                                        {"TraningT2", ControlEvent::MouseReleased, none},
                                        {"ResizeButton", ControlEvent::MouseReleased, none}};
  EXPECT_EQ(UnknownHandlerControls(wb.Form1, rows), (std::vector<std::string>{"row 2: TraningT2", "row 3: ResizeButton"}));
  EXPECT_EQ(UnknownHandlerControls(wb.GTP, rows), (std::vector<std::string>{"row 1: TrainingT2", "row 2: TraningT2"}));
}

}  // namespace
}  // namespace wl
