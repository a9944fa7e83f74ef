// The shutter, masked windows, re-attaching to a reopened window and the region that follows the
// pointer, each driven on the rig through the real program as a user would.
#include "ImageMagick.h"
#include "ProgramDriver.h"
#include "TestWindows.h"
#include "platform/WindowSystem.h"
#include "raster/ImageFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <thread>

using namespace vexmira;
using namespace vexmira::testing;
using raster::Bitmap;
using raster::Rect;

namespace {

const Rect primary{0, 0, 1920, 1080};
const Rect secondary{1920, 0, 1280, 1024};

bool allBlack(const Rect& area) {
    const Bitmap shown = grabScreen(area);
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if ((shown.pixel(x, y) & 0xFFFFFF) != 0) return false;
    return true;
}

int patternMismatches(const Bitmap& shown, int seed) {
    int mismatches = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            mismatches += (shown.pixel(x, y) & 0xFFFFFF) != (patternPixel(seed, x, y) & 0xFFFFFF);
    return mismatches;
}

// Desktop, "All Desktop", then "Automatically Send", until the mirror shows the primary.
void mirrorWholeDesktop(const RunningProgram& program, const Rect& control) {
    ASSERT_TRUE(answerSourceDialog(program, control.x + 20, control.y + 48));
    clickAt(control.x + 160, control.y + 15);
    shell("xdotool mousemove 960 1000");
    ASSERT_TRUE(waitUntil([&] { return worstMirrorDifference(primary, secondary, control) <= 2; }, 5))
        << "the mirror does not show the primary";
}

} // namespace

TEST(Shutter, TheKeyBlanksTheSecondMonitorAtOnceWhileTheSourceGoesOnAndGivesItBack) {
    TestDisplay display;
    PatternWindow scenery{display, {200, 200, 400, 300}, 7};
    RunningProgram program("[Extras]\nBlankKeyOn=1\n");
    const Rect control = program.controlWindow();
    mirrorWholeDesktop(program, control);

    pressKey("ctrl+alt+b");
    const auto pressed = std::chrono::steady_clock::now();
    EXPECT_TRUE(waitUntil([] { return allBlack(secondary); }, 2)) << "the second monitor was not blanked";
    ::testing::Test::RecordProperty("blanked_after_ms",
                                    static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                         std::chrono::steady_clock::now() - pressed)
                                                         .count()));

    // The source goes on in the preview; nothing of it reaches the second monitor.
    const Rect preview{control.x + 43, control.y + 60, 386, 200};
    const Bitmap before = grabScreen(preview);
    scenery.repaint(8);
    display.sync();
    EXPECT_TRUE(waitUntil([&] { return !grabScreen(preview).samePixels(before); }, 3))
        << "the preview stopped while blanked";
    pause(0.4);
    EXPECT_TRUE(allBlack(secondary)) << "a frame reached the blanked monitor";

    pressKey("ctrl+alt+b");
    EXPECT_TRUE(waitUntil([&] { return worstMirrorDifference(primary, secondary, control) <= 2; }, 3))
        << "the mirror did not come back with the source's new picture";
}

TEST(Shutter, TheTrayItemBlanksTheSecondMonitorAndGivesItBack) {
    TrayHost tray;
    RunningProgram program;
    const Rect control = program.controlWindow();
    ASSERT_TRUE(waitUntil([&] { return tray.icons().size() == 1; }, 5)) << "no icon in the tray";
    mirrorWholeDesktop(program, control);
    // "Blank Secondary Monitor", by keyboard: six items up from the end of the menu.
    auto chooseBlankItem = [&] {
        const Rect icon = tray.iconArea();
        shell("xdotool mousemove " + std::to_string(icon.x + icon.width / 2) + " " +
              std::to_string(icon.y + icon.height / 2) + " click 3");
        pause(0.5);
        for (int i = 0; i < 6; ++i)
            pressKey("Up");
        pressKey("Return");
        shell("xdotool mousemove 960 1000");
    };
    chooseBlankItem();
    EXPECT_TRUE(waitUntil([] { return allBlack(secondary); }, 2)) << "the tray item did not blank";
    chooseBlankItem();
    EXPECT_TRUE(waitUntil([&] { return worstMirrorDifference(primary, secondary, control) <= 2; }, 3))
        << "the second choice did not give the monitor back";
}

