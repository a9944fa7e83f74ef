// The single-application source on the rig: the real program lists a framed test window, mirrors
// it after a click on its thumbnail, and copies it by either method.
#include "ProgramDriver.h"
#include "TestWindows.h"
#include "platform/ScreenCapture.h"
#include "platform/WindowSystem.h"

#include <gtest/gtest.h>

using namespace vexmira;
using namespace vexmira::testing;
using raster::Bitmap;
using raster::Rect;

namespace {

class SingleApplication : public ::testing::Test {
  protected:
    // Single Application, the capture method (after `keysInDialog`), OK, a click on the first
    // thumbnail, then "Automatically Send".
    void mirrorFirstWindow(const std::string& keysInDialog = "") {
        control = program.controlWindow();
        ASSERT_TRUE(answerSourceDialog(program, control.x + 20, control.y + 83, keysInDialog));
        // Until the topmost window's thumbnail is drawn on the picker's grey row.
        const int x = control.x + 43 + 185, y = control.y + 32 + 80;
        ASSERT_TRUE(waitUntil(
            [&] {
                return (grabScreen({x, y, 1, 1}).pixel(0, 0) & 0xFFFFFF) != 0x3F3F3F;
            },
            10));
        const Rect picker{control.x + 43, control.y + 32, 386, 230};
        // Every thumbnail is in: a window's own drawing is given 200 ms to come, so the picker
        // may stand still that long between two of them.
        waitForStill(picker, 10, 600);
        clickAndWait(x, y, picker); // the thumbnail of the topmost window
        ASSERT_TRUE(switchOnAutomaticSend(control));
        shell("xdotool mousemove 960 1000");
        ASSERT_TRUE(waitUntil([] { return showsPicture({1920, 0, 1280, 1024}); }, 5)) << "nothing was sent";
        waitForStill({1920, 0, 1280, 1024}); // the mirror has caught up with the still window
    }

    // Where the target's inside appears on the second monitor: its frame is shown 1:1, centred.
    Rect insideOnDisplay() const {
        const auto windows = platform::openWindowSystem();
        const Rect frame = windows->frameOf(target.id());
        const Rect inside = target.placeOnScreen();
        const int left = (1280 - frame.width) / 2, top = (1024 - frame.height) / 2;
        return {1920 + left + inside.x - frame.x, top + inside.y - frame.y, inside.width, inside.height};
    }

    int mismatchesOnDisplay(const Rect& part, int seed, const Rect& onDisplay) {
        const Bitmap shown = grabScreen(onDisplay);
        int mismatches = 0;
        for (int y = part.y; y < part.bottom(); ++y)
            for (int x = part.x; x < part.right(); ++x)
                mismatches += (shown.pixel(x, y) & 0xFFFFFF) != (patternPixel(seed, x, y) & 0xFFFFFF);
        return mismatches;
    }

    TestDisplay display;
    PatternWindow target{display, {300, 300, 320, 240}, 9, "Pattern Window"};
    RunningProgram program;
    Rect control;
};

} // namespace

TEST_F(SingleApplication, AClickOnTheThumbnailMirrorsTheWindow) {
    mirrorFirstWindow();
    const Rect onDisplay = insideOnDisplay();
    EXPECT_EQ(mismatchesOnDisplay({0, 0, 320, 240}, 9, onDisplay), 0);
}

TEST_F(SingleApplication, SingleWindowShowsTheWindowsOwnDrawingUnderACover) {
    const Rect inside = target.placeOnScreen();
    PatternWindow cover{display, {inside.x + 50, inside.y + 40, 100, 80}, 3};
    mirrorFirstWindow();
    EXPECT_EQ(mismatchesOnDisplay({50, 40, 100, 80}, 9, insideOnDisplay()), 0);
}

TEST_F(SingleApplication, SingleWindowAreaShowsWhatCoversIt) {
    const Rect inside = target.placeOnScreen();
    PatternWindow cover{display, {inside.x + 50, inside.y + 40, 100, 80}, 3};
    mirrorFirstWindow("Down");
    const Rect onDisplay = insideOnDisplay();
    const Bitmap shown = grabScreen(onDisplay);
    int coverPixels = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x)
            coverPixels += (shown.pixel(50 + x, 40 + y) & 0xFFFFFF) == (patternPixel(3, x, y) & 0xFFFFFF);
    EXPECT_EQ(coverPixels, 100 * 80);
    EXPECT_EQ(mismatchesOnDisplay({0, 0, 40, 30}, 9, onDisplay), 0); // the uncovered corner is the window's
}

TEST_F(SingleApplication, AClosedWindowLeavesTheLastPreviewAndTheProgramGoesOn) {
    mirrorFirstWindow();
    const Rect preview{control.x + 43, control.y + 32, 386, 243};
    const Bitmap before = grabScreen(preview);
    xcb_destroy_window(display.get(), target.id());
    display.sync();
    holdStill(1.5); // the preview must keep its last picture: only time shows that it does
    EXPECT_TRUE(grabScreen(preview).samePixels(before));
}

TEST(SingleWindowArea, AWindowPartlyOffTheScreenKeepsItsSizeWithBlackOutside) {
    TestDisplay display;
    PatternWindow half{display, {-100, 200, 300, 200}, 6}; // unmanaged: it stays where it is put
    const auto windows = platform::openWindowSystem();
    Bitmap area, own;
    ASSERT_TRUE(windows->captureWindow(half.id(), platform::WindowCaptureMethod::ScreenArea, area));
    ASSERT_EQ(area.size(), (raster::Size{300, 200}));
    EXPECT_EQ(area.pixel(50, 100) & 0xFFFFFF, 0u); // off the screen
    for (int x = 100; x < 300; x += 37)
        EXPECT_EQ(area.pixel(x, 100) & 0xFFFFFF, patternPixel(6, x, 100) & 0xFFFFFF);
    ASSERT_TRUE(windows->captureWindow(half.id(), platform::WindowCaptureMethod::OwnDrawing, own));
    EXPECT_EQ(own.size(), (raster::Size{300, 200}));
    EXPECT_EQ(own.pixel(50, 100) & 0xFFFFFF,
              patternPixel(6, 50, 100) & 0xFFFFFF); // its own drawing has it all
    windows->releaseCaptures();
}
