#include "ImageFile.h"

#include "BmpCodec.h"
#include "ImageHeader.h"
#include "JpegCodec.h"
#include "PngCodec.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace vexmira::raster {

ImageFormat detectImageFormat(std::span<const std::uint8_t> data, std::string_view fileName) {
    if (data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return ImageFormat::Jpeg;
    if (data.size() >= 8 && std::memcmp(data.data(), "\x89PNG\r\n\x1a\n", 8) == 0) return ImageFormat::Png;
    if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') return ImageFormat::Bmp;
    if (data.empty()) throw ImageError(fileName, "the file is empty");
    throw ImageError(fileName, "not a JPEG, PNG or BMP picture");
}

Bitmap decodeImage(std::span<const std::uint8_t> data, std::string_view fileName,
                   const DecodeLimits& limits) {
    const ImageFormat format = detectImageFormat(data, fileName);
    // A small file that unpacks to a huge picture (a crafted or broken one) is refused before it
    // takes gigabytes: beyond 64 megapixels, no real picture is compressed a thousand times over.
    if (const auto size = readImageSize(data)) {
        const long long pixels = static_cast<long long>(size->width) * size->height;
        const long long decodedBytes = pixels * 4;
        // (Beyond the pixel limit the codec says the picture is too large.)
        if (pixels > limits.proportionCheckedAbove && pixels <= limits.maxPixels &&
            decodedBytes / std::max<long long>(1, static_cast<long long>(data.size())) > limits.largestRatio)
            throw ImageError(fileName, "a file of " + std::to_string(data.size() / 1024 + 1) +
                                           " KB that would take " + std::to_string(decodedBytes >> 20) +
                                           " MB to show: it is refused as damaged or made to harm");
    }
    switch (format) {
    case ImageFormat::Jpeg:
        return decodeJpeg(data, fileName, limits);
    case ImageFormat::Png:
        return decodePng(data, fileName, limits);
    case ImageFormat::Bmp:
        return decodeBmp(data, fileName, limits);
    }
    throw ImageError(fileName, "unknown format");
}

std::vector<std::uint8_t> encodeImage(const Bitmap& picture, ImageFormat format, int jpegQuality) {
    switch (format) {
    case ImageFormat::Jpeg:
        return encodeJpeg(picture, jpegQuality);
    case ImageFormat::Png:
        return encodePng(picture);
    case ImageFormat::Bmp:
        return encodeBmp(picture);
    }
    throw ImageError("", "unknown format");
}

} // namespace vexmira::raster
