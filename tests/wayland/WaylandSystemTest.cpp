// The program in a Wayland session: headless sway with two outputs, the program on Qt's Wayland
// platform, pictures of the outputs taken with grim and windows read from sway's tree.
#include "WaylandRig.h"
#include "platform/PictureFile.h"

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

using namespace vexmira;
using namespace vexmira::testing;
using raster::Bitmap;
using raster::Rect;

class Wayland : public ::testing::Test, public WaylandSession {};

TEST_F(Wayland, TheDisplayIsFullScreenAndBlackOnTheSecondOutput) {
    control();
    ASSERT_TRUE(waitUntil(
        [&] {
            const auto shown = displayWindow(program.pid());
            return shown && shown->fullScreen && shown->output == "HEADLESS-2" &&
                   shown->rect == secondOutput && shown->ownSize == secondOutput.size();
        },
        10))
        << "the display window is not full-screen on HEADLESS-2 at its size; the program's windows: "
        << describe(programWindows(program.pid()));
    EXPECT_TRUE(waitUntil([] { return allBlack(shotOf("HEADLESS-2")); }, 5)) << "HEADLESS-2 is not black";

    // Single Application cannot be had here: a message says so, and nothing is mirrored.
    const Rect at = control();
    pointer.click(at.x + 20, at.y + 83);
    EXPECT_TRUE(waitUntil([&] { return programWindows(program.pid()).size() == 3; }, 5))
        << "Single Application said nothing";
    EXPECT_TRUE(allBlack(shotOf("HEADLESS-2")));

    EXPECT_TRUE(program.isRunning());
}

TEST_F(Wayland, TheDesktopMirrorShowsTheFirstOutputScaledOnTheSecond) {
    application();
    Scenery scenery;
    scenery.show();
    pumpFor(500);
    startDesktopMirror();
    const Rect at = control();
    int worst = 255;
    const bool close = waitUntil(
        [&] {
            pumpFor(100);
            const Bitmap first = shotOf("HEADLESS-1");
            const Bitmap second = shotOf("HEADLESS-2");
            if (first.isEmpty() || second.isEmpty()) return false;
            worst = worstMirrorDifference(first, second, at);
            // Black above and below the picture.
            for (int y = 0; y < 1024; y += y == 151 ? 721 : 1)
                for (int x = 0; x < 1280; ++x)
                    worst = std::max(worst, channelDifference(second.pixel(x, y), 0u));
            return worst <= 2;
        },
        8);
    EXPECT_TRUE(close) << "the worst channel differs by " << worst;
}

TEST_F(Wayland, BlankCommandBlacksOutTheSecondOutputAndTheSecondCallRestoresIt) {
    application();
    Scenery scenery;
    scenery.show();
    pumpFor(500);
    startDesktopMirror();
    ASSERT_TRUE(waitUntil([] { return !allBlack(shotOf("HEADLESS-2")); }, 8)) << "the mirror did not start";
    const std::string program = RunningProgram::programPath();
    EXPECT_EQ(std::system((program + " --blank").c_str()), 0);
    EXPECT_TRUE(waitUntil([] { return allBlack(shotOf("HEADLESS-2")); }, 5)) << "--blank left a picture";
    EXPECT_EQ(std::system((program + " --blank").c_str()), 0);
    EXPECT_TRUE(waitUntil([] { return !allBlack(shotOf("HEADLESS-2")); }, 5))
        << "the second --blank did not restore";
}

TEST_F(Wayland, ThePartOfTheDesktopIsMirroredPixelForPixel) {
    application();
    Scenery scenery;
    scenery.show();
    pumpFor(500);
    choosePart({100, 50, 640, 480});
    tickAutomaticallySend();
    // 640 x 480 is smaller than the second output: shown 1:1 in its middle.
    int mismatches = -1;
    EXPECT_TRUE(waitUntil(
        [&] {
            pumpFor(100);
            const Bitmap first = shotOf("HEADLESS-1");
            const Bitmap second = shotOf("HEADLESS-2");
            if (first.isEmpty() || second.isEmpty()) return false;
            mismatches = 0;
            for (int y = 0; y < 480; ++y)
                for (int x = 0; x < 640; ++x)
                    mismatches +=
                        ((first.pixel(100 + x, 50 + y) ^ second.pixel(320 + x, 272 + y)) & 0xFFFFFF) != 0;
            return mismatches == 0 && (second.pixel(319, 272) & 0xFFFFFF) == 0;
        },
        8))
        << mismatches << " pixels of the part differ";
}

