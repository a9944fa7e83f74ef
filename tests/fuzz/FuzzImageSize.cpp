// The header-only size reader on any bytes: it never reads past the end, and a size it reports
// is the size the full decoder finds.
#include "raster/ImageFile.h"
#include "raster/ImageHeader.h"

#include <cstdint>
#include <cstdlib>

using namespace vexmira::raster;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const auto header = readImageSize(bytes);
    if (!header) return 0;
    DecodeLimits limits;
    limits.maxPixels = 1 << 22;
    try {
        const Bitmap picture = decodeImage(bytes, "fuzz", limits);
        // An OS/2 or JPEG file can carry a second, different frame header; the decoder takes
        // the first, as the reader does.
        if (picture.width() != header->width || picture.height() != header->height) std::abort();
    } catch (const ImageError&) {
    }
    return 0;
}
