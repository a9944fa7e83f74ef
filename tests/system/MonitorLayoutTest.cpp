// Monitor layouts on the rig: the second monitor left of, above or below the primary, switched
// off and on while the program runs. Everything the program places or mirrors belongs to the
// primary monitor wherever it lies on the desktop.
#include "ImageMagick.h"
#include "ProgramDriver.h"
#include "TestWindows.h"
#include "platform/PictureFile.h"
#include "raster/ImageFile.h"

#include <gtest/gtest.h>

using namespace vexmira;
using namespace vexmira::testing;
using raster::Bitmap;
using raster::Rect;

namespace {

void tickAutomaticallySend(const Rect& control, const Rect& primary) {
    clickAndWait(control.x + 160, control.y + 15, controlBar(control));
    shell("xdotool mousemove " + std::to_string(primary.x + 960) + " " + std::to_string(primary.y + 1000));
}

class Layout : public ::testing::TestWithParam<const char*> {};

} // namespace

TEST_P(Layout, ThePrimaryIsPlacedMirroredAndRemembered) {
    MonitorLayout layout(GetParam());
    const RigMonitors monitors = rigMonitors();
    ASSERT_TRUE(monitors.secondary.has_value());
    const Rect primary = monitors.primary, secondary = *monitors.secondary;
    TestDisplay display;
    PatternWindow scenery{display, {primary.x + 150, primary.y + 100, 400, 300}, 7};

    Rect control;
    {
        RunningProgram program; // no settings: the default place, 1420 right and 100 down on the primary
        control = program.controlWindow();
        EXPECT_EQ(control.x, primary.x + 1420);
        EXPECT_EQ(control.y, primary.y + 100);
        const auto displayWindow = program.waitForWindow({1280, 1024}, 5);
        ASSERT_TRUE(displayWindow.has_value());
        EXPECT_EQ(displayWindow->x, secondary.x);
        EXPECT_EQ(displayWindow->y, secondary.y);

        clickAt(control.x + 20, control.y + 48); // Desktop: the area dialog
        const auto dialog = program.waitForWindow({342, 160}, 3);
        ASSERT_TRUE(dialog.has_value());
        pressKey("Return");
        ASSERT_TRUE(waitUntil([&] { return !program.windowId({342, 160}); }, 3)) << "the dialog stayed";
        tickAutomaticallySend(control, primary);
        EXPECT_TRUE(waitUntil([&] { return worstMirrorDifference(primary, secondary, control) <= 2; }, 5))
            << "the mirror does not show the primary";

        // Part of the desktop: the dragged rectangle, relative to the primary, shown 1:1 centred.
        ASSERT_TRUE(answerSourceDialog(program, control.x + 20, control.y + 48, "Down"));
        ASSERT_TRUE(program.waitForWindow({1920, 1080}, 5).has_value()) << "the region window did not show";
        dragFromTo(primary.x + 100, primary.y + 50, primary.x + 740, primary.y + 530);
        ASSERT_TRUE(waitUntil(
            [&] {
                return !program.windowId({1920, 1080});
            },
            5))
            << "the region window stayed";
        control = program.controlWindow();
        tickAutomaticallySend(control, primary);
        // The area dialog comes back where it was after a part was chosen.
        clickAt(control.x + 20, control.y + 48);
        const auto again = program.waitForWindow({342, 160}, 3);
        ASSERT_TRUE(again.has_value());
        EXPECT_EQ(again->x, dialog->x);
        EXPECT_EQ(again->y, dialog->y);
        pressKey("Escape");
        ASSERT_TRUE(waitUntil([&] { return !program.windowId({342, 160}); }, 3)) << "the dialog stayed";
        shell("xdotool mousemove " + std::to_string(primary.x + 960) + " " +
              std::to_string(primary.y + 1000));
        EXPECT_TRUE(waitUntil(
            [&] {
                const Bitmap region = grabScreen({primary.x + 100, primary.y + 50, 640, 480});
                return grabScreen({secondary.x + 320, secondary.y + 272, 640, 480}).samePixels(region);
            },
            5))
            << "the region is not the dragged one";

        clickAt(control.x + 417, control.y + 16); // Close: the program ends and keeps its place
        const bool ended = program.waitForExit(10);
        ASSERT_TRUE(ended) << (program.windowId({control.width, control.height})
                                   ? "the control window is still open: the click on Close was lost"
                                   : "the control window went but the program did not end");
        EXPECT_EQ(program.exitStatus(), 0);
    }
    const std::string saved = shell("cat '" + RunningProgram::settingsPath() + "'");
    EXPECT_NE(saved.find("Levo=1420"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Gor=100"), std::string::npos) << saved;

    RunningProgram again("[Velikost]\nLevo=600\nGor=300\n");
    const Rect moved = again.controlWindow();
    EXPECT_EQ(moved.x, primary.x + 600);
    EXPECT_EQ(moved.y, primary.y + 300);
}

INSTANTIATE_TEST_SUITE_P(SecondMonitor, Layout, ::testing::Values("left", "above", "below"));

class DisplayWindow : public ::testing::TestWithParam<const char*> {};

// Wherever the second monitor lies, switching it off gives the one-monitor place (never the
// display window over the primary, mirroring itself), and on again the second monitor.
TEST_P(DisplayWindow, StaysOnTopAndFollowsTheSecondMonitorOffAndOn) {
    MonitorLayout layout(GetParam());
    const RigMonitors monitors = rigMonitors();
    ASSERT_TRUE(monitors.secondary.has_value());
    const Rect primary = monitors.primary, secondary = *monitors.secondary;
    RunningProgram program;
    const Rect control = program.controlWindow();
    ASSERT_TRUE(program.waitForWindow({1280, 1024}, 5).has_value());
    const auto id = program.windowId({1280, 1024});
    ASSERT_TRUE(id.has_value());
    EXPECT_NE(windowState(*id).find("_NET_WM_STATE_ABOVE"), std::string::npos) << windowState(*id);
    ASSERT_TRUE(answerSourceDialog(program, control.x + 20, control.y + 48));
    tickAutomaticallySend(control, primary);

    const auto setMonitors = [](const std::string& layout) {
        shell(std::string(std::getenv("VEXMIRA_XRIG")) + " monitors " + layout);
    };
    for (int round = 0; round < 2; ++round) {
        setMonitors("one");
        {
            // The quarter-size window in the primary's corner, not a window over the whole desktop.
            const auto small = program.waitForWindow({1920 / 4, 1080 / 4}, 5);
            ASSERT_TRUE(small.has_value())
                << GetParam() << ": the display window did not take the one-monitor place";
            EXPECT_LE(small->x, 10);
            EXPECT_LE(small->y, 40);
            EXPECT_TRUE(waitUntil(
                [&] {
                    return !program.windowId({1920, 1080}) && !program.windowId({1280, 1024});
                },
                3))
                << GetParam() << ": the display stayed whole";
        }
        setMonitors(GetParam());
        // Back on: maximised on the second monitor again, on top, and the picture goes on.
        const auto big = program.waitForWindow({1280, 1024}, 5);
        ASSERT_TRUE(big.has_value()) << "the display window did not come back to the second monitor";
        EXPECT_EQ(big->x, secondary.x);
        EXPECT_EQ(big->y, secondary.y);
        EXPECT_NE(windowState(*program.windowId({1280, 1024})).find("_NET_WM_STATE_ABOVE"),
                  std::string::npos);
        const Rect shownControl = program.controlWindow();
        EXPECT_TRUE(
            waitUntil([&] { return worstMirrorDifference(primary, secondary, shownControl) <= 2; }, 3));
    }
    EXPECT_TRUE(program.isRunning());
}

INSTANTIATE_TEST_SUITE_P(SecondMonitor, DisplayWindow, ::testing::Values("two", "left", "above"));

// With the toolkit scaling everything by 2, the mirror still shows the whole primary monitor:
// captures are made in device pixels.
TEST(ScaleFactor, TheWholePrimaryIsMirroredInDevicePixels) {
    TestDisplay display;
    PatternWindow scenery{display, {1500, 800, 300, 200}, 8}; // far right and low: lost when half is captured
    RunningProgram program("", {"QT_SCALE_FACTOR=2"});
    const auto found = program.waitForWindow({866, 556}, 10);
    ASSERT_TRUE(found.has_value()) << "the control window did not show at twice its size";
    const Rect control = *found;
    waitForStill(control);
    ASSERT_TRUE(answerSourceDialog(program, control.x + 40, control.y + 96, "",
                                   {684, 320})); // Desktop, all twice the size
    const Rect bar{control.x, control.y, control.width, 60};
    clickAndWait(control.x + 320, control.y + 30, bar); // Automatically Send
    shell("xdotool mousemove 960 1000");
    EXPECT_TRUE(waitUntil(
        [&] {
            return worstMirrorDifference({0, 0, 1920, 1080}, {1920, 0, 1280, 1024}, control) <= 2;
        },
        5));

    // A picture is shown pixel for pixel, not magnified by the scale factor: a 640 x 480
    // clipboard picture fills 640 x 480 of the secondary monitor's pixels, centred.
    TemporaryFolder folder;
    raster::Bitmap picture(640, 480, 24);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            picture.setPixel(x, y, patternPixel(3, x, y) | 0xFF000000u);
    platform::savePicture(folder / "picture.png", picture, raster::ImageFormat::Png);
    ClipboardOffer offer((folder / "picture.png").string(), "image/png");
    // Clipboard, then Automatically Send again.
    clickAndWait(control.x + 40, control.y + 236, {control.x, control.y + 60, 84, control.height - 60});
    clickAndWait(control.x + 320, control.y + 30, bar);
    shell("xdotool mousemove 960 1000");
    const auto mismatches = [&] {
        const raster::Bitmap shown = grabScreen({1920 + 320, 272, 640, 480});
        int count = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                count += ((shown.pixel(x, y) ^ picture.pixel(x, y)) & 0xFFFFFF) != 0;
        return count;
    };
    EXPECT_TRUE(waitUntil([&] { return mismatches() == 0; }, 5))
        << "the picture is not shown 1:1 in the middle of the secondary monitor: " << mismatches()
        << " pixels differ";
}
