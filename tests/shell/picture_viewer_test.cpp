// The picture viewer on a folder of generated GIF, JPEG and BMP files: the folder search, the history
// with its back steps, the captions, the fit rule and the three ways of saving.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/picture_saving.h"
#include "analysis/viewer_pictures.h"
#include "platform/errors.h"
#include "shell/command.h"
#include "shell/on_top.h"
#include "shell/picture_viewer.h"
#include "shell/shell_test_env.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

QImage Filled(int w, int h, QRgb c) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(c);
  return img;
}

class PictureViewerTest : public test::ShellTest {
 protected:
  PictureViewerTest() {
    ConnectHandlers(*wb);
    fs::create_directories(PathOf("pics"));
    // Three GIFs (given out of order and in mixed case), a JPEG, a BMP, and a text file.
    WriteGif(Filled(300, 250, qRgb(255, 0, 0)), PathOf("pics/b.gif"));
    WriteGif(Filled(100, 80, qRgb(0, 0, 255)), PathOf("pics/A.GIF"));
    WriteGif(Filled(240, 240, qRgb(0, 255, 0)), PathOf("pics/c.Gif"));
    WriteJpeg(Filled(64, 48, qRgb(200, 200, 200)), PathOf("pics/p.jpg"));
    WriteBmp(Filled(10, 10, qRgb(0, 0, 0)), PathOf("pics/z.bmp"));
    Write("pics/notes.txt", "not a picture");
  }
  TPrzegladaj& Viewer() {
    ShowPictureViewer(*wb);
    return *wb->Przegladaj;
  }
  std::string P(const std::string& name) const { return PathOf("pics/" + name); }
};

// A JPEG that cannot be written (its part file leads to a full disk) is refused naming the picture; the
// picture before stays whole and no part file is left.
TEST_F(PictureViewerTest, APictureThatCannotBeWrittenLeavesTheOneBefore) {
  const std::string path = P("p.jpg");
  const std::string before = test::ReadText(path);
  fs::create_symlink("/dev/full", path + ".part");
  try {
    WriteJpeg(Filled(64, 48, qRgb(10, 20, 30)), path);
    ADD_FAILURE() << "written";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot write the picture " + path, 0), 0u) << e.what();
  }
  ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(path)));
  EXPECT_EQ(test::ReadText(path), before);
  EXPECT_FALSE(fs::exists(fs::symlink_status(path + ".part")));
  // Written whole, it replaces the picture.
  WriteJpeg(Filled(64, 48, qRgb(10, 20, 30)), path);
  EXPECT_NE(test::ReadText(path), before);
  EXPECT_FALSE(fs::exists(fs::symlink_status(path + ".part")));
  // The other writers replace their pictures whole as well (a BMP, a GIF).
  WriteBmp(Filled(12, 12, qRgb(1, 2, 3)), P("z.bmp"));
  EXPECT_EQ(ReadPicture(P("z.bmp")).size(), QSize(12, 12));
}

TEST_F(PictureViewerTest, TheFolderSearchTakesTheFirstKindFound) {
  EXPECT_EQ(PictureSearch(PathOf("pics")), (std::vector<std::string>{P("A.GIF"), P("b.gif"), P("c.Gif")}));
  fs::remove(P("A.GIF"));
  fs::remove(P("b.gif"));
  fs::remove(P("c.Gif"));
  EXPECT_EQ(PictureSearch(PathOf("pics")), (std::vector<std::string>{P("p.jpg")}));
  fs::remove(P("p.jpg"));
  EXPECT_EQ(PictureSearch(PathOf("pics")), (std::vector<std::string>{P("z.bmp")}));
}

