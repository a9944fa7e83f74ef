#include "capture/ugrab.h"

#include <gtest/gtest.h>

using namespace vexmira;
using capture::TFgrab;

TEST(RegionGrab, DragInEitherDirectionGivesTheSameRectangle) {
    mirror::TGrabRect rect;
    TFgrab grab(rect);
    grab.ImageGrab->picture = QImage(800, 600, QImage::Format_RGB32);
    grab.ImageGrabMouseDown({740, 530});
    EXPECT_TRUE(grab.isDrawing());
    grab.ImageGrabMouseMove({400, 300});
    grab.ImageGrabMouseUp({100, 50});
    EXPECT_FALSE(grab.isDrawing());
    EXPECT_EQ(rect.Left, 100);
    EXPECT_EQ(rect.Top, 50);
    EXPECT_EQ(rect.Right, 740);
    EXPECT_EQ(rect.Bottom, 530);
    EXPECT_EQ(rect.width(), 640);
    EXPECT_EQ(rect.height(), 480);

    grab.ImageGrabMouseDown({100, 50});
    grab.ImageGrabMouseUp({740, 530});
    EXPECT_EQ(rect.Left, 100);
    EXPECT_EQ(rect.Bottom, 530);
}

TEST(RegionGrab, AReleaseWithoutAPressLeavesTheRectangleAlone) {
    mirror::TGrabRect rect{10, 20, 30, 40};
    TFgrab grab(rect);
    grab.ImageGrabMouseUp({500, 500});
    EXPECT_EQ(rect.Right, 30);
    EXPECT_EQ(rect.Bottom, 40);
    // A click without a move gives a rectangle of no size.
    grab.ImageGrabMouseDown({7, 8});
    grab.ImageGrabMouseUp({7, 8});
    EXPECT_EQ(rect.width(), 0);
    EXPECT_EQ(rect.height(), 0);
}

TEST(RegionGrab, TheDraggedOutlineInvertsAndDrawingItTwiceRestores) {
    QImage picture(60, 40, QImage::Format_RGB32);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            picture.setPixel(x, y, qRgb(x * 4, y * 6, 77));
    const QImage original = picture.copy();
    capture::invertOutline(picture, {40, 30}, {10, 5});
    // three pixels wide around the edges, the inside and outside untouched
    EXPECT_EQ(picture.pixel(9, 5) & 0xFFFFFF, ~original.pixel(9, 5) & 0xFFFFFF);
    EXPECT_EQ(picture.pixel(11, 6) & 0xFFFFFF, ~original.pixel(11, 6) & 0xFFFFFF);
    EXPECT_EQ(picture.pixel(41, 31) & 0xFFFFFF, ~original.pixel(41, 31) & 0xFFFFFF);
    EXPECT_EQ(picture.pixel(25, 18), original.pixel(25, 18));
    EXPECT_EQ(picture.pixel(8, 5), original.pixel(8, 5));
    EXPECT_EQ(picture.pixel(42, 31), original.pixel(42, 31));
    // Corners are inverted once, not twice.
    EXPECT_EQ(picture.pixel(10, 5) & 0xFFFFFF, ~original.pixel(10, 5) & 0xFFFFFF);
    capture::invertOutline(picture, {10, 5}, {40, 30});
    EXPECT_EQ(picture, original);

    // A thin rectangle whose edges overlap, and one reaching off the picture.
    capture::invertOutline(picture, {20, 10}, {21, 11});
    capture::invertOutline(picture, {20, 10}, {21, 11});
    capture::invertOutline(picture, {-5, -5}, {70, 50});
    capture::invertOutline(picture, {-5, -5}, {70, 50});
    EXPECT_EQ(picture, original);
}
