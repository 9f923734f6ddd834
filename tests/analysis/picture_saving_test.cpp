// Saving pictures: the 216-colour reduction, the GIF file read back with giflib, the picture names and
// the save dialog.
#include "analysis/picture_saving.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "analysis/canvas.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "platform/scripted_platform.h"
#include "support/qt_app_env.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

// A GIF file as giflib reads it.
struct Gif {
  int Width = 0, Height = 0, Frames = 0;
  std::vector<QRgb> Pixels;  // row by row, through the colour map
};

Gif ReadGif(const std::string& path) {
  int err = 0;
  GifFileType* f = DGifOpenFileName(path.c_str(), &err);
  EXPECT_NE(f, nullptr) << path;
  Gif g;
  if (!f) return g;
  EXPECT_EQ(DGifSlurp(f), GIF_OK);
  g.Width = f->SWidth;
  g.Height = f->SHeight;
  g.Frames = f->ImageCount;
  if (g.Frames >= 1) {
    const SavedImage& im = f->SavedImages[0];
    const ColorMapObject* map = im.ImageDesc.ColorMap ? im.ImageDesc.ColorMap : f->SColorMap;
    EXPECT_NE(map, nullptr);
    for (int i = 0; map && i < im.ImageDesc.Width * im.ImageDesc.Height; ++i) {
      const GifColorType c = map->Colors[im.RasterBits[i]];
      g.Pixels.push_back(qRgb(c.Red, c.Green, c.Blue));
    }
  }
  DGifCloseFile(f, &err);
  return g;
}

class PictureSavingTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_pictures_", {"results"});
  }
};

TEST(PaletteTest, ChannelsGoToTheNearestLevel) {
  const std::pair<int, int> cases[] = {{0, 0},   {25, 0},  {26, 1},  {51, 1},  {76, 1},  {77, 2}, {127, 2},
                                       {128, 3}, {178, 3}, {179, 4}, {229, 4}, {230, 5}, {255, 5}};
  for (auto [channel, level] : cases) EXPECT_EQ(PaletteLevel(channel), level) << channel;

  struct Case {
    QRgb in;
    QRgb out;
  } colours[] = {
      {qRgb(255, 0, 0), qRgb(255, 0, 0)},         {qRgb(192, 192, 192), qRgb(204, 204, 204)},
      {qRgb(0, 128, 0), qRgb(0, 153, 0)},         {qRgb(100, 26, 250), qRgb(102, 51, 255)},
      {qRgb(255, 255, 255), qRgb(255, 255, 255)}, {qRgb(12, 13, 14), qRgb(0, 0, 0)},
  };
  for (const Case& c : colours) EXPECT_EQ(PaletteColor(PaletteIndex(c.in)), c.out) << std::hex << c.in;
  EXPECT_EQ(PaletteIndex(qRgb(255, 0, 0)), 180);
  EXPECT_EQ(PaletteIndex(qRgb(0, 0, 255)), 5);
  // Every entry is its own nearest colour.
  for (int i = 0; i < 216; ++i) EXPECT_EQ(PaletteIndex(PaletteColor(i)), i);
}

TEST_F(PictureSavingTest, GifReadsBackAsTheReducedPicture) {
  QImage img = MakePicture(5, 3);
  img.setPixel(0, 0, qRgb(255, 0, 0));
  img.setPixel(4, 0, qRgb(0, 128, 0));
  img.setPixel(2, 1, qRgb(192, 192, 192));
  img.setPixel(3, 2, qRgb(100, 26, 250));
  const std::string path = (dir / "p.gif").string();
  WriteGif(img, path);
  const Gif g = ReadGif(path);
  EXPECT_EQ(g.Width, 5);
  EXPECT_EQ(g.Height, 3);
  EXPECT_EQ(g.Frames, 1);
  ASSERT_EQ(g.Pixels.size(), 15u);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(g.Pixels[static_cast<std::size_t>(y * 5 + x)], PaletteColor(PaletteIndex(img.pixel(x, y))))
          << x << "," << y;
  EXPECT_EQ(g.Pixels[0], qRgb(255, 0, 0));
  EXPECT_EQ(g.Pixels[4], qRgb(0, 153, 0));
  EXPECT_FALSE(fs::exists(path + ".part"));

  // A picture is created with the permissions of the reports (0666 less the umask), not owner-only.
  const mode_t oldMask = ::umask(022);
  WriteGif(img, path);
  WriteFileAtomically((dir / "report.txt").string(), "report\n");
  ::umask(oldMask);
  EXPECT_EQ(fs::status(path).permissions(), fs::status(dir / "report.txt").permissions());
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::others_read, fs::perms::others_read);

  // An unwritable place is a file error naming the file.
  try {
    WriteGif(img, (dir / "no" / "such" / "p.gif").string());
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find("no/such/p.gif"), std::string::npos) << e.what();
  }
}

