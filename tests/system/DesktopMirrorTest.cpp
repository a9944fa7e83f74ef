// The desktop mirror end to end: the real program on the two-monitor rig, driven with the mouse
// and keys, and the secondary monitor compared with what the primary shows.
#include "ProgramDriver.h"
#include "TestWindows.h"
#include "platform/ScreenCapture.h"
#include "raster/Resample.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace vexmira;
using namespace vexmira::testing;
using raster::Bitmap;
using raster::Rect;

namespace {

const Rect primaryMonitor{0, 0, 1920, 1080};
const Rect secondaryMonitor{1920, 0, 1280, 1024};

class DesktopMirror : public ::testing::Test {
  protected:
    // Desktop, the area choice (after `keysInDialog`), OK, then "Automatically Send".
    void startDesktopSource(const std::string& keysInDialog = "") {
        control = program.controlWindow();
        ASSERT_TRUE(answerSourceDialog(program, control.x + 20, control.y + 48, keysInDialog)); // Desktop
    }
    void tickAutomaticallySend() {
        ASSERT_TRUE(switchOnAutomaticSend(control));
        shell("xdotool mousemove 960 1000"); // out of the way of the picture
        ASSERT_TRUE(waitUntil([] { return showsPicture(secondaryMonitor); }, 5)) << "nothing was sent";
        waitForStill(secondaryMonitor); // the mirror has caught up with the still desktop
    }

    TestDisplay display;
    PatternWindow scenery{display, {150, 100, 400, 300}, 7};
    RunningProgram program;
    Rect control;
};

} // namespace

TEST_F(DesktopMirror, AllDesktopFillsTheSecondMonitorWithTheFittedPrimary) {
    startDesktopSource();
    tickAutomaticallySend();

    const auto displayWindow = program.waitForWindow({1280, 1024}, 3);
    ASSERT_TRUE(displayWindow.has_value()) << "the display window does not cover the second monitor";
    EXPECT_EQ(displayWindow->x, 1920); // no border: its inside is the whole monitor
    EXPECT_EQ(displayWindow->y, 0);

    const Bitmap shown = grabScreen(secondaryMonitor);
    const Bitmap expected = raster::resampleBilinear(grabScreen(primaryMonitor), {1280, 720});
    // The control window's own preview changes from frame to frame; it is left out.
    const Rect skip{control.x * 2 / 3 - 4, 152 + control.y * 2 / 3 - 4, control.width * 2 / 3 + 8,
                    control.height * 2 / 3 + 8};
    int worst = 0, compared = 0;
    for (int y = 0; y < 1024; ++y)
        for (int x = 0; x < 1280; ++x) {
            const bool inPicture = y >= 152 && y < 152 + 720;
            if (inPicture && x >= skip.x && x < skip.right() && y >= skip.y && y < skip.bottom()) continue;
            const raster::Bgra want = inPicture ? expected.pixel(x, y - 152) : 0u;
            worst = std::max(worst, channelDifference(shown.pixel(x, y), want));
            ++compared;
        }
    EXPECT_GT(compared, 1200000);
    EXPECT_LE(worst, 2);
}

TEST_F(DesktopMirror, PartOfDesktopMirrorsExactlyTheDraggedRegion) {
    startDesktopSource("Down");
    ASSERT_TRUE(program.waitForWindow({1920, 1080}, 5).has_value()) << "the region window did not show";
    dragFromTo(100, 50, 740, 530);
    ASSERT_TRUE(waitUntil([&] { return !program.windowId({1920, 1080}); }, 5)) << "the region window stayed";
    control = program.controlWindow(); // shown again after the grab
    tickAutomaticallySend();

    // A 640 x 480 picture is smaller than the monitor: shown 1:1, centred.
    const Bitmap shown = grabScreen(secondaryMonitor);
    const Bitmap region = grabScreen({100, 50, 640, 480});
    int mismatches = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            mismatches += channelDifference(shown.pixel(320 + x, 272 + y), region.pixel(x, y)) != 0;
    EXPECT_EQ(mismatches, 0);
    // The pattern's top-left pixel at screen (150, 100) is region pixel (50, 50).
    EXPECT_EQ(shown.pixel(320 + 50, 272 + 50) & 0xFFFFFF, patternPixel(7, 0, 0) & 0xFFFFFF);
    EXPECT_EQ(shown.pixel(319, 272) & 0xFFFFFF, 0u);
    EXPECT_EQ(shown.pixel(320 + 640, 272 + 479) & 0xFFFFFF, 0u);

    // While a new area is dragged, the mirror goes on with the old one until the button is
    // released (below the region window's own label, which now covers the primary's top).
    const Rect lower{1920 + 320, 272 + 100, 640, 380};
    const Bitmap old = grabScreen(lower);
    ASSERT_TRUE(answerSourceDialog(program, control.x + 20, control.y + 48));
    ASSERT_TRUE(program.waitForWindow({1920, 1080}, 5).has_value()) << "the region window did not show";
    shell("xdotool mousemove 900 600 mousedown 1 sleep 0.1 mousemove 1000 700");
    int differing = 0;
    for (int sample = 0; sample < 40; ++sample) {
        differing += !grabScreen(lower).samePixels(old);
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
    }
    shell("xdotool mouseup 1");
    EXPECT_EQ(differing, 0) << "samples of 40 that did not show the old area while the new one was dragged";
}

