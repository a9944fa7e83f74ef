#pragma once

// The pictures the test portal's screen stream shows, known to the tests that check what the
// program made of them.
#include <cstdint>

namespace vexmira::testing {

inline constexpr int portalScreenWidth = 1920;
inline constexpr int portalScreenHeight = 1080;

// Picture `n` of the shared screen at (x, y), as 0xAARRGGBB: bands and squares of colour that
// differ from picture to picture, with a moving square in later frames of picture 0 drawn on top
// by the stream itself (see movingSquare).
inline std::uint32_t portalPixel(int n, int x, int y) {
    const std::uint32_t r = std::uint32_t((x * 255) / (portalScreenWidth - 1));
    const std::uint32_t g = std::uint32_t((y * 255) / (portalScreenHeight - 1));
    const std::uint32_t b = ((x / 64 + y / 64 + n) % 3) * 100 + std::uint32_t(n * 37 % 50);
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

} // namespace vexmira::testing
