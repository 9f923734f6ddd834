#pragma once
// Saving a plot window's picture as a GIF file: straight into the results folder under a name made of
// the results prefix, the window's suffix and the point size, or through the save dialog.
#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

namespace wl {

struct Workbench;

// The fixed 216-colour palette: every combination of the levels 0, 51, 102, 153, 204, 255 of red, green
// and blue; entry r * 36 + g * 6 + b for level indices r, g, b.
int PaletteLevel(int channel);  // the nearest level's index, 0..5
int PaletteIndex(QRgb pixel);
QRgb PaletteColor(int index);
// The picture reduced to the palette, by nearest colour without dithering: one index per pixel, row by row.
std::vector<std::uint8_t> ReduceToPalette(const QImage& image);

// Writes the picture as a single-frame GIF after the palette reduction; replaces a file of that name.
// Throws FileError naming the file when it cannot be written.
void WriteGif(const QImage& image, const std::string& path);

// The name part of a saved picture: suffix + "_s" + the trimmed point size of PSEdit.
std::string PictureName(const Workbench& wb, const std::string& suffix);
// Where SavePicture writes: ResultsPrefix + PictureName + ".gif" (in the program directory before any
// data set has made a prefix).
std::string PicturePath(const Workbench& wb, const std::string& suffix);

// Both draw a white one-pixel frame round the picture first (the picture keeps it). Nothing happens
// without a picture.
void SavePicture(Workbench& wb, QImage* bitmap, const std::string& suffix);
// The save dialog (the training-progress window's SDialog) opens in ResultsDir proposing the picture's
// name; a chosen file moves ResultsDir to its folder. A cancelled dialog writes nothing.
void SavePictureAs(Workbench& wb, QImage* bitmap, const std::string& suffix);

}  // namespace wl
