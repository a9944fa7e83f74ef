// Screen capture and cursor on the rig's real X server: windows paint known patterns at known
// places on both monitors, and what we capture must match them pixel for pixel.
#include "TestWindows.h"
#include "platform/CursorSource.h"
#include "platform/ScreenCapture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

using namespace vexmira;
using namespace vexmira::testing;
using raster::Bitmap;
using raster::Rect;

namespace {

// Places of pixels where the picture `captured` of `area` differs from the pattern of `window`
// (only the part of the window inside the area is looked at); 0 when they agree.
int patternMismatches(const Bitmap& captured, const Rect& area, const PatternWindow& window, int seed) {
    const Rect overlap = area.intersected(window.place());
    int mismatches = 0;
    for (int y = overlap.y; y < overlap.bottom(); ++y)
        for (int x = overlap.x; x < overlap.right(); ++x) {
            const raster::Bgra got = captured.pixel(x - area.x, y - area.y) & 0xFFFFFF;
            const raster::Bgra want =
                patternPixel(seed, x - window.place().x, y - window.place().y) & 0xFFFFFF;
            if (got != want) ++mismatches;
        }
    return mismatches;
}

class CaptureOnRig : public ::testing::TestWithParam<platform::CaptureTransport> {
  protected:
    void SetUp() override {
        capture = platform::openScreenCapture(GetParam());
        ASSERT_NE(capture, nullptr);
        EXPECT_EQ(capture->transport(),
                  GetParam() == platform::CaptureTransport::Fastest ? "shared memory" : "plain request");
    }

    TestDisplay display;
    // One window on each monitor, and one across the border between them.
    PatternWindow onPrimary{display, {100, 80, 320, 200}, 1};
    PatternWindow onSecondary{display, {1920 + 50, 60, 200, 150}, 2};
    PatternWindow acrossBorder{display, {1900, 500, 60, 40}, 3};
    std::unique_ptr<platform::ScreenCapture> capture;
};

} // namespace

TEST_P(CaptureOnRig, PrimaryMonitorMatchesThePaintedPatterns) {
    EXPECT_EQ(capture->desktopSize(), (raster::Size{3200, 1080}));
    const Rect primary{0, 0, 1920, 1080};
    Bitmap frame;
    ASSERT_TRUE(capture->capture(primary, frame));
    ASSERT_EQ(frame.size(), (raster::Size{1920, 1080}));
    EXPECT_EQ(frame.bitDepth(), 24);
    EXPECT_EQ(patternMismatches(frame, primary, onPrimary, 1), 0);
    EXPECT_EQ(patternMismatches(frame, primary, acrossBorder, 3), 0); // its left 20 columns
}

TEST_P(CaptureOnRig, RectanglesOfEitherMonitorMatchExactly) {
    const Rect parts[] = {
        {150, 100, 200, 120}, // inside the primary window
        {90, 70, 50, 40},     // across its top-left corner
        {1890, 490, 60, 30},  // across the border between the monitors
        {1960, 50, 300, 200}, // around the window on the secondary monitor
        {419, 279, 1, 1},     // its last pixel
    };
    for (const Rect& part : parts) {
        SCOPED_TRACE(std::to_string(part.x) + "," + std::to_string(part.y));
        Bitmap frame;
        ASSERT_TRUE(capture->capture(part, frame));
        ASSERT_EQ(frame.size(), part.size());
        EXPECT_EQ(patternMismatches(frame, part, onPrimary, 1), 0);
        EXPECT_EQ(patternMismatches(frame, part, onSecondary, 2), 0);
        EXPECT_EQ(patternMismatches(frame, part, acrossBorder, 3), 0);
    }
}

TEST_P(CaptureOnRig, AreaReachingOffTheDesktopIsBlackOutside) {
    const Rect area{3100, 1000, 200, 200};
    PatternWindow corner{display, {3150, 1030, 50, 50}, 4};
    Bitmap frame;
    ASSERT_TRUE(capture->capture(area, frame));
    ASSERT_EQ(frame.size(), (raster::Size{200, 200}));
    EXPECT_EQ(patternMismatches(frame, area, corner, 4), 0);
    EXPECT_EQ(frame.pixel(150, 150) & 0xFFFFFF, 0u);
    EXPECT_EQ(frame.pixel(199, 90) & 0xFFFFFF, 0u);
    EXPECT_FALSE(capture->capture({0, 0, 0, 10}, frame));
    EXPECT_TRUE(frame.isEmpty());
    // Past what the display's coordinates can say: refused, not wrapped around.
    for (const Rect& beyond : {Rect{40000, 0, 10, 10}, Rect{0, 0, 70000, 10}, Rect{2147483000, 5, 5000, 5}})
        EXPECT_FALSE(capture->capture(beyond, frame)) << beyond.x << "," << beyond.width;
    EXPECT_EQ(capture->primaryMonitor(), (Rect{0, 0, 1920, 1080}));
}

