// The shutter, masked windows, re-attaching to a reopened window and the region that follows the
// pointer, each driven on the rig through the real program as a user would.
#include "ImageMagick.h"
#include "ProgramDriver.h"
#include "TestWindows.h"
#include "platform/PictureFile.h"
#include "platform/WindowSystem.h"
#include "raster/ImageFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <sys/wait.h>
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
    ASSERT_TRUE(switchOnAutomaticSend(control));
    shell("xdotool mousemove 960 1000");
    ASSERT_TRUE(waitUntil([&] { return worstMirrorDifference(primary, secondary, control) <= 2; }, 5))
        << "the mirror does not show the primary";
}

// Scroll Text, a setup file opened in its window, then Send Text; returns the window's id (empty
// when it did not show).
std::string sendStripFrom(const Rect& control, const std::filesystem::path& setupFile) {
    clickAt(control.x + 20, control.y + 224);
    std::string setup;
    if (!waitUntil([&] { return !(setup = windowNamed("Vexmira - Scrolling text")).empty(); }, 5)) return {};
    waitForFocus(setup);
    clickInWindow(setup, 55, 493);
    if (!openInFileDialog(setupFile.string())) return {};
    waitForWindowSettled(setup);
    clickInWindow(setup, 340, 493); // Send Text
    return setup;
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
    waitForStill(preview); // every frame of the change has been delivered
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
        openTrayMenu(tray);
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
        platform::savePicture(folder / name, slide, raster::ImageFormat::Png);
    }
    std::ofstream(folder / "show.lvx", std::ios::binary) << "1\r\n1\r\n1.png\r\n2.png\r\n";
    std::ofstream(folder / "strip.sct")
        << "[scroll]\r\ntext=Scrolling on\r\nbackcolor=16711680\r\nheight=100\r\nposition=0\r\n";

    RunningProgram program("[Extras]\nBlankKeyOn=1\n");
    const Rect control = program.controlWindow();
    clickAndWait(control.x + 20, control.y + 153, controlButtons(control)); // Images, 1 s, Show, a list
    shell("xdotool mousemove " + std::to_string(control.x + 360) + " " + std::to_string(control.y + 107) +
          " click --repeat 2 1 key ctrl+a type 1");
    pressKey("Tab");
    const std::string controlId = focusedWindow();
    clickAt(control.x + 154, control.y + 255);
    ASSERT_TRUE(waitUntil([&] { return focusedWindow() != controlId; }, 5)) << "no question about a list";
    pressKey("Return");
    ASSERT_TRUE(openInFileDialog((folder / "show.lvx").string())) << "no dialog to open a list";
    const Rect centre{1920 + 640, 600, 1, 1};
    ASSERT_TRUE(waitUntil([&] { return (grabScreen(centre).pixel(0, 0) & 0xFFFFFF) != 0; }, 5))
        << "the slides do not show";

    const std::string setup = sendStripFrom(control, folder / "strip.sct");
    ASSERT_FALSE(setup.empty());
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
    holdStill(0.3);                 // Hide changes nothing that shows while the shutter is down
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

