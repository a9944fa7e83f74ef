// The slide show on the rig, as a user plays it: the Images source, a one-second duration,
// "Show", the question to open a list, the list file; the second monitor then shows the pictures
// in order, again and again, one replacing the other with no black between them.
#include "ImageMagick.h"
#include "ProgramDriver.h"
#include "platform/PictureFile.h"
#include "raster/ImageFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

using namespace vexmira;
using namespace vexmira::testing;
namespace fs = std::filesystem;

namespace {

const raster::Rect secondMonitorCentre{1920 + 640 - 2, 512 - 2, 4, 4};

raster::Bitmap picture(int width, int height, raster::Bgra colour) {
    raster::Bitmap p(width, height, 24);
    p.fill(colour);
    return p;
}

// Which of the slides' colours the centre of the second monitor shows: 1, 2 or 3; 0 for black,
// -1 for anything else.
int slideShown() {
    const raster::Bitmap shown = grabScreen(secondMonitorCentre);
    const raster::Bgra pixel = shown.pixel(2, 2) & 0xFFFFFF;
    const auto near = [pixel](raster::Bgra colour) {
        for (int shift : {0, 8, 16})
            if (std::abs(int(pixel >> shift & 0xFF) - int(colour >> shift & 0xFF)) > 40) return false;
        return true;
    };
    if (near(0x000000)) return 0;
    if (near(0xFF0000)) return 1;
    if (near(0x00FF00)) return 2;
    if (near(0x0000FF)) return 3;
    return -1;
}

struct SlideRun {
    int slide;
    double seconds;
};

} // namespace

TEST(SlideShow, ThreePicturesPlayOnTheSecondMonitorInOrderAndLoopWithNoBlackBetween) {
    TemporaryFolder folder;
    platform::savePicture(folder / "1 caf\xC3\xA9.jpg", picture(640, 480, 0xFFFF0000),
                          raster::ImageFormat::Jpeg);
    platform::savePicture(folder / "2, \"two\".png", picture(800, 600, 0xFF00FF00), raster::ImageFormat::Png);
    platform::savePicture(folder / "3.bmp", picture(300, 900, 0xFF0000FF), raster::ImageFormat::Bmp);
    std::ofstream(folder / "show.lvx", std::ios::binary)
        << "1\r\n1\r\n1 caf\xC3\xA9.jpg\r\n2, \"two\".png\r\n3.bmp\r\n";

    RunningProgram program;
    const raster::Rect control = program.controlWindow();
    clickAndWait(control.x + 20, control.y + 153, controlButtons(control)); // Images
    shell("xdotool mousemove " + std::to_string(control.x + 360) + " " + std::to_string(control.y + 107) +
          " click --repeat 2 1 key ctrl+a type 1");
    pressKey("Tab");
    const std::string controlId = focusedWindow();
    clickAt(control.x + 154, control.y + 255); // Show, with an empty list
    ASSERT_TRUE(waitUntil([&] { return focusedWindow() != controlId; }, 5)) << "no question about a list";
    pressKey("Return"); // "Open Slide Show ?" Yes
    ASSERT_TRUE(openInFileDialog((folder / "show.lvx").string())) << "no dialog to open a list";

    // The show starts with the first picture; then the centre of the second monitor is sampled
    // every few milliseconds for a little over two rounds.
    ASSERT_TRUE(waitUntil([] { return slideShown() == 1; }, 5)) << "the first slide does not show";
    std::vector<SlideRun> runs;
    const auto start = std::chrono::steady_clock::now();
    auto runStart = start;
    int current = 1;
    for (auto now = start; now - start < std::chrono::milliseconds(6500);
         now = std::chrono::steady_clock::now()) {
        const int shown = slideShown();
        if (shown != current) {
            runs.push_back({current, std::chrono::duration<double>(now - runStart).count()});
            current = shown;
            runStart = now;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    std::string seen;
    for (const SlideRun& run : runs)
        seen += std::to_string(run.slide) + " (" + std::to_string(run.seconds).substr(0, 5) + " s) ";
    ASSERT_GE(runs.size(), 6u) << seen;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].slide, int(i % 3) + 1) << "in order and looped, nothing between: " << seen;
        if (i > 0) {
            EXPECT_NEAR(runs[i].seconds, 1.0, 0.1) << "one second each: " << seen;
        }
    }
    EXPECT_TRUE(program.isRunning());
}
