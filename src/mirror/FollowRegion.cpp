#include "FollowRegion.h"

#include <algorithm>

namespace vexmira::mirror {

namespace {

// The region's new start along one axis.
int followAxis(int start, int size, int pointer, int margin, int screen) {
    const int m = std::clamp(margin, 0, std::max(0, (size - 1) / 2));
    if (pointer < start + m)
        start = pointer - m;
    else if (pointer > start + size - 1 - m)
        start = pointer + m + 1 - size;
    return std::clamp(start, 0, std::max(0, screen - size));
}

} // namespace

TGrabRect followPointer(const TGrabRect& region, int x, int y, int margin, int screenWidth,
                        int screenHeight) {
    const int width = std::max(0, region.width()), height = std::max(0, region.height());
    const int left = followAxis(region.Left, width, x, margin, screenWidth);
    const int top = followAxis(region.Top, height, y, margin, screenHeight);
    return {left, top, left + width, top + height};
}

} // namespace vexmira::mirror