TEST_F(PictureViewerTest, OpenThenNextWalksTheGifsAndPreviousStepsBack) {
  const std::string cwd = fs::current_path().string();
  TPrzegladaj& v = Viewer();
  EXPECT_TRUE(wb->ViewerFormExists);
  EXPECT_EQ(v.OpenPictureDialog1.InitialDir, PathOf("results"));
  EXPECT_EQ(v.SavePictureDialog1.InitialDir, PathOf("results"));
  EXPECT_EQ(v.ImageWidth, 802);
  EXPECT_EQ(v.ImageHeight, 656);
  EXPECT_EQ(wb->OnTopForm.FormTopBox.ItemIndex(), 7);

  plat.OpenAnswers = {P("p.jpg")};
  v.Open1.UserClick();
  EXPECT_EQ(v.Caption(), P("p.jpg") + std::string(31, ' '));
  EXPECT_EQ(fs::current_path().string(), cwd);
  EXPECT_FALSE(v.Stretch);  // smaller than Image1: at its own size

  // A JPEG among GIFs: the search starts at the first GIF; "Next" walks them all and stops at the last,
  // "Previous" at the first; a step past an end costs no step back.
  struct Step {
    MenuItem TPrzegladaj::*Item;
    std::string Shown, Blanks;
    int BackSteps;
  };
  const Step steps[] = {
      {&TPrzegladaj::Next1, "A.GIF", std::string(25, ' '), 0},
      {&TPrzegladaj::Next1, "b.gif", std::string(25, ' '), 0},
      {&TPrzegladaj::Next1, "c.Gif", std::string(25, ' '), 0},
      {&TPrzegladaj::Next1, "c.Gif", std::string(25, ' '), 0},  // past the last: nothing
      {&TPrzegladaj::Next1, "c.Gif", std::string(25, ' '), 0},
      {&TPrzegladaj::Previous1, "b.gif", std::string(21, ' '), 1},
      {&TPrzegladaj::Previous1, "A.GIF", std::string(21, ' '), 2},
      {&TPrzegladaj::Previous1, "p.jpg", std::string(21, ' '), 3},
      {&TPrzegladaj::Previous1, "p.jpg", std::string(21, ' '), 3},  // at the oldest: nothing
      {&TPrzegladaj::Next1, "A.GIF", std::string(25, ' '), 2},
      {&TPrzegladaj::Next1, "b.gif", std::string(25, ' '), 1},
      {&TPrzegladaj::Next1, "c.Gif", std::string(25, ' '), 0},
      {&TPrzegladaj::Next1, "c.Gif", std::string(25, ' '), 0},  // the search again: at its end
      {&TPrzegladaj::Previous1, "b.gif", std::string(21, ' '), 1},  // one step back is one picture back
  };
  int i = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE(i++);
    (v.*s.Item).UserClick();
    EXPECT_EQ(v.Caption().substr(0, P(s.Shown).size()), P(s.Shown));
    EXPECT_EQ(v.BackSteps, s.BackSteps);
    EXPECT_EQ(v.History[static_cast<std::size_t>(v.HistoryPos)], P(s.Shown));
  }
  EXPECT_EQ(v.History, (std::vector<std::string>{P("p.jpg"), P("A.GIF"), P("b.gif"), P("c.Gif")}));
  EXPECT_TRUE(plat.Messages.empty());


  // The fit rule: c.Gif (240 x 240) is stretched into a 222 x 222 Image1, not into a larger one.
  ViewerResize(v, 238, 294);
  EXPECT_TRUE(v.Stretch);
  ViewerResize(v, 818, 728);
  EXPECT_FALSE(v.Stretch);
  v.Increase1.UserClick();
  EXPECT_TRUE(v.Stretch);
  v.Desrease1.UserClick();
  EXPECT_FALSE(v.Stretch);

  // A size the user gave the window stays when it becomes active again.
  ViewerResize(v, 600, 500);
  ViewerActivate(*wb, v);
  EXPECT_EQ(v.Width, 600);
  EXPECT_EQ(v.ImageHeight, 500 - 72);
  // The second GIF opened: "Next" goes on to the third and round to the first, which it then keeps.
  plat.OpenAnswers = {P("b.gif")};
  v.Open1.UserClick();
  for (const char* shown : {"c.Gif", "A.GIF", "A.GIF"}) {
    v.Next1.UserClick();
    EXPECT_EQ(v.Caption(), P(shown) + std::string(25, ' '));
  }
}

TEST_F(PictureViewerTest, TheHistoryKeepsTheNewest1021Names) {
  TPrzegladaj& v = Viewer();
  for (int i = 0; i < 1025; ++i) AddToHistory(v, std::string(1, 'n').append(std::to_string(i)));
  ASSERT_EQ(v.History.size(), 1021u);
  EXPECT_EQ(v.History.front(), "n4");
  EXPECT_EQ(v.History.back(), "n1024");
  EXPECT_EQ(v.HistoryPos, 1020);
}