TEST_F(DesktopMirror, StopAllBlanksTheDisplay) {
    startDesktopSource();
    tickAutomaticallySend();
    auto litPixels = [] {
        const Bitmap shown = grabScreen(secondaryMonitor);
        int lit = 0;
        for (int y = 0; y < shown.height(); y += 3)
            for (int x = 0; x < shown.width(); x += 3)
                lit += (shown.pixel(x, y) & 0xFFFFFF) != 0;
        return lit;
    };
    ASSERT_GT(litPixels(), 5000) << "the mirror did not start"; // the pattern alone covers 12000 samples

    // The running source's button answers again: its dialog opens.
    clickAt(control.x + 20, control.y + 48);
    EXPECT_TRUE(program.waitForWindow({342, 160}, 3).has_value())
        << "pressing the running source did nothing";
    pressKey("Escape");
    ASSERT_TRUE(waitUntil([&] { return !program.windowId({342, 160}); }, 3)) << "Escape left the dialog";

    clickAt(control.x + 20, control.y + 16); // Stop All
    EXPECT_TRUE(waitUntil([&] { return litPixels() == 0; }, 3));
    EXPECT_TRUE(program.isRunning());
}

TEST(DisplayWindow, WithOneMonitorItIsAQuarterSizeWindowAtTheTopLeft) {
    OneMonitor oneMonitor;
    RunningProgram program;
    program.controlWindow();
    const auto displayWindow = program.waitForWindow({1920 / 4, 1080 / 4}, 5);
    ASSERT_TRUE(displayWindow.has_value());
    EXPECT_LE(displayWindow->x, 10); // inside the window manager's frame at (0, 0)
    EXPECT_LE(displayWindow->y, 40);
}

// The live preview repaints under the hint strip on every tick; the strip stays on top of it.
TEST_F(DesktopMirror, TheHintStripStaysOverALivePreview) {
    startDesktopSource();
    shell("xdotool mousemove " + std::to_string(control.x + 20) + " " +
          std::to_string(control.y + 83));                                // over Single Application
    const Rect stripArea{control.x + 44 + 10, control.y + 67 + 2, 80, 4}; // above the strip's text
    auto stripShows = [&] {
        const Bitmap strip = grabScreen(stripArea);
        int stripColoured = 0;
        for (int y = 0; y < strip.height(); ++y)
            for (int x = 0; x < strip.width(); ++x)
                stripColoured += (strip.pixel(x, y) & 0xFFFFFF) == 0x9F3500;
        return stripColoured == strip.width() * strip.height();
    };
    ASSERT_TRUE(waitUntil(stripShows, 3)) << "the hint strip did not show";
    const Rect coverPlace{control.x + 100, control.y + 40, 200, 200}; // over part of the strip
    auto coverShows = [&] {
        return (grabScreen({coverPlace.x, coverPlace.y, 1, 1}).pixel(0, 0) & 0xFFFFFF) ==
               (patternPixel(5, 0, 0) & 0xFFFFFF);
    };
    {
        PatternWindow cover{display, coverPlace, 5};
        display.sync();
        ASSERT_TRUE(waitUntil(coverShows, 3));
    } // gone again: the control window repaints what it uncovers
    display.sync();
    ASSERT_TRUE(waitUntil([&] { return !coverShows(); }, 3));
    // Several ticks of the preview, each of which could paint over the strip: only time shows
    // that none does.
    holdStill(1.2);
    EXPECT_TRUE(stripShows()) << "the preview painted over the hint strip";
}
