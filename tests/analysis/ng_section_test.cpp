// The NG error-section chart: its grid and thick lines where the axis ranges put them, the legend numbers,
// the section points inside the plot, and the picture saved as "_NG".
#include "analysis/ng_section.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/canvas.h"
#include "analysis/ngf_pictures.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"
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

// Each horizontal line is labelled with the error the trainers draw at its height, for every "Error axis"
// (lines 0.2 apart, 0.1 apart for an odd number of tenths, equal parts with more decimals for others),
// and the thick line stands at E = 1.
TEST_F(NGSectionTest, EachErrorLineIsLabelledWithTheErrorAtItsHeight) {
  struct Case {
    double R;
    std::vector<std::string> Labels;
  };
  const Case cases[] = {
      {2.0, {"2.0", "1.8", "1.6", "1.4", "1.2", "1.0", "0.8", "0.6", "0.4", "0.2", "0.0"}},
      {0.6, {"0.6", "0.4", "0.2", "0.0"}},
      {0.5, {"0.5", "0.4", "0.3", "0.2", "0.1", "0.0"}},
      {0.3, {"0.3", "0.2", "0.1", "0.0"}},
      {1.5, {"1.5", "1.4", "1.3", "1.2", "1.1", "1.0", "0.9", "0.8", "0.7", "0.6", "0.5", "0.4", "0.3", "0.2", "0.1",
             "0.0"}},
      {0.25, {"0.25", "0.00"}},
      {0.2, {"0.2", "0.0"}},
      {2.6, {"2.6", "2.4", "2.2", "2.0", "1.8", "1.6", "1.4", "1.2", "1.0", "0.8", "0.6", "0.4", "0.2", "0.0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.R);
    for (const int k : {1, 2}) {
      std::vector<std::string> labels;
      for (const NGErrorLine& l : NGSectionErrorLines(c.R, 30, 450, k)) {
        labels.push_back(l.Label);
        EXPECT_NEAR(l.Error, StrToFloat(l.Label), 1e-12) << l.Label;
        EXPECT_NEAR(l.Y, k * NGSectionErrorY(l.Error, c.R, 30, 450), 0.5) << l.Label;
      }
      EXPECT_EQ(labels, c.Labels);
    }
  }
  // The thick line: E = 1 on R = 2.6 stands 1.6 / 2.6 of the plot down from the top.
  wb->ErrorAxisRange = 2.6;
  DrawNGSectionAxes(*wb);
  const std::vector<GreyRun> runs = GreyRuns(Pictures(wb->NGF).NGFBitmap, 56, true);
  const int thick = RoundInt(NGSectionErrorY(1.0, 2.6, 30, 450));
  ASSERT_EQ(thick, 30 + RoundInt(450 * 1.6 / 2.6));
  bool found = false;
  for (const GreyRun& r : runs)
    if (r.Length == 2) {
      found = true;
      EXPECT_LE(r.Start, thick);
      EXPECT_GE(r.Start + 1, thick);
    }
  EXPECT_TRUE(found);
  if (const char* out = std::getenv("WL_SCREENSHOT_DIR")) {
    for (const double R : {0.5, 0.3, 2.6}) {
      wb->ErrorAxisRange = R;
      DrawNGSectionAxes(*wb);
      Pictures(wb->NGF).NGFBitmap.save(QString::fromStdString(std::string(out) + "/ng_section_" + std::to_string(R) + ".png"));
    }
  }
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

// About a hundred sections: the legend wraps round inside the picture, and once the colours come round
// again every new section makes the earlier curves paler while the grid keeps its grey.
TEST_F(NGSectionTest, ManySectionsWrapTheLegendAndFadeTheEarlierCurves) {
  DrawNGSectionAxes(*wb);
  wb->PointSize = 1;
  NGFPictures& g = Pictures(wb->NGF);
  DrawNGSectionCurve(*wb, 0, 0);
  NGSectionPoint(*wb, 100, 200, true);
  NGSectionPoint(*wb, 140, 200, false);
  const std::int64_t first = wb->PlotColors[0];
  for (int i = 1; i < 8; ++i) DrawNGSectionCurve(*wb, i, i);
  EXPECT_EQ(g.Pen.Pixel(120, 200), first);  // eight colours: nothing fades yet
  DrawNGSectionCurve(*wb, 8, 8);
  auto faded = [](std::int64_t c, int times) {
    std::int64_t out = 0;
    for (int shift : {0, 8, 16}) {
      int v = static_cast<int>((c >> shift) & 0xFF);
      for (int t = 0; t < times; ++t) v = 255 - RoundInt((255 - v) * kNGSectionFade);
      out |= static_cast<std::int64_t>(v) << shift;
    }
    return out;
  };
  EXPECT_EQ(g.Pen.Pixel(120, 200), faded(first, 1));
  EXPECT_EQ(g.Pen.Pixel(300, 120), clGray);  // the grid line of E = 0.8
  for (int i = 9; i < 12; ++i) DrawNGSectionCurve(*wb, i, i);
  EXPECT_EQ(g.Pen.Pixel(120, 200), faded(first, 4));

  // 21 rows from the top margin down to above the "h": section 30 takes row 9 (cleared first), and
  // the rest of the legend column only fades.
  ASSERT_EQ(NGSectionLegendRows(wb->NGChartHeight, wb->NGChartMargin), 21);
  for (int i = 12; i < 30; ++i) DrawNGSectionCurve(*wb, i, i);
  const QRect legend(563, 0, 26, 480);
  QImage expected = g.NGFBitmap.copy(legend);
  for (int y = 0; y < expected.height(); ++y)
    for (int x = 0; x < expected.width(); ++x) {
      const std::int64_t c = faded(ColorValue(expected.pixel(x, y)), 1);
      expected.setPixel(x, y, qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                                   static_cast<int>((c >> 16) & 0xFF)));
    }
  DrawNGSectionCurve(*wb, 30, 30);
  const QImage after = g.NGFBitmap.copy(legend);
  const int row9 = 30 + 22 * 9;
  bool written = false;
  for (int y = 0; y < after.height(); ++y)
    for (int x = 0; x < after.width(); ++x) {
      const bool same = ColorValue(after.pixel(x, y)) == ColorValue(expected.pixel(x, y));
      if (y >= row9 && y < row9 + 20) {
        written = written || !same;
      } else {
        EXPECT_TRUE(same) << x + legend.x() << "," << y;
      }
    }
  EXPECT_TRUE(written);
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