// While the slides step and the strip's own thread scrolls, the blanked monitor stays black in
// every sample; a strip sent while blanked stays beneath the shutter too.
TEST(Shutter, HoldsThroughSlideStepsAndAScrollingStrip) {
    TemporaryFolder folder;
    for (const auto& [name, colour] : {std::pair{"1.png", 0xFFFF0000u}, std::pair{"2.png", 0xFF00FF00u}}) {
        raster::Bitmap slide(640, 480, 24);
        slide.fill(colour);
        raster::saveImage(folder / name, slide, raster::ImageFormat::Png);
    }
    std::ofstream(folder / "show.lvx", std::ios::binary) << "1\r\n1\r\n1.png\r\n2.png\r\n";
    std::ofstream(folder / "strip.sct")
        << "[scroll]\r\ntext=Scrolling on\r\nbackcolor=16711680\r\nheight=100\r\nposition=0\r\n";

    RunningProgram program("[Extras]\nBlankKeyOn=1\n");
    const Rect control = program.controlWindow();
    clickAt(control.x + 20, control.y + 153); // Images, one second a slide, Show, open a list
    pause(0.5);
    shell("xdotool mousemove " + std::to_string(control.x + 360) + " " + std::to_string(control.y + 107) +
          " click --repeat 2 1 key ctrl+a type 1");
    pressKey("Tab");
    clickAt(control.x + 154, control.y + 255);
    pause(0.8);
    pressKey("Return");
    ASSERT_TRUE(waitUntil([] { return !windowNamed("Open").empty(); }, 5)) << "no dialog to open a list";
    pause(0.5);
    shell("xdotool type --delay 10 '" + (folder / "show.lvx").string() + "'");
    pressKey("Return");
    const Rect centre{1920 + 640, 600, 1, 1};
    ASSERT_TRUE(waitUntil([&] { return (grabScreen(centre).pixel(0, 0) & 0xFFFFFF) != 0; }, 5))
        << "the slides do not show";

    clickAt(control.x + 20, control.y + 224); // Scroll Text, from the setup file
    std::string setup;
    ASSERT_TRUE(waitUntil([&] { return !(setup = windowNamed("Vexmira - Scrolling text")).empty(); }, 5));
    pause(0.3);
    clickInWindow(setup, 55, 493);
    pause(1.0);
    shell("xdotool type --delay 10 '" + (folder / "strip.sct").string() + "'");
    pressKey("Return");
    pause(0.5);
    clickInWindow(setup, 340, 493); // Send Text
    const Rect stripCorner{1920 + 2, 2, 1, 1};
    ASSERT_TRUE(waitUntil([&] { return (grabScreen(stripCorner).pixel(0, 0) & 0xFFFFFF) == 0x0000FF; }, 5))
        << "no strip at the top";

    shell("xdotool mousemove 960 1000");
    pressKey("ctrl+alt+b");
    ASSERT_TRUE(waitUntil([] { return allBlack(secondary); }, 2)) << "the second monitor was not blanked";
    const auto watchBlack = [](double seconds) {
        int samples = 0, leaks = 0;
        const auto start = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - start < std::chrono::duration<double>(seconds)) {
            ++samples;
            leaks += !allBlack(secondary);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return std::pair{samples, leaks};
    };
    const auto [samples, leaks] = watchBlack(2.5); // two slide steps and many strip frames
    EXPECT_GT(samples, 20);
    EXPECT_EQ(leaks, 0) << "slides or the strip showed through the shutter";

    clickInWindow(setup, 450, 493); // Hide, then Send Text again: the strip comes back beneath
    pause(0.5);
    clickInWindow(setup, 340, 493);
    shell("xdotool mousemove 960 1000");
    const auto [samplesAfter, leaksAfter] = watchBlack(1.0);
    EXPECT_GT(samplesAfter, 5);
    EXPECT_EQ(leaksAfter, 0) << "a strip sent while blanked showed over the shutter";

    pressKey("ctrl+alt+b");
    EXPECT_TRUE(waitUntil([&] { return (grabScreen(stripCorner).pixel(0, 0) & 0xFFFFFF) == 0x0000FF; }, 3))
        << "the strip did not come back";
    EXPECT_TRUE(waitUntil([&] { return (grabScreen(centre).pixel(0, 0) & 0xFFFFFF) != 0; }, 3))
        << "the slides did not come back";
}

