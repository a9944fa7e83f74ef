#pragma once

#include "platform/ClipboardReader.h"
#include "raster/Bitmap.h"

#include <optional>
#include <string>

namespace vexmira::sources {

// The picture in clipboard data, or what kept it from being one.
struct DecodedClipboardPicture {
    std::optional<raster::Bitmap> picture;
    std::string problem; // for the user: a picture too large or broken; empty otherwise
    std::string logLine; // for the log: a format nothing here reads; empty otherwise
};

// The largest clipboard picture shown, either way.
constexpr int maxClipboardSide = 16384;

// Decodes JPEG, PNG and every BMP variant with the program's own readers, and other formats
// (WebP, TIFF, GIF...) with the toolkit's image plugins, up to 16384 x 16384 pixels.
// User-interface thread (the toolkit's readers).
DecodedClipboardPicture decodeClipboardPicture(const platform::ClipboardData& data);

} // namespace vexmira::sources
