#include "platform/PictureFile.h"

#include "platform/FileSystem.h"

#include <span>

namespace vexmira::platform {

namespace {

// The file's bytes whole; throws raster::ImageError naming the file when it cannot be read.
FileContent readWhole(const std::filesystem::path& path) {
    constexpr std::size_t largestPictureFile = std::size_t(1) << 30;
    FileContent content = readWholeFile(path, largestPictureFile);
    if (content.status == ReadStatus::Missing)
        throw raster::ImageError(path.string(), "cannot open the file (it does not exist)");
    if (content.status != ReadStatus::Read)
        throw raster::ImageError(path.string(), "cannot open the file (" + content.reason + ")");
    return content;
}

} // namespace

std::vector<std::uint8_t> readPictureFile(const std::filesystem::path& path) {
    const FileContent content = readWhole(path);
    return std::vector<std::uint8_t>(content.bytes.begin(), content.bytes.end());
}

raster::Bitmap loadPicture(const std::filesystem::path& path, const raster::DecodeLimits& limits) {
    // Decoded from the bytes as read: a picture file of up to 1 GB is not copied once more.
    const FileContent content = readWhole(path);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(content.bytes.data()),
                                              content.bytes.size());
    return raster::decodeImage(bytes, path.string(), limits);
}

void savePicture(const std::filesystem::path& path, const raster::Bitmap& picture, raster::ImageFormat format,
                 int jpegQuality) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes = raster::encodeImage(picture, format, jpegQuality);
    } catch (const raster::ImageError& error) {
        throw raster::ImageError(path.string(), error.what());
    }
    try {
        writeFileAtomically(path, bytes);
    } catch (const FileError& error) {
        throw raster::ImageError(path.string(), error.problem());
    }
}

} // namespace vexmira::platform
