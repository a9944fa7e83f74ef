#pragma once

#include "Bitmap.h"
#include "ImageError.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace vexmira::raster {

// Decodes a Windows or OS/2 bitmap file: 1, 4 and 8 bits with a palette (also RLE4 and RLE8
// compressed), 16 bits (5-5-5 or bit fields), 24 and 32 bits (also bit fields), stored bottom-up
// or top-down. A 32-bit file with an alpha mask becomes a 32-bit picture; all others are opaque
// 24-bit pictures. Throws ImageError naming `fileName` when the file is damaged, ends early or
// exceeds `limits`. Any thread.
Bitmap decodeBmp(std::span<const std::uint8_t> data, std::string_view fileName,
                 const DecodeLimits& limits = {});

// Encodes `picture` as an uncompressed bottom-up bitmap file of its own depth: 24 bits, or 32
// bits keeping the alpha byte. Throws ImageError for an empty picture.
std::vector<std::uint8_t> encodeBmp(const Bitmap& picture);

} // namespace vexmira::raster