TEST(MaskedWindows, AMaskedWindowIsBlackOnTheSecondMonitorAndUntouchedOnThePrimary) {
    TestDisplay display;
    PatternWindow secret{display, {300, 300, 320, 240}, 9, "Secret"}; // class "PatternWindow"
    PatternWindow scenery{display, {900, 600, 300, 200}, 5};
    RunningProgram program("[Extras]\nMaskedClasses=NoSuchClass, PatternWindow\n");
    const Rect control = program.controlWindow();
    ASSERT_TRUE(answerSourceDialog(program, control.x + 20, control.y + 48));
    clickAt(control.x + 160, control.y + 15);
    shell("xdotool mousemove 960 1000");
    const Rect inside = secret.placeOnScreen();
    // The window (2/3 of its size on the second monitor, 152 rows down), kept 2 pixels inside
    // its edges where the scaling blends in its surroundings.
    const Rect onDisplay{1920 + inside.x * 2 / 3 + 2, 152 + inside.y * 2 / 3 + 2, inside.width * 2 / 3 - 4,
                         inside.height * 2 / 3 - 4};
    EXPECT_TRUE(waitUntil([&] { return showsPicture(secondary) && allBlack(onDisplay); }, 5))
        << "the masked window shows on the second monitor";
    EXPECT_EQ(patternMismatches(grabScreen(inside), 9), 0) << "the window itself was painted over";
    // The rest of the desktop is mirrored as ever: the unmasked pattern shows.
    const Rect sceneryOnDisplay{1920 + 900 * 2 / 3 + 2, 152 + 600 * 2 / 3 + 2, 196, 129};
    EXPECT_FALSE(allBlack(sceneryOnDisplay));
}

