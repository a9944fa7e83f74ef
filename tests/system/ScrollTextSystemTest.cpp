// The scrolling text on the rig: a setup opened from a file puts a strip of its colour and height
// at its edge of the second monitor, the picture moves into the rest, and Hide and Stop All take
// the strip away.
#include "ImageMagick.h"
#include "ProgramDriver.h"
#include "platform/PictureFile.h"
#include "raster/ImageFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace vexmira;
using namespace vexmira::testing;
using raster::Bitmap;

namespace {

const raster::Rect secondMonitor{1920, 0, 1280, 1024};

// Whether every pixel of the rows is `rgb`.
bool rowsAre(int top, int rows, std::uint32_t rgb) {
    const Bitmap shown = grabScreen({secondMonitor.x, top, secondMonitor.width, rows});
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if ((shown.pixel(x, y) & 0xFFFFFF) != rgb) return false;
    return true;
}

} // namespace

TEST(ScrollText, TheStripTakesItsEdgeOfTheSecondMonitorAndThePictureTheRest) {
    TemporaryFolder folder;
    const auto png = folder / "picture.png";
    runConvert("-size 400x300 -seed 7 plasma:fractal PNG24:" + png.string());
    const Bitmap picture = platform::loadPicture(png);
    // A red strip of 100 pixels at the top, with no text.
    std::ofstream(folder / "red.sct") << "[scroll]\r\ntext=\r\nbackcolor=255\r\nheight=100\r\nposition=0\r\n";

    RunningProgram program;
    const raster::Rect control = program.controlWindow();
    clickAndWait(control.x + 20, control.y + 118, controlButtons(control)); // Clipboard
    ASSERT_TRUE(switchOnAutomaticSend(control));
    ClipboardOffer offer(png.string(), "image/png");
    auto pictureAt = [&](int top) {
        return grabScreen({secondMonitor.x + 440, top, 400, 300}).samePixels(picture);
    };
    ASSERT_TRUE(waitUntil([&] { return pictureAt(362); }, 5)) << "the picture did not come";

    clickAt(control.x + 20, control.y + 224); // Scroll Text
    std::string setup;
    ASSERT_TRUE(waitUntil([&] { return !(setup = windowNamed("Vexmira - Scrolling text")).empty(); }, 5))
        << "no setup window";
    waitForFocus(setup);
    clickInWindow(setup, 55, 493); // open a setup file
    ASSERT_TRUE(openInFileDialog((folder / "red.sct").string())) << "no dialog to open a setup file";
    waitForWindowSettled(setup);
    clickInWindow(setup, 340, 493); // Send Text
    EXPECT_TRUE(waitUntil([] { return rowsAre(0, 100, 0xFF0000); }, 5)) << "no red strip at the top";
    EXPECT_TRUE(waitUntil([&] { return pictureAt(100 + 312); }, 5))
        << "the picture is not centred in the rest";
    EXPECT_FALSE(rowsAre(100, 1, 0xFF0000)) << "the strip is taller than 100 pixels";

    clickInWindow(setup, 450, 493); // Hide
    EXPECT_TRUE(waitUntil([&] { return pictureAt(362); }, 5)) << "Hide left the picture where it was";
    EXPECT_TRUE(rowsAre(0, 100, 0x000000));

    clickInWindow(setup, 355, 367); // Bottom
    clickInWindow(setup, 340, 493); // Send Text
    EXPECT_TRUE(waitUntil([] { return rowsAre(924, 100, 0xFF0000); }, 5)) << "no red strip at the bottom";
    EXPECT_TRUE(waitUntil([&] { return pictureAt(312); }, 5));

    clickAt(control.x + 20, control.y + 16); // Stop All
    EXPECT_TRUE(waitUntil([] { return rowsAre(924, 100, 0x000000); }, 5)) << "Stop All left the strip";
    EXPECT_TRUE(program.isRunning());
}
