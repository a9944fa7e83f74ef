#include "BmpCodec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

namespace vexmira::raster {

namespace {

enum Compression : std::uint32_t { biRgb = 0, biRle8 = 1, biRle4 = 2, biBitfields = 3, biAlphaBitfields = 6 };

constexpr std::size_t fileHeaderSize = 14;

struct BmpHeader {
    std::uint32_t pixelOffset = 0;
    std::uint32_t headerSize = 0;
    int width = 0;
    int height = 0; // positive; `topDown` tells the row order
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = biRgb;
    std::uint32_t colorsUsed = 0;
    std::array<std::uint32_t, 4> masks{}; // red, green, blue, alpha
};

// Reads little-endian values; every read past the end is reported as a truncated file.
class ByteReader {
  public:
    ByteReader(std::span<const std::uint8_t> data, std::string_view fileName)
        : data_(data), fileName_(fileName) {}

    void need(std::size_t offset, std::size_t count) const {
        if (offset > data_.size() || count > data_.size() - offset) fail("the file ends early");
    }
    std::uint8_t u8(std::size_t offset) const {
        need(offset, 1);
        return data_[offset];
    }
    std::uint16_t u16(std::size_t offset) const {
        need(offset, 2);
        return static_cast<std::uint16_t>(data_[offset] | (data_[offset + 1] << 8));
    }
    std::uint32_t u32(std::size_t offset) const {
        need(offset, 4);
        return static_cast<std::uint32_t>(data_[offset]) |
               (static_cast<std::uint32_t>(data_[offset + 1]) << 8) |
               (static_cast<std::uint32_t>(data_[offset + 2]) << 16) |
               (static_cast<std::uint32_t>(data_[offset + 3]) << 24);
    }
    std::int32_t i32(std::size_t offset) const { return static_cast<std::int32_t>(u32(offset)); }
    const std::uint8_t* at(std::size_t offset) const { return data_.data() + offset; }
    std::size_t size() const { return data_.size(); }
    [[noreturn]] void fail(std::string_view problem) const { throw ImageError(fileName_, problem); }

  private:
    std::span<const std::uint8_t> data_;
    std::string_view fileName_;
};

void readMasks(const ByteReader& in, std::size_t offset, int count, BmpHeader& header) {
    for (int i = 0; i < count; ++i)
        header.masks[i] = in.u32(offset + 4 * i);
}

BmpHeader readHeader(const ByteReader& in, const DecodeLimits& limits) {
    if (in.size() < 2 || in.u8(0) != 'B' || in.u8(1) != 'M') in.fail("not a bitmap file");
    BmpHeader header;
    header.pixelOffset = in.u32(10);
    header.headerSize = in.u32(fileHeaderSize);
    const std::size_t info = fileHeaderSize;
    int rawHeight = 0;
    if (header.headerSize == 12) { // OS/2 core header
        header.width = in.u16(info + 4);
        rawHeight = in.u16(info + 6);
        header.bitCount = in.u16(info + 10);
    } else if (header.headerSize == 16 || header.headerSize == 40 || header.headerSize == 52 ||
               header.headerSize == 56 || header.headerSize == 64 || header.headerSize == 108 ||
               header.headerSize == 124) {
        header.width = in.i32(info + 4);
        rawHeight = in.i32(info + 8);
        header.bitCount = in.u16(info + 14);
        if (header.headerSize >= 20) header.compression = in.u32(info + 16);
        if (header.headerSize >= 36) header.colorsUsed = in.u32(info + 32);
        if (header.headerSize >= 52)
            readMasks(in, info + 40, header.headerSize >= 56 ? 4 : 3, header);
        else if (header.compression == biBitfields)
            readMasks(in, info + header.headerSize, 3, header);
        else if (header.compression == biAlphaBitfields)
            readMasks(in, info + header.headerSize, 4, header);
    } else {
        in.fail("unknown bitmap header size " + std::to_string(header.headerSize));
    }
    if (rawHeight == INT32_MIN) in.fail("the picture is too large");
    header.topDown = rawHeight < 0;
    header.height = rawHeight < 0 ? -rawHeight : rawHeight;
    if (header.width <= 0 || header.height <= 0) in.fail("the picture has no pixels");
    if (static_cast<long long>(header.width) * header.height > limits.maxPixels)
        in.fail("the picture is too large");
    switch (header.bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        in.fail("unsupported bit count " + std::to_string(header.bitCount));
    }
    const bool fieldsOk = (header.compression == biBitfields || header.compression == biAlphaBitfields) &&
                          (header.bitCount == 16 || header.bitCount == 32);
    const bool rleOk = (header.compression == biRle8 && header.bitCount == 8) ||
                       (header.compression == biRle4 && header.bitCount == 4);
    if (header.compression != biRgb && !fieldsOk && !rleOk)
        in.fail("unsupported compression " + std::to_string(header.compression) + " for " +
                std::to_string(header.bitCount) + " bits");
    if (rleOk && header.topDown) in.fail("a compressed bitmap cannot be stored top-down");
    return header;
}

std::vector<Bgra> readPalette(const ByteReader& in, const BmpHeader& header) {
    if (header.bitCount > 8) return {};
    const std::size_t maxEntries = std::size_t(1) << header.bitCount;
    std::size_t count =
        header.colorsUsed == 0 ? maxEntries : std::min<std::size_t>(header.colorsUsed, maxEntries);
    const std::size_t entrySize = header.headerSize == 12 ? 3 : 4;
    const std::size_t start = fileHeaderSize + header.headerSize;
    // Some writers claim a full palette but leave room for fewer entries before the pixels.
    if (header.pixelOffset > start) count = std::min(count, (header.pixelOffset - start) / entrySize);
    in.need(start, count * entrySize);
    std::vector<Bgra> palette(maxEntries, 0xFF000000u);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = in.at(start + i * entrySize);
        palette[i] = bgraFromRgba(entry[2], entry[1], entry[0]);
    }
    return palette;
}

// Turns a field of a 16- or 32-bit pixel into an 8-bit channel: wider fields keep their top eight
// bits, narrower ones repeat their bits downwards (5 bits abcde become abcdeabc), so that the
// largest field value is 255.
struct Field {
    std::uint32_t mask = 0;
    int shift = 0;
    int width = 0;

