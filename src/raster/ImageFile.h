#pragma once

#include "Bitmap.h"
#include "ImageError.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace vexmira::raster {

enum class ImageFormat { Jpeg, Png, Bmp };

// The format a file's first bytes announce, whatever its name says; throws ImageError naming
// `fileName` when they announce none of ours.
ImageFormat detectImageFormat(std::span<const std::uint8_t> data, std::string_view fileName);

// Reads a whole file. Throws ImageError naming the file when it cannot be read.
std::vector<std::uint8_t> readFileBytes(const std::filesystem::path& path);

// Writes a whole file through a temporary file in the same folder and a rename, so that a
// failure never leaves half a file behind. Throws ImageError naming the file on failure.
void writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Loads a JPEG, PNG or BMP picture. Throws ImageError naming the file on any failure.
Bitmap loadImage(const std::filesystem::path& path, const DecodeLimits& limits = {});
Bitmap decodeImage(std::span<const std::uint8_t> data, std::string_view fileName,
                   const DecodeLimits& limits = {});

// Saves a picture: JPEG at `jpegQuality`, PNG with the library defaults, BMP in the picture's own
// depth. Throws ImageError naming the file on failure; an existing file is replaced whole.
void saveImage(const std::filesystem::path& path, const Bitmap& picture, ImageFormat format,
               int jpegQuality = 90);

} // namespace vexmira::raster
