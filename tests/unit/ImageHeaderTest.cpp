// Picture sizes read from file headers alone, against what ImageMagick wrote.
#include "raster/ImageHeader.h"
#include "ImageMagick.h"
#include "platform/PictureFile.h"
#include "raster/ImageFile.h"

#include <gtest/gtest.h>

using namespace vexmira::raster;
namespace platform = vexmira::platform;
using namespace vexmira::testing;

TEST(ImageHeader, SizesOfFilesWrittenByImageMagick) {
    TemporaryFolder folder;
    const struct {
        const char* name;
        const char* options; // ImageMagick's, before the output name
        int width, height;
    } cases[] = {
        {"baseline.jpg", "-quality 90", 640, 480},
        {"progressive.jpg", "-interlace JPEG", 333, 77},
        {"with-comment.jpg", "-set comment 'a comment in a segment before the frame'", 1, 1000},
        {"rgb.png", "", 3000, 1},
        {"adam7.png", "-interlace PNG", 17, 290},
        {"v3.bmp", "-type truecolor", 209, 156},
        {"top-down.bmp", "-define bmp:top-down=true", 12, 34},
        {"os2.bmp", "", 40, 30},
    };
    for (const auto& c : cases) {
        const auto file = folder / c.name;
        const std::string format = std::string(c.name) == "os2.bmp"        ? "BMP2:"
                                   : std::string(c.name).ends_with(".bmp") ? "BMP3:"
                                                                           : "";
        runConvert("-size " + std::to_string(c.width) + "x" + std::to_string(c.height) +
                   " -seed 2 plasma:fractal " + c.options + " " + format + file.string());
        const std::vector<std::uint8_t> bytes = platform::readPictureFile(file);
        const auto size = readImageSize(bytes);
        ASSERT_TRUE(size.has_value()) << c.name;
        EXPECT_EQ(*size, (Size{c.width, c.height})) << c.name;
        EXPECT_EQ(imageMagickProperty(file, "%wx%h"),
                  std::to_string(c.width) + "x" + std::to_string(c.height));
        // The first kilobytes hold it (the header, not the pixels).
        const auto head = std::span(bytes).first(std::min<std::size_t>(bytes.size(), 4096));
        EXPECT_EQ(readImageSize(head), size) << c.name;
    }
    const std::vector<std::vector<std::uint8_t>> notPictures = {{},
                                                                {0xFF, 0xD8, 0xFF},
                                                                {'B', 'M', 0, 0},
                                                                {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'},
                                                                {'G', 'I', 'F', '8'}};
    for (const auto& bytes : notPictures)
        EXPECT_FALSE(readImageSize(bytes).has_value()) << bytes.size();
}
