#pragma once

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

    int right() const { return x + width; }   // one past the last column
    int bottom() const { return y + height; } // one past the last row
    bool isEmpty() const { return width <= 0 || height <= 0; }
    Size size() const { return {width, height}; }
    Rect intersected(const Rect& other) const;
    friend bool operator==(const Rect&, const Rect&) = default;
};

inline Rect Rect::intersected(const Rect& other) const {
    const int left = x > other.x ? x : other.x;
    const int top = y > other.y ? y : other.y;
    const int r = right() < other.right() ? right() : other.right();
    const int b = bottom() < other.bottom() ? bottom() : other.bottom();
    if (r <= left || b <= top) return {left, top, 0, 0};
    return {left, top, r - left, b - top};
}

} // namespace vexmira::raster
