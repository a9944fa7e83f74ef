#include "raster/Resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace vexmira::raster;

namespace {

Bitmap numbered(int width, int height) {
    Bitmap picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, bgraFromRgba(x * 10, y * 10, 200));
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
        for (int x : {0, 640, 1279})
            EXPECT_EQ(fitted.pixel(x, y), bgraFromRgba(12, 34, 56));
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

TEST(Bilinear, MatchesAFloatingPointReferenceOnNoise) {
    // Odd sizes so that every vector loop has a scalar tail; up, down and mixed scaling.
    std::uint32_t seed = 12345;
    Bitmap source(37, 23);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
            seed = seed * 1664525u + 1013904223u;
            source.setPixel(x, y, seed);
        }
    for (const Size size : {Size{53, 31}, Size{19, 11}, Size{37, 47}, Size{5, 3}}) {
        const Bitmap result = resampleBilinear(source, size);
        int worst = 0;
        for (int y = 0; y < size.height; ++y)
            for (int x = 0; x < size.width; ++x) {
                const double sx = std::clamp((x + 0.5) * 37 / size.width - 0.5, 0.0, 36.0);
                const double sy = std::clamp((y + 0.5) * 23 / size.height - 0.5, 0.0, 22.0);
                const int x0 = int(sx), y0 = int(sy), x1 = std::min(x0 + 1, 36), y1 = std::min(y0 + 1, 22);
                const double fx = sx - x0, fy = sy - y0;
                for (int shift = 0; shift < 32; shift += 8) {
                    auto c = [&](int px, int py) { return double((source.pixel(px, py) >> shift) & 0xFF); };
                    const double want = (c(x0, y0) * (1 - fx) + c(x1, y0) * fx) * (1 - fy) +
                                        (c(x0, y1) * (1 - fx) + c(x1, y1) * fx) * fy;
                    worst = std::max(
                        worst, int(std::abs(want - double((result.pixel(x, y) >> shift) & 0xFF)) + 0.5));
                }
            }
        EXPECT_LE(worst, 2) << size.width << "x" << size.height;
    }
}
