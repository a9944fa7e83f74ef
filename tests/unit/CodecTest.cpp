// Our decoders against ImageMagick: files written by `convert` in every variant we read,
// decoded by us and compared with the pixels ImageMagick itself reports; and our encoders'
// files read back by ImageMagick.
#include "ImageMagick.h"
#include "platform/PictureFile.h"
#include "raster/BmpCodec.h"
#include "raster/ImageFile.h"
#include "raster/JpegCodec.h"
#include "raster/PngCodec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

using namespace vexmira::raster;
namespace platform = vexmira::platform;
using namespace vexmira::testing;

namespace {

struct Variant {
    const char* name;
    const char* convertOptions; // between the source picture and the output file
    const char* output;         // output file, with an ImageMagick format prefix if needed
    int expectedDepth;
};

class CodecTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = new TemporaryFolder;
        // A colourful, noisy source of odd size (rows need padding), with a soft alpha ramp
        // for the variants that keep alpha.
        runConvert("-size 61x37 -seed 7 plasma:fractal -blur 0x0.5 " + (*folder_ / "source.png").string());
        runConvert((*folder_ / "source.png").string() +
                   " \\( -size 61x37 gradient:white-black -rotate 0 \\) -alpha off -compose CopyOpacity "
                   "-composite " +
                   (*folder_ / "source-alpha.png").string());
    }
    static void TearDownTestSuite() { delete folder_; }

    static std::filesystem::path make(const Variant& v, bool alphaSource = false) {
        const auto source = *folder_ / (alphaSource ? "source-alpha.png" : "source.png");
        std::string output = v.output;
        const auto colon = output.find(':');
        const std::string fileName = colon == std::string::npos ? output : output.substr(colon + 1);
        const std::string prefix = colon == std::string::npos ? "" : output.substr(0, colon + 1);
        runConvert(source.string() + " " + v.convertOptions + " " + prefix + (*folder_ / fileName).string());
        return *folder_ / fileName;
    }

    static TemporaryFolder* folder_;
};

TemporaryFolder* CodecTest::folder_ = nullptr;

// Transparent pixels may carry any colour; only their alpha has to agree.
int maxDifferenceWhereVisible(const Bitmap& ours, const Bitmap& theirs) {
    if (ours.size() != theirs.size()) return -1;
    int worst = 0;
    for (int y = 0; y < ours.height(); ++y)
        for (int x = 0; x < ours.width(); ++x) {
            const Bgra p = ours.pixel(x, y), q = theirs.pixel(x, y);
            const int shifts = bgraAlpha(q) == 0 ? 1 : 4;
            for (int i = 0; i < shifts; ++i) {
                const int shift = 24 - 8 * i;
                worst = std::max(worst, std::abs(int((p >> shift) & 0xFF) - int((q >> shift) & 0xFF)));
            }
        }
    return worst;
}

} // namespace

TEST_F(CodecTest, PngEveryColourTypeAndDepthMatchesImageMagickExactly) {
    const Variant variants[] = {
        {"gray 1", "-colorspace Gray -define png:color-type=0 -define png:bit-depth=1", "gray1.png", 24},
        {"gray 2", "-colorspace Gray -define png:color-type=0 -define png:bit-depth=2", "gray2.png", 24},
        {"gray 4", "-colorspace Gray -define png:color-type=0 -define png:bit-depth=4", "gray4.png", 24},
        {"gray 8", "-colorspace Gray -define png:color-type=0 -define png:bit-depth=8", "gray8.png", 24},
        {"gray 16", "-colorspace Gray -depth 16 -define png:color-type=0 -define png:bit-depth=16",
         "gray16.png", 24},
        {"rgb 8", "", "PNG24:rgb8.png", 24},
        {"rgb 16", "-depth 16", "PNG48:rgb16.png", 24},
        {"palette 1", "-colors 2 -type palette -define png:bit-depth=1", "PNG8:pal1.png", 24},
        {"palette 2", "-colors 4 -type palette -define png:bit-depth=2", "PNG8:pal2.png", 24},
        {"palette 4", "-colors 16 -type palette -define png:bit-depth=4", "PNG8:pal4.png", 24},
        {"palette 8", "-colors 200", "PNG8:pal8.png", 24},
        {"interlaced rgb", "-interlace PNG", "PNG24:adam7.png", 24},
        {"interlaced palette 4", "-interlace PNG -colors 16 -type palette -define png:bit-depth=4",
         "PNG8:adam7pal.png", 24},
    };
    for (const auto& v : variants) {
        SCOPED_TRACE(v.name);
        const auto file = make(v);
        const Bitmap ours = platform::loadPicture(file);
        EXPECT_EQ(ours.bitDepth(), v.expectedDepth);
        EXPECT_EQ(maxChannelDifference(ours, imageMagickPixels(file), false), 0);
    }
    // The files really are of the kind they claim.
    EXPECT_EQ(imageMagickProperty(*folder_ / "pal2.png", "%[png:IHDR.bit_depth] %[png:IHDR.color_type]"),
              "2 3 (Indexed)");
    EXPECT_EQ(imageMagickProperty(*folder_ / "gray16.png", "%[png:IHDR.bit_depth] %[png:IHDR.color_type]"),
              "16 0 (Grayscale)");
    EXPECT_EQ(imageMagickProperty(*folder_ / "adam7.png", "%[png:IHDR.interlace_method]"),
              "1 (Adam7 method)");
}

