#include "raster/Bitmap.h"
#include "raster/Color.h"
#include "raster/Rounding.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vexmira::raster;

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    const struct {
        double in;
        long long out;
    } cases[] = {
        {0.5, 0},
        {1.5, 2},
        {2.5, 2},
        {3.5, 4},
        {-0.5, 0},
        {-1.5, -2},
        {-2.5, -2},
        {2.4999, 2},
        {2.5001, 3},
        {-2.5001, -3},
        {1e9 + 0.5, 1000000000},
        {7.0, 7},
    };
    for (const auto& c : cases)
        EXPECT_EQ(roundHalfEven(c.in), c.out) << c.in;
}

TEST(Color, TColorKeepsRedInTheLowByte) {
    constexpr TColor orange = colorFromRgb(0xFF, 0x80, 0x10);
    static_assert(orange == 0x1080FF);
    static_assert(redOf(orange) == 0xFF && greenOf(orange) == 0x80 && blueOf(orange) == 0x10);
    EXPECT_EQ(toBgra(orange), 0xFFFF8010u);
    EXPECT_EQ(toTColor(0x12FF8010u), orange); // alpha dropped
}

TEST(Bitmap, NewPictureIsOpaqueBlackWithPackedRows) {
    Bitmap picture(5, 3);
    EXPECT_EQ(picture.stride(), 20);
    EXPECT_EQ(picture.bitDepth(), 24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(picture.pixel(x, y), 0xFF000000u);
    EXPECT_THROW(Bitmap(4, 4, 16), std::invalid_argument);
    EXPECT_THROW(Bitmap(-1, 4), std::invalid_argument);
    EXPECT_THROW(Bitmap(1 << 20, 1 << 20), std::length_error);
    EXPECT_TRUE(Bitmap(0, 7).isEmpty());
}

TEST(Bitmap, CopiesSharePixelsUntilOneIsWritten) {
    Bitmap original(4, 4);
    original.fill(0xFF112233u);
    Bitmap copy = original;
    EXPECT_TRUE(copy.sharesPixelsWith(original));
    copy.setPixel(1, 1, 0xFFABCDEFu);
    EXPECT_FALSE(copy.sharesPixelsWith(original));
    EXPECT_EQ(original.pixel(1, 1), 0xFF112233u);
    EXPECT_EQ(copy.pixel(1, 1), 0xFFABCDEFu);
    EXPECT_EQ(copy.pixel(0, 0), 0xFF112233u);

    // The sole owner writes in place.
    const std::uint8_t* before = copy.bits();
    copy.setPixel(2, 2, 0u);
    EXPECT_EQ(copy.bits(), before);
}

TEST(Bitmap, WrapsForeignMemoryWithItsStrideAndReleasesItLast) {
    bool released = false;
    auto* memory = new std::uint8_t[3 * 32]();
    {
        std::shared_ptr<std::uint8_t> storage(memory, [&](std::uint8_t* p) {
            released = true;
            delete[] p;
        });
        Bitmap wrapped = Bitmap::wrap(storage, 3, 3, 32, 24);
        storage.reset();
        reinterpret_cast<Bgra*>(memory + 32)[2] = 0xFF00FF00u;
        EXPECT_EQ(wrapped.pixel(2, 1), 0xFF00FF00u);
        const Bitmap packed = wrapped.deepCopy();
        EXPECT_EQ(packed.stride(), 12);
        EXPECT_TRUE(packed.samePixels(wrapped));
        EXPECT_FALSE(released);
    }
    EXPECT_TRUE(released);
    EXPECT_THROW(Bitmap::wrap(nullptr, 10, 1, 20, 24), std::invalid_argument); // stride too small
}

TEST(Bitmap, CropIsClippedToThePicture) {
    Bitmap picture(6, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            picture.setPixel(x, y, bgraFromRgba(x, y, 0));
    const Bitmap inner = picture.cropped({2, 1, 3, 2});
    ASSERT_EQ(inner.size(), (Size{3, 2}));
    EXPECT_EQ(inner.pixel(0, 0), bgraFromRgba(2, 1, 0));
    EXPECT_EQ(inner.pixel(2, 1), bgraFromRgba(4, 2, 0));
    const Bitmap edge = picture.cropped({4, 3, 10, 10});
    ASSERT_EQ(edge.size(), (Size{2, 1}));
    EXPECT_EQ(edge.pixel(1, 0), bgraFromRgba(5, 3, 0));
    EXPECT_TRUE(picture.cropped({10, 10, 2, 2}).isEmpty());
}

TEST(Bitmap, AlphaOfTwentyFourBitPicturesDoesNotCount) {
    Bitmap a(2, 1), b(2, 1);
    a.fill(0x00102030u); // a capture may leave alpha 0
    b.fill(0xFF102030u);
    EXPECT_TRUE(a.samePixels(b));
    b.setBitDepth(32);
    EXPECT_FALSE(a.samePixels(b));
}

TEST(Rect, IntersectionNearTheIntegerLimitsDoesNotOverflow) {
    const Rect huge{2147483000, 2147483000, 5000, 5000};
    EXPECT_EQ(huge.right(), 2147483647);
    EXPECT_TRUE(huge.intersected({0, 0, 3200, 1080}).isEmpty());
    EXPECT_EQ(huge.intersected({2147483100, 2147483100, 10, 10}), (Rect{2147483100, 2147483100, 10, 10}));
    const Rect wide{-2147483647, 0, 2147483647, 10};
    EXPECT_EQ(wide.intersected({-10, 0, 20, 10}), (Rect{-10, 0, 10, 10}));
}
