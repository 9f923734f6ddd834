#pragma once
// The picture viewer's picture and the readers and writers of the three kinds it handles: GIF with
// giflib, JPEG with libjpeg, BMP through Qt.
#include <QImage>
#include <string>

#include "state/viewer_form.h"

namespace wl {

struct ViewerPictures {
  QImage Picture;  // the picture shown, at its own size; null before the first
};

// The viewer's picture, made on first use.
ViewerPictures& Pictures(TPrzegladaj& v);

// Each throws FileError naming the file when it cannot be read as such a picture.
QImage ReadGifPicture(const std::string& path);
QImage ReadJpegPicture(const std::string& path);
QImage ReadBmpPicture(const std::string& path);
// By the extension (".gif", ".jpg" or ".jpeg", ".bmp", in any letter case).
QImage ReadPicture(const std::string& path);

// Baseline JPEG of quality 90, in colour. Throws FileError.
void WriteJpeg(const QImage& image, const std::string& path);
// A BMP file whatever the picture was read from. Throws FileError.
void WriteBmp(const QImage& image, const std::string& path);

}  // namespace wl