TEST_F(CodecTest, PngAlphaAndTransparencyMatchImageMagickExactly) {
    const Variant variants[] = {
        {"rgba 8", "", "PNG32:rgba8.png", 32},
        {"rgba 16", "-depth 16", "PNG64:rgba16.png", 32},
        {"gray alpha 8", "-colorspace Gray -define png:color-type=4 -define png:bit-depth=8", "ga8.png", 32},
        {"gray alpha 16", "-colorspace Gray -depth 16 -define png:color-type=4 -define png:bit-depth=16",
         "ga16.png", 32},
        {"palette with transparency", "-channel A -threshold 50% +channel -colors 64", "PNG8:paltrns.png",
         32},
        {"interlaced rgba", "-interlace PNG", "PNG32:adam7a.png", 32},
    };
    for (const auto& v : variants) {
        SCOPED_TRACE(v.name);
        const auto file = make(v, true);
        const Bitmap ours = platform::loadPicture(file);
        EXPECT_EQ(ours.bitDepth(), v.expectedDepth);
        EXPECT_EQ(maxDifferenceWhereVisible(ours, imageMagickPixels(file)), 0);
    }
}

TEST_F(CodecTest, PngSingleTransparentColourBecomesAlpha) {
    // Gray and RGB pictures can name one colour transparent (a tRNS chunk without a palette).
    const auto gray = *folder_ / "graytrns.png";
    runConvert(
        "-size 8x4 xc:gray50 -fill white -draw 'point 3,1' -transparent white -define png:color-type=0 "
        "-define png:bit-depth=8 " +
        gray.string());
    const Bitmap picture = platform::loadPicture(gray);
    ASSERT_EQ(picture.bitDepth(), 32);
    EXPECT_EQ(bgraAlpha(picture.pixel(3, 1)), 0);
    EXPECT_EQ(bgraAlpha(picture.pixel(0, 0)), 255);
    EXPECT_EQ(maxDifferenceWhereVisible(picture, imageMagickPixels(gray)), 0);
}

TEST_F(CodecTest, JpegEveryKindBecomesATwentyFourBitPictureCloseToImageMagick) {
    // Both sides run libjpeg's default decoding; the tolerance covers rounding in the colour
    // conversions (CMYK in particular).
    const Variant variants[] = {
        {"baseline", "-quality 90", "base.jpg", 24},
        {"progressive", "-quality 85 -interlace JPEG", "prog.jpg", 24},
        {"grayscale", "-colorspace Gray -quality 90", "gray.jpg", 24},
        {"cmyk", "-colorspace CMYK -quality 95", "cmyk.jpg", 24},
        {"subsampled 4:2:0", "-sampling-factor 2x2 -quality 75", "s420.jpg", 24},
    };
    for (const auto& v : variants) {
        SCOPED_TRACE(v.name);
        const auto file = make(v);
        const Bitmap ours = platform::loadPicture(file);
        EXPECT_EQ(ours.bitDepth(), 24);
        const Bitmap theirs = imageMagickPixels(file);
        EXPECT_LE(maxChannelDifference(ours, theirs, false), 2);
        EXPECT_LT(meanChannelDifference(ours, theirs), 0.5);
    }
    // Progressive and CMYK really are what they claim.
    EXPECT_EQ(imageMagickProperty(*folder_ / "prog.jpg", "%[interlace]"), "JPEG");
    EXPECT_EQ(imageMagickProperty(*folder_ / "cmyk.jpg", "%[colorspace]"), "CMYK");
}

