#pragma once

#include "raster/Color.h"

#include <array>
#include <optional>
#include <string>

namespace vexmira::app {

// The sixteen custom colours of the colour dialogs.
using CustomColorSet = std::array<raster::TColor, 16>;

// "ColorA=FFFFFF" .. "ColorP=FFFFFF", one line per colour (six hexadecimal digits of the
// 0xBBGGRR value), lines separated by CR LF.
std::string formatCustomColors(const CustomColorSet& colors);
// Reads that text; lines that are not of that form are skipped and their colours stay as in
// `start`.
CustomColorSet parseCustomColors(const std::string& text, CustomColorSet start);

// The colour dialogs' custom colours from and to the per-user value "CustomColors". Saving
// returns false when the value cannot be written.
void loadCustomColors();
bool saveCustomColors();

} // namespace vexmira::app
