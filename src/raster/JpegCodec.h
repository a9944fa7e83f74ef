#pragma once

#include "Bitmap.h"
#include "ImageError.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace vexmira::raster {

// Decodes a JPEG file (baseline or progressive; colour, grayscale or CMYK) into an opaque 24-bit
// picture. Throws ImageError naming `fileName` when the data is not a JPEG, is damaged or ends
// early, or exceeds `limits`. Any thread.
Bitmap decodeJpeg(std::span<const std::uint8_t> data, std::string_view fileName,
                  const DecodeLimits& limits = {});

// Encodes `picture` as a baseline colour JPEG (alpha dropped). Throws ImageError on failure.
std::vector<std::uint8_t> encodeJpeg(const Bitmap& picture, int quality = 90);

} // namespace vexmira::raster
