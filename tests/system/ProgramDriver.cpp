#include "ProgramDriver.h"

#include "raster/Resample.h"

#include "ImageMagick.h"
#include "platform/ScreenCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vexmira::testing {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    if (!value) throw std::runtime_error(std::string("the test needs $") + name);
    return value;
}

} // namespace

std::string shell(const std::string& command) {
    return commandOutput(command);
}

raster::Bitmap grabScreen(const raster::Rect& area) {
    static const auto capture = platform::openScreenCapture();
    raster::Bitmap frame;
    if (!capture || !capture->capture(area, frame))
        throw std::runtime_error("cannot capture the rig's screen");
    return frame.deepCopy();
}

namespace {

// The build's program, as the test process was started with it (a test may point the variable
// elsewhere later).
const std::string builtProgram = [] {
    const char* value = std::getenv("VEXMIRA_PROGRAM");
    return std::string(value ? value : "");
}();

} // namespace

std::string RunningProgram::programPath() {
    // The build's executable is copied once into a folder of this test process's own, so that
    // the settings the tests write never land beside the build's program (which must meet a
    // first start when a user runs it) and parallel test processes do not share a file.
    static const std::string& built = builtProgram;
    // The folder goes when the test process ends (a started program only runs from it).
    struct Copy {
        std::string path;
        ~Copy() {
            std::error_code ignored;
            if (!path.empty())
                std::filesystem::remove_all(std::filesystem::path(path).parent_path(), ignored);
        }
    };
    static const Copy copy = [] {
        std::string folder = "/tmp/vexmira-test.XXXXXX";
        if (!mkdtemp(folder.data())) throw std::runtime_error("cannot make a folder for the program");
        const std::string path = folder + "/vexmira";
        std::filesystem::copy_file(built, path);
        return Copy{path};
    }();
    const std::string asked = environment("VEXMIRA_PROGRAM");
    return asked == built ? copy.path : asked; // a test may run a copy of its own
}

std::string RunningProgram::settingsPath() {
    const std::string program = programPath();
    return program.substr(0, program.rfind('/') + 1) + "Vexmira.cfg";
}

namespace {

// The settings with the start-up notice turned off, unless they say something of it.
std::string withoutNotice(const std::string& settings) {
    if (settings.find("optIkonAgain") != std::string::npos) return settings;
    const std::string key = "optIkonAgain=1\n";
    if (const auto section = settings.find("[Options]\n"); section != std::string::npos)
        return std::string(settings).insert(section + 10, key);
    return settings + (settings.empty() || settings.back() == '\n' ? "" : "\n") + "[Options]\n" + key;
}

} // namespace

