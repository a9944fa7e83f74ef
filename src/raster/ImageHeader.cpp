#include "ImageHeader.h"

#include <algorithm>

namespace vexmira::raster {

namespace {

std::uint32_t be16(std::span<const std::uint8_t> d, std::size_t at) {
    return static_cast<std::uint32_t>(d[at] << 8 | d[at + 1]);
}
std::uint32_t be32(std::span<const std::uint8_t> d, std::size_t at) {
    return be16(d, at) << 16 | be16(d, at + 2);
}
std::int32_t le32(std::span<const std::uint8_t> d, std::size_t at) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(d[at]) | d[at + 1] << 8 | d[at + 2] << 16 |
                                     static_cast<std::uint32_t>(d[at + 3]) << 24);
}

std::optional<Size> positive(long long w, long long h) {
    if (w <= 0 || h <= 0 || w > 1 << 30 || h > 1 << 30) return std::nullopt;
    return Size{static_cast<int>(w), static_cast<int>(h)};
}

std::optional<Size> jpegSize(std::span<const std::uint8_t> d) {
    std::size_t at = 2;
    while (at + 4 <= d.size()) {
        if (d[at] != 0xFF) return std::nullopt;
        const std::uint8_t marker = d[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            at += 2;
            continue;
        }
        const std::uint32_t length = be16(d, at + 2);
        if (length < 2) return std::nullopt;
        // Start of frame: baseline, extended, progressive, lossless and the arithmetic ones.
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (at + 9 > d.size()) return std::nullopt;
            return positive(be16(d, at + 7), be16(d, at + 5));
        }
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt; // the image data begins: no frame header
        at += 2 + length;
    }
    return std::nullopt;
}

} // namespace

std::optional<Size> readImageSize(std::span<const std::uint8_t> d) {
    if (d.size() >= 4 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) return jpegSize(d);
    static constexpr std::uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (d.size() >= 24 && std::equal(pngSignature, pngSignature + 8, d.begin()) && d[12] == 'I' &&
        d[13] == 'H' && d[14] == 'D' && d[15] == 'R')
        return positive(be32(d, 16), be32(d, 20));
    if (d.size() >= 26 && d[0] == 'B' && d[1] == 'M') {
        const std::int32_t headerSize = le32(d, 14);
        if (headerSize == 12) return positive(d[18] | d[19] << 8, d[20] | d[21] << 8); // OS/2
        const long long height = le32(d, 22);
        return positive(le32(d, 18), height < 0 ? -height : height);
    }
    return std::nullopt;
}

} // namespace vexmira::raster