// A picture put on the clipboard by another program reaches the display while that program, not
// ours, has the focus.
TEST_F(Wayland, AClipboardPictureReachesTheDisplayWhileAnotherWindowHasTheFocus) {
    application();
    Scenery scenery;
    scenery.show();
    pumpFor(500);
    ASSERT_TRUE(chooseSource(118)) << "Clipboard did not become the source";
    tickAutomaticallySend();
    pointer.click(200, 900); // the focus goes to the scenery
    ASSERT_TRUE(waitUntil(
        [&] {
            pumpFor(50);
            return scenery.isActive();
        },
        5))
        << "the scenery did not take the focus";

    Bitmap picture(640, 480, 24);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            picture.setPixel(x, y,
                             0xFF000000u | (x * 255 / 639) << 16 | (y * 255 / 479) << 8 | ((x ^ y) & 0xFF));
    const std::string file = "/tmp/vexmira-wayland-clip-" + std::to_string(getpid()) + ".png";
    platform::savePicture(file, picture, raster::ImageFormat::Png);
    const WaylandClipboardOffer offer(file);
    int mismatches = -1;
    EXPECT_TRUE(waitUntil(
        [&] {
            pumpFor(50);
            const Bitmap second = shotOf("HEADLESS-2");
            if (second.isEmpty()) return false;
            mismatches = 0;
            for (int y = 0; y < 480; ++y)
                for (int x = 0; x < 640; ++x)
                    mismatches += ((second.pixel(320 + x, 272 + y) ^ picture.pixel(x, y)) & 0xFFFFFF) != 0;
            return mismatches == 0;
        },
        8))
        << mismatches << " pixels of the clipboard's picture differ on HEADLESS-2";
    std::filesystem::remove(file);
}

// With nothing drawn, the mirror asks nothing of the compositor and costs next to no processor
// time; a drawing wakes it.
TEST_F(Wayland, AnIdleDesktopCostsTheMirrorAlmostNothingAndADrawingWakesIt) {
    application();
    Scenery scenery;
    scenery.show();
    pumpFor(500);
    startDesktopMirror();
    ASSERT_TRUE(waitUntil([] { return !allBlack(shotOf("HEADLESS-2")); }, 8)) << "the mirror did not start";
    pumpFor(1000);
    const double before = processorSeconds(program.pid());
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const double idle = processorSeconds(program.pid()) - before;
    // Five desktop ticks a second, each a whole-frame copy and scaling, would cost far more.
    EXPECT_LT(idle, 0.06) << "an unchanged desktop cost the mirror " << idle << " s of processor time in 3 s";

    const Bitmap shown = shotOf("HEADLESS-2");
    scenery.change();
    EXPECT_TRUE(waitUntil(
        [&] {
            pumpFor(50);
            return !shotOf("HEADLESS-2").samePixels(shown);
        },
        5))
        << "a drawing did not wake the mirror";
}

// With one output the display window floats on it at a quarter of its size; an output plugged in
// takes the display full-screen. A session of its own, started with one output.
TEST(WaylandOutputs, APluggedInOutputTakesTheDisplayFullScreen) {
    char folder[] = "/tmp/vexmira-wrig-one.XXXXXX";
    ASSERT_TRUE(mkdtemp(folder));
    const std::string rig = std::getenv("VEXMIRA_WRIG");
    shell("WRIG_OUTPUTS=1 " + rig + " start " + folder + " " + std::to_string(getpid()) + " >/dev/null");
    const std::string env = shell(std::string("cat ") + folder + "/env");
    std::vector<std::string> session;
    std::istringstream lines(env);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) session.push_back(line);
    ASSERT_FALSE(session.empty()) << "the one-output session did not start";
    std::string inSession = "env";
    for (const std::string& entry : session)
        inSession += " " + entry;
    {
        RunningProgram program("", session);
        const auto display = [&] { return displayWindow(program.pid(), inSession); };
        EXPECT_TRUE(waitUntil(
            [&] {
                const auto shown = display();
                return shown && shown->floating && !shown->fullScreen &&
                       shown->rect.size() == raster::Size{1920 / 4, 1080 / 4};
            },
            10))
            << "with one output the display window is not a quarter-size window floating on it";
        shell(inSession + " swaymsg -q create_output");
        EXPECT_TRUE(waitUntil(
            [&] {
                const auto shown = display();
                return shown && shown->fullScreen && shown->output == "HEADLESS-2" &&
                       shown->rect == secondOutput;
            },
            10))
            << "the plugged-in output did not take the display full-screen";
    }
    shell(rig + " stop " + folder + " >/dev/null");
    std::filesystem::remove_all(folder);
}