TEST_F(CodecTest, BmpEveryDepthAndCompressionMatchesImageMagickExactly) {
    const Variant variants[] = {
        {"1 bit", "-type bilevel", "BMP3:b1.bmp", 24},
        {"4 bits", "-colors 16 -type palette -compress None", "BMP3:b4.bmp", 24},
        {"8 bits", "-colors 200 -type palette -compress None", "BMP3:b8.bmp", 24},
        {"8 bits rle", "-colors 200 -type palette -compress RLE", "BMP3:b8rle.bmp", 24},
        {"16 bits 5-6-5", "-define bmp:subtype=RGB565", "BMP:b565.bmp", 24},
        {"16 bits 5-5-5", "-define bmp:subtype=RGB555", "BMP:b555.bmp", 24},
        {"24 bits", "-type truecolor", "BMP3:b24.bmp", 24},
        {"os/2 24 bits", "-type truecolor", "BMP2:os2.bmp", 24},
        {"os/2 8 bits", "-colors 100 -type palette", "BMP2:os2p.bmp", 24},
    };
    for (const auto& v : variants) {
        SCOPED_TRACE(v.name);
        const auto file = make(v);
        const Bitmap ours = platform::loadPicture(file);
        EXPECT_EQ(ours.bitDepth(), v.expectedDepth);
        EXPECT_EQ(maxChannelDifference(ours, imageMagickPixels(file), false), 0);
    }
    EXPECT_EQ(imageMagickProperty(*folder_ / "b8rle.bmp", "%C"), "RLE");
    EXPECT_EQ(imageMagickProperty(*folder_ / "b8.bmp", "%C"), "None");
}

TEST_F(CodecTest, BmpThirtyTwoBitsKeepsAlpha) {
    const auto file = make({"32 bits", "-type truecolormatte", "BMP:b32.bmp", 32}, true);
    const Bitmap ours = platform::loadPicture(file);
    EXPECT_EQ(ours.bitDepth(), 32);
    EXPECT_EQ(maxDifferenceWhereVisible(ours, imageMagickPixels(file)), 0);
}

namespace {

std::vector<std::uint8_t> bytesOf(const std::filesystem::path& file) {
    return platform::readPictureFile(file);
}

void put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Rewrites a bottom-up uncompressed bitmap file as a top-down one: negative height, rows reversed.
std::vector<std::uint8_t> flippedTopDown(std::vector<std::uint8_t> bytes, int rowSize) {
    const std::uint32_t offset = bytes[10] | (bytes[11] << 8) | (bytes[12] << 16) | (bytes[13] << 24);
    const int height = bytes[22] | (bytes[23] << 8) | (bytes[24] << 16) | (bytes[25] << 24);
    put32(bytes, 22, static_cast<std::uint32_t>(-height));
    for (int y = 0; y < height / 2; ++y)
        std::swap_ranges(bytes.begin() + offset + y * rowSize, bytes.begin() + offset + (y + 1) * rowSize,
                         bytes.begin() + offset + (height - 1 - y) * rowSize);
    return bytes;
}

void writeBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

} // namespace

TEST_F(CodecTest, BmpTopDownRowsMatchImageMagick) {
    const auto bottomUp24 = make({"24", "-type truecolor", "BMP3:td24.bmp", 24});
    const auto bottomUp8 = make({"8", "-colors 50 -type palette -compress None", "BMP3:td8.bmp", 24});
    const struct {
        std::filesystem::path source;
        int rowSize;
        const char* name;
    } cases[] = {
        {bottomUp24, (61 * 3 + 3) & ~3, "topdown24.bmp"},
        {bottomUp8, (61 + 3) & ~3, "topdown8.bmp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = *folder_ / c.name;
        writeBytes(file, flippedTopDown(bytesOf(c.source), c.rowSize));
        const Bitmap ours = platform::loadPicture(file);
        EXPECT_EQ(maxChannelDifference(ours, imageMagickPixels(file), false), 0);
        EXPECT_TRUE(ours.samePixels(platform::loadPicture(c.source))); // same picture either way round
    }
}

TEST_F(CodecTest, BmpRle4WithEveryEscapeMatchesImageMagick) {
    // ImageMagick does not write RLE4, so the file is put together here: a 7 x 4 picture with
    // runs, an odd-length literal run (padded), a delta jump, end-of-line and end-of-picture.
    const std::uint8_t palette[16][4] = {{0, 0, 0, 0},     {0, 0, 255, 0},     {0, 255, 0, 0},
                                         {255, 0, 0, 0},   {255, 255, 255, 0}, {0, 128, 255, 0},
                                         {128, 0, 128, 0}, {40, 80, 120, 0}};
    const std::vector<std::uint8_t> rle = {
        4, 0x12, 3,    0x34, 0,    0,                   // row 0 (bottom): 1 2 1 2 3 4 3
        0, 5,    0x56, 0x71, 0x20, 0,    2, 0x77, 0, 0, // row 1: literal 5 6 7 1 2 (3 bytes + pad), then 7 7
        0, 2,    3,    0,    2,    0x44, 0, 0,          // row 2: skip 3 pixels, then 4 4
        7, 0x65, 0,    1,                               // row 3: 6 5 6 5 6 5 6, end of picture
    };
    std::vector<std::uint8_t> file(14 + 40 + 64);
    file[0] = 'B';
    file[1] = 'M';
    put32(file, 10, 14 + 40 + 64);
    put32(file, 14, 40);
    put32(file, 18, 7);
    put32(file, 22, 4);
    file[26] = 1;
    file[28] = 4;
    put32(file, 30, 2); // RLE4
    put32(file, 34, static_cast<std::uint32_t>(rle.size()));
    put32(file, 46, 16);
    for (int i = 0; i < 16; ++i)
        std::memcpy(&file[54 + 4 * i], palette[i % 8], 4);
    file.insert(file.end(), rle.begin(), rle.end());
    put32(file, 2, static_cast<std::uint32_t>(file.size()));
    const auto path = *folder_ / "rle4.bmp";
    writeBytes(path, file);

    const Bitmap ours = platform::loadPicture(path);
    ASSERT_EQ(ours.size(), (Size{7, 4}));
    EXPECT_EQ(ours.pixel(0, 3), bgraFromRgba(255, 0, 0));   // bottom row, index 1
    EXPECT_EQ(ours.pixel(4, 2), bgraFromRgba(0, 255, 0));   // literal run's last pixel, index 2
    EXPECT_EQ(ours.pixel(6, 2), bgraFromRgba(120, 80, 40)); // after the padding byte, index 7
    EXPECT_EQ(ours.pixel(3, 1), bgraFromRgba(255, 255, 255));
    EXPECT_EQ(ours.pixel(0, 0), bgraFromRgba(128, 0, 128));
    // Pixels a delta skips are left undefined by the format; compare the ones the stream sets.
    const Bitmap theirs = imageMagickPixels(path);
    ASSERT_EQ(theirs.size(), ours.size());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 7; ++x) {
            if (y == 1 && (x < 3 || x > 4)) continue;
            EXPECT_EQ(toTColor(ours.pixel(x, y)), toTColor(theirs.pixel(x, y))) << x << "," << y;
        }
}

