#include "analysis/viewer_pictures.h"

#include <gif_lib.h>

#include <algorithm>
#include <cctype>
#include <csetjmp>
#include <cstdio>
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

}  // namespace

QImage ReadGifPicture(const std::string& path) {
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
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  const int w = static_cast<int>(cinfo.output_width), h = static_cast<int>(cinfo.output_height);
  *img = QImage(w, h, QImage::Format_RGB32);
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
  QImage img;
  if (!img.load(QString::fromStdString(path), "BMP")) CannotRead(path, "not a BMP picture");
  return img.convertToFormat(QImage::Format_RGB32);
}

QImage ReadPicture(const std::string& path) {
  const std::string ext = LowerExtension(path);
  if (ext == ".gif") return ReadGifPicture(path);
  if (ext == ".jpg" || ext == ".jpeg") return ReadJpegPicture(path);
  if (ext == ".bmp") return ReadBmpPicture(path);
  CannotRead(path, "unknown picture file extension (" + ext + ")");
}

void WriteJpeg(const QImage& image, const std::string& path) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
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
}

void WriteBmp(const QImage& image, const std::string& path) {
  if (!image.convertToFormat(QImage::Format_RGB32).save(QString::fromStdString(path), "BMP"))
    throw FileError("Cannot write the picture " + path);
}

}  // namespace wl
