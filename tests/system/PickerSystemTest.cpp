// The window picker of the single-application source, built by the program's own code inside
// this test on the rig's real X server: which windows it lists.
#include "ImageMagick.h"
#include "TestWindows.h"
#include "app/Program.h"
#include "app/mainunit.h"
#include "capture/ualldesktop.h"
#include "mirror/WindowPicker.h"
#include "mirror/ucapture.h"
#include "platform/ScreenCapture.h"
#include "platform/WindowSystem.h"

#include <QApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

using namespace vexmira;
using namespace vexmira::testing;

TEST(WindowPickerOnRig, ListsFramedWindowsButNotTheTinyOnesOrItsOwn) {
    TestDisplay display;
    PatternWindow tiny(display, {50, 50, 12, 12}, 1, "Tiny Window", true);
    PatternWindow edge(display, {100, 50, 20, 20}, 2, "Just Big Enough", true);
    PatternWindow normal(display, {400, 400, 200, 150}, 3, "Normal Window");
    PatternWindow latin1(display, {700, 400, 200, 150}, 4, "Caf\xE9 L\xE0tin"); // WM_NAME as STRING
    PatternWindow longTitle(display, {700, 600, 200, 150}, 5, std::string(300, 'x'));
    PatternWindow dock(display, {900, 100, 200, 40}, 6, "A Dock", true);
    {
        xcb_connection_t* c = display.get();
        auto atom = [c](const char* name) {
            auto* reply = xcb_intern_atom_reply(
                c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(strlen(name)), name), nullptr);
            const xcb_atom_t value = reply->atom;
            free(reply);
            return value;
        };
        const xcb_atom_t dockType = atom("_NET_WM_WINDOW_TYPE_DOCK");
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, dock.id(), atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM,
                            32, 1, &dockType);
        display.sync();
    }
    const auto windows = platform::openWindowSystem();
    ASSERT_LT(windows->frameOf(tiny.id()).width, 20) << "the window manager made the tiny window larger";
    ASSERT_EQ(windows->frameOf(edge.id()).size(), (raster::Size{20, 20}));

    app::Program program(platform::openScreenCapture());
    program.start();
    QApplication::processEvents();
    QTimer::singleShot(0, [] { mirror::fCapture->BitBtn1Click(); });
    app::MainForm->SpeedButton6Click();
    ASSERT_NE(app::MainForm->picker, nullptr);

    std::set<std::string> listed;
    for (int i = 0; i < static_cast<int>(app::MainForm->windowTable.size()); ++i)
        if (QLabel* title = app::MainForm->picker->title(i)) listed.insert(title->text().toStdString());
    EXPECT_TRUE(listed.count("Normal Window"));
    EXPECT_TRUE(listed.count("Just Big Enough"));
    EXPECT_FALSE(listed.count("Tiny Window"));
    EXPECT_FALSE(listed.count("Vexmira")); // the program's own windows
    EXPECT_TRUE(listed.count("Caf\xC3\xA9 L\xC3\xA0tin")) << "a Latin-1 title is shown as such";
    EXPECT_TRUE(listed.count(std::string(254, 'x'))) << "a long title is cut to 254 characters";
    EXPECT_FALSE(listed.count("A Dock"));
    EXPECT_EQ(app::MainForm->pd->text(), "Select window to display");
    EXPECT_EQ(app::SourceMode, app::srcSingleApp);
}

namespace {

// Runs `press` at the first pause for events once a new picker has begun to fill (the one there
// now, if any, is gone and the new one has its first entry), however loaded the machine.
void duringTheNextFill(std::function<void()> press) {
    QPointer<mirror::WindowPicker> before = app::MainForm->picker;
    auto check = std::make_shared<std::function<void()>>();
    *check = [before, press, check] {
        if (!before && app::MainForm->picker && app::MainForm->entryCounter > 0) {
            press();
            *check = nullptr; // ends the cycle the function holds on itself
            return;
        }
        QTimer::singleShot(0, *check);
    };
    QTimer::singleShot(0, *check);
}

} // namespace

