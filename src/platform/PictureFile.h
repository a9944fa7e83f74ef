#pragma once

#include "raster/Bitmap.h"
#include "raster/ImageFile.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace vexmira::platform {

// A picture file's bytes, read whole: only regular files, none larger than 1 GB. Throws
// raster::ImageError naming the file when it cannot be read.
std::vector<std::uint8_t> readPictureFile(const std::filesystem::path& path);

// Loads a JPEG, PNG or BMP picture. Throws raster::ImageError naming the file on any failure.
raster::Bitmap loadPicture(const std::filesystem::path& path, const raster::DecodeLimits& limits = {});

// Saves a picture (see raster::encodeImage), replacing an existing file whole. Throws
// raster::ImageError naming the file on failure.
void savePicture(const std::filesystem::path& path, const raster::Bitmap& picture, raster::ImageFormat format,
                 int jpegQuality = 90);

} // namespace vexmira::platform
