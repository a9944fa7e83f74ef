#pragma once

#include <cstdint>

namespace vexmira::raster {

// A colour packed as 0x00BBGGRR: red in the low byte, the way colours are stored in settings and
// colour tables throughout the program.
using TColor = std::uint32_t;

// A pixel as it lies in a Bitmap: bytes B, G, R, A in memory, so 0xAARRGGBB read as a
// little-endian 32-bit word (the layout of X11 24/32-bit images and of QImage::Format_ARGB32).
using Bgra = std::uint32_t;

constexpr TColor colorFromRgb(int red, int green, int blue) {
    return static_cast<TColor>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int redOf(TColor color) {
    return static_cast<int>(color & 0xFF);
}
constexpr int greenOf(TColor color) {
    return static_cast<int>((color >> 8) & 0xFF);
}
constexpr int blueOf(TColor color) {
    return static_cast<int>((color >> 16) & 0xFF);
}

constexpr Bgra bgraFromRgba(int red, int green, int blue, int alpha = 0xFF) {
    return static_cast<Bgra>((blue & 0xFF) | ((green & 0xFF) << 8) | ((red & 0xFF) << 16) |
                             (static_cast<std::uint32_t>(alpha & 0xFF) << 24));
}
constexpr int bgraRed(Bgra pixel) {
    return static_cast<int>((pixel >> 16) & 0xFF);
}
constexpr int bgraGreen(Bgra pixel) {
    return static_cast<int>((pixel >> 8) & 0xFF);
}
constexpr int bgraBlue(Bgra pixel) {
    return static_cast<int>(pixel & 0xFF);
}
constexpr int bgraAlpha(Bgra pixel) {
    return static_cast<int>(pixel >> 24);
}

// An opaque pixel of the given colour.
constexpr Bgra toBgra(TColor color) {
    return bgraFromRgba(redOf(color), greenOf(color), blueOf(color));
}
// The colour of a pixel; its alpha is dropped.
constexpr TColor toTColor(Bgra pixel) {
    return colorFromRgb(bgraRed(pixel), bgraGreen(pixel), bgraBlue(pixel));
}

} // namespace vexmira::raster
