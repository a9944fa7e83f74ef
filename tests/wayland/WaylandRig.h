#pragma once

// Driving the program in the Wayland rig: headless sway with two outputs, the program on Qt's
// Wayland platform, pictures of the outputs taken with grim and windows read from sway's tree.
#include "ProgramDriver.h"

#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace vexmira::testing {

using raster::Bitmap;
using raster::Rect;

inline const raster::Rect firstOutput{0, 0, 1920, 1080};
inline const raster::Rect secondOutput{1920, 0, 1280, 1024};

// A picture of one output as the compositor shows it.
raster::Bitmap shotOf(const std::string& output);

struct SwayWindow {
    Rect rect;
    bool fullScreen = false;
    bool floating = false;
    std::string output;
    std::string title;
    // The size the window itself says it has; the compositor centres a smaller one in a
    // full-screen place.
    raster::Size ownSize;
};

// The program's windows in sway's tree; `session` runs swaymsg in another session ("env ...").
std::vector<SwayWindow> programWindows(pid_t pid, const std::string& session = "");
// "title" x,y wxh on OUTPUT [full-screen], one per window: for failure messages.
inline std::string describe(const std::vector<SwayWindow>& windows) {
    std::string text;
    for (const SwayWindow& w : windows)
        text += "\"" + w.title + "\" " + std::to_string(w.rect.x) + "," + std::to_string(w.rect.y) + " " +
                std::to_string(w.rect.width) + "x" + std::to_string(w.rect.height) + " on " + w.output +
                (w.fullScreen ? " full-screen" : "") + " (its own size " + std::to_string(w.ownSize.width) +
                "x" + std::to_string(w.ownSize.height) + "); ";
    return text;
}
// The window that is not the control window (nor a dialog over it).
std::optional<SwayWindow> displayWindow(pid_t pid, const std::string& session = "");
std::optional<SwayWindow> controlWindow(pid_t pid);
// Processor time the process has used so far, in seconds.
double processorSeconds(pid_t pid);
// The test's own connection to the compositor, for windows of its own.
QGuiApplication& application();
// Runs the test's own event loop for `ms` milliseconds.
void pumpFor(int ms);
bool allBlack(const raster::Bitmap& shot);

// The bytes of `file` offered on the clipboard as a PNG picture until the offer goes. The
// owner runs in the background with its output on /dev/null, so that a test that fails while it
// runs cannot leave it holding the test's output open.
class WaylandClipboardOffer {
  public:
    explicit WaylandClipboardOffer(const std::string& file) {
        shell("wl-copy --type image/png < '" + file + "' >/dev/null 2>&1");
    }
    ~WaylandClipboardOffer() { shell("wl-copy --clear >/dev/null 2>&1"); }
    WaylandClipboardOffer(const WaylandClipboardOffer&) = delete;
    WaylandClipboardOffer& operator=(const WaylandClipboardOffer&) = delete;
};

// A helper process spoken to in lines: it greets once, and answers each line with one line.
class LineHelper {
  public:
    explicit LineHelper(const std::vector<std::string>& command);
    ~LineHelper();
    LineHelper(const LineHelper&) = delete;
    LineHelper& operator=(const LineHelper&) = delete;
    // The answer to `line`; empty when the helper is gone.
    std::string ask(const std::string& line);
    const std::string& greeting() const { return greeting_; }

  private:
    std::string answer();
    pid_t pid_ = -1;
    FILE* to_ = nullptr;
    FILE* from_ = nullptr;
    std::string greeting_;
};

// The rig's pointer: a virtual pointer that a helper holds while the object lives.
class Pointer {
  public:
    Pointer() : helper_({std::getenv("VEXMIRA_POINTER"), "3200", "1080"}) {}
    void moveTo(int x, int y) { helper_.ask("move " + std::to_string(x) + " " + std::to_string(y)); }
    void press() { helper_.ask("press"); }
    void release() { helper_.ask("release"); }
    void click(int x, int y) {
        moveTo(x, y);
        press();
        release();
    }

