// Broken, truncated and hostile files: each gives an ImageError naming the file and the
// problem, never a crash or a partial picture.
#include "ImageMagick.h"
#include "platform/PictureFile.h"
#include "raster/ImageFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/resource.h>

using namespace vexmira::raster;
namespace platform = vexmira::platform;
using namespace vexmira::testing;

namespace {

// Expects `load` to throw an ImageError whose text holds `fileName` and `problem`.
template <class Load>
void expectImageError(Load load, const std::string& fileName, const std::string& problem) {
    try {
        load();
        ADD_FAILURE() << "no error for " << fileName;
    } catch (const ImageError& error) {
        const std::string text = error.what();
        EXPECT_NE(text.find(fileName), std::string::npos) << text;
        EXPECT_NE(text.find(problem), std::string::npos) << text;
    }
}

class BrokenFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        runConvert("-size 64x48 -seed 3 plasma:fractal " + (folder / "good.jpg").string());
        runConvert("-size 64x48 -seed 3 plasma:fractal -interlace JPEG " + (folder / "prog.jpg").string());
        runConvert("-size 64x48 -seed 3 plasma:fractal PNG24:" + (folder / "good.png").string());
        runConvert("-size 64x48 -seed 3 plasma:fractal -interlace PNG PNG24:" +
                   (folder / "adam7.png").string());
        runConvert("-size 64x48 -seed 3 plasma:fractal -type truecolor BMP3:" +
                   (folder / "good.bmp").string());
        runConvert("-size 64x48 -seed 3 plasma:fractal -colors 100 -type palette -compress RLE BMP3:" +
                   (folder / "rle.bmp").string());
    }
    TemporaryFolder folder;
};

} // namespace

TEST_F(BrokenFiles, TruncatedFilesOfEveryFormatAreErrors) {
    for (const char* name : {"good.jpg", "prog.jpg", "good.png", "adam7.png", "good.bmp", "rle.bmp"}) {
        const std::vector<std::uint8_t> whole = platform::readPictureFile(folder / name);
        ASSERT_NO_THROW(decodeImage(whole, name));
        for (double share : {0.1, 0.5, 0.9, 0.99}) {
            SCOPED_TRACE(std::string(name) + " cut to " + std::to_string(share));
            const std::vector<std::uint8_t> cut(whole.begin(),
                                                whole.begin() + std::ptrdiff_t(whole.size() * share));
            expectImageError([&] { decodeImage(cut, name); }, name, "");
        }
    }
}

TEST_F(BrokenFiles, ProblemsAreNamedInTheMessage) {
    expectImageError([&] { platform::loadPicture(folder / "missing.png"); }, "missing.png", "cannot open");
    { std::ofstream(folder / "empty.jpg"); }
    expectImageError([&] { platform::loadPicture(folder / "empty.jpg"); }, "empty.jpg", "empty");
    { std::ofstream(folder / "text.png") << "this is not a picture at all"; }
    expectImageError([&] { platform::loadPicture(folder / "text.png"); }, "text.png",
                     "not a JPEG, PNG or BMP");

    std::vector<std::uint8_t> jpeg = platform::readPictureFile(folder / "good.jpg");
    std::vector<std::uint8_t> cut(jpeg.begin(), jpeg.begin() + std::ptrdiff_t(jpeg.size() * 3 / 4));
    expectImageError([&] { decodeImage(cut, "cut.jpg"); }, "cut.jpg", "Premature end");
}

TEST_F(BrokenFiles, CorruptedBytesAreErrors) {
    std::vector<std::uint8_t> png = platform::readPictureFile(folder / "good.png");
    png[png.size() / 2] ^= 0x5A; // inside the compressed data
    expectImageError([&] { decodeImage(png, "flipped.png"); }, "flipped.png", "IDAT");

    std::vector<std::uint8_t> bmp = platform::readPictureFile(folder / "good.bmp");
    bmp[28] = 7; // 7 bits per pixel
    expectImageError([&] { decodeImage(bmp, "odd.bmp"); }, "odd.bmp", "unsupported bit count 7");
    bmp = platform::readPictureFile(folder / "good.bmp");
    bmp[14] = 99; // unknown header size
    expectImageError([&] { decodeImage(bmp, "header.bmp"); }, "header.bmp", "header size");
}

