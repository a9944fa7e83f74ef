// The roads a desktop frame can take to the secondary monitor, built by the program's own code
// inside this test on the rig: after random drawing on the primary monitor, the damage-driven
// picture on the secondary monitor must be exactly the full-frame bilinear picture of the
// primary, and the picture the X server scales itself within 2/255 of it. An idle mirror rests.
#include "TestWindows.h"
#include "app/Program.h"
#include "app/mainunit.h"
#include "capture/ualldesktop.h"
#include "mirror/ucapture.h"
#include "mirror/umonitor.h"
#include "platform/ScreenCapture.h"
#include "platform/WindowSystem.h"
#include "raster/Resample.h"

#include <QApplication>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <random>
#include <thread>
#include <unistd.h>

using namespace vexmira;
using namespace vexmira::testing;

namespace {

// Lets the program's messages run until `condition` holds, for at most `ms` milliseconds.
bool pumpUntil(const std::function<bool()>& condition, int ms) {
    for (int i = 0; i < ms / 20 && !condition(); ++i) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

// Lets the program's messages run for about `ms` milliseconds.
void pumpFor(int ms) {
    for (int i = 0; i < ms / 20; ++i) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// Desktop, "All Desktop", OK, "Automatically Send", with the control window hidden (its preview
// would change the primary monitor). The tick works only while its timer runs, here at an
// interval that never comes: ticks are run by hand, or brought by reports of drawing.
void mirrorDesktopWithTicksByHand() {
    QTimer::singleShot(0, [] { capture::fAlldesktop->BitBtn1Click(); });
    app::MainForm->SpeedButton1Click();
    app::MainForm->cbx1->Click();
    app::MainForm->Timer3zaslon->setInterval(100000000);
    app::MainForm->Timer3zaslon->start();
    app::MainForm->hide();
    // The window manager places and shows the display window on the second monitor.
    pumpUntil(
        [] {
            const QWindow* window = mirror::Fmonitor->windowHandle();
            return window && window->isExposed() && mirror::Fmonitor->geometry().x() >= 1920;
        },
        3000);
}

// Runs the desktop tick by hand until what it asked the display to draw is on the screen.
void tickAndSettle() {
    for (int i = 0; i < 4; ++i) {
        app::MainForm->Timer3zaslonTimer();
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        QApplication::processEvents();
    }
}

// What the display window should show: the primary monitor as captured now, scaled bilinearly
// whole into the picture's place, black around it.
raster::Bitmap expectedView(platform::ScreenCapture& screen, const raster::Rect& primary) {
    raster::Bitmap desktop;
    EXPECT_TRUE(screen.capture(primary, desktop));
    const widgets::ImageView& view = *mirror::Fmonitor->image;
    raster::Bitmap expected(view.width(), view.height(), 24);
    raster::drawBilinear(expected, view.placementFor(primary.size()), desktop);
    return expected;
}

raster::Bitmap shownView(platform::ScreenCapture& screen) {
    const widgets::ImageView& view = *mirror::Fmonitor->image;
    const QPoint corner = view.mapToGlobal(QPoint(0, 0));
    raster::Bitmap shown;
    EXPECT_TRUE(screen.capture({corner.x(), corner.y(), view.width(), view.height()}, shown));
    return shown;
}

// The largest difference of a colour channel between the two pictures, and where.
struct Difference {
    int largest = 0;
    int x = -1, y = -1;
};
Difference compare(const raster::Bitmap& a, const raster::Bitmap& b) {
    Difference d;
    if (a.size() != b.size()) return {255, -1, -1};
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            for (int shift = 0; shift < 24; shift += 8) {
                const int delta =
                    std::abs(int((a.pixel(x, y) >> shift) & 0xFF) - int((b.pixel(x, y) >> shift) & 0xFF));
                if (delta > d.largest) d = {delta, x, y};
            }
    return d;
}

// Random filled rectangles of random colours drawn straight onto the window.
void scribble(const TestDisplay& display, xcb_window_t window, std::mt19937& random, int count) {
    xcb_connection_t* c = display.get();
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, window, 0, nullptr);
    for (int i = 0; i < count; ++i) {
        const std::uint32_t colour = random() & 0xFFFFFF;
        xcb_change_gc(c, gc, XCB_GC_FOREGROUND, &colour);
        const xcb_rectangle_t r{
            static_cast<std::int16_t>(random() % 1100), static_cast<std::int16_t>(random() % 700),
            static_cast<std::uint16_t>(1 + random() % 150), static_cast<std::uint16_t>(1 + random() % 150)};
        xcb_poly_fill_rectangle(c, window, gc, 1, &r);
    }
    xcb_free_gc(c, gc);
    display.sync();
}

} // namespace

TEST(MirrorRoads, DamageDrivenAndServerScaledPicturesMatchTheFullFrameBilinearPicture) {
    TestDisplay display;
    PatternWindow canvas(display, {100, 100, 1200, 800}, 11);
    app::Program program(platform::openScreenCapture());
    program.start();
    QApplication::processEvents();
    mirrorDesktopWithTicksByHand();
    auto screen = platform::openScreenCapture();
    ASSERT_TRUE(screen);
    ASSERT_TRUE(app::MainForm->cbx1->Checked());
    ASSERT_TRUE(mirror::Fmonitor->isVisible());
    const raster::Rect primary = screen->primaryMonitor();
    std::mt19937 random(2024);

    struct Road {
        const char* name;
        bool server;
        int tolerance;
    };
    for (const Road road :
         {Road{"damage-driven, scaled here", false, 0}, Road{"scaled by the X server", true, 2}}) {
        SCOPED_TRACE(road.name);
        app::MainForm->setMirrorRoads(true, road.server);
        tickAndSettle(); // the first frame is whole
        const long serverFramesBefore = app::MainForm->framesScaledByServer();
        for (int round = 0; round < 6; ++round) {
            scribble(display, canvas.id(), random, round == 5 ? 40 : 1 + round * 3);
            tickAndSettle();
            const Difference d = compare(shownView(*screen), expectedView(*screen, primary));
            EXPECT_LE(d.largest, road.tolerance) << "round " << round << " at " << d.x << "," << d.y;
        }
        // Each road was the one meant: damage followed, and the X server drew only on its road.
        EXPECT_TRUE(app::MainForm->mirrorFollowsDamage());
        if (road.server)
            EXPECT_GE(app::MainForm->framesScaledByServer() - serverFramesBefore, 6);
        else
            EXPECT_EQ(app::MainForm->framesScaledByServer(), serverFramesBefore);
    }
    // An unchanged desktop: a tick of the server road draws nothing.
    const long before = app::MainForm->framesScaledByServer();
    tickAndSettle();
    EXPECT_EQ(app::MainForm->framesScaledByServer(), before);
}

// With nothing drawn, the mirror stops waking for its ticks; drawing on the desktop brings the
// next picture without any tick of its timer, on both roads; Stop All ends the rest for good.
TEST(MirrorRoads, AnIdleMirrorRestsUntilTheDesktopIsDrawnOnAndStopAllEndsTheRest) {
    TestDisplay display;
    PatternWindow canvas(display, {100, 100, 600, 400}, 11);
    app::Program program(platform::openScreenCapture());
    program.start();
    QApplication::processEvents();
    mirrorDesktopWithTicksByHand();
    auto screen = platform::openScreenCapture();
    ASSERT_TRUE(screen);
    const raster::Rect primary = screen->primaryMonitor();
    auto restAfterIdleTicks = [] {
        for (int i = 0; i < 8 && !app::MainForm->desktopTicksResting(); ++i)
            tickAndSettle();
        return app::MainForm->desktopTicksResting();
    };

    int seed = 20;
    for (const bool server : {false, true}) {
        SCOPED_TRACE(server ? "scaled by the X server" : "scaled here");
        app::MainForm->setMirrorRoads(true, server);
        ASSERT_TRUE(restAfterIdleTicks()) << "an unchanged desktop did not rest";
        EXPECT_FALSE(app::MainForm->Timer3zaslon->isActive());
        canvas.repaint(++seed);
        display.sync();
        const auto start = std::chrono::steady_clock::now();
        int largest = 255;
        while (std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) {
            QApplication::processEvents();
            largest = compare(shownView(*screen), expectedView(*screen, primary)).largest;
            if (largest <= (server ? 2 : 0)) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_LE(largest, server ? 2 : 0) << "the drawing did not wake the mirror";
        EXPECT_TRUE(app::MainForm->Timer3zaslon->isActive());
    }

    ASSERT_TRUE(restAfterIdleTicks());
    app::MainForm->sbSTOPClick();
    EXPECT_FALSE(app::MainForm->desktopTicksResting());
    canvas.repaint(++seed);
    display.sync();
    pumpFor(300); // a report of the drawing would start the timer: only time shows it does not
    EXPECT_FALSE(app::MainForm->Timer3zaslon->isActive()) << "drawing after Stop All started the mirror";
    EXPECT_FALSE(app::MainForm->desktopTicksResting());

    // The pointer overlay changes without drawing on the desktop: that mirror never rests.
    mirrorDesktopWithTicksByHand();
    app::Overlay.showRedPoint = true;
    EXPECT_FALSE(restAfterIdleTicks()) << "a mirror with the pointer overlay rested";
}

// The services of the user-interface thread (the captures, the damage reports of the desktop and
// of a mirrored window, the display's own scaling, the keys) share one connection read by one
// event pump: besides the toolkit's, the program opens only the clipboard reader's, which
// serves a thread of its own. Pictures still arrive on every road.
TEST(MirrorRoads, OneConnectionServesTheDesktopMirrorTheServerScalerAndAMirroredWindow) {
    TestDisplay display;
    PatternWindow canvas(display, {100, 100, 600, 400}, 11);
    PatternWindow framed(display, {300, 250, 320, 240}, 5, "Mirrored by one connection");
    const long self = ::getpid();
    const int before = xConnectionsOf(self); // the toolkit's and this test's
    ASSERT_GE(before, 2);
    app::Program program(platform::openScreenCapture());
    program.start();
    QApplication::processEvents();
    mirrorDesktopWithTicksByHand();
    app::MainForm->setMirrorRoads(true, true);
    tickAndSettle();
    EXPECT_TRUE(app::MainForm->mirrorFollowsDamage());
    EXPECT_GT(app::MainForm->framesScaledByServer(), 0);
    EXPECT_EQ(xConnectionsOf(self) - before, 2) << "the shared one and the clipboard reader's";

    // The window mirrored from its own drawing, with its damage watched.
    QTimer::singleShot(0, [] { mirror::fCapture->BitBtn1Click(); });
    app::MainForm->SpeedButton6Click();
    ASSERT_TRUE(pumpUntil([] { return app::MainForm->picker != nullptr; }, 3000)) << "no picker";
    app::MainForm->ImageClick(framed.id());
    const raster::Rect frame = platform::openWindowSystem()->frameOf(framed.id());
    ASSERT_FALSE(frame.isEmpty());
    pumpUntil([&] { return app::CurrentFrame.size() == frame.size(); }, 2000);
    EXPECT_EQ(app::CurrentFrame.size(), frame.size()) << "the window's picture did not arrive";
    EXPECT_EQ(xConnectionsOf(self) - before, 2);
    app::MainForm->sbSTOPClick();
}
