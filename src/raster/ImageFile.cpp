#include "ImageFile.h"

#include "BmpCodec.h"
#include "ImageHeader.h"
#include "JpegCodec.h"
#include "PngCodec.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vexmira::raster {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

std::string systemReason() {
    return std::strerror(errno);
}

} // namespace

ImageFormat detectImageFormat(std::span<const std::uint8_t> data, std::string_view fileName) {
    if (data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return ImageFormat::Jpeg;
    if (data.size() >= 8 && std::memcmp(data.data(), "\x89PNG\r\n\x1a\n", 8) == 0) return ImageFormat::Png;
    if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') return ImageFormat::Bmp;
    if (data.empty()) throw ImageError(fileName, "the file is empty");
    throw ImageError(fileName, "not a JPEG, PNG or BMP picture");
}

std::vector<std::uint8_t> readFileBytes(const std::filesystem::path& path) {
    // Not blocking on a named pipe; only regular files, and none beyond what a picture needs.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throw ImageError(path.string(), "cannot open the file (" + systemReason() + ")");
    FileHandle file(::fdopen(fd, "rb"));
    if (!file) {
        ::close(fd);
        throw ImageError(path.string(), "cannot open the file (" + systemReason() + ")");
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        throw ImageError(path.string(), "not a file but a device, a pipe or a folder");
    constexpr long long largestPictureFile = 1LL << 30;
    if (info.st_size > largestPictureFile)
        throw ImageError(path.string(), "the file is larger than the 1 GB this program reads");
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        bytes.insert(bytes.end(), buffer, buffer + got);
        if (got < sizeof buffer) break;
    }
    if (std::ferror(file.get()))
        throw ImageError(path.string(), "cannot read the file (" + systemReason() + ")");
    return bytes;
}

void writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    try {
        platform::writeFileAtomically(path, bytes);
    } catch (const platform::FileError& error) {
        throw ImageError(path.string(), error.problem());
    }
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

Bitmap loadImage(const std::filesystem::path& path, const DecodeLimits& limits) {
    const std::vector<std::uint8_t> bytes = readFileBytes(path);
    return decodeImage(bytes, path.string(), limits);
}

void saveImage(const std::filesystem::path& path, const Bitmap& picture, ImageFormat format,
               int jpegQuality) {
    std::vector<std::uint8_t> bytes;
    try {
        switch (format) {
        case ImageFormat::Jpeg:
            bytes = encodeJpeg(picture, jpegQuality);
            break;
        case ImageFormat::Png:
            bytes = encodePng(picture);
            break;
        case ImageFormat::Bmp:
            bytes = encodeBmp(picture);
            break;
        }
    } catch (const ImageError& error) {
        throw ImageError(path.string(), error.what());
    }
    writeFileAtomically(path, bytes);
}

} // namespace vexmira::raster
