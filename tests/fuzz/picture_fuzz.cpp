// The picture viewer: "Open" on a GIF, JPEG or BMP file (the kind by the file's first bytes, as a file
// saved by the program would be named), then the picture shown stretched and at its own size, and saved
// as BMP. A picture that cannot be read must say so and leave the previous picture shown.
#include <QGuiApplication>
#include <cstdlib>

#include "analysis/viewer_pictures.h"
#include "fuzz_support.h"
#include "shell/picture_viewer.h"

namespace wl::fuzz {

namespace {

const char* ExtensionFor(std::string_view bytes) {
  if (bytes.starts_with("GIF")) return ".gif";
  if (bytes.starts_with("\xFF\xD8")) return ".jpg";
  if (bytes.starts_with("BM")) return ".bmp";
  static const char* const kinds[] = {".gif", ".jpg", ".bmp"};
  return kinds[bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]) % 3];
}

void NeedApplication() {
  static std::unique_ptr<QGuiApplication> app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "picture_fuzz";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
  }();
}

}  // namespace

void FuzzPicture(const std::uint8_t* data, std::size_t size) {
  NeedApplication();
  const std::string_view bytes = AsText(data, size);
  FuzzProgram p(false);
  p.Start();
  Workbench& wb = p.Wb();
  TPrzegladaj* viewer = nullptr;
  if (!p.Run([&] { viewer = &ShowPictureViewer(wb); }) || !viewer) Broken("the viewer did not open");
  // The picture a user had open: 3 x 2 pixels.
  QImage small(3, 2, QImage::Format_RGB32);
  small.fill(qRgb(10, 20, 30));
  if (!small.save(QString::fromStdString(p.Path("results/shown.bmp")), "BMP")) Broken("cannot write shown.bmp");
  p.Plat().OpenAnswers.push_back("results/shown.bmp");
  if (!p.Run([&] { ViewerOpen(wb, *viewer); })) Broken("the first picture was refused");
  p.TakeMessages();

  const std::string name = std::string("results/fuzz") + ExtensionFor(bytes);
  p.Write(name, bytes);
  p.Plat().OpenAnswers.push_back(name);
  const bool opened = p.Run([&] { ViewerOpen(wb, *viewer); });
  if (!opened) {
    if (p.TakeMessages().empty()) Broken("the picture was refused without a message");
    if (Pictures(*viewer).Picture.size() != small.size()) Broken("a refused picture changed the one shown");
    return;
  }
  if (Pictures(*viewer).Picture.isNull()) Broken("a picture was opened but nothing is shown");
  p.Run([&] { ViewerIncrease(wb, *viewer); });
  p.Run([&] { ViewerDecrease(wb, *viewer); });
  p.Plat().SaveAnswers.push_back("results/again");
  p.Run([&] { ViewerSaveAsBMP(wb, *viewer); });
}

}  // namespace wl::fuzz
