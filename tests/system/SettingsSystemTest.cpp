// The settings file across real restarts of the program, and the auto-hide fade, on the rig.
#include "ImageMagick.h"
#include "ProgramDriver.h"
#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

using namespace vexmira;
using namespace vexmira::testing;

namespace {

// The control window's opacity as the window manager sees it (0..1); 1 when none is set.
double opacityOf(const std::string& window) {
    const std::string text = shell("xprop -id " + window + " _NET_WM_WINDOW_OPACITY 2>/dev/null");
    const auto eq = text.find('=');
    if (eq == std::string::npos) return 1.0;
    return std::strtoul(text.c_str() + eq + 1, nullptr, 10) / 4294967295.0;
}

} // namespace

TEST(SettingsAcrossRestarts, PositionTicksAndUnknownKeysSurvive) {
    const std::string settings =
        "[Velikost]\nLevo=600\nGor=300\n[Options]\nShowHint=0\noptAutohide=1\noptAutohideagain=1\n"
        "refreshRate=30\nfutureKey=abc\n\n[Extra]\nname=kept\n";
    {
        RunningProgram program(settings);
        const raster::Rect control = program.controlWindow();
        EXPECT_EQ(control.x, 600);
        EXPECT_EQ(control.y, 300);
        // Drag the window by its top bar, then end the program with the Close button.
        dragFromTo(control.x + 358, control.y + 15, control.x + 158, control.y + 115);
        waitUntil([&] { return program.controlWindow().x != control.x; }, 3);
        const raster::Rect moved = program.controlWindow();
        EXPECT_EQ(moved.x, 400);
        EXPECT_EQ(moved.y, 400);
        clickAt(moved.x + 417, moved.y + 16);
        ASSERT_TRUE(program.waitForExit(5));
    }
    const platform::IniFile saved(RunningProgram::settingsPath());
    EXPECT_EQ(saved.readInteger("Velikost", "Levo", 0), 400);
    EXPECT_EQ(saved.readInteger("Velikost", "Gor", 0), 400);
    EXPECT_EQ(saved.readInteger("Options", "ShowHint", 1), 0);
    EXPECT_EQ(saved.readInteger("Options", "optAutohide", 0), 1);
    EXPECT_EQ(saved.readInteger("Options", "refreshRate", 0), 30);
    EXPECT_EQ(saved.readString("Options", "futureKey", ""), "abc");
    EXPECT_EQ(saved.readString("Extra", "name", ""), "kept");

    RunningProgram again(saved.text());
    const raster::Rect control = again.controlWindow();
    EXPECT_EQ(control.x, 400);
    EXPECT_EQ(control.y, 400);
}

TEST(AutoHide, TheTopLeftCornerBringsAFadedWindowBack) {
    RunningProgram program("[Options]\noptAutohide=1\noptAutohideagain=1\n");
    program.controlWindow();
    const auto window = program.windowId({433, 278});
    ASSERT_TRUE(window.has_value());
    shell("xdotool mousemove 300 900");
    // Each fade tick's opacity shows on its own: watched every 40 ms, every step of the fade
    // from 198 down is seen (ticks that reached the display in pairs would hide every other).
    std::set<int> seen;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(16);
    while (std::chrono::steady_clock::now() < deadline && !seen.count(188)) {
        seen.insert(static_cast<int>(std::lround(opacityOf(*window) * 255)));
        std::this_thread::sleep_for(std::chrono::milliseconds(40)); // the next sample
    }
    for (int level : {198, 196, 194, 192, 190})
        EXPECT_TRUE(seen.count(level)) << "opacity " << level << " was not shown";
    const double faded = opacityOf(*window);
    EXPECT_LT(faded, 0.95);
    EXPECT_GT(faded, 0.0);
    shell("xdotool mousemove 0 0");
    EXPECT_TRUE(waitUntil([&] { return opacityOf(*window) > 0.99; }, 1.0));
}

namespace {

// Message boxes of the program: visible windows titled "Vexmira" that are none of its others
// (the control window, the display on either place, the start-up notice).
int messageBoxes() {
    std::istringstream ids(shell("xdotool search --onlyvisible --name '^Vexmira$' 2>/dev/null"));
    int boxes = 0;
    for (std::string id; ids >> id;) {
        const std::string size = shell("xdotool getwindowgeometry " + id + " 2>/dev/null | grep Geometry");
        boxes += size.find("433x278") == std::string::npos && size.find("1280x1024") == std::string::npos &&
                 size.find("480x270") == std::string::npos && size.find("437x342") == std::string::npos;
    }
    return boxes;
}

} // namespace

// The settings file's folder goes while the program runs: closing it (no tray, so closing ends
// it) says once that the file cannot be written and keeps the program open; closing again ends it
// without a second message.
TEST(SettingsFile, OneThatCannotBeWrittenIsSaidOnceAndTheProgramStaysUntilClosedAgain) {
    vexmira::testing::TemporaryFolder folder;
    const std::filesystem::path kept = folder / "kept" / "Vexmira.cfg";
    std::filesystem::create_directories(kept.parent_path());
    std::ofstream(kept) << "[Options]\noptIkonAgain=1\n";
    RunningProgram program("", {}, true, [&] {
        std::filesystem::remove(RunningProgram::settingsPath());
        std::filesystem::create_symlink(kept, RunningProgram::settingsPath());
    });
    const raster::Rect control = program.controlWindow();
    std::filesystem::remove_all(kept.parent_path());
    clickAt(control.x + 417, control.y + 16);
    ASSERT_TRUE(waitUntil([] { return messageBoxes() == 1; }, 5)) << "no message about the settings";
    EXPECT_TRUE(program.isRunning()) << "ended while saying so";
    pressKey("Return");
    ASSERT_TRUE(waitUntil([] { return messageBoxes() == 0; }, 3));
    holdStill(0.5); // the program must not end by itself now: only time shows it does not
    EXPECT_TRUE(program.isRunning()) << "the program ended before the user could act";
    const raster::Rect shown = program.controlWindow();
    clickAt(shown.x + 417, shown.y + 16);
    EXPECT_TRUE(program.waitForExit(5)) << "a second close did not end the program";
    EXPECT_EQ(program.exitStatus(), 0);
    std::filesystem::remove(RunningProgram::settingsPath());
}

// Moved by the window manager rather than by its own top bar, the control window is pulled back
// from the secondary monitor and its new place is kept.
TEST(SettingsAcrossRestarts, AMoveByTheWindowManagerIsHeldOnThePrimaryAndKept) {
    RunningProgram program;
    program.controlWindow();
    const std::string id = *program.windowId({433, 278});
    shell("xdotool windowmove " + id + " 2400 300");
    EXPECT_TRUE(waitUntil(
        [&] {
            const raster::Rect shown = program.controlWindow();
            return shown.x == 1920 - 433 - 30 && shown.y == 300;
        },
        4))
        << "not pulled back onto the primary";
    shell("xdotool windowmove " + id + " 600 400");
    waitUntil(
        [&] {
            const raster::Rect shown = program.controlWindow();
            return shown.x == 600 && shown.y == 400;
        },
        4);
    const raster::Rect control = program.controlWindow();
    EXPECT_EQ(control.x, 600);
    clickAt(control.x + 417, control.y + 16); // close: no tray, so the program ends
    ASSERT_TRUE(program.waitForExit(5));
    const platform::IniFile saved(RunningProgram::settingsPath());
    EXPECT_EQ(saved.readInteger("Velikost", "Levo", -1), 600);
    EXPECT_EQ(saved.readInteger("Velikost", "Gor", -1), 400);
}
