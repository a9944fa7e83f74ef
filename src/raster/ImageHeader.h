#pragma once

#include "Geometry.h"

#include <cstdint>
#include <optional>
#include <span>

namespace vexmira::raster {

// A picture's width and height from its file's first bytes alone (JPEG frame header, PNG IHDR,
// BMP info header), without decoding it. Nothing when the bytes do not say. A JPEG's frame
// header may lie further in, after its other segments: give enough of the file (64 KB holds it
// for nearly all files; the whole file always does).
std::optional<Size> readImageSize(std::span<const std::uint8_t> head);

} // namespace vexmira::raster
