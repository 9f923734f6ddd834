#pragma once
// The named colours of the window system, as $BBGGRR values ($0000FF is red, $FF0000 blue).
#include <cstdint>

namespace wl {

// The colours the plots name.
inline constexpr std::int64_t clBlack = 0x000000, clWhite = 0xFFFFFF, clRed = 0x0000FF, clBlue = 0xFF0000,
                              clLime = 0x00FF00, clGreen = 0x008000, clYellow = 0x00FFFF, clSilver = 0xC0C0C0,
                              clGray = 0x808080, clFuchsia = 0xFF00FF, clPurple = 0x800080, clNavy = 0x800000,
                              clMaroon = 0x000080, clAqua = 0xFFFF00;

}  // namespace wl
