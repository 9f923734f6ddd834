#include "analysis/viewer_pictures.h"

#include <gif_lib.h>

#include <QImageReader>
#include <QSaveFile>

#include <algorithm>
#include <cctype>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

// jpeglib.h needs the standard definitions before it.
#include <jpeglib.h>

#include "platform/errors.h"

namespace wl {

ViewerPictures& Pictures(TPrzegladaj& v) {
  if (!v.Pictures) v.Pictures = std::make_shared<ViewerPictures>();
  return *v.Pictures;
}

namespace {

[[noreturn]] void CannotRead(const std::string& path, const std::string& why) {
  throw FileError("Cannot read the picture " + path + (why.empty() ? std::string() : ": " + why));
}

std::string LowerExtension(const std::string& path) {
  const auto slash = path.find_last_of('/');
  const auto dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = path.substr(dot);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char ch) { return std::tolower(ch); });
  return ext;
}

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};

// libjpeg reports a fatal error through error_exit, which must not return: it jumps back to the routine
// that set the jump buffer, which then throws.
struct JpegError {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->Message);
  std::longjmp(err->Jump, 1);
}

void JpegNoMessage(j_common_ptr) {}

// The largest picture the viewer takes: 64 M pixels (256 MB as 32-bit colour).
constexpr std::uint64_t kMaxPicturePixels = std::uint64_t{1} << 26;
// What a file of n bytes can hold at most. An LZW code of a GIF (3 bits at least) stands for at most
// 4096 pixels; a JPEG codes every 8 x 8 block of a scan with a bit at least (arithmetic coding with
// less, hence the margin).
constexpr std::uint64_t kGifPixelsPerByte = 12288;
constexpr std::uint64_t kJpegPixelsPerByte = 4096;

std::uint64_t FileBytes(const std::string& path) {
  std::error_code ec;
  const std::uintmax_t n = std::filesystem::file_size(path, ec);
  return ec ? 0 : static_cast<std::uint64_t>(n);
}

// Why a picture size is refused before anything of that size is allocated ("" when it is not): larger
// than the viewer takes, or more pixels than the file's bytes can code (perByte 0: not checked).
std::string PictureSizeFault(const std::string& path, std::uint64_t w, std::uint64_t h, std::uint64_t perByte,
                             const char* what) {
  const std::uint64_t pixels = w * h;
  const std::string size = std::string(what) + " of " + std::to_string(w) + " x " + std::to_string(h) + " pixels";
  if (w > 0xFFFF || h > 0xFFFF || pixels > kMaxPicturePixels)
    return size + " is larger than the viewer takes (" + std::to_string(kMaxPicturePixels) + " pixels)";
  if (perByte && pixels > FileBytes(path) * perByte)
    return size + " cannot be held by a file of " + std::to_string(FileBytes(path)) + " bytes";
  return "";
}

void CheckPictureSize(const std::string& path, std::uint64_t w, std::uint64_t h, std::uint64_t perByte,
                      const char* what) {
  const std::string why = PictureSizeFault(path, w, h, perByte, what);
  if (!why.empty()) CannotRead(path, why);
}

// Walks the records of a GIF without decoding them and checks every frame's size, so that giflib never
// allocates for a frame the file cannot hold.
void CheckGifFrames(const std::string& path) {
  int err = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &err);
  if (!gif) return;  // the reading proper says why
  std::unique_ptr<GifFileType, void (*)(GifFileType*)> guard(gif, [](GifFileType* g) { DGifCloseFile(g, nullptr); });
  CheckPictureSize(path, static_cast<std::uint64_t>(std::max(gif->SWidth, 0)),
                   static_cast<std::uint64_t>(std::max(gif->SHeight, 0)), 0, "a screen");
  std::uint64_t pixels = 0;
  const std::uint64_t holds = FileBytes(path) * kGifPixelsPerByte;
  for (GifRecordType type = UNDEFINED_RECORD_TYPE; type != TERMINATE_RECORD_TYPE;) {
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) return;
    if (type == IMAGE_DESC_RECORD_TYPE) {
      if (DGifGetImageDesc(gif) == GIF_ERROR) return;
      const auto w = static_cast<std::uint64_t>(std::max(gif->Image.Width, 0));
      const auto h = static_cast<std::uint64_t>(std::max(gif->Image.Height, 0));
      CheckPictureSize(path, w, h, kGifPixelsPerByte, "a frame");
      pixels += w * h;
      if (pixels > holds || pixels > kMaxPicturePixels)
        CannotRead(path, "its frames hold more pixels (" + std::to_string(pixels) + ") than the file can code");
      int codeSize = 0;
      GifByteType* block = nullptr;
      if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR) return;
      while (block)
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR) return;
    } else if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return;
      while (block)
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return;
    }
  }
}

}  // namespace