namespace {

// Presses the blank key and samples the second monitor every few milliseconds for `seconds`.
struct ShutterWatch {
    int samples = 0;
    double blackAfter = -1; // seconds from the press to the first all-black sample; -1: never
    int leaks = 0;          // samples not all black after that
};
ShutterWatch blankAndWatch(double seconds) {
    ShutterWatch watch;
    pressKey("ctrl+alt+b");
    const auto pressed = std::chrono::steady_clock::now();
    for (double now = 0; now < seconds;
         now = std::chrono::duration<double>(std::chrono::steady_clock::now() - pressed).count()) {
        ++watch.samples;
        const bool black = allBlack(secondary);
        if (black && watch.blackAfter < 0) watch.blackAfter = now;
        if (!black && watch.blackAfter >= 0) ++watch.leaks;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return watch;
}

// Blanks three times over what the second monitor shows now; each time it must turn black at
// once and stay black, and come back as `shows` says when the key is pressed again.
void blankThreeTimes(const std::string& source, const std::function<bool()>& shows) {
    for (int round = 1; round <= 3; ++round) {
        const ShutterWatch watch = blankAndWatch(0.8);
        EXPECT_GE(watch.blackAfter, 0) << source << ", blank " << round << ": never black";
        EXPECT_LT(watch.blackAfter, 0.3) << source << ", blank " << round;
        EXPECT_EQ(watch.leaks, 0) << source << ", blank " << round << ": " << watch.leaks << " of "
                                  << watch.samples << " samples showed the source";
        pressKey("ctrl+alt+b");
        EXPECT_TRUE(waitUntil(shows, 3)) << source << ", blank " << round << ": not given back";
    }
}

} // namespace

// Every source, blanked again and again in one run: the desktop, a text page sent after it, and
// the scrolling strip over the text page.
TEST(Shutter, CoversEverySourceEveryTimeFromTheKeyPress) {
    TestDisplay display;
    PatternWindow scenery{display, {200, 200, 400, 300}, 7};
    TemporaryFolder folder;
    std::ofstream(folder / "strip.sct")
        << "[scroll]\r\ntext=Scrolling on\r\nbackcolor=16711680\r\nheight=100\r\nposition=0\r\n";
    RunningProgram program("[Extras]\nBlankKeyOn=1\n");
    const Rect control = program.controlWindow();
    mirrorWholeDesktop(program, control);
    blankThreeTimes("desktop", [&] { return worstMirrorDifference(primary, secondary, control) <= 2; });

    clickAt(control.x + 20, control.y + 188); // Text: the editor, a line, OK, then Send
    std::string editor;
    ASSERT_TRUE(waitUntil([&] { return !(editor = windowNamed("Untitled - Vexmira")).empty(); }, 5));
    waitForFocus(editor);
    shell("xdotool type --delay 10 'A page the audience may see'");
    clickInWindow(editor, 740, 530);
    ASSERT_TRUE(waitUntil([] { return windowNamed("Untitled - Vexmira").empty(); }, 5));
    clickAt(control.x + 90, control.y + 15);
    shell("xdotool mousemove 960 1000");
    const Rect pageInside{secondary.x + 400, 400, 1, 1};
    const auto pageShows = [&] { return (grabScreen(pageInside).pixel(0, 0) & 0xFFFFFF) == 0xFFFFFF; };
    ASSERT_TRUE(waitUntil(pageShows, 5)) << "the page does not show";
    blankThreeTimes("text page", pageShows);

    ASSERT_FALSE(sendStripFrom(control, folder / "strip.sct").empty()); // over the page
    shell("xdotool mousemove 960 1000");
    const Rect stripCorner{secondary.x + 2, 2, 1, 1};
    const auto stripShows = [&] { return (grabScreen(stripCorner).pixel(0, 0) & 0xFFFFFF) == 0x0000FF; };
    ASSERT_TRUE(waitUntil(stripShows, 5)) << "no strip at the top";
    blankThreeTimes("strip over the text page", stripShows);
}

TEST(MaskedWindows, AMaskedWindowIsBlackOnTheSecondMonitorAndUntouchedOnThePrimary) {
    TestDisplay display;
    PatternWindow secret{display, {300, 300, 320, 240}, 9, "Secret"}; // class "PatternWindow"
    PatternWindow scenery{display, {900, 600, 300, 200}, 5};
    RunningProgram program("[Extras]\nMaskedClasses=NoSuchClass, PatternWindow\n");
    const Rect control = program.controlWindow();
    ASSERT_TRUE(answerSourceDialog(program, control.x + 20, control.y + 48));
    ASSERT_TRUE(switchOnAutomaticSend(control));
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

namespace {

// A framed window of one colour and class that maps at once (nobody waits for it to show) and
// moves as its program asks the window manager to move it.
class SolidWindow {
  public:
    SolidWindow(const TestDisplay& display, Rect place, std::uint32_t colour, const std::string& className)
        : display_(display) {
        xcb_connection_t* c = display.get();
        window_ = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window_, display.screen()->root,
                          static_cast<std::int16_t>(place.x), static_cast<std::int16_t>(place.y),
                          static_cast<std::uint16_t>(place.width), static_cast<std::uint16_t>(place.height),
                          0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL, &colour);
        const std::string wmClass = "solid" + std::string(1, '\0') + className + std::string(1, '\0');
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            static_cast<std::uint32_t>(wmClass.size()), wmClass.data());
        std::uint32_t hints[18] = {};
        hints[0] = 1; // USPosition
        hints[1] = static_cast<std::uint32_t>(place.x);
        hints[2] = static_cast<std::uint32_t>(place.y);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NORMAL_HINTS,
                            XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
        xcb_map_window(c, window_);
        xcb_flush(c);
    }
    ~SolidWindow() {
        xcb_destroy_window(display_.get(), window_);
        display_.sync();
    }
    void moveTo(int x, int y) {
        const std::uint32_t at[] = {static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)};
        xcb_configure_window(display_.get(), window_, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, at);
        xcb_flush(display_.get());
    }

  private:
    const TestDisplay& display_;
    xcb_window_t window_;
};