    explicit Field(std::uint32_t m) : mask(m) {
        if (mask == 0) return;
        shift = std::countr_zero(mask);
        width = std::bit_width(mask >> shift);
    }
    int value(std::uint32_t pixel) const {
        if (width == 0) return 0;
        const std::uint32_t raw = (pixel & mask) >> shift;
        if (width >= 8) return static_cast<int>(raw >> (width - 8));
        std::uint32_t result = 0;
        for (int filled = 0; filled < 8; filled += width) {
            const int offset = 8 - filled - width;
            result |= offset >= 0 ? raw << offset : raw >> -offset;
        }
        return static_cast<int>(result);
    }
};

int rowTargetY(const BmpHeader& header, int fileRow) {
    return header.topDown ? fileRow : header.height - 1 - fileRow;
}

void decodePacked(const ByteReader& in, const BmpHeader& header, const std::vector<Bgra>& palette,
                  Bitmap& out) {
    const std::size_t rowSize = ((static_cast<std::size_t>(header.width) * header.bitCount + 31) / 32) * 4;
    in.need(header.pixelOffset, rowSize * header.height);
    std::array<std::uint32_t, 4> masks = header.masks;
    if (header.compression == biRgb && header.bitCount == 16) masks = {0x7C00, 0x03E0, 0x001F, 0};
    if (header.compression == biRgb && header.bitCount == 32) masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
    const Field red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
    const bool hasAlpha = header.bitCount == 32 && masks[3] != 0;
    if (hasAlpha) out.setBitDepth(32);
    for (int fileRow = 0; fileRow < header.height; ++fileRow) {
        const std::uint8_t* src = in.at(header.pixelOffset + rowSize * fileRow);
        Bgra* dst = out.mutableRow(rowTargetY(header, fileRow));
        for (int x = 0; x < header.width; ++x) {
            switch (header.bitCount) {
            case 1:
                dst[x] = palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
                break;
            case 4:
                dst[x] = palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
                break;
            case 8:
                dst[x] = palette[src[x]];
                break;
            case 24:
                dst[x] = bgraFromRgba(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
                break;
            default: {
                const std::uint32_t pixel =
                    header.bitCount == 16
                        ? static_cast<std::uint32_t>(src[2 * x] | (src[2 * x + 1] << 8))
                        : static_cast<std::uint32_t>(src[4 * x]) | (std::uint32_t(src[4 * x + 1]) << 8) |
                              (std::uint32_t(src[4 * x + 2]) << 16) | (std::uint32_t(src[4 * x + 3]) << 24);
                dst[x] = bgraFromRgba(red.value(pixel), green.value(pixel), blue.value(pixel),
                                      hasAlpha ? alpha.value(pixel) : 0xFF);
            }
            }
        }
    }
}

// Run-length encoded 4- and 8-bit pictures. Pixels the stream skips keep palette entry 0.
void decodeRle(const ByteReader& in, const BmpHeader& header, const std::vector<Bgra>& palette, Bitmap& out) {
    out.fill(palette[0]);
    const bool four = header.compression == biRle4;
    std::size_t pos = header.pixelOffset;
    int x = 0;
    int fileRow = 0;
    auto put = [&](int index) {
        if (x >= header.width) return; // runs past the end of a row are clipped
        out.mutableRow(header.height - 1 - fileRow)[x] = palette[index];
        ++x;
    };
    while (fileRow < header.height) {
        const std::uint8_t count = in.u8(pos);
        const std::uint8_t value = in.u8(pos + 1);
        pos += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i)
                put(four ? ((i & 1) ? value & 0xF : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++fileRow;
        } else if (value == 1) { // end of picture
            return;
        } else if (value == 2) { // move right and up
            x = std::min(x + in.u8(pos), header.width);
            fileRow += in.u8(pos + 1);
            pos += 2;
        } else { // `value` pixels stored as they are, padded to a 16-bit boundary
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            in.need(pos, bytes);
            for (int i = 0; i < value; ++i) {
                const std::uint8_t b = in.u8(pos + (four ? i / 2 : i));
                put(four ? ((i & 1) ? b & 0xF : b >> 4) : b);
            }
            pos += bytes + (bytes & 1);
        }
    }
}

void putLe16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}
void putLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    putLe16(out, value & 0xFFFF);
    putLe16(out, value >> 16);
}

} // namespace