RunningProgram::RunningProgram(const std::string& settings, const std::vector<std::string>& extraEnvironment,
                               bool startupNotice, const std::function<void()>& prepare) {
    const std::string program = programPath();
    std::remove(settingsPath().c_str());
    const std::string written = startupNotice ? settings : withoutNotice(settings);
    if (!written.empty()) std::ofstream(settingsPath(), std::ios::binary) << written;
    if (prepare) prepare();
    pid_ = fork();
    if (pid_ == 0) {
        for (const std::string& entry : extraEnvironment)
            putenv(strdup(entry.c_str()));
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
}

bool RunningProgram::waitForExit(double seconds) {
    for (int i = 0; i < seconds * 50; ++i) {
        if (pid_ <= 0) return true;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

RunningProgram::~RunningProgram() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
}

TrayHost::TrayHost() {
    pid_ = fork();
    if (pid_ == 0) {
        execlp("trayer", "trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width",
               "120", "--height", "32", "--SetDockType", "true", "--transparent", "false", "--tint",
               "0x333333", static_cast<char*>(nullptr));
        _exit(127);
    }
    // The program finds a tray only when one is there before it starts.
    waitUntil(
        [] {
            return shell("xwininfo -root -tree 2>/dev/null").find("\"panel\": (\"panel\" \"trayer\")") !=
                   std::string::npos;
        },
        5);
    waitForStill({1800, 1048, 120, 32}); // it has drawn itself and owns the tray
}

TrayHost::~TrayHost() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

std::vector<std::string> TrayHost::icons() const {
    // trayer's panel holds one socket window per icon, each with the icon's window inside.
    std::istringstream tree(shell("xwininfo -root -tree 2>/dev/null"));
    std::vector<std::string> found;
    std::size_t panelIndent = std::string::npos; // set while inside the panel's subtree
    for (std::string line; std::getline(tree, line);) {
        const std::size_t indent = line.find_first_not_of(' ');
        if (line.find("(\"panel\" \"trayer\")") != std::string::npos) {
            panelIndent = indent;
            continue;
        }
        if (panelIndent != std::string::npos && indent != std::string::npos && indent <= panelIndent &&
            line.find("0x") == indent)
            panelIndent = std::string::npos;
        if (panelIndent != std::string::npos && line.find("(\"vexmira\" \"Vexmira\")") != std::string::npos) {
            std::istringstream words(line);
            std::string id;
            words >> id;
            found.push_back(id);
        }
    }
    return found;
}

raster::Rect TrayHost::iconArea() const {
    const std::vector<std::string> all = icons();
    if (all.empty()) return {};
    raster::Rect area;
    std::istringstream info(shell("xwininfo -id " + all.front()));
    for (std::string line; std::getline(info, line);) {
        const auto value = [&line] { return std::stoi(line.substr(line.find(':') + 1)); };
        if (line.find("Absolute upper-left X:") != std::string::npos) area.x = value();
        if (line.find("Absolute upper-left Y:") != std::string::npos) area.y = value();
        if (line.find("  Width:") == 0) area.width = value();
        if (line.find("  Height:") == 0) area.height = value();
    }
    return area;
}

bool RunningProgram::isRunning() const {
    return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0;
}

namespace {

std::optional<raster::Rect> geometryOf(const std::string& id) {
    std::istringstream geometry(shell("xdotool getwindowgeometry --shell " + id + " 2>/dev/null"));
    std::string line;
    raster::Rect r;
    bool any = false;
    while (std::getline(geometry, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        const int value = std::atoi(line.c_str() + eq + 1);
        any = true;
        if (key == "X") r.x = value;
        if (key == "Y") r.y = value;
        if (key == "WIDTH") r.width = value;
        if (key == "HEIGHT") r.height = value;
    }
    if (!any) return std::nullopt;
    return r;
}

} // namespace

std::optional<std::string> RunningProgram::windowId(raster::Size size) const {
    std::istringstream ids(shell("xdotool search --onlyvisible --name '^Vexmira$' 2>/dev/null"));
    std::string id;
    while (ids >> id)
        if (const auto r = geometryOf(id); r && r->size() == size) return id;
    return std::nullopt;
}

std::optional<raster::Rect> RunningProgram::waitForWindow(raster::Size size, double seconds) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (const auto id = windowId(size)) {
            if (const auto r = geometryOf(*id)) return r;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return std::nullopt;
}

raster::Rect RunningProgram::controlWindow() const {
    const auto window = waitForWindow({433, 278});
    if (!window) throw std::runtime_error("the control window did not show");
    waitForStill(*window);
    return *window;
}

bool answerSourceDialog(const RunningProgram& program, int x, int y, const std::string& keys,
                        raster::Size dialog) {
    clickAt(x, y);
    if (!program.waitForWindow(dialog, 5)) return false;
    waitForFocus(program.windowId(dialog).value_or(""));
    if (!keys.empty()) pressKey(keys);
    pressKey("Return");
    return waitUntil([&] { return !program.windowId(dialog).has_value(); }, 5);
}

void clickAt(int x, int y) {
    shell("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
}

void pressKey(const std::string& key) {
    shell("xdotool key " + key);
}

void dragFromTo(int x1, int y1, int x2, int y2) {
    shell("xdotool mousemove " + std::to_string(x1) + " " + std::to_string(y1) +
          " mousedown 1 sleep 0.1 mousemove " + std::to_string((x1 + x2) / 2) + " " +
          std::to_string((y1 + y2) / 2) + " sleep 0.1 mousemove " + std::to_string(x2) + " " +
          std::to_string(y2) + " sleep 0.1 mouseup 1");
}

bool waitForFocus(const std::string& id, double seconds) {
    return waitUntil(
        [&] {
            const std::string focus = shell("xdotool getwindowfocus 2>/dev/null");
            return !id.empty() &&
                   std::strtoul(focus.c_str(), nullptr, 10) == std::strtoul(id.c_str(), nullptr, 0);
        },
        seconds);
}

bool waitForStill(const raster::Rect& area, double seconds, int gapMs) {
    raster::Bitmap last = grabScreen(area);
    return waitUntil(
        [&] {
            std::this_thread::sleep_for(
                std::chrono::milliseconds(std::max(0, gapMs - 50))); // and the poll's 50
            raster::Bitmap now = grabScreen(area);
            const bool still = now.samePixels(last);
            last = std::move(now);
            return still;
        },
        seconds);
}

void clickAndWait(int x, int y, const raster::Rect& watched, double seconds) {
    const raster::Bitmap before = grabScreen(watched);
    clickAt(x, y);
    if (waitUntil([&] { return !grabScreen(watched).samePixels(before); }, seconds)) waitForStill(watched);
}

raster::Rect controlButtons(const raster::Rect& control) {
    return {control.x, control.y + 30, 42, control.height - 30};
}

raster::Rect controlBar(const raster::Rect& control) {
    return {control.x, control.y, control.width, 30};
}

bool switchPixelIsOn(raster::Bgra knob) {
    return ((knob >> 8) & 0xFF) > ((knob >> 16) & 0xFF) + 60;
}

bool switchOnAutomaticSend(const raster::Rect& control) {
    const auto switchedOn = [&] {
        return switchPixelIsOn(grabScreen({control.x + 155, control.y + 15, 1, 1}).pixel(0, 0));
    };
    for (int attempt = 0; attempt < 3 && !switchedOn(); ++attempt) {
        clickAt(control.x + 160, control.y + 15);
        if (waitUntil(switchedOn, 2)) break;
    }
    return switchedOn();
}

std::string focusedWindow() {
    std::string focus = shell("xdotool getwindowfocus 2>/dev/null");
    while (!focus.empty() && std::isspace(static_cast<unsigned char>(focus.back())))
        focus.pop_back();
    return focus;
}

void openTrayMenu(const TrayHost& tray) {
    const raster::Rect icon = tray.iconArea();
    const raster::Rect menuPlace{1920 - 500, 1080 - 600, 500, 600}; // it opens above the icon
    // A menu closed just before may still be going: the place stands still first, so that its
    // going is not taken for the new menu's coming.
    waitForStill(menuPlace, 3, 400);
    const raster::Bitmap before = grabScreen(menuPlace);
    shell("xdotool mousemove " + std::to_string(icon.x + icon.width / 2) + " " +
          std::to_string(icon.y + icon.height / 2) + " click 3");
    if (waitUntil([&] { return !grabScreen(menuPlace).samePixels(before); }, 3)) waitForStill(menuPlace);
}

bool openInFileDialog(const std::string& path) {
    std::string dialog;
    if (!waitUntil([&] { return !(dialog = windowNamed("Open")).empty(); }, 5)) return false;
    waitForFocus(dialog);
    shell("xdotool type --delay 10 '" + path + "'");
    pressKey("Return");
    return waitUntil([] { return windowNamed("Open").empty(); }, 5);
}

void holdStill(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

OneMonitor::OneMonitor() {
    shell(environment("VEXMIRA_XRIG") + " monitors one");
    waitUntil([] { return !rigMonitors().secondary; }, 5);
}

MonitorLayout::MonitorLayout(const std::string& layout) {
    shell(environment("VEXMIRA_XRIG") + " monitors " + layout);
    waitUntil(
        [&] { return layout == "one" ? !rigMonitors().secondary : rigMonitors().secondary.has_value(); }, 5);
}
MonitorLayout::~MonitorLayout() {
    shell(environment("VEXMIRA_XRIG") + " monitors two");
}

RigMonitors rigMonitors() {
    // Lines like " 0: +*DUMMY0 1920/508x1080/286+0+0  DUMMY0"; the star marks the primary.
    std::istringstream lines(shell("xrandr --listmonitors"));
    std::string line;
    RigMonitors monitors;
    while (std::getline(lines, line)) {
        int width = 0, height = 0, x = 0, y = 0;
        const auto at = line.find(": +");
        if (at == std::string::npos) continue;
        const bool primary = line[at + 3] == '*';
        const auto geometry = line.find(' ', at + 3);
        if (std::sscanf(line.c_str() + geometry, " %d/%*dx%d/%*d+%d+%d", &width, &height, &x, &y) != 4)
            continue;
        const raster::Rect area{x, y, width, height};
        if (primary)
            monitors.primary = area;
        else
            monitors.secondary = area;
    }
    return monitors;
}

ClipboardOffer::ClipboardOffer(const std::string& file, const std::string& type) {
    pid_ = fork();
    if (pid_ == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        if (type.empty())
            execlp("xclip", "xclip", "-quiet", "-selection", "clipboard", "-i", file.c_str(),
                   static_cast<char*>(nullptr));
        else
            execlp("xclip", "xclip", "-quiet", "-selection", "clipboard", "-t", type.c_str(), "-i",
                   file.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // Until it owns the clipboard.
    const std::string probe = "xclip -selection clipboard -o -t TARGETS 2>/dev/null";
    waitUntil([&] { return shell(probe).find(type.empty() ? "STRING" : type) != std::string::npos; }, 5);
}

ClipboardOffer::~ClipboardOffer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM); // it may have ended already, when another program took the clipboard
    waitpid(pid_, nullptr, 0);
}

bool showsPicture(const raster::Rect& monitor, int samples) {
    const raster::Bitmap shown = grabScreen(monitor);
    int lit = 0;
    for (int y = 0; y < shown.height(); y += 3)
        for (int x = 0; x < shown.width(); x += 3)
            lit += (shown.pixel(x, y) & 0xFFFFFF) != 0;
    return lit > samples;
}

bool waitUntil(const std::function<bool()>& condition, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

std::string windowState(const std::string& windowId) {
    return shell("xprop -id " + windowId + " _NET_WM_STATE 2>/dev/null");
}
OneMonitor::~OneMonitor() {
    shell(environment("VEXMIRA_XRIG") + " monitors two");
}

std::string windowNamed(const std::string& title) {
    std::istringstream ids(shell("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null"));
    std::string id, last;
    while (ids >> id)
        last = id;
    return last;
}

bool waitForWindowSettled(const std::string& id, int gapMs) {
    if (!waitForFocus(id)) return false;
    const auto place = geometryOf(id);
    return place && waitForStill(*place, 5, gapMs);
}

void clickInWindowAndWait(const std::string& id, int x, int y) {
    const auto place = geometryOf(id);
    if (!place) return clickInWindow(id, x, y);
    const raster::Bitmap before = grabScreen(*place);
    clickInWindow(id, x, y);
    if (waitUntil([&] { return !grabScreen(*place).samePixels(before); }, 2)) waitForStill(*place);
}

void clickInWindow(const std::string& id, int x, int y) {
    shell("xdotool mousemove --window " + id + " " + std::to_string(x) + " " + std::to_string(y) +
          " click 1");
}

int channelDifference(raster::Bgra a, raster::Bgra b) {
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8)
        worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return worst;
}

int worstMirrorDifference(const raster::Rect& primary, const raster::Rect& secondary,
                          const raster::Rect& control) {
    return worstMirrorDifference(
        grabScreen(primary), grabScreen(secondary),
        {control.x - primary.x, control.y - primary.y, control.width, control.height});
}

int worstMirrorDifference(const raster::Bitmap& primaryShot, const raster::Bitmap& shown,
                          const raster::Rect& control) {
    const raster::Bitmap expected = raster::resampleBilinear(primaryShot, {1280, 720});
    const int cx = control.x, cy = control.y;
    const raster::Rect skip{cx * 2 / 3 - 4, 152 + cy * 2 / 3 - 4, control.width * 2 / 3 + 8,
                            control.height * 2 / 3 + 8};
    int worst = 0;
    for (int y = 152; y < 152 + 720; ++y)
        for (int x = 0; x < 1280; ++x) {
            if (x >= skip.x && x < skip.right() && y >= skip.y && y < skip.bottom()) continue;
            worst = std::max(worst, channelDifference(shown.pixel(x, y), expected.pixel(x, y - 152)));
        }
    return worst;
}

} // namespace vexmira::testing
