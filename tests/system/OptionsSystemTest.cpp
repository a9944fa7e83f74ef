// The options dialog on the rig: the scale mode "Normal" shows the primary 1:1 on DUMMY1, the
// "50 %" preset makes the display window 960 x 540 with the picture centred in it, and "Confirm Changes" with
// a rate of 20 makes about 20 pictures a second reach DUMMY1 instead of 5.
#include "ProgramDriver.h"
#include "TestWindows.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>

using namespace vexmira;
using namespace vexmira::testing;
using raster::Bitmap;
using raster::Rect;

namespace {

// How many different pictures the area shows over `seconds`, looked at every 5 ms.
int picturesShown(const Rect& area, double seconds) {
    int changes = 0;
    Bitmap last = grabScreen(area);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        Bitmap now = grabScreen(area);
        if (!now.samePixels(last)) ++changes;
        last = std::move(now);
    }
    return changes;
}

} // namespace

TEST(OptionsDialog, ScaleModeSizePresetAndUpdateRateReachTheSecondMonitor) {
    TestDisplay display;
    // On the primary, clear of the dialog (its clicks must not land on it), where both 1:1
    // pictures below show it.
    const Rect place{1270, 740, 150, 60};
    PatternWindow pattern(display, place, 1);
    display.sync();
    RunningProgram program;
    const Rect control = program.controlWindow();
    ASSERT_TRUE(answerSourceDialog(program, control.x + 20, control.y + 48)); // Desktop, "All Desktop"
    clickAndWait(control.x + 160, control.y + 15, control);                   // Automatically Send
    shell("xdotool mousemove 960 1050");

    clickAt(control.x + 20, control.y + 258); // Options
    std::string dialog;
    ASSERT_TRUE(waitUntil([&] { return !(dialog = windowNamed("Vexmira - Options")).empty(); }, 5));
    waitForFocus(dialog);
    // Each click waits for the dialog to show its answer: a click while the window manager still
    // places the dialog would land beside it.
    clickInWindowAndWait(dialog, 144, 34); // "Graphic"
    clickInWindowAndWait(dialog, 55, 99);  // "Normal": the picture 1:1, centred
    // 1920 x 1080 centred in 1280 x 1024: DUMMY1's (x, y) shows the primary's (x + 320, y + 28).
    const Rect shown{1920 + place.x - 320, place.y - 28, place.width, place.height};
    auto patternShown = [&] {
        const Bitmap s = grabScreen(shown);
        for (int y = 0; y < place.height; y += 3)
            for (int x = 0; x < place.width; x += 3)
                if ((s.pixel(x, y) & 0xFFFFFF) != (patternPixel(1, x, y) & 0xFFFFFF)) return false;
        return true;
    };
    EXPECT_TRUE(waitUntil(patternShown, 5)) << "Normal does not show the primary 1:1";

    clickInWindowAndWait(dialog, 48, 34);                          // "Position"
    clickInWindowAndWait(dialog, 300, 55 + 10 + 24 + 2 * 27 + 10); // "50 %"
    clickInWindow(dialog, 345, 55 + 175);                          // Update
    EXPECT_TRUE(program.waitForWindow({960, 540}, 5).has_value())
        << "50 % of the primary is 960 x 540; windows: "
        << shell("for w in $(xdotool search --onlyvisible --name '^Vexmira$'); do xwininfo -id $w | grep -E "
                 "'Width|Height'; done");
    // Still 1:1 and centred, now in 960 x 540: DUMMY1's (x, y) shows the primary's (x + 480, y + 270).
    const Rect inSmaller{1920 + place.x - 480, place.y - 270, place.width, place.height};
    EXPECT_TRUE(waitUntil([&] { return grabScreen(inSmaller).samePixels(grabScreen(place)); }, 5));

    // An animation on the primary, so that every picture the mirror sends differs.
    std::atomic<bool> animating{true};
    std::thread animation([&] {
        for (int seed = 2; animating; ++seed) {
            pattern.repaint(seed);
            display.sync();
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
        }
    });
    const int before = picturesShown(inSmaller, 4.0);
    clickInWindow(dialog, 240, 34); // "Update rate"
    clickInWindow(dialog, 200, 88); // the rate
    pressKey("ctrl+a");
    shell("xdotool type 20");
    clickInWindowAndWait(dialog, 90, 180); // Confirm Changes
    const int after = picturesShown(inSmaller, 4.0);
    animating = false;
    animation.join();
    EXPECT_GE(before, 4 * 4) << "about 5 a second before";
    EXPECT_LE(before, 4 * 6);
    EXPECT_GE(after, 4 * 15) << "about 20 a second after Confirm Changes (" << after << " in 4 s)";
    EXPECT_LE(after, 4 * 21);

    EXPECT_TRUE(program.isRunning());
}