// Pixels of the secret's magenta on the second monitor (scaled edges blend and do not count).
int magentaPixels() {
    const Bitmap shown = grabScreen(secondary);
    int found = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const raster::Bgra p = shown.pixel(x, y);
            found += ((p >> 16) & 0xFF) >= 200 && ((p >> 8) & 0xFF) <= 60 && (p & 0xFF) >= 200;
        }
    return found;
}

} // namespace

// A window of a masked class never shows on the second monitor: not in the first frame after it
// maps, not beside its mask while it moves, not in the mirrored copy of the control window's
// preview. Each sample of the second monitor is searched for its colour.
TEST(MaskedWindows, NothingOfAMaskedWindowShowsWhileItMapsAndMovesNorInThePreviewsCopy) {
    TestDisplay display;
    SolidWindow scenery{display, {1000, 500, 400, 300}, 0x00C000, "Scenery"}; // nothing near magenta
    RunningProgram program("[Extras]\nMaskedClasses=Secret\n");
    const Rect control = program.controlWindow();
    mirrorWholeDesktop(program, control);
    int samples = 0, leaks = 0, worst = 0;
    const auto sample = [&] {
        const int found = magentaPixels();
        ++samples;
        leaks += found > 0;
        worst = std::max(worst, found);
    };
    for (int round = 0; round < 4; ++round) {
        SolidWindow secret{display, {300 + round * 40, 250, 320, 240}, 0xFF00FF, "Secret"};
        const auto mapped = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - mapped < std::chrono::milliseconds(600)) {
            sample();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        for (int step = 0; step < 40; ++step) { // 10 pixels every 25 ms
            secret.moveTo(300 + round * 40 + step * 10, 250 + step * 5);
            const auto moved = std::chrono::steady_clock::now();
            sample();
            std::this_thread::sleep_until(moved + std::chrono::milliseconds(25));
        }
    }
    EXPECT_GT(samples, 150);
    EXPECT_EQ(leaks, 0) << leaks << " of " << samples << " samples showed the masked window, up to " << worst
                        << " pixels";
    EXPECT_TRUE(showsPicture(secondary)) << "the desktop is still mirrored";
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
    const Rect preview{control.x + 43, control.y + 32, 386, 230};
    // Every thumbnail is in: a window's own drawing is given 200 ms to come, so the picker may
    // stand still that long between two of them.
    waitForStill(preview, 10, 600);
    clickAndWait(x, y, preview); // the thumbnail of the topmost window
    ASSERT_TRUE(switchOnAutomaticSend(control));
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
    holdStill(0.6); // a window that must not be taken: only time shows that it is not
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
    ASSERT_TRUE(waitUntil([&] { return !program.windowId({1920, 1080}); }, 5)) << "the region window stayed";
    const Rect shown = program.controlWindow(); // back after the drag
    ASSERT_TRUE(switchOnAutomaticSend(shown));

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
        waitForStill({1920 + 480, 392, 320, 240});
    }
}

// The commands for the desktop's own shortcuts reach the running copy; without one they say so
// and end with 1, an unknown one with 2, and --version needs no display.
TEST(Commands, ReachTheRunningCopyAndSayWhenNoneRuns) {
    const std::string copy = "'" + RunningProgram::programPath() + "'";
    const auto status = [](const std::string& command) {
        const int raw = std::system((command + " >/dev/null 2>&1").c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    EXPECT_EQ(status(copy + " --blank"), 1) << "no copy runs";
    EXPECT_EQ(status(copy + " --unheard-of"), 2);
    EXPECT_EQ(shell("env -u DISPLAY " + copy + " --version"), "Vexmira 0.1.0.0\n");

    TestDisplay display;
    PatternWindow scenery{display, {200, 200, 400, 300}, 7};
    TemporaryFolder home;
    std::filesystem::create_directory(home / "Documents");
    RunningProgram program("", {"HOME=" + home.path().string()});
    const Rect control = program.controlWindow();
    mirrorWholeDesktop(program, control);

    EXPECT_EQ(status(copy + " --blank"), 0);
    EXPECT_TRUE(waitUntil([] { return allBlack(secondary); }, 2)) << "--blank did not blank";
    EXPECT_EQ(status(copy + " --blank"), 0);
    EXPECT_TRUE(waitUntil([&] { return worstMirrorDifference(primary, secondary, control) <= 2; }, 3))
        << "a second --blank did not give the monitor back";
    EXPECT_EQ(status(copy + " --save-image"), 0);
    EXPECT_TRUE(waitUntil([&] { return std::filesystem::exists(home / "Documents" / "image1.jpg"); }, 5))
        << "--save-image saved nothing";
    EXPECT_EQ(status(copy + " --stop-all"), 0);
    EXPECT_TRUE(waitUntil([] { return allBlack(secondary); }, 3)) << "--stop-all left the mirror on";
    EXPECT_TRUE(program.isRunning());
}