TEST_P(CaptureOnRig, AFrameKeptStaysUnchangedWhileLaterFramesArrive) {
    const Rect area = onPrimary.place();
    Bitmap first;
    ASSERT_TRUE(capture->capture(area, first));
    onPrimary.repaint(5);
    Bitmap second;
    Bitmap third;
    ASSERT_TRUE(capture->capture(area, second));
    ASSERT_TRUE(capture->capture(area, third));
    EXPECT_EQ(patternMismatches(first, area, onPrimary, 1), 0);
    EXPECT_EQ(patternMismatches(second, area, onPrimary, 5), 0);
    EXPECT_EQ(patternMismatches(third, area, onPrimary, 5), 0);
    EXPECT_FALSE(first.sharesPixelsWith(second));

    // A frame written to (an overlay drawn on it) does not leak into the next capture.
    second.setPixel(0, 0, 0xFFFFFFFFu);
    Bitmap fourth;
    ASSERT_TRUE(capture->capture(area, fourth));
    EXPECT_EQ(patternMismatches(fourth, area, onPrimary, 5), 0);
}

TEST_P(CaptureOnRig, PrefetchedCopiesAreCollectedOrDropped) {
    const Rect area = onPrimary.place();
    capture->prefetch(area);
    capture->prefetch(area); // the copy under way is kept
    Bitmap frame;
    ASSERT_TRUE(capture->capture(area, frame));
    EXPECT_EQ(patternMismatches(frame, area, onPrimary, 1), 0);

    // A prefetch of another area is thrown away: the capture is of the area asked for.
    capture->prefetch({0, 0, 64, 64});
    const Rect other = onSecondary.place();
    ASSERT_TRUE(capture->capture(other, frame));
    ASSERT_EQ(frame.size(), other.size());
    EXPECT_EQ(patternMismatches(frame, other, onSecondary, 2), 0);

    // A prefetch taken before the screen changed shows the screen as it was then.
    capture->prefetch(area);
    display.sync();
    Bitmap early;
    ASSERT_TRUE(capture->capture(area, early));
    EXPECT_EQ(patternMismatches(early, area, onPrimary, 1), 0);
    onPrimary.repaint(8);
    ASSERT_TRUE(capture->capture(area, frame));
    EXPECT_EQ(patternMismatches(frame, area, onPrimary, 8), 0);
}

INSTANTIATE_TEST_SUITE_P(Transports, CaptureOnRig,
                         ::testing::Values(platform::CaptureTransport::Fastest,
                                           platform::CaptureTransport::PlainRequest),
                         [](const auto& info) {
                             return info.param == platform::CaptureTransport::Fastest ? "SharedMemory"
                                                                                      : "PlainRequest";
                         });

TEST(CursorOnRig, PositionAndImageOfOurOwnCursor) {
    TestDisplay display;
    PatternWindow window{display, {600, 300, 100, 100}, 6};
    window.setSquareCursor(0xFF2010, 0x0030FF, 5, 7);
    display.warpPointer(650, 345);

    auto cursor = platform::openCursorSource();
    ASSERT_NE(cursor, nullptr);
    const auto position = cursor->position();
    ASSERT_TRUE(position.has_value());
    EXPECT_EQ(position->x, 650);
    EXPECT_EQ(position->y, 345);

    std::optional<platform::CursorImage> image;
    for (int attempt = 0; attempt < 20; ++attempt) { // the server changes the cursor as it sees the move
        image = cursor->image();
        if (image && image->image.width() == 16) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(image.has_value());
    ASSERT_EQ(image->image.size(), (raster::Size{16, 16}));
    EXPECT_EQ(image->hotX, 5);
    EXPECT_EQ(image->hotY, 7);
    EXPECT_EQ(image->image.pixel(8, 8), 0xFFFF2010u); // foreground, opaque
    EXPECT_EQ(image->image.pixel(3, 8), 0xFF0030FFu); // background ring
    EXPECT_EQ(image->image.pixel(12, 12), 0xFF0030FFu);
    EXPECT_EQ(image->image.pixel(1, 1), 0x00000000u); // outside the mask: transparent
    EXPECT_EQ(image->image.pixel(14, 8), 0x00000000u);

    display.warpPointer(10, 1070);
    EXPECT_EQ(cursor->position()->y, 1070);
}

TEST(RigMonitors, SecondMonitorSwitchesOffAndOnAgain) {
    TestDisplay display;
    EXPECT_EQ(display.monitorCount(), 2);
    const char* rig = std::getenv("VEXMIRA_XRIG");
    ASSERT_NE(rig, nullptr);
    ASSERT_EQ(std::system((std::string(rig) + " monitors one").c_str()), 0);
    EXPECT_EQ(display.monitorCount(), 1);
    ASSERT_EQ(std::system((std::string(rig) + " monitors two").c_str()), 0);
    EXPECT_EQ(display.monitorCount(), 2);
}