QImage ReadGifPicture(const std::string& path) {
  CheckGifFrames(path);
  int err = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &err);
  if (!gif) {
    const char* why = GifErrorString(err);
    CannotRead(path, why ? why : "");
  }
  std::unique_ptr<GifFileType, void (*)(GifFileType*)> guard(gif, [](GifFileType* g) { DGifCloseFile(g, nullptr); });
  if (DGifSlurp(gif) == GIF_ERROR || gif->ImageCount < 1) {
    const char* why = GifErrorString(gif->Error);
    CannotRead(path, why ? why : "no image");
  }
  const SavedImage& frame = gif->SavedImages[0];
  const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
  if (!map) CannotRead(path, "no colour map");
  const int w = gif->SWidth, h = gif->SHeight;
  if (w <= 0 || h <= 0) CannotRead(path, "no picture");
  QImage img(w, h, QImage::Format_RGB32);
  if (img.isNull()) CannotRead(path, "not enough memory for a picture of " + std::to_string(w) + " x " + std::to_string(h) + " pixels");
  // The screen's background, then the first frame at its place.
  const GifColorType bg = gif->SColorMap && gif->SBackGroundColor < gif->SColorMap->ColorCount
                              ? gif->SColorMap->Colors[gif->SBackGroundColor]
                              : GifColorType{255, 255, 255};
  img.fill(qRgb(bg.Red, bg.Green, bg.Blue));
  const GifImageDesc& d = frame.ImageDesc;
  for (int y = 0; y < d.Height; ++y) {
    const int ty = d.Top + y;
    if (ty < 0 || ty >= h) continue;
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(ty));
    for (int x = 0; x < d.Width; ++x) {
      const int tx = d.Left + x;
      if (tx < 0 || tx >= w) continue;
      const int index = frame.RasterBits[static_cast<std::size_t>(y) * static_cast<std::size_t>(d.Width) +
                                         static_cast<std::size_t>(x)];
      if (index >= map->ColorCount) continue;
      const GifColorType& c = map->Colors[index];
      row[tx] = qRgb(c.Red, c.Green, c.Blue);
    }
  }
  return img;
}

QImage ReadJpegPicture(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) CannotRead(path, "the file cannot be opened");
  // Everything that lives across the jump is made before it and not reassigned after it; the row buffer
  // belongs to libjpeg and goes with its state.
  const auto img = std::make_unique<QImage>();
  jpeg_decompress_struct cinfo{};
  JpegError err{};
  cinfo.err = jpeg_std_error(&err.Manager);
  err.Manager.error_exit = JpegErrorExit;
  err.Manager.output_message = JpegNoMessage;
  if (setjmp(err.Jump)) {
    jpeg_destroy_decompress(&cinfo);
    CannotRead(path, err.Message);
  }
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, file.get());
  // libjpeg's own work arrays (a progressive picture keeps all its coefficients) stay below this.
  cinfo.mem->max_memory_to_use = 512L * 1024 * 1024;
  jpeg_read_header(&cinfo, TRUE);
  if (const std::string why = PictureSizeFault(path, cinfo.image_width, cinfo.image_height, kJpegPixelsPerByte, "a picture");
      !why.empty()) {
    jpeg_destroy_decompress(&cinfo);
    CannotRead(path, why);
  }
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  const int w = static_cast<int>(cinfo.output_width), h = static_cast<int>(cinfo.output_height);
  *img = QImage(w, h, QImage::Format_RGB32);
  if (img->isNull() && w > 0 && h > 0) {
    jpeg_destroy_decompress(&cinfo);
    CannotRead(path, "not enough memory for a picture of " + std::to_string(w) + " x " + std::to_string(h) + " pixels");
  }
  JSAMPARRAY line = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                               static_cast<JDIMENSION>(w) * 3, 1);
  while (cinfo.output_scanline < cinfo.output_height) {
    const int y = static_cast<int>(cinfo.output_scanline);
    jpeg_read_scanlines(&cinfo, line, 1);
    auto* out = reinterpret_cast<QRgb*>(img->scanLine(y));
    for (int x = 0; x < w; ++x) out[x] = qRgb(line[0][3 * x], line[0][3 * x + 1], line[0][3 * x + 2]);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  if (h <= 0 || w <= 0) CannotRead(path, "no picture");
  return std::move(*img);
}

