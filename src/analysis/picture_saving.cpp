#include "analysis/picture_saving.h"

#include <fcntl.h>
#include <gif_lib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "analysis/canvas.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"

namespace wl {

int PaletteLevel(int channel) {
  // The levels are 51 apart, an odd step, so no channel value lies halfway between two of them.
  if (channel < 0) channel = 0;
  if (channel > 255) channel = 255;
  return (channel + 25) / 51;
}

int PaletteIndex(QRgb pixel) {
  return PaletteLevel(qRed(pixel)) * 36 + PaletteLevel(qGreen(pixel)) * 6 + PaletteLevel(qBlue(pixel));
}

QRgb PaletteColor(int index) { return qRgb(index / 36 * 51, index / 6 % 6 * 51, index % 6 * 51); }

std::vector<std::uint8_t> ReduceToPalette(const QImage& image) {
  const QImage img = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                         ? image
                         : image.convertToFormat(QImage::Format_RGB32);
  std::vector<std::uint8_t> out(static_cast<std::size_t>(img.width()) * static_cast<std::size_t>(img.height()));
  std::size_t i = 0;
  for (int y = 0; y < img.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < img.width(); ++x) out[i++] = static_cast<std::uint8_t>(PaletteIndex(row[x]));
  }
  return out;
}

namespace {

[[noreturn]] void GifFailed(const std::string& path, int code) {
  const char* why = GifErrorString(code);
  throw FileError("Cannot write the picture " + path + (why ? std::string(": ") + why : std::string()));
}

// The GIF file being written, closed on every way out.
class GifWriter {
 public:
  explicit GifWriter(const std::string& path) : path_(path) {
    // Opened here rather than by giflib, which creates its files readable by their owner only: a picture
    // gets the permissions of every other file the program writes (0666 less the umask).
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw FileError("Cannot write the picture " + path + ": " + std::strerror(errno));
    int err = 0;
    gif_ = EGifOpenFileHandle(fd, &err);
    if (!gif_) {
      ::close(fd);
      GifFailed(path_, err);
    }
  }
  ~GifWriter() {
    if (gif_) EGifCloseFile(gif_, nullptr);
  }
  GifWriter(const GifWriter&) = delete;
  GifWriter& operator=(const GifWriter&) = delete;

  GifFileType* operator->() const { return gif_; }
  GifFileType* get() const { return gif_; }
  void Check(int result) const {
    if (result == GIF_ERROR) GifFailed(path_, gif_->Error);
  }
  void Close() {
    int err = 0;
    GifFileType* g = gif_;
    gif_ = nullptr;
    if (EGifCloseFile(g, &err) == GIF_ERROR) GifFailed(path_, err);
  }

 private:
  std::string path_;
  GifFileType* gif_ = nullptr;
};

}  // namespace

void WriteGif(const QImage& image, const std::string& path) {
  const int w = image.width(), h = image.height();
  std::vector<std::uint8_t> pixels = ReduceToPalette(image);

  // A GIF colour table has a power-of-two size: the 216 colours and 40 unused black entries.
  GifColorType colours[256] = {};
  for (int i = 0; i < 216; ++i) {
    const QRgb c = PaletteColor(i);
    colours[i] = {static_cast<GifByteType>(qRed(c)), static_cast<GifByteType>(qGreen(c)),
                  static_cast<GifByteType>(qBlue(c))};
  }
  ColorMapObject* map = GifMakeMapObject(256, colours);
  if (!map) throw FileError("Cannot write the picture " + path + ": out of memory");

  // Written beside the target and renamed, so that a failed write leaves an earlier picture whole.
  const std::string tmp = path + ".part";
  try {
    GifWriter gif(tmp);
    gif.Check(EGifPutScreenDesc(gif.get(), w, h, 8, 0, map));
    gif.Check(EGifPutImageDesc(gif.get(), 0, 0, w, h, false, nullptr));
    for (int y = 0; y < h; ++y)
      gif.Check(EGifPutLine(gif.get(), pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w), w));
    gif.Close();
  } catch (...) {
    GifFreeMapObject(map);
    std::error_code ec;
    std::filesystem::remove(tmp, ec);
    throw;
  }
  GifFreeMapObject(map);
  std::error_code ec;
  std::filesystem::rename(tmp, path, ec);
  if (ec) {
    std::filesystem::remove(tmp, ec);
    throw FileError("Cannot write the picture " + path);
  }
}

std::string PictureName(const Workbench& wb, const std::string& suffix) {
  return suffix + "_s" + Trim(wb.Form1.PSEdit.Text());
}

std::string PicturePath(const Workbench& wb, const std::string& suffix) {
  const std::string prefix = wb.ResultsPrefix.empty() ? wb.ProgramDir + "/" : wb.ResultsPrefix;
  return prefix + PictureName(wb, suffix) + ".gif";
}

namespace {

void FramePicture(QImage& bitmap) {
  Canvas c(bitmap);
  c.SetPenColor(clWhite);
  c.FrameRect(0, 0, bitmap.width() - 1, bitmap.height() - 1);
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

void SavePicture(Workbench& wb, QImage* bitmap, const std::string& suffix) {
  if (!bitmap || bitmap->isNull()) return;
  FramePicture(*bitmap);
  WriteGif(*bitmap, PicturePath(wb, suffix));
}

void SavePictureAs(Workbench& wb, QImage* bitmap, const std::string& suffix) {
  if (!bitmap || bitmap->isNull()) return;
  FramePicture(*bitmap);
  FileDialog& dlg = wb.GTP.SDialog;
  dlg.InitialDir = wb.ResultsDir;
  dlg.FileName = FileNameOf(wb.ResultsPrefix + PictureName(wb, suffix));
  if (!wb.Plat.Execute(dlg)) return;
  std::string file = dlg.FileName;
  // The dialog's default extension.
  if (FileNameOf(file).find('.') == std::string::npos) file += ".gif";
  const std::string folder = FolderOf(file);
  if (!folder.empty()) wb.ResultsDir = folder;
  WriteGif(*bitmap, file);
}

}  // namespace wl