TEST_F(PictureViewerTest, AnUnreadableFileLeavesTheLastPictureWithAMessage) {
  TPrzegladaj& v = Viewer();
  Write("pics/broken.gif", "GIF89a but no more");
  plat.OpenAnswers = {P("b.gif"), P("broken.gif"), P("notes.txt")};
  v.Open1.UserClick();
  const std::string caption = v.Caption();
  const QImage shown = Pictures(v).Picture;
  v.Open1.UserClick();
  v.Open1.UserClick();
  ASSERT_EQ(plat.Messages.size(), 2u);
  EXPECT_NE(plat.Messages[0].Text.find("broken.gif"), std::string::npos);
  EXPECT_NE(plat.Messages[1].Text.find("notes.txt"), std::string::npos);
  EXPECT_EQ(v.Caption(), caption);
  EXPECT_EQ(Pictures(v).Picture, shown);
  EXPECT_EQ(v.History, std::vector<std::string>{P("b.gif")});
}

// A picture size is checked before anything of that size is allocated: against what the viewer takes and
// against what the file's bytes can code. The picture shown stays.
TEST_F(PictureViewerTest, APictureLargerThanItsFileCanHoldIsRefused) {
  // A 35-byte GIF with a 65535 x 65535 screen; one with a 4 x 4 screen and a 65535 x 32767 frame.
  const auto gif = [](int sw, int sh, int fw, int fh) {
    std::string g = "GIF89a";
    for (int v : {sw, sh}) g += {static_cast<char>(v & 255), static_cast<char>(v >> 8)};
    g += std::string("\x80\0\0\0\0\0\xff\xff\xff,\0\0\0\0", 14);
    for (int v : {fw, fh}) g += {static_cast<char>(v & 255), static_cast<char>(v >> 8)};
    g += std::string("\0\x02\x02\x4c\x01\0;", 7);
    return g;
  };
  Write("pics/screen.gif", gif(65535, 65535, 1, 1));
  Write("pics/frame.gif", gif(4, 4, 65535, 32767));
  Write("pics/fits.gif", gif(3, 2, 1, 1));
  ASSERT_EQ(Read("pics/screen.gif").size(), 35u);
  // The saved JPEG with its frame saying 60000 x 60000.
  std::string jpeg = Read("pics/p.jpg");
  for (std::size_t i = 2; i + 9 < jpeg.size();) {
    const auto marker = static_cast<unsigned char>(jpeg[i + 1]);
    if (marker == 0xC0) {
      for (std::size_t at : {i + 5, i + 7}) jpeg.replace(at, 2, "\xea\x60");
      break;
    }
    i += 2 + static_cast<unsigned char>(jpeg[i + 2]) * 256 + static_cast<unsigned char>(jpeg[i + 3]);
  }
  Write("pics/huge.jpg", jpeg);

  const std::pair<const char*, const char*> cases[] = {
      {"screen.gif", "a screen of 65535 x 65535 pixels is larger than the viewer takes (67108864 pixels)"},
      {"frame.gif", "a frame of 65535 x 32767 pixels is larger than the viewer takes (67108864 pixels)"},
      {"huge.jpg", "a picture of 60000 x 60000 pixels is larger than the viewer takes (67108864 pixels)"},
  };
  for (auto [name, why] : cases) {
    try {
      ReadPicture(P(name));
      ADD_FAILURE() << name << " was read";
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot read the picture " + P(name) + ": " + why);
    }
  }
  EXPECT_EQ(ReadPicture(P("fits.gif")).size(), QSize(3, 2));
  // Within the viewer's bound but more than the bytes can code.
  Write("pics/dense.gif", gif(4000, 4000, 4000, 4000));
  try {
    ReadPicture(P("dense.gif"));
    ADD_FAILURE() << "dense.gif was read";
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find("a frame of 4000 x 4000 pixels cannot be held by a file of 35 bytes"),
              std::string::npos)
        << e.what();
  }

  TPrzegladaj& v = Viewer();
  plat.OpenAnswers = {P("b.gif"), P("screen.gif"), P("huge.jpg")};
  v.Open1.UserClick();
  const QImage shown = Pictures(v).Picture;
  v.Open1.UserClick();
  v.Open1.UserClick();
  ASSERT_EQ(plat.Messages.size(), 2u);
  EXPECT_EQ(Pictures(v).Picture, shown);
}