TEST_F(PictureSavingTest, SavePictureNamesTheFileFromPrefixSuffixAndPointSize) {
  QImage img = MakePicture(40, 30);
  Canvas(img).SetPixel(0, 0, clRed);

  // Before any data set the name is the suffix part alone, in the program directory.
  SavePicture(*wb, &img, "_MSE");
  EXPECT_TRUE(fs::exists(dir / "_MSE_s1.gif"));
  // The picture keeps the white frame the save drew.
  EXPECT_EQ(Canvas(img).Pixel(0, 0), clWhite);
  EXPECT_EQ(Canvas(img).Pixel(39, 29), clWhite);

  wb->ResultsPrefix = (dir / "results" / "iris_86410").string();
  wb->Form1.PSEdit.SetText("3");
  EXPECT_EQ(PictureName(*wb, "_MSE"), "_MSE_s3");
  SavePicture(*wb, &img, "_MSE");
  const fs::path saved = dir / "results" / "iris_86410_MSE_s3.gif";
  ASSERT_TRUE(fs::exists(saved));
  const Gif g = ReadGif(saved.string());
  EXPECT_EQ(g.Width, 40);
  EXPECT_EQ(g.Pixels[0], qRgb(255, 255, 255));
  // Saving again replaces the file without asking.
  img = MakePicture(20, 10);
  SavePicture(*wb, &img, "_MSE");
  EXPECT_EQ(ReadGif(saved.string()).Width, 20);
  EXPECT_TRUE(plat.Questions.empty());

  // No picture, nothing written.
  SavePicture(*wb, nullptr, "_X");
  EXPECT_FALSE(fs::exists(dir / "results" / "iris_86410_X_s3.gif"));
}

TEST_F(PictureSavingTest, SaveAsProposesTheNameAndMovesTheResultsFolder) {
  QImage img = MakePicture(10, 10);
  wb->ResultsPrefix = (dir / "results" / "xor_10").string();
  fs::create_directories(dir / "elsewhere");

  plat.SaveAnswers.push_back(std::nullopt);
  SavePictureAs(*wb, &img, "_MSE");
  ASSERT_EQ(plat.Dialogs.size(), 1u);
  EXPECT_EQ(plat.Dialogs[0].Dialog, "SDialog");
  EXPECT_EQ(plat.Dialogs[0].Filter, "GIF|*.gif");
  EXPECT_EQ(plat.Dialogs[0].InitialDir, dir.string() + "/results/");
  EXPECT_TRUE(plat.Dialogs[0].Save);
  EXPECT_EQ(wb->GTP.SDialog.FileName, "xor_10_MSE_s1");
  EXPECT_TRUE(fs::is_empty(dir / "results"));

  plat.SaveAnswers.push_back("elsewhere/progress");
  SavePictureAs(*wb, &img, "_MSE");
  EXPECT_TRUE(fs::exists(dir / "elsewhere" / "progress.gif"));
  EXPECT_EQ(wb->ResultsDir, (dir / "elsewhere").string() + "/");
  plat.SaveAnswers.push_back("elsewhere/again.gif");
  SavePictureAs(*wb, &img, "_MSE");
  EXPECT_EQ(plat.Dialogs.back().InitialDir, (dir / "elsewhere").string() + "/");
  EXPECT_TRUE(fs::exists(dir / "elsewhere" / "again.gif"));
}

}  // namespace
}  // namespace wl
