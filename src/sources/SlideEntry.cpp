#include "SlideEntry.h"

#include "FileNames.h"
#include "raster/ImageHeader.h"

#include <QMimeDatabase>
#include <algorithm>
#include <fstream>
#include <system_error>

namespace vexmira::sources {

namespace {

constexpr std::size_t headBytes = 64 * 1024;
// A JPEG's frame header lies after its other segments, which may hold large previews; no
// picture this program shows puts it further in than this.
constexpr std::size_t longestHead = 16 * 1024 * 1024;
constexpr int typeNameLength = 80;
constexpr int thumbnailSide = 209;

std::vector<std::uint8_t> readHead(const std::filesystem::path& file, std::size_t limit) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> bytes(limit);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return bytes;
}

// The picture's size from the start of its file; a JPEG whose frame header lies further in is
// read further, up to a bound: a huge file that is no picture costs no more than that.
std::optional<raster::Size> pictureSize(const std::filesystem::path& file, long long fileSize) {
    const std::vector<std::uint8_t> head = readHead(file, headBytes);
    if (auto size = raster::readImageSize(head)) return size;
    if (fileSize <= static_cast<long long>(head.size()) || head.size() < 2 || head[0] != 0xFF ||
        head[1] != 0xD8)
        return std::nullopt;
    return raster::readImageSize(
        readHead(file, std::min<std::size_t>(longestHead, static_cast<std::size_t>(fileSize))));
}

QString typeName(const std::filesystem::path& file) {
    static const QMimeDatabase types;
    return types.mimeTypeForFile(displayName(file), QMimeDatabase::MatchExtension)
        .comment()
        .left(typeNameLength);
}

std::u32string upperCodePoints(const QString& text) {
    const QList<uint> points = text.toUpper().toUcs4();
    return std::u32string(points.begin(), points.end());
}

// A file name read as a whole number, when it is one.
std::optional<long long> wholeNumber(const QString& text) {
    bool ok = false;
    const long long value = text.toLongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

// -1, 0 or 1 as `a` sorts before, with or after `b` by `column`.
int compareEntries(const SlideEntry& a, const SlideEntry& b, int column) {
    const auto order = [](const auto& x, const auto& y) { return x < y ? -1 : y < x ? 1 : 0; };
    if (column == 1) {
        if (int bySize = order(a.size, b.size)) return bySize;
        const auto na = wholeNumber(a.file), nb = wholeNumber(b.file);
        return na && nb ? order(*na, *nb) : 0;
    }
    if (column != 0)
        if (int byText = order(upperCodePoints(a.column(column)), upperCodePoints(b.column(column))))
            return byText;
    return order(upperCodePoints(a.file), upperCodePoints(b.file));
}

} // namespace

QString SlideEntry::column(int index) const {
    switch (index) {
    case 0:
        return file;
    case 1:
        return QString::number(size);
    case 2:
        return type;
    case 3:
        return location;
    case 4:
        return dimensions;
    default:
        return {};
    }
}

QString locationText(const std::filesystem::path& folder) {
    QString text = displayName(folder);
    while (text.size() > 1 && text.endsWith('/'))
        text.chop(1);
    return text;
}

SlideEntryBuild makeSlideEntry(const std::filesystem::path& file) {
    SlideEntryBuild build;
    SlideEntry& entry = build.entry;
    entry.path = file;
    entry.kind = FileKind(file);
    entry.file = displayName(file.filename());
    entry.location = locationText(file.parent_path());
    entry.type = typeName(file);
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    entry.size = error ? -1 : static_cast<long long>(size);
    if (!isPictureKind(entry.kind)) return build;
    if (!std::filesystem::exists(file, error)) {
        build.problem = "the file cannot be found";
    } else if (!std::filesystem::is_regular_file(file, error) || entry.size < 0) {
        build.problem = "it is not a file but a device or a pipe";
    } else if (const auto pixels = pictureSize(file, entry.size)) {
        entry.dimensions = QString("%1 X %2").arg(pixels->width).arg(pixels->height);
    } else {
        build.problem = "it is not a picture this program can read";
    }
    return build;
}

std::vector<int> sortedOrder(const std::vector<SlideEntry>& entries, int column, bool descending) {
    std::vector<int> order(entries.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int result = compareEntries(entries[static_cast<std::size_t>(a)],
                                          entries[static_cast<std::size_t>(b)], column);
        return descending ? result > 0 : result < 0;
    });
    return order;
}

raster::Size thumbnailSize(raster::Size picture) {
    const long long w = std::max(picture.width, 1), h = std::max(picture.height, 1);
    if (w < h) return {static_cast<int>(std::max(1LL, w * thumbnailSide / h)), thumbnailSide};
    return {thumbnailSide, static_cast<int>(std::max(1LL, h * thumbnailSide / w))};
}

} // namespace vexmira::sources
