// The program in a Wayland session: headless sway with two outputs, the program on Qt's Wayland
// platform, pictures of the outputs taken with grim and windows read from sway's tree.
#include "ProgramDriver.h"
#include "platform/PictureFile.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QRasterWindow>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace vexmira;
using namespace vexmira::testing;
using raster::Bitmap;
using raster::Rect;

namespace {

const Rect firstOutput{0, 0, 1920, 1080};
const Rect secondOutput{1920, 0, 1280, 1024};

// A picture of one output as the compositor shows it.
Bitmap shotOf(const std::string& output) {
    const std::string file = "/tmp/vexmira-wayland-shot-" + std::to_string(getpid()) + ".png";
    shell("grim -t png -o " + output + " " + file);
    Bitmap shot = platform::loadPicture(file);
    std::filesystem::remove(file);
    return shot;
}

struct SwayWindow {
    Rect rect;
    bool fullScreen = false;
    bool floating = false;
    std::string output;
};

// The program's windows in sway's tree; `session` runs swaymsg in another session ("env ...").
std::vector<SwayWindow> programWindows(pid_t pid, const std::string& session = "") {
    const QJsonDocument tree =
        QJsonDocument::fromJson(QByteArray::fromStdString(shell(session + " swaymsg -r -t get_tree")));
    std::vector<SwayWindow> found;
    std::function<void(const QJsonObject&, const std::string&, bool)> walk =
        [&](const QJsonObject& node, std::string output, bool floating) {
            if (node["type"].toString() == "output") output = node["name"].toString().toStdString();
            if (node["pid"].toInt() == pid) {
                const QJsonObject r = node["rect"].toObject();
                found.push_back({{r["x"].toInt(), r["y"].toInt(), r["width"].toInt(), r["height"].toInt()},
                                 node["fullscreen_mode"].toInt() != 0,
                                 floating,
                                 output});
            }
            for (const auto& child : node["nodes"].toArray())
                walk(child.toObject(), output, false);
            for (const auto& child : node["floating_nodes"].toArray())
                walk(child.toObject(), output, true);
        };
    walk(tree.object(), "", false);
    return found;
}

// The window that is not the control window (nor a dialog over it).
std::optional<SwayWindow> displayWindow(pid_t pid, const std::string& session = "") {
    for (const SwayWindow& w : programWindows(pid, session))
        if (w.rect.size() != raster::Size{433, 278} && w.rect.size() != raster::Size{342, 160}) return w;
    return std::nullopt;
}

std::optional<SwayWindow> controlWindow(pid_t pid) {
    for (const SwayWindow& w : programWindows(pid))
        if (w.floating && w.rect.size() == raster::Size{433, 278}) return w;
    return std::nullopt;
}

// The rig's pointer: a virtual pointer that a helper holds while the object lives.
class Pointer {
  public:
    Pointer() {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[1]);
            close(out[0]);
            execl(std::getenv("VEXMIRA_POINTER"), "virtual_pointer", "3200", "1080",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        to_ = fdopen(in[1], "w");
        from_ = fdopen(out[0], "r");
        answer(); // ready
    }
    ~Pointer() {
        if (to_) std::fclose(to_);
        if (from_) std::fclose(from_);
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
    }
    void moveTo(int x, int y) { say("move " + std::to_string(x) + " " + std::to_string(y)); }
    void press() { say("press"); }
    void release() { say("release"); }
    void click(int x, int y) {
        moveTo(x, y);
        press();
        release();
    }

  private:
    void say(const std::string& line) {
        if (!to_) return;
        std::fprintf(to_, "%s\n", line.c_str());
        std::fflush(to_);
        answer();
    }
    void answer() {
        char line[32];
        if (from_) std::fgets(line, sizeof line, from_);
    }
    pid_t pid_ = -1;
    FILE* to_ = nullptr;
    FILE* from_ = nullptr;
};

// A window of the test's own that fills the first output with a still, detailed picture.
class Scenery : public QRasterWindow {
  public:
    // Paints a different picture.
    void change() {
        ++shift_;
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QLinearGradient across(0, 0, width(), height());
        across.setColorAt(0, QColor(200, 30, 60));
        across.setColorAt(1, QColor(20, 90, 220));
        painter.fillRect(QRect(0, 0, width(), height()), across);
        for (int y = 0; y < height(); y += 60)
            for (int x = (y / 60 % 2) * 60; x < width(); x += 120)
                painter.fillRect(x, y, 60, 60,
                                 QColor((x * 7) % 256, (y * 3) % 256, (128 + shift_ * 40) % 256));
    }

