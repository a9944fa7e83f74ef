#pragma once

namespace vexmira::mirror {

// The part of the primary screen that "Part of Desktop" mirrors, in device pixels relative to the
// primary monitor's top-left corner. After a
// completed drag Left <= Right and Top <= Bottom; all 0 until the first one.
struct TGrabRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int width() const { return Right - Left; }
    int height() const { return Bottom - Top; }
};

} // namespace vexmira::mirror
