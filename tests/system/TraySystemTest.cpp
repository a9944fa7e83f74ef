// The program in the tray on the rig (trayer as the tray host): its icon follows the state, a
// hidden control window comes back from it, "Exit" ends the program cleanly; one copy runs per
// executable; "Load at Startup" writes and removes the autostart entry; the start-up notice.
#include "ImageMagick.h"
#include "ProgramDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vexmira;
using namespace vexmira::testing;
namespace fs = std::filesystem;

namespace {

bool controlWindowShows(const RunningProgram& program) {
    return program.windowId({433, 278}).has_value();
}

struct Spot {
    int x, y;
};
Spot centre(const raster::Rect& r) {
    return {r.x + r.width / 2, r.y + r.height / 2};
}

// The tray menu by keyboard: it opens at the icon; Up from nothing selected reaches the last item.
void trayMenuItemFromTheEnd(const TrayHost& tray, int ups) {
    openTrayMenu(tray);
    for (int i = 0; i < ups; ++i)
        pressKey("Up");
    pressKey("Return");
}

std::string settingValue(const std::string& key) {
    const std::string text = fileText(RunningProgram::settingsPath());
    const auto at = text.find(key + "=");
    if (at == std::string::npos) return "";
    const auto start = at + key.size() + 1;
    return text.substr(start, text.find_first_of("\r\n", start) - start);
}

// The program an Exec value of a desktop entry runs, by freedesktop.org's desktop entry rules:
// the string value's escapes, then arguments split at blanks with double-quoted parts, then "%%".
std::vector<std::string> execArguments(const std::string& value) {
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            unescaped += next == 's'   ? ' '
                         : next == 'n' ? '\n'
                         : next == 't' ? '\t'
                         : next == 'r' ? '\r'
                                       : next;
        } else {
            unescaped += value[i];
        }
    }
    std::vector<std::string> arguments;
    std::string current;
    bool inQuotes = false, any = false;
    for (std::size_t i = 0; i < unescaped.size(); ++i) {
        const char c = unescaped[i];
        if (inQuotes && c == '\\' && i + 1 < unescaped.size()) {
            current += unescaped[++i];
        } else if (c == '"') {
            inQuotes = !inQuotes;
            any = true;
        } else if (c == ' ' && !inQuotes) {
            if (any || !current.empty()) arguments.push_back(current);
            current.clear();
            any = false;
        } else if (c == '%' && i + 1 < unescaped.size() && unescaped[i + 1] == '%') {
            current += '%';
            ++i;
        } else {
            current += c;
        }
    }
    if (any || !current.empty()) arguments.push_back(current);
    return arguments;
}

std::string execLine(const fs::path& entry) {
    std::ifstream in(entry);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("Exec=", 0) == 0) return line.substr(5);
    return "";
}

} // namespace

TEST(Tray, TheIconFollowsTheStateBringsTheWindowBackAndExitEndsTheProgram) {
    TrayHost tray;
    RunningProgram program;
    const raster::Rect control = program.controlWindow();
    ASSERT_TRUE(waitUntil([&] { return tray.icons().size() == 1; }, 5)) << "one icon in the tray";
    const raster::Rect icon = tray.iconArea();
    ASSERT_FALSE(icon.isEmpty());
    waitForStill(icon);
    const raster::Bitmap stopped = grabScreen(icon);
    EXPECT_NE(windowState(*program.windowId({433, 278})).find("_NET_WM_STATE_SKIP_TASKBAR"),
              std::string::npos)
        << "no taskbar button";

    ASSERT_TRUE(answerSourceDialog(program, control.x + 20, control.y + 48)) << "Desktop"; // All Desktop, OK
    EXPECT_TRUE(waitUntil([&] { return !grabScreen(icon).samePixels(stopped); }, 3)) << "the running icon";
    clickAt(control.x + 16, control.y + 16); // Stop All
    EXPECT_TRUE(waitUntil([&] { return grabScreen(icon).samePixels(stopped); }, 3))
        << "the stopped icon again";

    // Alt+F4 hides the control window; the program stays, and a left press on the icon brings
    // the window back.
    clickAt(control.x + 200, control.y + 150);
    pressKey("alt+F4");
    ASSERT_TRUE(waitUntil([&] { return !controlWindowShows(program); }, 3)) << "Alt+F4 hides the window";
    EXPECT_TRUE(program.isRunning());
    const Spot at = centre(icon);
    clickAt(at.x, at.y);
    EXPECT_TRUE(waitUntil([&] { return controlWindowShows(program); }, 3)) << "back from the tray";

    // "Exit": status 0, the settings written, no icon left.
    // (Alt+F4 wrote the settings already: they go, so that Exit must write them again.)
    fs::remove(RunningProgram::settingsPath());
    trayMenuItemFromTheEnd(tray, 1);
    ASSERT_TRUE(program.waitForExit(5)) << "Exit ends the program";
    EXPECT_EQ(program.exitStatus(), 0);
    EXPECT_FALSE(settingValue("Levo").empty()) << "the whole settings file is written";
    EXPECT_TRUE(waitUntil([&] { return tray.icons().empty(); }, 3)) << "no icon left behind";
}

