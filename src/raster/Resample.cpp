#include "Resample.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vexmira::raster {

namespace {

// Source sample position of each target pixel along one axis, for the part of the destination
// span [first, last) that is visible. Positions are in 1/256 pixel.
struct Taps {
    std::vector<int> lower;
    std::vector<int> upper;
    std::vector<std::uint32_t> weight; // 0..256, share of `upper`
};

Taps bilinearTaps(int sourceLength, int destinationLength, int first, int last) {
    Taps taps;
    const int count = std::max(0, last - first);
    taps.lower.resize(count);
    taps.upper.resize(count);
    taps.weight.resize(count);
    for (int i = 0; i < count; ++i) {
        const long long d = first + i;
        // centre of target pixel d, mapped into the source, minus half a pixel; in 1/256 units
        long long position = ((2 * d + 1) * sourceLength * 256LL) / (2LL * destinationLength) - 128;
        position = std::clamp<long long>(position, 0, (sourceLength - 1) * 256LL);
        const int lower = static_cast<int>(position >> 8);
        taps.lower[i] = lower;
        taps.upper[i] = std::min(lower + 1, sourceLength - 1);
        taps.weight[i] = static_cast<std::uint32_t>(position & 0xFF);
    }
    return taps;
}

// Blends two pixels, two channels at a time; `w` (0..256) is the share of `b`.
inline Bgra blend(Bgra a, Bgra b, std::uint32_t w) {
    const std::uint32_t v = 256 - w;
    const std::uint32_t redBlue = (((a & 0x00FF00FFu) * v + (b & 0x00FF00FFu) * w + 0x00800080u) >> 8) & 0x00FF00FFu;
    const std::uint32_t alphaGreen =
        ((((a >> 8) & 0x00FF00FFu) * v + ((b >> 8) & 0x00FF00FFu) * w + 0x00800080u)) & 0xFF00FF00u;
    return redBlue | alphaGreen;
}

} // namespace

void stretchDrawNearest(Bitmap& target, const Rect& destination, const Bitmap& source) {
    if (destination.isEmpty() || source.isEmpty()) return;
    const Rect visible = destination.intersected({0, 0, target.width(), target.height()});
    if (visible.isEmpty()) return;
    std::vector<int> columns(visible.width);
    for (int i = 0; i < visible.width; ++i)
        columns[i] = static_cast<int>((static_cast<long long>(visible.x + i - destination.x) * source.width()) / destination.width);
    for (int y = visible.y; y < visible.bottom(); ++y) {
        const int sourceY = static_cast<int>((static_cast<long long>(y - destination.y) * source.height()) / destination.height);
        const Bgra* from = source.row(sourceY);
        Bgra* to = target.mutableRow(y) + visible.x;
        for (int i = 0; i < visible.width; ++i) to[i] = from[columns[i]];
    }
}

void drawBilinear(Bitmap& target, const Rect& destination, const Bitmap& source) {
    if (destination.isEmpty() || source.isEmpty()) return;
    const Rect visible = destination.intersected({0, 0, target.width(), target.height()});
    if (visible.isEmpty()) return;
    if (destination.size() == source.size()) {
        drawCopy(target, destination.x, destination.y, source);
        return;
    }
    const Taps across = bilinearTaps(source.width(), destination.width, visible.x - destination.x, visible.right() - destination.x);
    const Taps down = bilinearTaps(source.height(), destination.height, visible.y - destination.y, visible.bottom() - destination.y);
    std::uint8_t* targetBits = target.mutableBits();
    for (int j = 0; j < visible.height; ++j) {
        const Bgra* top = source.row(down.lower[j]);
        const Bgra* bottom = source.row(down.upper[j]);
        const std::uint32_t wy = down.weight[j];
        Bgra* to = reinterpret_cast<Bgra*>(targetBits + std::ptrdiff_t(visible.y + j) * target.stride()) + visible.x;
        if (wy == 0) {
            for (int i = 0; i < visible.width; ++i) to[i] = blend(top[across.lower[i]], top[across.upper[i]], across.weight[i]);
            continue;
        }
        for (int i = 0; i < visible.width; ++i) {
            const int l = across.lower[i];
            const int u = across.upper[i];
            const std::uint32_t wx = across.weight[i];
            to[i] = blend(blend(top[l], top[u], wx), blend(bottom[l], bottom[u], wx), wy);
        }
    }
}

Bitmap resampleBilinear(const Bitmap& source, Size size) {
    Bitmap result(size.width, size.height, source.bitDepth());
    drawBilinear(result, {0, 0, size.width, size.height}, source);
    return result;
}

void drawCopy(Bitmap& target, int x, int y, const Bitmap& source) {
    const Rect visible = Rect{x, y, source.width(), source.height()}.intersected({0, 0, target.width(), target.height()});
    if (visible.isEmpty()) return;
    std::uint8_t* targetBits = target.mutableBits();
    for (int row = visible.y; row < visible.bottom(); ++row)
        std::memcpy(targetBits + std::ptrdiff_t(row) * target.stride() + std::ptrdiff_t(visible.x) * 4,
                    source.row(row - y) + (visible.x - x), std::size_t(visible.width) * 4);
}

} // namespace vexmira::raster