TEST_F(CodecTest, OurFilesReadBackInImageMagick) {
    const Bitmap original = platform::loadPicture(*folder_ / "source.png");
    const Bitmap withAlpha = platform::loadPicture(*folder_ / "source-alpha.png");
    ASSERT_EQ(withAlpha.bitDepth(), 32);

    platform::savePicture(*folder_ / "ours.png", original, ImageFormat::Png);
    EXPECT_EQ(maxChannelDifference(imageMagickPixels(*folder_ / "ours.png"), original, false), 0);
    EXPECT_EQ(imageMagickProperty(*folder_ / "ours.png", "%[channels]"), "srgb");

    platform::savePicture(*folder_ / "ours-alpha.png", withAlpha, ImageFormat::Png);
    EXPECT_EQ(maxDifferenceWhereVisible(withAlpha, imageMagickPixels(*folder_ / "ours-alpha.png")), 0);

    platform::savePicture(*folder_ / "ours24.bmp", original, ImageFormat::Bmp);
    EXPECT_EQ(maxChannelDifference(imageMagickPixels(*folder_ / "ours24.bmp"), original, false), 0);
    EXPECT_EQ(imageMagickProperty(*folder_ / "ours24.bmp", "%z"), "8"); // 8 bits per channel, 24 in all

    platform::savePicture(*folder_ / "ours32.bmp", withAlpha, ImageFormat::Bmp);
    EXPECT_EQ(maxChannelDifference(imageMagickPixels(*folder_ / "ours32.bmp"), withAlpha, false), 0);
    EXPECT_EQ(maxChannelDifference(platform::loadPicture(*folder_ / "ours32.bmp"), withAlpha, false),
              0); // and back in ours

    // JPEG loses detail: ours must come as close to the original as ImageMagick's own file of
    // the same quality.
    platform::savePicture(*folder_ / "ours.jpg", original, ImageFormat::Jpeg);
    runConvert((*folder_ / "source.png").string() + " -quality 90 " + (*folder_ / "theirs.jpg").string());
    EXPECT_EQ(imageMagickProperty(*folder_ / "ours.jpg", "%Q"), "90");
    EXPECT_EQ(imageMagickProperty(*folder_ / "ours.jpg", "%[interlace]"), "None"); // baseline
    EXPECT_EQ(imageMagickProperty(*folder_ / "ours.jpg", "%[colorspace]"), "sRGB");
    const Bitmap back = imageMagickPixels(*folder_ / "ours.jpg");
    const double theirError = meanChannelDifference(imageMagickPixels(*folder_ / "theirs.jpg"), original);
    EXPECT_LT(meanChannelDifference(back, original), theirError * 1.1 + 0.1);
}