QImage ReadBmpPicture(const std::string& path) {
  QImageReader reader(QString::fromStdString(path), "BMP");
  const QSize size = reader.size();
  if (size.isValid())
    CheckPictureSize(path, static_cast<std::uint64_t>(std::max(size.width(), 0)),
                     static_cast<std::uint64_t>(std::max(size.height(), 0)), 0, "a picture");
  QImage img;
  if (!reader.read(&img)) CannotRead(path, "not a BMP picture");
  return img.convertToFormat(QImage::Format_RGB32);
}

QImage ReadPicture(const std::string& path) {
  const std::string ext = LowerExtension(path);
  if (ext == ".gif") return ReadGifPicture(path);
  if (ext == ".jpg" || ext == ".jpeg") return ReadJpegPicture(path);
  if (ext == ".bmp") return ReadBmpPicture(path);
  CannotRead(path, "unknown picture file extension (" + ext + ")");
}

namespace {

// A picture is written beside its file (path + ".part") and renamed over it, so that a failed write leaves
// an earlier picture whole and no part file behind.
class PartFile {
 public:
  explicit PartFile(const std::string& path) : path_(path), part_(path + ".part") {}
  ~PartFile() {
    std::error_code ec;
    if (!done_) std::filesystem::remove(part_, ec);
  }
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;
  const std::string& Name() const { return part_; }
  void Publish() {
    std::error_code ec;
    std::filesystem::rename(part_, path_, ec);
    if (ec) throw FileError("Cannot write the picture " + path_);
    done_ = true;
  }

 private:
  std::string path_, part_;
  bool done_ = false;
};

}  // namespace

void WriteJpeg(const QImage& image, const std::string& path) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  PartFile part(path);
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(part.Name().c_str(), "wb"));
  if (!file) throw FileError("Cannot write the picture " + path);
  jpeg_compress_struct cinfo{};
  JpegError err{};
  cinfo.err = jpeg_std_error(&err.Manager);
  err.Manager.error_exit = JpegErrorExit;
  err.Manager.output_message = JpegNoMessage;
  if (setjmp(err.Jump)) {
    jpeg_destroy_compress(&cinfo);
    throw FileError("Cannot write the picture " + path + ": " + err.Message);
  }
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file.get());
  cinfo.image_width = static_cast<JDIMENSION>(rgb.width());
  cinfo.image_height = static_cast<JDIMENSION>(rgb.height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW rows[1] = {const_cast<JSAMPLE*>(rgb.constScanLine(static_cast<int>(cinfo.next_scanline)))};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  if (std::fflush(file.get()) != 0 || std::ferror(file.get())) throw FileError("Cannot write the picture " + path);
  if (std::fclose(file.release()) != 0) throw FileError("Cannot write the picture " + path);
  part.Publish();
}

void WriteBmp(const QImage& image, const std::string& path) {
  // Qt's own file written whole: it replaces the picture only when every byte was written.
  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly) || !image.convertToFormat(QImage::Format_RGB32).save(&file, "BMP") ||
      !file.commit())
    throw FileError("Cannot write the picture " + path);
}

}  // namespace wl