// The picker's fill lets pending events run between thumbnails; the user may press another
// source, or the same one again, in the middle of it.
TEST(WindowPickerOnRig, ASourcePressedDuringTheFillTakesOver) {
    TestDisplay display;
    PatternWindow first(display, {100, 100, 200, 150}, 3, "First Window");
    PatternWindow second(display, {400, 100, 200, 150}, 4, "Second Window");
    const auto windows = platform::openWindowSystem();
    for (int i = 0;
         i < 100 && (windows->frameOf(first.id()).width < 200 || windows->frameOf(second.id()).width < 200);
         ++i)
        QThread::msleep(20); // until the window manager has framed both
    app::Program program(platform::openScreenCapture());
    program.start();
    QApplication::processEvents();

    // Single Application again during the fill: the newer build wins and shows its picker.
    QTimer::singleShot(0, [] { mirror::fCapture->BitBtn1Click(); });
    duringTheNextFill([] {
        QTimer::singleShot(0, [] { mirror::fCapture->BitBtn1Click(); });
        app::MainForm->SpeedButton6Click();
    });
    app::MainForm->SpeedButton6Click();
    QApplication::processEvents();
    ASSERT_NE(app::MainForm->picker, nullptr);
    EXPECT_TRUE(app::MainForm->Panel2->isVisible());
    std::string titles;
    for (int i = 0; i < static_cast<int>(app::MainForm->windowTable.size()); ++i)
        if (QLabel* title = app::MainForm->picker->title(i)) titles += title->text().toStdString() + "; ";
    EXPECT_NE(titles.find("First Window"), std::string::npos) << titles;
    EXPECT_NE(titles.find("Second Window"), std::string::npos) << titles;

    // Desktop during the fill: the desktop preview shows, not the picker.
    QTimer::singleShot(0, [] { mirror::fCapture->BitBtn1Click(); });
    duringTheNextFill([] {
        QTimer::singleShot(0, [] { capture::fAlldesktop->BitBtn1Click(); });
        app::MainForm->SpeedButton1Click();
    });
    app::MainForm->SpeedButton6Click();
    QApplication::processEvents();
    EXPECT_EQ(app::SourceMode, app::srcDesktop);
    EXPECT_FALSE(app::MainForm->Panel2->isVisible());
    EXPECT_TRUE(app::MainForm->xpanel1->isVisible());
    app::MainForm->sbSTOPClick();
}

// A window that draws itself (not the server) and is partly covered: its thumbnail shows its own
// drawing under the cover from the first build on, not black.
TEST(WindowPickerOnRig, ACoveredWindowsThumbnailShowsItsOwnDrawing) {
    TemporaryFolder folder;
    runConvert("-size 300x200 xc:'#30C060' PNG24:" + (folder / "green.png").string());
    const pid_t viewer = fork();
    if (viewer == 0) {
        execlp("display", "display", "-title", "Painted Picture", "-geometry", "+600+300",
               (folder / "green.png").c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    TestDisplay display;
    const auto windows = platform::openWindowSystem();
    auto viewerWindow = [&]() -> std::optional<platform::TopLevelWindow> {
        for (const auto& w : windows->topLevelWindows())
            if (w.title == "Painted Picture" && w.visible) return w;
        return std::nullopt;
    };
    for (int i = 0; i < 200 && !viewerWindow(); ++i)
        QThread::msleep(25);
    const auto shown = viewerWindow();
    ASSERT_TRUE(shown.has_value()) << "the picture viewer did not show";
    const raster::Rect frame = shown->frame;
    // The viewer has drawn its picture: its place shows the same in two looks 100 ms apart.
    const auto screen = platform::openScreenCapture();
    raster::Bitmap last, now;
    for (int i = 0; i < 50; ++i) {
        QThread::msleep(100);
        screen->capture(frame, now);
        if (!last.isEmpty() && now.samePixels(last)) break;
        last = now;
    }
    // A window the server paints itself: there the moment it is mapped.
    PatternWindow cover(display, {frame.x + 60, frame.y + 60, 200, 120}, 9);
    display.sync();

    app::Program program(platform::openScreenCapture());
    program.start();
    QApplication::processEvents();
    QTimer::singleShot(0, [] { mirror::fCapture->BitBtn1Click(); });
    app::MainForm->SpeedButton6Click();
    QImage thumbnail;
    for (int i = 0; i < static_cast<int>(app::MainForm->windowTable.size()); ++i)
        if (QLabel* title = app::MainForm->picker->title(i); title && title->text() == "Painted Picture")
            thumbnail = app::MainForm->picker->image(i)->pixmap().toImage();
    kill(viewer, SIGTERM);
    waitpid(viewer, nullptr, 0);
    ASSERT_FALSE(thumbnail.isNull()) << "the viewer is not in the picker";
    int black = 0, green = 0;
    for (int y = 0; y < thumbnail.height(); ++y)
        for (int x = 0; x < thumbnail.width(); ++x) {
            const QRgb pixel = thumbnail.pixel(x, y) & 0xFFFFFF;
            black += pixel == 0;
            green += pixel == 0x30C060;
        }
    EXPECT_EQ(black, 0) << "covered parts came out black";
    EXPECT_GT(green, thumbnail.width() * thumbnail.height() / 2);
    // Under the middle of the cover: the viewer's green, not the cover.
    const QPoint middle(160 * thumbnail.width() / frame.width, 120 * thumbnail.height() / frame.height);
    EXPECT_EQ(thumbnail.pixel(middle) & 0xFFFFFF, 0x30C060u);
}
