#include "ImageFile.h"

#include "BmpCodec.h"
#include "JpegCodec.h"
#include "PngCodec.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <memory>
#include <string>
#include <unistd.h>

namespace vexmira::raster {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

std::string systemReason() { return std::strerror(errno); }

} // namespace

ImageFormat detectImageFormat(std::span<const std::uint8_t> data, std::string_view fileName) {
    if (data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return ImageFormat::Jpeg;
    if (data.size() >= 8 && std::memcmp(data.data(), "\x89PNG\r\n\x1a\n", 8) == 0) return ImageFormat::Png;
    if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') return ImageFormat::Bmp;
    if (data.empty()) throw ImageError(fileName, "the file is empty");
    throw ImageError(fileName, "not a JPEG, PNG or BMP picture");
}

std::vector<std::uint8_t> readFileBytes(const std::filesystem::path& path) {
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file) throw ImageError(path.string(), "cannot open the file (" + systemReason() + ")");
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        bytes.insert(bytes.end(), buffer, buffer + got);
        if (got < sizeof buffer) break;
    }
    if (std::ferror(file.get())) throw ImageError(path.string(), "cannot read the file (" + systemReason() + ")");
    return bytes;
}

void writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::string temporary = path.string() + ".XXXXXX";
    const int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0) throw ImageError(path.string(), "cannot create the file (" + systemReason() + ")");
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(descriptor, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    const std::string reason = written < bytes.size() ? systemReason() : std::string();
    ::fchmod(descriptor, 0644);
    const bool closed = ::close(descriptor) == 0;
    if (written < bytes.size() || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string why = reason.empty() ? systemReason() : reason;
        ::unlink(temporary.c_str());
        throw ImageError(path.string(), "cannot write the file (" + why + ")");
    }
}

Bitmap decodeImage(std::span<const std::uint8_t> data, std::string_view fileName, const DecodeLimits& limits) {
    switch (detectImageFormat(data, fileName)) {
    case ImageFormat::Jpeg: return decodeJpeg(data, fileName, limits);
    case ImageFormat::Png: return decodePng(data, fileName, limits);
    case ImageFormat::Bmp: return decodeBmp(data, fileName, limits);
    }
    throw ImageError(fileName, "unknown format");
}

Bitmap loadImage(const std::filesystem::path& path, const DecodeLimits& limits) {
    const std::vector<std::uint8_t> bytes = readFileBytes(path);
    return decodeImage(bytes, path.string(), limits);
}

void saveImage(const std::filesystem::path& path, const Bitmap& picture, ImageFormat format, int jpegQuality) {
    std::vector<std::uint8_t> bytes;
    try {
        switch (format) {
        case ImageFormat::Jpeg: bytes = encodeJpeg(picture, jpegQuality); break;
        case ImageFormat::Png: bytes = encodePng(picture); break;
        case ImageFormat::Bmp: bytes = encodeBmp(picture); break;
        }
    } catch (const ImageError& error) {
        throw ImageError(path.string(), error.what());
    }
    writeFileAtomically(path, bytes);
}

} // namespace vexmira::raster
