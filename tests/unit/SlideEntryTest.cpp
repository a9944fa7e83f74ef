// The slide setup's entries (what the list shows of a file, sorting, thumbnails) and the decoder
// that reads the next slide ahead.
#include "sources/SlideEntry.h"
#include "ImageMagick.h"
#include "platform/PictureFile.h"
#include "raster/ImageFile.h"
#include "sources/FileNames.h"
#include "sources/SlideDecoder.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <thread>

using namespace vexmira;
using namespace vexmira::sources;
using vexmira::testing::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

SlideEntry entry(const char* file, long long size = 0, const char* type = "") {
    SlideEntry e;
    e.file = QString::fromUtf8(file);
    e.size = size;
    e.type = QString::fromUtf8(type);
    return e;
}

std::vector<std::string> namesInOrder(const std::vector<SlideEntry>& entries, const std::vector<int>& order) {
    std::vector<std::string> names;
    for (int i : order)
        names.push_back(entries[static_cast<std::size_t>(i)].file.toStdString());
    return names;
}

void writeBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

raster::Bitmap filled(int width, int height, raster::Bgra colour) {
    raster::Bitmap picture(width, height, 24);
    picture.fill(colour);
    return picture;
}

} // namespace

TEST(SlideEntries, SortByColumnUpperCasedByCodePointAndStable) {
    // Upper-cased, then plain code points: '.' (2E) before '0' (30), '_' (5F) after 'Z' (5A),
    // "é" (E9) after every ASCII letter; no locale collation, no natural order.
    const std::vector<SlideEntry> names = {entry("img10.jpg"),
                                           entry("IMG1.jpg"),
                                           entry("b_x.png"),
                                           entry("BZ.png"),
                                           entry("\xC3\xA9t\xC3\xA9.bmp"),
                                           entry("a.txt")};
    EXPECT_EQ(namesInOrder(names, sortedOrder(names, 0, false)),
              (std::vector<std::string>{"a.txt", "BZ.png", "b_x.png", "IMG1.jpg", "img10.jpg",
                                        "\xC3\xA9t\xC3\xA9.bmp"}));
    EXPECT_EQ(namesInOrder(names, sortedOrder(names, 0, true)),
              (std::vector<std::string>{"\xC3\xA9t\xC3\xA9.bmp", "img10.jpg", "IMG1.jpg", "b_x.png", "BZ.png",
                                        "a.txt"}));

    // Sizes as numbers; equal sizes by names that are whole numbers, otherwise kept in order.
    const std::vector<SlideEntry> sizes = {entry("x", 900),  entry("10", 5),   entry("9", 5),
                                           entry("b", 1000), entry("a", 1000), entry("y", -1)};
    EXPECT_EQ(namesInOrder(sizes, sortedOrder(sizes, 1, false)),
              (std::vector<std::string>{"y", "9", "10", "x", "b", "a"}));
    EXPECT_EQ(namesInOrder(sizes, sortedOrder(sizes, 1, true)),
              (std::vector<std::string>{"b", "a", "x", "10", "9", "y"}))
        << "reversed comparison: equal entries keep their order";

    // Other columns: their text, then the file name.
    const std::vector<SlideEntry> types = {entry("b", 0, "PNG image"), entry("c", 0, "jpeg image"),
                                           entry("a", 0, "PNG image")};
    EXPECT_EQ(namesInOrder(types, sortedOrder(types, 2, false)), (std::vector<std::string>{"c", "a", "b"}));
}

TEST(SlideEntries, ThumbnailKeepsTheProportionWithTheLongerSideAt209) {
    const struct {
        raster::Size picture, thumbnail;
    } cases[] = {{{640, 480}, {209, 156}}, {{3000, 1000}, {209, 69}}, {{1000, 3000}, {69, 209}},
                 {{500, 500}, {209, 209}}, {{100, 50}, {209, 104}},   {{1, 5000}, {1, 209}},
                 {{0, 0}, {209, 209}}};
    for (const auto& c : cases)
        EXPECT_EQ(thumbnailSize(c.picture), c.thumbnail) << c.picture.width << " x " << c.picture.height;
}