TEST_F(PictureViewerTest, SavingAppendsTheExtensionAndWritesThatKind) {
  TPrzegladaj& v = Viewer();
  // Nothing is shown yet: nothing to save, no dialog.
  v.SaveasBMP2.UserClick();
  EXPECT_TRUE(plat.Dialogs.empty());

  QImage colours(40, 30, QImage::Format_RGB32);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) colours.setPixel(x, y, qRgb(x * 6, y * 8, 130));
  WriteBmp(colours, P("colours.bmp"));
  plat.OpenAnswers = {P("colours.bmp")};
  v.Open1.UserClick();
  // The kind's extension is added to a name without it; a name ending in it (in any letter case) keeps
  // its own; the dialog offers the files of the kind.
  const struct {
    MenuItem TPrzegladaj::*Item;
    const char *Typed, *Written, *Filter;
  } saves[] = {{&TPrzegladaj::SaveasJPG1, "p.jpg", "p.jpg", "JPG|*.jpg|all files|*"},
               {&TPrzegladaj::SaveasGIF1, "x.gif", "x.gif", "GIF|*.gif|all files|*"},
               {&TPrzegladaj::SaveasGIF1, "X2.GIF", "X2.GIF", "GIF|*.gif|all files|*"},
               {&TPrzegladaj::SaveasGIF1, "out", "out.gif", "GIF|*.gif|all files|*"},
               {&TPrzegladaj::SaveasGIF1, "y.jpg", "y.jpg.gif", "GIF|*.gif|all files|*"},
               {&TPrzegladaj::SaveasBMP2, "out", "out.bmp", "BMP|*.bmp|all files|*"},
               {&TPrzegladaj::SaveasBMP2, "z2.bmp", "z2.bmp", "BMP|*.bmp|all files|*"}};
  for (const auto& c : saves) {
    SCOPED_TRACE(c.Typed);
    plat.SaveAnswers = {P(c.Typed)};
    (v.*c.Item).UserClick();
    EXPECT_TRUE(fs::exists(P(c.Written)));
    EXPECT_EQ(plat.Dialogs.back().Filter, c.Filter);
  }
  EXPECT_TRUE(plat.Messages.empty());
  for (const auto& entry : fs::directory_iterator(PathOf("pics"))) {
    std::string name = entry.path().filename().string();
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char ch) { return std::tolower(ch); });
    for (const char* twice : {".gif.gif", ".jpg.jpg", ".bmp.bmp"}) EXPECT_EQ(name.find(twice), std::string::npos) << name;
  }

  const QImage jpg = ReadJpegPicture(P("p.jpg"));
  EXPECT_EQ(jpg.size(), QSize(40, 30));
  const QImage gif = ReadGifPicture(P("out.gif"));
  ASSERT_EQ(gif.size(), QSize(40, 30));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const QRgb c = gif.pixel(x, y);
      ASSERT_EQ(qRed(c) % 51 + qGreen(c) % 51 + qBlue(c) % 51, 0) << x << "," << y;
    }

  // A GIF loaded and saved as BMP gives a BMP file, not the GIF's bytes.
  plat.OpenAnswers = {P("b.gif")};
  v.Open1.UserClick();
  plat.SaveAnswers = {P("fromgif")};
  v.SaveasBMP2.UserClick();
  EXPECT_EQ(Read("pics/fromgif.bmp").substr(0, 2), "BM");
  EXPECT_EQ(ReadBmpPicture(P("fromgif.bmp")).pixel(5, 5), qRgb(255, 0, 0));
}

TEST_F(PictureViewerTest, TheSelectorOpensTheViewerAndClosingDestroysIt) {
  ChooseTopForm(*wb, 7);
  ASSERT_TRUE(wb->Przegladaj);
  EXPECT_EQ(wb->FindWindow("Przegladaj"), wb->Przegladaj.get());
  AddToHistory(*wb->Przegladaj, "x");
  ChooseTopForm(*wb, 7);  // the same window again
  EXPECT_EQ(wb->Przegladaj->History.size(), 1u);
  CloseViewer(*wb);
  EXPECT_FALSE(wb->ViewerFormExists);
  EXPECT_EQ(wb->FindWindow("Przegladaj"), nullptr);
  ChooseTopForm(*wb, 7);  // a new one, its history cleared
  EXPECT_TRUE(wb->Przegladaj->History.empty());
}

}  // namespace
}  // namespace wl