  private:
    int shift_ = 0;
};

// Processor time the process has used so far, in seconds.
double processorSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i >= 14) ticks += std::stod(field);
    return ticks / double(sysconf(_SC_CLK_TCK));
}

QGuiApplication& application() {
    static int argc = 1;
    static char name[] = "wayland_system_test";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return app;
}

void pumpFor(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool allBlack(const Bitmap& shot) {
    if (shot.isEmpty()) return false;
    for (int y = 0; y < shot.height(); y += 2)
        for (int x = 0; x < shot.width(); x += 2)
            if (shot.pixel(x, y) & 0xFFFFFF) return false;
    return true;
}

class Wayland : public ::testing::Test {
  protected:
    // The control window, floating on the first output, once it shows.
    Rect control() {
        std::optional<SwayWindow> found;
        waitUntil([&] { return (found = controlWindow(program.pid())).has_value(); }, 10);
        if (!found) throw std::runtime_error("the control window did not show");
        return found->rect;
    }
    // Desktop, in its area dialog the whole desktop or (`part`) a part of it, and OK.
    void chooseDesktop(bool part) {
        const Rect at = control();
        pointer.click(at.x + 20, at.y + 48);
        ASSERT_TRUE(waitUntil([&] { return programWindows(program.pid()).size() == 3; }, 5))
            << "the area dialog did not show";
        // The compositor places the dialog; sway's tree says where.
        Rect dialog;
        for (const SwayWindow& w : programWindows(program.pid()))
            if (w.rect.size() == raster::Size{342, 160}) dialog = w.rect;
        if (part) pointer.click(dialog.x + 29, dialog.y + 68);
        pointer.click(dialog.x + 291, dialog.y + 138); // OK
        if (!part) {
            ASSERT_TRUE(waitUntil([&] { return programWindows(program.pid()).size() == 2; }, 5))
                << "the area dialog stayed";
        }
    }
    // Clicks Automatically Send until its switch shows green: a click while the control window
    // comes back after a dialog can be lost.
    void tickAutomaticallySend() {
        const Rect at = control();
        const auto switchedOn = [&] {
            const raster::Bgra knob = shotOf("HEADLESS-1").pixel(at.x + 155, at.y + 15);
            return ((knob >> 8) & 0xFF) > ((knob >> 16) & 0xFF) + 60;
        };
        for (int attempt = 0; attempt < 3 && !switchedOn(); ++attempt) {
            pointer.click(at.x + 160, at.y + 15);
            pointer.moveTo(960, 1060); // the compositor draws the pointer into its pictures
            if (waitUntil(switchedOn, 1.5)) break;
        }
    }
    void startDesktopMirror() {
        chooseDesktop(false);
        tickAutomaticallySend();
    }

    Pointer pointer;
    RunningProgram program;
};

} // namespace

TEST_F(Wayland, TheDisplayIsFullScreenAndBlackOnTheSecondOutput) {
    control();
    ASSERT_TRUE(waitUntil(
        [&] {
            const auto shown = displayWindow(program.pid());
            return shown && shown->fullScreen && shown->output == "HEADLESS-2" && shown->rect == secondOutput;
        },
        10))
        << "the display window is not full-screen on HEADLESS-2";
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
    chooseDesktop(true);
    // The area window covers the first output; the part is dragged on it.
    ASSERT_TRUE(waitUntil(
        [&] {
            for (const SwayWindow& w : programWindows(program.pid()))
                if (w.fullScreen && w.output == "HEADLESS-1") return true;
            return false;
        },
        5))
        << "the area window did not cover the first output";
    pumpFor(300);
    pointer.moveTo(100, 50);
    pointer.press();
    pointer.moveTo(400, 300);
    pointer.moveTo(740, 530);
    pointer.release();
    ASSERT_TRUE(waitUntil([&] { return programWindows(program.pid()).size() == 2; }, 5))
        << "the area window stayed";
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
    const Rect at = control();
    pointer.click(at.x + 20, at.y + 118); // Clipboard
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
    shell("wl-copy --type image/png < " + file);
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
    shell("wl-copy --clear");
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
