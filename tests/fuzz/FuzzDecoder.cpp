// Feeds arbitrary bytes to one decoder: it must either return a whole picture or throw
// ImageError, and never crash, hang or read out of bounds.
#include "raster/BmpCodec.h"
#include "raster/JpegCodec.h"
#include "raster/PngCodec.h"

#include <cstdint>
#include <cstdlib>

using namespace vexmira::raster;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DecodeLimits limits;
    limits.maxPixels = 1 << 22; // keeps each run fast; larger pictures are refused with an error
    try {
        const Bitmap picture = VEXMIRA_FUZZ_DECODER({data, size}, "fuzz input", limits);
        if (picture.isEmpty()) std::abort(); // a decoder returns a picture or throws
        // Touch the last pixel of every row so that the sanitizer sees any short allocation.
        std::uint32_t sum = 0;
        for (int y = 0; y < picture.height(); ++y)
            sum += picture.row(y)[picture.width() - 1];
        if (sum == 0xDEADBEEF) std::abort(); // keeps the reads from being optimised away
    } catch (const ImageError&) {
    }
    return 0;
}
