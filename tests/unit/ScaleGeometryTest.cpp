#include "raster/ScaleGeometry.h"

#include <gtest/gtest.h>

using namespace vexmira::raster;

namespace {

struct ScaleCase {
    ScaleMode mode;
    Size view;
    Size picture;
    double scale;
    Size shown;
};

} // namespace

TEST(ScaleGeometry, ShownSizeFollowsTheModeTable) {
    const ScaleCase cases[] = {
        // normal: the picture's own size, larger or smaller than the view
        {ScaleMode::smNormal, {640, 480}, {1920, 1080}, 1.0, {1920, 1080}},
        {ScaleMode::smNormal, {640, 480}, {100, 50}, 3.0, {100, 50}},
        // stretch: the view, proportions lost
        {ScaleMode::smStretch, {640, 480}, {1920, 1080}, 1.0, {640, 480}},
        // scale: both sides times the factor, rounded
        {ScaleMode::smScale, {640, 480}, {1920, 1080}, 0.5, {960, 540}},
        {ScaleMode::smScale, {640, 480}, {101, 33}, 1.5, {152, 50}}, // 151.5 -> 152, 49.5 -> 50
        {ScaleMode::smScale, {640, 480}, {5, 3}, 0.5, {2, 2}},       // 2.5 -> 2, 1.5 -> 2
        // resize: fit, keeping proportions; the full display window case
        {ScaleMode::smResize, {1280, 1024}, {1920, 1080}, 1.0, {1280, 720}},
        {ScaleMode::smResize, {407, 264}, {1920, 1080}, 1.0, {407, 229}}, // 228.94
        {ScaleMode::smResize, {100, 400}, {50, 100}, 1.0, {100, 200}},    // d = 2 < e = 4
        {ScaleMode::smResize, {300, 100}, {50, 100}, 1.0, {50, 100}},     // d = 6 >= e = 1
        {ScaleMode::smResize, {100, 50}, {101, 100}, 1.0, {50, 50}},      // e x bw = 50.5, a tie -> 50
        {ScaleMode::smResize, {100, 50}, {103, 100}, 1.0, {52, 50}},      // 51.5 -> 52
        {ScaleMode::smResize, {400, 400}, {200, 200}, 1.0, {400, 400}},   // grows small pictures
        // optimal: fit only when the picture is larger than the view
        {ScaleMode::smOptimal, {400, 400}, {200, 100}, 1.0, {200, 100}},
        {ScaleMode::smOptimal, {400, 400}, {800, 200}, 1.0, {400, 100}},
        {ScaleMode::smOptimal, {400, 400}, {200, 401}, 1.0, {200, 400}}, // 199.5 -> 200
        // optimal scaled: fit when the scaled picture is larger than the view, else scale
        {ScaleMode::smOptimalScaled, {400, 400}, {100, 50}, 3.0, {300, 150}},
        {ScaleMode::smOptimalScaled, {400, 400}, {100, 50}, 5.0, {400, 200}},
        {ScaleMode::smOptimalScaled, {400, 400}, {100, 50}, 4.0, {400, 200}}, // 400 is not < 400: scale
        // The scaled size is rounded before it is compared: 100.3 shows as 100, which fits.
        {ScaleMode::smOptimalScaled, {100, 5000}, {1003, 4000}, 0.10, {100, 400}},
    };
    for (const auto& c : cases) {
        const Size shown = shownSize(c.mode, c.view, c.picture, c.scale);
        EXPECT_EQ(shown, c.shown) << "mode " << int(c.mode) << " view " << c.view.width << "x"
                                  << c.view.height << " picture " << c.picture.width << "x"
                                  << c.picture.height << " scale " << c.scale << " gave " << shown.width
                                  << "x" << shown.height;
    }
}

TEST(ScaleGeometry, EmptyPictureShowsNothing) {
    for (int mode = 0; mode <= int(ScaleMode::smOptimalScaled); ++mode)
        EXPECT_EQ(shownSize(ScaleMode(mode), {100, 100}, {0, 10}, 1.0), (Size{0, 0}));
}

TEST(ScaleGeometry, PlacementCentresOrKeepsTopLeft) {
    EXPECT_EQ(placement(ScaleMode::smResize, {1280, 1024}, {1920, 1080}, 1.0, true),
              (Rect{0, 152, 1280, 720}));
    EXPECT_EQ(placement(ScaleMode::smResize, {1280, 1024}, {1920, 1080}, 1.0, false),
              (Rect{0, 0, 1280, 720}));
    EXPECT_EQ(placement(ScaleMode::smNormal, {101, 101}, {50, 50}, 1.0, true), (Rect{25, 25, 50, 50}));
    // A picture larger than the view is centred too: its middle shows.
    EXPECT_EQ(placement(ScaleMode::smNormal, {100, 100}, {300, 200}, 1.0, true), (Rect{-100, -50, 300, 200}));
}

TEST(ScaleGeometry, WholePixelFitIntoABox) {
    // the clipboard preview's 407 x 264 box
    EXPECT_EQ(fitIntoBox({1000, 500}, {407, 264}), (Size{407, 203}));
    EXPECT_EQ(fitIntoBox({500, 1000}, {407, 264}), (Size{132, 264}));
    EXPECT_EQ(fitIntoBox({300, 300}, {407, 264}), (Size{264, 264})); // a square counts as tall
    // thumbnails of the window picker
    EXPECT_EQ(fitIntoBox({1000, 500}, {120, 120}), (Size{120, 60}));
    EXPECT_EQ(fitIntoBox({500, 1000}, {120, 120}), (Size{60, 120}));
    EXPECT_EQ(fitIntoBox({0, 10}, {120, 120}), (Size{0, 0}));
}