TEST(Tray, ASecondStartShowsTheRunningCopyAndEnds) {
    TrayHost tray;
    RunningProgram program;
    const raster::Rect control = program.controlWindow();
    clickAt(control.x + 417, control.y + 16); // the close button: hidden, still running
    ASSERT_TRUE(waitUntil([&] { return !controlWindowShows(program); }, 3));
    // Whatever hiding writes has been written: the settings file is the same in two looks.
    waitUntil(
        [last = std::string("\x01")]() mutable {
            std::string now = fileText(RunningProgram::settingsPath());
            const bool same = now == last;
            last = std::move(now);
            return same;
        },
        3);

    struct stat before {};
    stat(RunningProgram::settingsPath().c_str(), &before);
    const std::string settings = fileText(RunningProgram::settingsPath());
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(("timeout 5 '" + RunningProgram::programPath() + "'").c_str());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(status, 0) << "the second copy ends with status 0";
    EXPECT_LT(seconds, 2.0);
    EXPECT_TRUE(waitUntil([&] { return controlWindowShows(program); }, 2)) << "the first copy shows itself";
    struct stat after {};
    stat(RunningProgram::settingsPath().c_str(), &after);
    EXPECT_EQ(fileText(RunningProgram::settingsPath()), settings);
    EXPECT_TRUE(before.st_mtim.tv_sec == after.st_mtim.tv_sec &&
                before.st_mtim.tv_nsec == after.st_mtim.tv_nsec)
        << "the second copy leaves the settings alone";
    EXPECT_EQ(tray.icons().size(), 1u) << "and adds no icon";

    // Killed without a chance to clean up, the copy leaves nothing that stops the next start.
    kill(program.pid(), SIGKILL);
    ASSERT_TRUE(program.waitForExit(3));
    RunningProgram next;
    EXPECT_TRUE(waitUntil([&] { return controlWindowShows(next); }, 10)) << "a new copy starts";
}

// Minimised by the window manager, the control window comes back, shown and active, from a left
// press on the icon and from a second start.
TEST(Tray, AMinimisedControlWindowComesBackFromTheIconAndFromASecondStart) {
    TrayHost tray;
    RunningProgram program;
    program.controlWindow();
    ASSERT_TRUE(waitUntil([&] { return tray.icons().size() == 1; }, 5)) << "no icon in the tray";
    const auto minimise = [&] {
        shell("xdotool windowminimize --sync " + *program.windowId({433, 278}));
        return waitUntil([&] { return !controlWindowShows(program); }, 3);
    };
    ASSERT_TRUE(minimise()) << "the window manager did not minimise it";
    const Spot at = centre(tray.iconArea());
    clickAt(at.x, at.y);
    EXPECT_TRUE(waitUntil([&] { return controlWindowShows(program); }, 3))
        << "still minimised after the icon";
    ASSERT_TRUE(minimise());
    EXPECT_EQ(std::system(("timeout 5 '" + RunningProgram::programPath() + "'").c_str()), 0);
    EXPECT_TRUE(waitUntil([&] { return controlWindowShows(program); }, 3))
        << "still minimised after a second start";
}

class Autostart : public ::testing::TestWithParam<const char*> {};

