#pragma once

#include <cstdint>
#include <memory>

namespace vexmira::platform {

// A window's pixels driven from a thread of its own, over a connection of its own: what is on
// the screen moves on the server, and only new pixels are sent. One thread at a time.
class StripSurface {
  public:
    virtual ~StripSurface() = default;
    // Moves the pixels of the window's `width` x `height` area by (dx, dy); the uncovered part
    // keeps its old pixels until something is put there.
    virtual void scroll(int dx, int dy, int width, int height) = 0;
    // Puts a picture of 32-bit 0x..RRGGBB pixels, rows `stride` bytes apart, at (x, y).
    virtual void put(int x, int y, int width, int height, const std::uint32_t* pixels, int stride) = 0;
    // Returns once the server has done everything asked so far. False when the connection broke.
    virtual bool finish() = 0;
};

// For the window with this native id; null when there is no display, or the window's pixels
// are not laid out as 32-bit 0x..RRGGBB words.
std::unique_ptr<StripSurface> openStripSurface(std::uint64_t window);

} // namespace vexmira::platform