TEST(SlideEntries, BuiltFromTheDirectoryEntryAndThePictureHeader) {
    TemporaryFolder folder;
    platform::savePicture(folder / "Wide Caf\xC3\xA9.JPG", filled(640, 480, 0xFF336699),
                          raster::ImageFormat::Jpeg);
    platform::savePicture(folder / "tall.png", filled(30, 70, 0xFF00FF00), raster::ImageFormat::Png);
    writeBytes(folder / "notes.TXT", "some words");
    // A BMP whose header gives no usable size.
    writeBytes(folder / "broken.bmp", "BM" + std::string(58, '\0'));

    const SlideEntryBuild jpeg = makeSlideEntry(folder / "Wide Caf\xC3\xA9.JPG");
    EXPECT_EQ(jpeg.entry.kind, fkJpeg);
    EXPECT_EQ(jpeg.entry.file, QString::fromUtf8("Wide Caf\xC3\xA9.JPG"));
    EXPECT_EQ(jpeg.entry.location, QString::fromStdString(folder.path().string()));
    EXPECT_EQ(jpeg.entry.size, static_cast<long long>(fs::file_size(folder / "Wide Caf\xC3\xA9.JPG")));
    EXPECT_EQ(jpeg.entry.dimensions, "640 X 480");
    EXPECT_TRUE(jpeg.problem.isEmpty());
    EXPECT_EQ(makeSlideEntry(folder / "tall.png").entry.dimensions, "30 X 70");

    const SlideEntryBuild text = makeSlideEntry(folder / "notes.TXT");
    EXPECT_EQ(text.entry.kind, fkText);
    EXPECT_EQ(text.entry.size, 10);
    EXPECT_TRUE(text.entry.dimensions.isEmpty());
    EXPECT_TRUE(text.problem.isEmpty());

    const SlideEntryBuild broken = makeSlideEntry(folder / "broken.bmp");
    EXPECT_TRUE(broken.entry.dimensions.isEmpty());
    EXPECT_FALSE(broken.problem.isEmpty());

    const SlideEntryBuild missing = makeSlideEntry(folder / "gone.png");
    EXPECT_EQ(missing.entry.size, -1);
    EXPECT_EQ(missing.entry.column(1), "-1");
    EXPECT_FALSE(missing.problem.isEmpty());

    // Files that are no pictures cost a bounded read, and nothing that is not a file is read:
    // a 6 GB sparse file, a JPEG start with no frame header in 16 MB, a pipe, a link to a device.
    {
        std::ofstream sparse(folder / "huge.jpg", std::ios::binary);
        sparse.seekp(6LL << 30);
        sparse.put('\0');
    }
    {
        std::ofstream start(folder / "headless.jpg", std::ios::binary);
        start << "\xFF\xD8";
        start.seekp(40LL << 20);
        start.put('\0');
    }
    ASSERT_EQ(mkfifo((folder / "pipe.png").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", folder / "zero.bmp");
    // Under a 4 GB address-space limit, as a user's session may set it (not under a thread
    // sanitizer, whose shadow memory alone reserves more).
    rlimit before{};
    getrlimit(RLIMIT_AS, &before);
#if !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)
    rlimit limited = before;
    limited.rlim_cur = std::min<rlim_t>(before.rlim_max, rlim_t(4'000'000) * 1024);
    setrlimit(RLIMIT_AS, &limited);
#endif
    for (const char* name : {"huge.jpg", "headless.jpg", "pipe.png", "zero.bmp"}) {
        const SlideEntryBuild odd = makeSlideEntry(folder / name);
        EXPECT_TRUE(odd.entry.dimensions.isEmpty()) << name;
        EXPECT_FALSE(odd.problem.isEmpty()) << name;
    }
    setrlimit(RLIMIT_AS, &before);

    EXPECT_EQ(locationText("/"), "/") << "the root keeps its separator";
    EXPECT_EQ(locationText("/srv/pictures/"), "/srv/pictures");
}

TEST(SlideDecoder, GivesWhatTheFileHoldsNowWhetherDecodedAheadOrNot) {
    TemporaryFolder folder;
    const fs::path red = folder / "a.png", green = folder / "b.png";
    platform::savePicture(red, filled(64, 48, 0xFFFF0000), raster::ImageFormat::Png);
    platform::savePicture(green, filled(32, 32, 0xFF00FF00), raster::ImageFormat::Png);
    SlideDecoder decoder;

    decoder.prefetch(red);
    EXPECT_TRUE(decoder.take(red).samePixels(platform::loadPicture(red)));
    EXPECT_TRUE(decoder.holds(red));
    EXPECT_TRUE(decoder.take(green).samePixels(platform::loadPicture(green)))
        << "not asked ahead: decoded at once";

    // A file rewritten after it was decoded ahead is decoded again.
    decoder.prefetch(green);
    EXPECT_TRUE(decoder.take(green).samePixels(platform::loadPicture(green)));
    platform::savePicture(green, filled(20, 10, 0xFF0000FF), raster::ImageFormat::Png);
    EXPECT_EQ(decoder.take(green).size(), (raster::Size{20, 10}));

    // A broken file gives its error when its turn comes, not before.
    const fs::path broken = folder / "c.png";
    writeBytes(broken, "\x89PNG\r\n\x1a\n broken");
    decoder.prefetch(broken);
    EXPECT_THROW(decoder.take(broken), raster::ImageError);

    // Dropped: nothing is kept.
    decoder.prefetch(red);
    (void)decoder.take(red);
    decoder.drop();
    EXPECT_FALSE(decoder.holds(red));
    EXPECT_TRUE(decoder.take(red).samePixels(platform::loadPicture(red)));
}

// Dropped URLs become the local files they name byte for byte; other hosts and schemes are not
// local files.
TEST(DroppedUrls, NameTheirLocalFileByteForByte) {
    const struct {
        const char* url;
        std::optional<std::string> path;
    } cases[] = {
        {"file:///tmp/caf%C3%A9.jpg", "/tmp/caf\xC3\xA9.jpg"},
        {"file:///tmp/%FF%FE.jpg", "/tmp/\xFF\xFE.jpg"}, // not UTF-8: kept as it is
        {"file:///tmp/a%20b.png", "/tmp/a b.png"},
        {"file://localhost/srv/x.bmp", "/srv/x.bmp"},
        {"file://server/share/x.png", std::nullopt},
        {"https://example.org/x.png", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto path = localPathOfUrl(QUrl(QString::fromLatin1(c.url), QUrl::StrictMode));
        EXPECT_EQ(path.has_value(), c.path.has_value()) << c.url;
        if (path && c.path) {
            EXPECT_EQ(path->native(), *c.path) << c.url;
        }
    }
}