TEST(Reattach, AClosedWindowIsWaitedForAndAReopenedOneOfItsClassOrTitleIsMirrored) {
    TestDisplay display;
    std::optional<PatternWindow> target;
    target.emplace(display, Rect{300, 300, 320, 240}, 9, "Pattern Window");
    RunningProgram program("[Extras]\nReattach=1\nReattachTitle=returned *\n");
    const Rect control = program.controlWindow();
    ASSERT_TRUE(answerSourceDialog(program, control.x + 20, control.y + 83)); // Single Application
    const int x = control.x + 43 + 185, y = control.y + 32 + 80;
    ASSERT_TRUE(waitUntil([&] { return (grabScreen({x, y, 1, 1}).pixel(0, 0) & 0xFFFFFF) != 0x3F3F3F; }, 10));
    pause(0.3);
    clickAt(x, y); // the thumbnail of the topmost window
    pause(0.5);
    clickAt(control.x + 160, control.y + 15);
    shell("xdotool mousemove 960 1000");
    ASSERT_TRUE(waitUntil([] { return showsPicture(secondary); }, 5)) << "nothing was sent";
    const Bitmap mirrored = grabScreen(secondary);

    target.reset(); // the window closes
    display.sync();
    // The waiting note over the preview, the display keeping the last picture.
    const Rect note{control.x + 43 + 10, control.y + 32 + 95, 1, 1};
    EXPECT_TRUE(waitUntil([&] { return (grabScreen(note).pixel(0, 0) & 0xFFFFFF) == 0x203C64; }, 3))
        << "the preview does not say that the window is awaited";
    EXPECT_TRUE(grabScreen(secondary).samePixels(mirrored)) << "the display lost the last picture";

    // Another window of another class does not take its place; one of its class does.
    PatternWindow stranger{display, {700, 200, 200, 150}, 3, "Stranger", false, "OtherClass"};
    pause(0.6);
    EXPECT_TRUE(grabScreen(secondary).samePixels(mirrored));
    target.emplace(display, Rect{500, 400, 320, 240}, 4, "Pattern Window");
    display.sync();
    // Its frame is shown 1:1 and centred: its inside is its own pattern there.
    const auto windows = platform::openWindowSystem();
    ASSERT_TRUE(windows);
    const auto mirrors = [&](const PatternWindow& window, int seed) {
        return waitUntil(
            [&] {
                const Rect frame = windows->frameOf(window.id());
                const Rect inside = window.placeOnScreen();
                const Rect onDisplay{1920 + (1280 - frame.width) / 2 + inside.x - frame.x,
                                     (1024 - frame.height) / 2 + inside.y - frame.y, inside.width,
                                     inside.height};
                return !frame.isEmpty() && patternMismatches(grabScreen(onDisplay), seed) == 0;
            },
            5);
    };
    EXPECT_TRUE(mirrors(*target, 4)) << "the reopened window is not mirrored";
    EXPECT_TRUE(waitUntil([&] { return (grabScreen(note).pixel(0, 0) & 0xFFFFFF) != 0x203C64; }, 2))
        << "the waiting note stayed";

    // Closed again, its place is taken by a window of another class whose title fits the pattern.
    target.reset();
    display.sync();
    EXPECT_TRUE(waitUntil([&] { return (grabScreen(note).pixel(0, 0) & 0xFFFFFF) == 0x203C64; }, 3));
    PatternWindow titled{display, {600, 150, 300, 200}, 2, "Returned Window", false, "ThirdClass"};
    display.sync();
    EXPECT_TRUE(mirrors(titled, 2)) << "the window with the matching title is not mirrored";
}

TEST(FollowTheMouse, TheRegionMovesOnlyWhenThePointerNearsItsEdgeAndStaysOnThePrimary) {
    TestDisplay display;
    // Every place differs on the primary's left part, where the pointer goes; the control
    // window stays clear of it. (Above every managed window, so the region is dragged elsewhere.)
    PatternWindow scenery{display, {0, 0, 1400, 1080}, 6};
    display.sync();
    RunningProgram program("[Extras]\nFollowMargin=40\n");
    const Rect control = program.controlWindow();
    ASSERT_TRUE(answerSourceDialog(program, control.x + 20, control.y + 48, "Down Down"));
    ASSERT_TRUE(program.waitForWindow({1920, 1080}, 5).has_value()) << "the region window did not show";
    dragFromTo(1450, 600, 1770, 840); // 320 x 240, right of the pattern that would take the drag
    pause(0.8);
    const Rect shown = program.controlWindow(); // back after the drag
    clickAt(shown.x + 160, shown.y + 15);

    // Pointer positions and where the 320 x 240 region must be then, worked out by hand from
    // the rule: more than 40 pixels inside each edge it stays, else it moves just far enough.
    struct Step {
        int px, py, left, top;
    };
    const Step path[] = {
        {10, 10, 0, 0},         // into the corner: held on the primary
        {200, 150, 0, 0},       // well inside
        {400, 150, 121, 0},     // past the right margin
        {420, 300, 141, 101},   // past the right and bottom margins
        {300, 250, 141, 101},   // back inside
        {150, 120, 110, 80},    // past the left and top margins
        {1000, 1079, 721, 840}, // far down: held at the bottom edge
    };
    for (const Step& step : path) {
        shell("xdotool mousemove " + std::to_string(step.px) + " " + std::to_string(step.py));
        const Rect expected{step.left, step.top, 320, 240};
        EXPECT_TRUE(waitUntil(
            [&] {
                return grabScreen({1920 + 480, 392, 320, 240}).samePixels(grabScreen(expected));
            },
            3))
            << "pointer at " << step.px << "," << step.py << ": the region is not at " << step.left << ","
            << step.top;
        pause(0.3);
    }
}
