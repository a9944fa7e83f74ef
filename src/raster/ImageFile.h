#pragma once

#include "Bitmap.h"
#include "ImageError.h"

#include <cstdint>
#include <span>
#include <vector>

namespace vexmira::raster {

enum class ImageFormat { Jpeg, Png, Bmp };

// The format a file's first bytes announce, whatever its name says; throws ImageError naming
// `fileName` when they announce none of ours.
ImageFormat detectImageFormat(std::span<const std::uint8_t> data, std::string_view fileName);

// Decodes a JPEG, PNG or BMP picture. Throws ImageError naming `fileName` on any failure.
Bitmap decodeImage(std::span<const std::uint8_t> data, std::string_view fileName,
                   const DecodeLimits& limits = {});

// A picture in a file format: JPEG at `jpegQuality`, PNG with the library defaults, BMP in the
// picture's own depth. Throws ImageError when it cannot be encoded.
std::vector<std::uint8_t> encodeImage(const Bitmap& picture, ImageFormat format, int jpegQuality = 90);

} // namespace vexmira::raster
