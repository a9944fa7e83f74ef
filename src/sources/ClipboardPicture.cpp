#include "ClipboardPicture.h"

#include "raster/ImageError.h"
#include "raster/ImageFile.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <cstring>

namespace vexmira::sources {

namespace {

std::string tooLarge(int width, int height) {
    return "The picture on the clipboard is " + std::to_string(width) + " x " + std::to_string(height) +
           " pixels. Vexmira shows pictures of up to " + std::to_string(maxClipboardSide) + " x " +
           std::to_string(maxClipboardSide) + " pixels; the picture shown stays.";
}

bool ownFormat(const std::vector<std::uint8_t>& bytes) {
    try {
        raster::detectImageFormat(bytes, "clipboard");
        return true;
    } catch (const raster::ImageError&) {
        return false;
    }
}

raster::Bitmap fromQImage(const QImage& image) {
    const bool alpha = image.hasAlphaChannel();
    const QImage pixels = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    raster::Bitmap picture(pixels.width(), pixels.height(), alpha ? 32 : 24);
    for (int y = 0; y < pixels.height(); ++y)
        std::memcpy(picture.mutableRow(y), pixels.constScanLine(y), std::size_t(pixels.width()) * 4);
    return picture;
}

// A JPEG, PNG or BMP picture: decoded by this program's own decoders.
void decodeOwnFormat(const platform::ClipboardData& data, const std::string& format,
                     DecodedClipboardPicture& result) {
    try {
        result.picture = raster::decodeImage(data.bytes, "clipboard");
    } catch (const raster::ImageError& error) {
        const std::string what = error.what();
        unsigned width = 0, height = 0;
        if (what.find("too large") == std::string::npos) {
            result.problem = "The picture on the clipboard (" + format + ") cannot be read: " + what;
            return;
        }
        const auto of = what.find("picture of ");
        if (of != std::string::npos &&
            std::sscanf(what.c_str() + of, "picture of %u x %u", &width, &height) == 2)
            result.problem = tooLarge(static_cast<int>(width), static_cast<int>(height));
        else
            result.problem = "The picture on the clipboard is larger than Vexmira shows (" +
                             std::to_string(maxClipboardSide) + " x " + std::to_string(maxClipboardSide) +
                             " pixels); the picture shown stays.";
    }
}

} // namespace

DecodedClipboardPicture decodeClipboardPicture(const platform::ClipboardData& data) {
    DecodedClipboardPicture result;
    const std::string format = data.format.empty() ? std::string("an unnamed format") : data.format;
    if (ownFormat(data.bytes)) {
        decodeOwnFormat(data, format, result);
        return result;
    }
    QByteArray bytes(reinterpret_cast<const char*>(data.bytes.data()),
                     static_cast<qsizetype>(data.bytes.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead()) {
        // A picture of a kind this program reads itself whose start is damaged: the decoder says why.
        if (format == "image/png" || format == "image/jpeg" || format == "image/bmp") {
            std::string why = "it is damaged";
            try {
                raster::decodeImage(data.bytes, "clipboard");
            } catch (const raster::ImageError& error) {
                why = error.what();
            }
            result.logLine = "vexmira: the clipboard's picture (" + format + ") cannot be read: " + why +
                             "; the picture stays";
        } else {
            result.logLine =
                "vexmira: no reader for the clipboard's picture format " + format + "; the picture stays";
        }
        return result;
    }
    const QSize size = reader.size();
    if (size.width() > maxClipboardSide || size.height() > maxClipboardSide) {
        result.problem = tooLarge(size.width(), size.height());
        return result;
    }
    // Enough for the largest picture shown, as 32-bit pixels.
    QImageReader::setAllocationLimit(static_cast<int>((4LL * maxClipboardSide * maxClipboardSide) >> 20) + 1);
    const QImage image = reader.read();
    if (image.isNull()) {
        result.problem = "The picture on the clipboard (" + format +
                         ") cannot be read: " + reader.errorString().toStdString();
        return result;
    }
    result.picture = fromQImage(image);
    return result;
}

} // namespace vexmira::sources
