#pragma once

#include "platform/IniFile.h"
#include "raster/Color.h"

#include <array>
#include <string>

namespace vexmira::sources {

// What a scrolling-text setup file (.sct) holds: section "scroll", colours with red in the low
// byte. A missing key, or one whose value is not a number, reads as the default here.
struct ScrollSetup {
    std::string text;                      // UTF-8
    raster::TColor previewPanel = 8421504; // "gb2": frames the preview only
    int interval = 10;                     // "xinterval"
    int step = 1;                          // "xstep"
    raster::TColor background = 16777215;  // "backcolor"
    int height = 20;
    int position = 1;                       // 0 top, 1 bottom
    raster::TColor fontColor = 0;           // "fcolor"
    int fontHeight = -11;                   // "fheight", pixels; negative: without internal leading
    std::string fontName = "MS Sans Serif"; // "fname"
    int fontPitch = 0;                      // "fpitch": written, never read
    int fontSize = 8;                       // "fsize", points
    // "fs1".."fs4": 1 when the style is exactly bold, italic, underline or strike-out alone.
    std::array<int, 4> soleStyle{};
};

// Reads the keys in the file's order. Text that is not UTF-8 is taken as cp1252.
ScrollSetup readScrollSetup(const platform::IniFile& file);
// Writes every key, in the file's order.
void writeScrollSetup(platform::IniFile& file, const ScrollSetup& setup);

} // namespace vexmira::sources
