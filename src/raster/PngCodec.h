#pragma once

#include "Bitmap.h"
#include "ImageError.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace vexmira::raster {

// Decodes a PNG file of any colour type and bit depth, interlaced or not. Pictures with an alpha
// channel or a transparent colour become 32-bit pictures with straight (not premultiplied) alpha;
// the others are opaque 24-bit pictures. Sixteen-bit samples are scaled to eight bits with
// rounding. Throws ImageError naming `fileName` when the data is damaged, ends early or exceeds
// `limits`. Any thread.
Bitmap decodePng(std::span<const std::uint8_t> data, std::string_view fileName,
                 const DecodeLimits& limits = {});

// Encodes `picture` with libpng's default settings: RGBA for a 32-bit picture, RGB otherwise.
// Throws ImageError on failure.
std::vector<std::uint8_t> encodePng(const Bitmap& picture);

} // namespace vexmira::raster