  private:
    LineHelper helper_;
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

// The program started in the rig, with the rig's pointer to drive it.
class WaylandSession {
  public:
    explicit WaylandSession(const std::vector<std::string>& environment = {},
                            const std::string& settings = "")
        : program(settings, environment) {}
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
        const auto dialogPlace = [&]() -> std::optional<Rect> {
            for (const SwayWindow& w : programWindows(program.pid()))
                if (w.rect.size() == raster::Size{342, 160}) return w.rect;
            return std::nullopt;
        };
        const auto dialogGone = [&] { return !dialogPlace(); };
        // A click before the new window takes input is lost: clicked again then.
        const Bitmap before = shotOf("HEADLESS-1");
        for (int attempt = 0; attempt < 3; ++attempt) {
            pointer.click(at.x + 20, at.y + 48);
            if (waitUntil([&] { return dialogPlace().has_value(); }, 2)) break;
        }
        const std::optional<Rect> shown = dialogPlace();
        ASSERT_TRUE(shown) << "the area dialog did not show";
        // Sway's tree has a new window before the compositor shows it and sends it input: a click
        // meanwhile goes to the window that was there. The dialog is clicked once it is drawn.
        const Rect dialog = *shown;
        EXPECT_TRUE(waitUntil(
            [&] { return !shotOf("HEADLESS-1").cropped(dialog).samePixels(before.cropped(dialog)); }, 3))
            << "the area dialog was not drawn";
        // Chosen again while the dialog stays: a click as it takes input can be lost. (OK on the
        // whole desktop may ask the desktop's portal; the dialog takes no click while it waits.)
        for (int attempt = 0; attempt < 3 && !dialogGone(); ++attempt) {
            if (part) pointer.click(dialog.x + 29, dialog.y + 68);
            pointer.click(dialog.x + 291, dialog.y + 138); // OK
            waitUntil(dialogGone, 3);
        }
        ASSERT_TRUE(dialogGone()) << "the area dialog stayed; the program's windows: "
                                  << describe(programWindows(program.pid()));
    }
    // Part of Desktop: the area window covers the first output, and `part` is dragged on it.
    void choosePart(const Rect& part) {
        chooseDesktop(true);
        ASSERT_TRUE(waitUntil(
            [&] {
                for (const SwayWindow& w : programWindows(program.pid()))
                    if (w.fullScreen && w.output == "HEADLESS-1") return true;
                return false;
            },
            8))
            << "the area window did not cover the first output; the program's windows: "
            << describe(programWindows(program.pid()));
        pumpFor(300);
        pointer.moveTo(part.x, part.y);
        pointer.press();
        pointer.moveTo(part.x + part.width / 2, part.y + part.height / 2);
        pointer.moveTo(part.right(), part.bottom());
        pointer.release();
        ASSERT_TRUE(waitUntil([&] { return programWindows(program.pid()).size() == 2; }, 5))
            << "the area window stayed";
    }
    // Clicks the source button `y` pixels down the control window until the window marks it as
    // the source (blue behind it): a click as the window comes up can be lost. Whether it is.
    bool chooseSource(int y) {
        const Rect at = control();
        const auto marked = [&] {
            const raster::Bgra behind = shotOf("HEADLESS-1").pixel(at.x + 4, at.y + y);
            return (behind & 0xFF) > 200 && ((behind >> 16) & 0xFF) < 60;
        };
        for (int attempt = 0; attempt < 3 && !marked(); ++attempt) {
            pointer.click(at.x + 20, at.y + y);
            if (waitUntil(marked, 1.5)) break;
        }
        return marked();
    }
    // Clicks Automatically Send until its switch shows green: a click while the control window
    // comes back after a dialog can be lost.
    void tickAutomaticallySend() {
        const Rect at = control();
        const auto switchedOn = [&] {
            return switchPixelIsOn(shotOf("HEADLESS-1").pixel(at.x + 155, at.y + 15));
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

} // namespace vexmira::testing
