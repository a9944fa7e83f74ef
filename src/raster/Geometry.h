#pragma once

#include <vector>

namespace vexmira::raster {

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// A rectangle given by its top-left corner and its size, in pixels.
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    // One past the last column and row; clamped where the sum would pass the int range.
    int right() const { return clampedSum(x, width); }
    int bottom() const { return clampedSum(y, height); }
    bool isEmpty() const { return width <= 0 || height <= 0; }
    Size size() const { return {width, height}; }
    Rect intersected(const Rect& other) const;
    // The smallest rectangle holding both; an empty one adds nothing.
    Rect united(const Rect& other) const;
    friend bool operator==(const Rect&, const Rect&) = default;

  private:
    static int clampedSum(int a, int b) {
        const long long sum = static_cast<long long>(a) + b;
        return sum > 2147483647LL        ? 2147483647
               : sum < -2147483647LL - 1 ? -2147483647 - 1
                                         : static_cast<int>(sum);
    }
};

inline Rect Rect::united(const Rect& other) const {
    if (other.isEmpty()) return *this;
    if (isEmpty()) return other;
    const int left = x < other.x ? x : other.x;
    const int top = y < other.y ? y : other.y;
    const int r = right() > other.right() ? right() : other.right();
    const int b = bottom() > other.bottom() ? bottom() : other.bottom();
    const long long w = static_cast<long long>(r) - left, h = static_cast<long long>(b) - top;
    return {left, top, w > 2147483647LL ? 2147483647 : static_cast<int>(w),
            h > 2147483647LL ? 2147483647 : static_cast<int>(h)};
}

inline Rect Rect::intersected(const Rect& other) const {
    const int left = x > other.x ? x : other.x;
    const int top = y > other.y ? y : other.y;
    const int r = right() < other.right() ? right() : other.right();
    const int b = bottom() < other.bottom() ? bottom() : other.bottom();
    if (r <= left || b <= top) return {left, top, 0, 0};
    const long long w = static_cast<long long>(r) - left, h = static_cast<long long>(b) - top;
    return {left, top, w > 2147483647LL ? 2147483647 : static_cast<int>(w),
            h > 2147483647LL ? 2147483647 : static_cast<int>(h)};
}

// More than `most` rectangles become their one bounding box.
inline void mergeBeyond(std::vector<Rect>& rects, std::size_t most) {
    if (rects.size() <= most || rects.empty()) return;
    Rect all = rects.front();
    for (const Rect& r : rects)
        all = all.united(r);
    rects = {all};
}

} // namespace vexmira::raster
