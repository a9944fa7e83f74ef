#include "raster/Resample.h"

#include <gtest/gtest.h>

using namespace vexmira::raster;

namespace {

Bitmap numbered(int width, int height) {
    Bitmap picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) picture.setPixel(x, y, bgraFromRgba(x * 10, y * 10, 200));
    return picture;
}

} // namespace

TEST(StretchDrawNearest, PicksTheSourcePixelUnderEachTargetPixel) {
    const Bitmap source = numbered(2, 2);
    Bitmap target(5, 5);
    stretchDrawNearest(target, {0, 0, 4, 4}, source);
    EXPECT_EQ(target.pixel(0, 0), source.pixel(0, 0));
    EXPECT_EQ(target.pixel(1, 1), source.pixel(0, 0));
    EXPECT_EQ(target.pixel(2, 1), source.pixel(1, 0));
    EXPECT_EQ(target.pixel(3, 3), source.pixel(1, 1));
    EXPECT_EQ(target.pixel(4, 4), 0xFF000000u); // outside the destination: untouched

    Bitmap shrunk(2, 1);
    stretchDrawNearest(shrunk, {0, 0, 2, 1}, numbered(6, 3));
    EXPECT_EQ(shrunk.pixel(0, 0), bgraFromRgba(0, 0, 200));
    EXPECT_EQ(shrunk.pixel(1, 0), bgraFromRgba(30, 0, 200));
}

TEST(StretchDrawNearest, ClipsDestinationsReachingOutside) {
    Bitmap target(3, 3);
    stretchDrawNearest(target, {-3, -3, 6, 6}, numbered(2, 2));
    EXPECT_EQ(target.pixel(0, 0), bgraFromRgba(10, 10, 200));
    EXPECT_EQ(target.pixel(2, 2), bgraFromRgba(10, 10, 200));
}

TEST(Bilinear, OneToOneIsAnExactCopy) {
    const Bitmap source = numbered(7, 5);
    const Bitmap copy = resampleBilinear(source, {7, 5});
    EXPECT_TRUE(copy.samePixels(source));
}

TEST(Bilinear, DoublingInterpolatesBetweenNeighbours) {
    Bitmap source(2, 1);
    source.setPixel(0, 0, bgraFromRgba(0, 0, 0));
    source.setPixel(1, 0, bgraFromRgba(200, 100, 40));
    const Bitmap wide = resampleBilinear(source, {4, 1});
    // target centres 0.5, 1.5, 2.5, 3.5 map to source -0.25 (clamped 0), 0.25, 0.75, 1.25 (clamped 1)
    EXPECT_EQ(wide.pixel(0, 0), bgraFromRgba(0, 0, 0));
    EXPECT_EQ(wide.pixel(1, 0), bgraFromRgba(50, 25, 10));
    EXPECT_EQ(wide.pixel(2, 0), bgraFromRgba(150, 75, 30));
    EXPECT_EQ(wide.pixel(3, 0), bgraFromRgba(200, 100, 40));
}

TEST(Bilinear, HalvingAveragesPairsAndKeepsFlatAreasFlat) {
    Bitmap source(4, 2);
    source.fill(bgraFromRgba(90, 90, 90));
    source.setPixel(0, 0, bgraFromRgba(10, 20, 30));
    source.setPixel(1, 0, bgraFromRgba(30, 40, 50));
    source.setPixel(0, 1, bgraFromRgba(10, 20, 30));
    source.setPixel(1, 1, bgraFromRgba(30, 40, 50));
    const Bitmap half = resampleBilinear(source, {2, 1});
    EXPECT_EQ(half.pixel(0, 0), bgraFromRgba(20, 30, 40));
    EXPECT_EQ(half.pixel(1, 0), bgraFromRgba(90, 90, 90));

    Bitmap flat(1920, 1080);
    flat.fill(bgraFromRgba(12, 34, 56));
    const Bitmap fitted = resampleBilinear(flat, {1280, 720});
    for (int y : {0, 359, 719})
        for (int x : {0, 640, 1279}) EXPECT_EQ(fitted.pixel(x, y), bgraFromRgba(12, 34, 56));
}

TEST(Bilinear, DrawsOnlyInsideTheTarget) {
    Bitmap target(4, 4);
    Bitmap source(8, 8);
    source.fill(bgraFromRgba(255, 255, 255));
    drawBilinear(target, {2, 2, 8, 8}, source);
    EXPECT_EQ(target.pixel(1, 1), 0xFF000000u);
    EXPECT_EQ(target.pixel(2, 2), 0xFFFFFFFFu);
    EXPECT_EQ(target.pixel(3, 3), 0xFFFFFFFFu);
}

TEST(DrawCopy, CopiesOneToOneClipped) {
    Bitmap target(3, 3);
    drawCopy(target, 1, -1, numbered(4, 4));
    EXPECT_EQ(target.pixel(0, 0), 0xFF000000u);
    EXPECT_EQ(target.pixel(1, 0), bgraFromRgba(0, 10, 200));
    EXPECT_EQ(target.pixel(2, 2), bgraFromRgba(10, 30, 200));
}