TEST_P(Autostart, LoadAtStartupWritesAnEntryThatRunsTheProgramAndRemovesIt) {
    TemporaryFolder home;
    const std::string original = std::getenv("VEXMIRA_PROGRAM");
    std::string program = original;
    if (*GetParam()) { // a copy of the program in a folder whose name needs quoting
        fs::create_directories(home / GetParam());
        program = (home / GetParam() / "vexmira").string();
        fs::copy_file(original, program);
    }
    setenv("VEXMIRA_PROGRAM", program.c_str(), 1);
    {
        TrayHost tray;
        RunningProgram running("", {"XDG_CONFIG_HOME=" + home.path().string()});
        running.controlWindow();
        ASSERT_TRUE(waitUntil([&] { return tray.icons().size() == 1; }, 5));
        const fs::path entry = home / "autostart/Vexmira.desktop";

        trayMenuItemFromTheEnd(tray, 4); // Load at Startup
        ASSERT_TRUE(waitUntil([&] { return fs::exists(entry); }, 3)) << "the entry is written";
        EXPECT_EQ(commandOutput("desktop-file-validate '" + entry.string() + "' 2>&1; echo $?"), "0\n");
        EXPECT_EQ(execArguments(execLine(entry)),
                  std::vector<std::string>{fs::canonical(RunningProgram::programPath()).string()})
            << execLine(entry);

        trayMenuItemFromTheEnd(tray, 4);
        EXPECT_TRUE(waitUntil([&] { return !fs::exists(entry); }, 3)) << "and removed again";
        EXPECT_TRUE(running.isRunning());
    }
    setenv("VEXMIRA_PROGRAM", original.c_str(), 1);
}

INSTANTIATE_TEST_SUITE_P(Paths, Autostart, ::testing::Values("", "Vexmira copy \"q\" $HOME 100%"));

TEST(StartupNotice, ShowsUntilTurnedOffAndOnlyOkAndEscStoreTheChoice) {
    const raster::Size notice{437, 342};
    {
        // Without a tray there is no icon to point at.
        RunningProgram program("", {}, true);
        program.controlWindow();
        EXPECT_FALSE(program.waitForWindow(notice, 1.5)) << "the notice points at a tray that is not there";
    }
    TrayHost tray;
    {
        RunningProgram program("", {}, true); // the first start: no settings file
        const auto shown = program.waitForWindow(notice);
        ASSERT_TRUE(shown) << "the notice shows";
        waitForFocus(program.windowId(notice).value_or(""));
        pressKey("Escape");
        EXPECT_TRUE(waitUntil([&] { return !program.windowId(notice); }, 3));
        EXPECT_EQ(settingValue("optIkonAgain"), "0") << "Esc stores the unticked box at once";
    }
    {
        RunningProgram program("[Options]\noptIkonAgain=2\n", {}, true);
        ASSERT_TRUE(program.waitForWindow(notice)) << "any value but 1 shows the notice";
        waitForFocus(program.windowId(notice).value_or(""));
        pressKey("alt+F4"); // the close box
        EXPECT_TRUE(waitUntil([&] { return !program.windowId(notice); }, 3));
        holdStill(0.3); // nothing may be written after it closes: only time shows that nothing is
        EXPECT_EQ(settingValue("optIkonAgain"), "2") << "closing stores nothing";
    }
    {
        RunningProgram program("[Options]\noptIkonAgain=0\n", {}, true);
        const auto shown = program.waitForWindow(notice);
        ASSERT_TRUE(shown);
        waitForFocus(program.windowId(notice).value_or(""));
        const std::string id = *program.windowId(notice);
        clickInWindow(id, 30, 275);  // Don't show again
        clickInWindow(id, 385, 321); // OK
        EXPECT_TRUE(waitUntil([&] { return !program.windowId(notice); }, 3));
        EXPECT_EQ(settingValue("optIkonAgain"), "1");
    }
    RunningProgram program("[Options]\noptIkonAgain=1\n", {}, true);
    program.controlWindow();
    EXPECT_FALSE(program.waitForWindow(notice, 1.5)) << "turned off";
}

TEST(Tray, TwoCopiesStartedTogetherLeaveOne) {
    const std::string program = RunningProgram::programPath();
    RunningProgram first; // its settings and a clean start; then it goes
    first.controlWindow();
    kill(first.pid(), SIGKILL);
    ASSERT_TRUE(first.waitForExit(3));
    // Both at once, each known by its process id: one finds the other running and ends.
    std::vector<pid_t> copies;
    for (int i = 0; i < 2; ++i)
        if (const pid_t pid = fork(); pid == 0) {
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        } else {
            copies.push_back(pid);
        }
    auto running = [&] {
        return std::count_if(copies.begin(), copies.end(), [](pid_t& pid) {
            if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == pid) pid = -1;
            return pid > 0;
        });
    };
    EXPECT_TRUE(waitUntil([&] { return running() == 1; }, 5)) << "one of the two ends";
    EXPECT_TRUE(first.waitForWindow({433, 278}, 5)) << "the other shows its window";
    EXPECT_EQ(running(), 1) << "exactly one survives";
    for (const pid_t pid : copies)
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
}
