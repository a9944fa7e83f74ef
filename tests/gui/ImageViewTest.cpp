#include "widgets/ImageView.h"
#include "raster/Resample.h"

#include <gtest/gtest.h>

using namespace vexmira;
using widgets::ImageView;

namespace {

raster::Bitmap pattern(int w, int h) {
    raster::Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.setPixel(x, y, raster::bgraFromRgba(x % 256, y % 256, (x * y) % 256));
    return b;
}

raster::Bgra at(const QImage& image, int x, int y) {
    return image.pixel(x, y);
}

} // namespace

TEST(ImageView, FitsAndCentresWithBlackAround) {
    ImageView view;
    view.resize(1280, 1024);
    const raster::Bitmap source = pattern(1920, 1080);
    view.setBitmap(source);
    EXPECT_TRUE(view.bitmap().sharesPixelsWith(source)); // no copy of the picture
    EXPECT_EQ(view.pictureArea(), (raster::Rect{0, 152, 1280, 720}));
    const QImage shown = view.render();
    EXPECT_EQ(at(shown, 640, 151) & 0xFFFFFF, 0u);
    EXPECT_EQ(at(shown, 640, 872) & 0xFFFFFF, 0u);
    const raster::Bitmap expected = raster::resampleBilinear(source, {1280, 720});
    for (int y : {0, 300, 719})
        for (int x : {0, 641, 1279})
            EXPECT_EQ(at(shown, x, 152 + y) & 0xFFFFFF, expected.pixel(x, y) & 0xFFFFFF);
}

TEST(ImageView, ModesScaleAndTopLeftPlacement) {
    ImageView view;
    view.resize(200, 100);
    view.setBitmap(pattern(50, 40));
    view.setScaleMode(raster::ScaleMode::smNormal);
    EXPECT_EQ(view.pictureArea(), (raster::Rect{75, 30, 50, 40}));
    QImage shown = view.render();
    EXPECT_EQ(at(shown, 75 + 7, 30 + 9) & 0xFFFFFF, raster::bgraFromRgba(7, 9, 63) & 0xFFFFFF); // 1:1, exact
    view.setCentered(false);
    EXPECT_EQ(view.pictureArea(), (raster::Rect{0, 0, 50, 40}));
    view.setScaleMode(raster::ScaleMode::smScale);
    view.setScale(1.5);
    EXPECT_EQ(view.pictureArea(), (raster::Rect{0, 0, 75, 60}));
    shown = view.render();
    EXPECT_EQ(at(shown, 80, 10) & 0xFFFFFF, 0u);
    view.setScaleMode(raster::ScaleMode::smStretch);
    EXPECT_EQ(view.pictureArea(), (raster::Rect{0, 0, 200, 100}));
}

TEST(ImageView, AutoSizeTakesThePictureSize) {
    ImageView view;
    view.resize(10, 10);
    view.setScaleMode(raster::ScaleMode::smNormal);
    view.setAutoSize(true);
    view.setBitmap(pattern(64, 48));
    EXPECT_EQ(view.size(), QSize(64, 48));
}

TEST(ImageView, EmptyPictureShowsBlack) {
    ImageView view;
    view.resize(30, 20);
    const QImage shown = view.render();
    EXPECT_EQ(at(shown, 15, 10) & 0xFFFFFF, 0u);
}