TEST_F(BrokenFiles, HugeDeclaredSizesAreRefusedBeforeAllocating) {
    DecodeLimits small;
    small.maxPixels = 1000;
    for (const char* name : {"good.jpg", "good.png", "good.bmp"})
        expectImageError([&] { decodeImage(platform::readPictureFile(folder / name), name, small); }, name,
                         "too large");

    // A bitmap header claiming 2^31 - 1 rows, backed by a few bytes.
    std::vector<std::uint8_t> bmp = platform::readPictureFile(folder / "good.bmp");
    bmp[22] = 0xFF, bmp[23] = 0xFF, bmp[24] = 0xFF, bmp[25] = 0x7F;
    expectImageError([&] { decodeImage(bmp, "tall.bmp"); }, "tall.bmp", "too large");
    bmp[22] = 0x00, bmp[23] = 0x10, bmp[24] = 0x00,
    bmp[25] = 0x00; // 4096 rows: passes the limit, lacks the data
    expectImageError([&] { decodeImage(bmp, "short.bmp"); }, "short.bmp", "ends early");

    // 16384 x 16384 is within the limit: a few hundred bytes claiming it are refused before a
    // gigabyte is set aside for the picture.
    bmp[18] = 0x00, bmp[19] = 0x40, bmp[20] = 0x00, bmp[21] = 0x00;
    bmp[22] = 0x00, bmp[23] = 0x40, bmp[24] = 0x00, bmp[25] = 0x00;
    bmp.resize(300);
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    expectImageError([&] { decodeImage(bmp, "claims.bmp"); }, "claims.bmp", "refused"); // out of proportion
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 50 * 1024) << "kilobytes of memory the refusal cost";
}

// A run-length bitmap of a kilobyte that unpacks to 9000 x 9000 (81 megapixels, 324 MB) is
// within the pixel limit but out of all proportion to its file: refused before decoding.
TEST_F(BrokenFiles, TinyFilesThatUnpackToHugePicturesAreRefused) {
    const auto le = [](std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    std::vector<std::uint8_t> bmp = {'B', 'M'};
    le(bmp, 14 + 40 + 1024 + 2, 4);
    le(bmp, 0, 4);
    le(bmp, 14 + 40 + 1024, 4);
    for (const auto& [value, bytes] : std::initializer_list<std::pair<std::uint32_t, int>>{{40, 4},
                                                                                           {9000, 4},
                                                                                           {9000, 4},
                                                                                           {1, 2},
                                                                                           {8, 2},
                                                                                           {1, 4},
                                                                                           {2, 4},
                                                                                           {2835, 4},
                                                                                           {2835, 4},
                                                                                           {256, 4},
                                                                                           {0, 4}})
        le(bmp, value, bytes);
    bmp.resize(bmp.size() + 1024, 0x40); // the palette
    bmp.push_back(0), bmp.push_back(1);  // end of the picture
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    expectImageError([&] { decodeImage(bmp, "bomb.bmp"); }, "bomb.bmp", "refused");
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 50 * 1024) << "kilobytes of memory the refusal cost";
}

TEST_F(BrokenFiles, SavingToAnUnwritablePlaceNamesTheFileAndLeavesNothing) {
    const Bitmap picture(4, 4);
    expectImageError(
        [&] { platform::savePicture(folder / "no-such-folder" / "x.png", picture, ImageFormat::Png); },
        "x.png", "cannot create");
    expectImageError([&] { platform::savePicture(folder / "empty.bmp", Bitmap(), ImageFormat::Bmp); },
                     "empty.bmp", "empty picture");
    EXPECT_FALSE(std::filesystem::exists(folder / "empty.bmp"));
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        EXPECT_EQ(entry.path().string().find(".XXXXXX"), std::string::npos);
}