Bitmap decodeBmp(std::span<const std::uint8_t> data, std::string_view fileName, const DecodeLimits& limits) {
    const ByteReader in(data, fileName);
    const BmpHeader header = readHeader(in, limits);
    const std::vector<Bgra> palette = readPalette(in, header);
    // Rows the file cannot hold are refused before the picture is made: a few bytes claiming a
    // huge picture cost nothing.
    if (header.compression != biRle4 && header.compression != biRle8)
        in.need(header.pixelOffset,
                ((static_cast<std::size_t>(header.width) * header.bitCount + 31) / 32) * 4 * header.height);
    Bitmap out(header.width, header.height, 24);
    if (header.compression == biRle4 || header.compression == biRle8)
        decodeRle(in, header, palette, out);
    else
        decodePacked(in, header, palette, out);
    return out;
}

std::vector<std::uint8_t> encodeBmp(const Bitmap& picture) {
    if (picture.isEmpty()) throw ImageError("BMP", "cannot save an empty picture");
    const int bytesPerPixel = picture.bitDepth() == 32 ? 4 : 3;
    const std::uint32_t rowSize = static_cast<std::uint32_t>((picture.width() * bytesPerPixel + 3) & ~3);
    const std::uint32_t imageSize = rowSize * static_cast<std::uint32_t>(picture.height());
    const std::uint32_t offset = fileHeaderSize + 40;
    std::vector<std::uint8_t> out;
    out.reserve(offset + imageSize);
    out.push_back('B');
    out.push_back('M');
    putLe32(out, offset + imageSize);
    putLe32(out, 0);
    putLe32(out, offset);
    putLe32(out, 40);
    putLe32(out, static_cast<std::uint32_t>(picture.width()));
    putLe32(out, static_cast<std::uint32_t>(picture.height()));
    putLe16(out, 1);
    putLe16(out, static_cast<std::uint32_t>(bytesPerPixel * 8));
    putLe32(out, biRgb);
    putLe32(out, imageSize);
    putLe32(out, 3780); // 96 dots per inch
    putLe32(out, 3780);
    putLe32(out, 0);
    putLe32(out, 0);
    for (int y = picture.height() - 1; y >= 0; --y) {
        const Bgra* row = picture.row(y);
        const std::size_t start = out.size();
        for (int x = 0; x < picture.width(); ++x) {
            out.push_back(static_cast<std::uint8_t>(bgraBlue(row[x])));
            out.push_back(static_cast<std::uint8_t>(bgraGreen(row[x])));
            out.push_back(static_cast<std::uint8_t>(bgraRed(row[x])));
            if (bytesPerPixel == 4) out.push_back(static_cast<std::uint8_t>(bgraAlpha(row[x])));
        }
        out.resize(start + rowSize, 0);
    }
    return out;
}

} // namespace vexmira::raster
