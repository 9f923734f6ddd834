// The NG error-section chart: its grid and thick lines where the axis ranges put them, the legend numbers,
// the section points inside the plot, and the picture saved as "_NG".
#include "analysis/ng_section.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "analysis/canvas.h"
#include "analysis/ngf_pictures.h"
#include "state/workbench.h"
#include "support/qt_app_env.h"
#include "support/test_support.h"

namespace wl {
namespace {

// The runs of grey pixels along a column (vertical) or a row: their start and length.
struct GreyRun {
  int Start, Length;
};
std::vector<GreyRun> GreyRuns(const QImage& img, int fixed, bool column) {
  std::vector<GreyRun> runs;
  const int n = column ? img.height() : img.width();
  for (int i = 0; i < n; ++i) {
    const QRgb p = column ? img.pixel(fixed, i) : img.pixel(i, fixed);
    if (ColorValue(p) != clGray) continue;
    if (!runs.empty() && runs.back().Start + runs.back().Length == i)
      ++runs.back().Length;
    else
      runs.push_back({i, 1});
  }
  return runs;
}

class NGSectionTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_ngsection_", {"results"});
    wb->ResultsPrefix = dir.string() + "/results/set_100";
    wb->ErrorAxisRange = 1.0;
    wb->fromH = -5;
    wb->toH = 450;
  }
};

TEST_F(NGSectionTest, ErrorAxisOfTwoHasElevenLinesAndTheThickOneAtOne) {
  wb->ErrorAxisRange = 2.0;
  DrawNGSectionAxes(*wb);
  const QImage& img = Pictures(wb->NGF).NGFBitmap;
  ASSERT_EQ(img.width(), 590);
  ASSERT_EQ(img.height(), 510);
  const std::vector<GreyRun> runs = GreyRuns(img, 56, true);
  ASSERT_EQ(runs.size(), 11u);
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const int y = 30 + 45 * static_cast<int>(i);
    EXPECT_LE(runs[i].Start, y) << i;
    EXPECT_GE(runs[i].Start + runs[i].Length - 1, y) << i;
    EXPECT_EQ(runs[i].Length, i == 5 ? 2 : 1) << i;  // labelled 2.0 down to 0.0; the sixth is 1.0
  }
  // The vertical lines: none at h = 0 with -5 .. 450, all thin.
  const std::vector<GreyRun> columns = GreyRuns(img, 100, false);
  ASSERT_EQ(columns.size(), 11u);
  for (const GreyRun& r : columns) EXPECT_EQ(r.Length, 1);
}

TEST_F(NGSectionTest, TheLineAtHZeroIsDrawnDoubleWidth) {
  wb->fromH = -1000;
  wb->toH = 1000;
  DrawNGSectionAxes(*wb);
  const std::vector<GreyRun> columns = GreyRuns(Pictures(wb->NGF).NGFBitmap, 100, false);
  ASSERT_EQ(columns.size(), 11u);
  for (std::size_t j = 0; j < columns.size(); ++j) EXPECT_EQ(columns[j].Length, j == 5 ? 2 : 1) << j;
  // Point size 2 doubles the picture.
  wb->Form1.PSEdit.SetText("2");
  DrawNGSectionAxes(*wb);
  EXPECT_EQ(Pictures(wb->NGF).NGFBitmap.width(), 1180);
  EXPECT_EQ(Pictures(wb->NGF).NGFBitmap.height(), 1020);
}

TEST_F(NGSectionTest, LegendNumbersBelowNinetyNineAreWritten) {
  DrawNGSectionAxes(*wb);
  QImage before = Pictures(wb->NGF).NGFBitmap.copy();
  DrawNGSectionCurve(*wb, 1, 150);
  EXPECT_EQ(Pictures(wb->NGF).NGFBitmap, before);           // not written
  EXPECT_EQ(Pictures(wb->NGF).Pen.PenColor(), wb->PlotColors[1]);  // the colour changes all the same
  DrawNGSectionCurve(*wb, 10, 12);
  EXPECT_EQ(Pictures(wb->NGF).Pen.PenColor(), wb->PlotColors[2]);
  EXPECT_NE(Pictures(wb->NGF).NGFBitmap, before);
}

TEST_F(NGSectionTest, PointsMoveThenDrawInTheCurvesColour) {
  DrawNGSectionAxes(*wb);
  wb->PointSize = 1;
  DrawNGSectionCurve(*wb, 1, 0);
  NGSectionPoint(*wb, 100, 200, true);
  EXPECT_NE(Pictures(wb->NGF).Pen.Pixel(100, 200), wb->PlotColors[1]);
  NGSectionPoint(*wb, 140, 200, false);
  for (int x = 100; x <= 140; ++x) EXPECT_EQ(Pictures(wb->NGF).Pen.Pixel(x, 200), wb->PlotColors[1]) << x;
}

TEST_F(NGSectionTest, SaveWritesTheNGPictureWithItsFrame) {
  SaveNGSection(*wb);  // nothing drawn yet: nothing written
  EXPECT_FALSE(std::filesystem::exists(dir / "results/set_100_NG_s1.gif"));
  DrawNGSectionAxes(*wb);
  Pictures(wb->NGF).Pen.SetPixel(0, 0, clBlack);
  SaveNGSection(*wb);
  EXPECT_TRUE(std::filesystem::exists(dir / "results/set_100_NG_s1.gif"));
  EXPECT_EQ(Pictures(wb->NGF).Pen.Pixel(0, 0), clWhite);
}

}  // namespace
}  // namespace wl
