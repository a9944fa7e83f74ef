#include "Resample.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace vexmira::raster {

namespace {

// Source sample position of each target pixel along one axis, for the part of the destination
// span [first, last) that is visible. Positions are in 1/256 pixel.
// Each target pixel blends source pixels `lower` and `upper` (= lower + 1 wherever the source has
// two pixels) with `weight` for upper.
struct Taps {
    std::vector<int> lower;
    std::vector<int> upper;
    std::vector<std::uint32_t> weight;  // 0..256, share of `upper`
    std::vector<std::uint16_t> weights; // (256 - weight) four times, then weight four times
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
        int lower = static_cast<int>(position >> 8);
        std::uint32_t weight = static_cast<std::uint32_t>(position & 0xFF);
        if (lower == sourceLength - 1 && lower > 0)
            --lower, weight = 256; // the last pixel, as lower's neighbour
        taps.lower[i] = lower;
        taps.upper[i] = std::min(lower + 1, sourceLength - 1);
        taps.weight[i] = weight;
    }
    taps.weights.resize(std::size_t(count) * 8);
    for (int i = 0; i < count; ++i) {
        std::fill_n(taps.weights.begin() + std::ptrdiff_t(i) * 8, 4,
                    static_cast<std::uint16_t>(256 - taps.weight[i]));
        std::fill_n(taps.weights.begin() + std::ptrdiff_t(i) * 8 + 4, 4,
                    static_cast<std::uint16_t>(taps.weight[i]));
    }
    return taps;
}

// Blends two pixels, two channels at a time; `w` (0..256) is the share of `b`.
inline Bgra blend(Bgra a, Bgra b, std::uint32_t w) {
    const std::uint32_t v = 256 - w;
    const std::uint32_t redBlue =
        (((a & 0x00FF00FFu) * v + (b & 0x00FF00FFu) * w + 0x00800080u) >> 8) & 0x00FF00FFu;
    const std::uint32_t alphaGreen =
        ((((a >> 8) & 0x00FF00FFu) * v + ((b >> 8) & 0x00FF00FFu) * w + 0x00800080u)) & 0xFF00FF00u;
    return redBlue | alphaGreen;
}

// to[i] = blend(a[i], b[i], w) for `count` pixels.
void blendRows(Bgra* to, const Bgra* a, const Bgra* b, std::uint32_t w, int count) {
    int i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    const __m128i weight = _mm_set1_epi16(static_cast<short>(w));
    const __m128i inverse = _mm_set1_epi16(static_cast<short>(256 - w));
    const __m128i half = _mm_set1_epi16(0x80);
    for (; i + 4 <= count; i += 4) {
        const __m128i pa = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i pb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        // every sum stays below 65536: a * (256 - w) + b * w + 128 <= 255 * 256 + 128
        const __m128i low =
            _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(pa, zero), inverse),
                                                       _mm_mullo_epi16(_mm_unpacklo_epi8(pb, zero), weight)),
                                         half),
                           8);
        const __m128i high =
            _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(pa, zero), inverse),
                                                       _mm_mullo_epi16(_mm_unpackhi_epi8(pb, zero), weight)),
                                         half),
                           8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), _mm_packus_epi16(low, high));
    }
#endif
    for (; i < count; ++i)
        to[i] = blend(a[i], b[i], w);
}

#ifdef __SSE2__
// The two neighbouring pixels at `at` as eight 16-bit channels.
inline __m128i loadPair(const Bgra* at) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at)), _mm_setzero_si128());
}

// Two target pixels from their weighted tap pairs (lower x (256 - w) in the low half, upper x w in
// the high half; each sum stays below 65536): added, rounded and stored.
inline void storeTwoTaps(Bgra* to, __m128i first, __m128i second) {
    const __m128i sum = _mm_add_epi16(_mm_unpacklo_epi64(first, second), _mm_unpackhi_epi64(first, second));
    const __m128i mixed = _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(0x80)), 8);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(to), _mm_packus_epi16(mixed, _mm_setzero_si128()));
}
#endif

// to[i] = blend(row[lower[i]], row[upper[i]], weight[i]) for the taps of one target row.
void blendTaps(Bgra* to, const Bgra* row, const Taps& taps) {
    const int count = static_cast<int>(taps.lower.size());
    int i = 0;
#ifdef __SSE2__
    // One 8-byte load fetches both pixels of a tap (upper = lower + 1); two target pixels a step.
    if (count > 0 && taps.upper[0] == taps.lower[0] + 1) {
        const auto* weights = reinterpret_cast<const __m128i*>(taps.weights.data());
        for (; i + 2 <= count; i += 2)
            storeTwoTaps(
                to + i, _mm_mullo_epi16(loadPair(row + taps.lower[i]), _mm_loadu_si128(weights + i)),
                _mm_mullo_epi16(loadPair(row + taps.lower[i + 1]), _mm_loadu_si128(weights + i + 1)));
    }
#endif
    for (; i < count; ++i)
        to[i] = blend(row[taps.lower[i]], row[taps.upper[i]], taps.weight[i]);
}

// One target row when the picture shrinks to half or less across: only the source columns the
// taps use are blended down (both rows of a tap pair at once), then across. Same arithmetic and
// rounding as the two full passes.
void blendSparseRow(Bgra* to, const Bgra* top, const Bgra* bottom, std::uint32_t wy, const Taps& taps) {
    const int count = static_cast<int>(taps.lower.size());
    int i = 0;
#ifdef __SSE2__
    if (count > 0 && taps.upper[0] == taps.lower[0] + 1) {
        const __m128i half = _mm_set1_epi16(0x80);
        const __m128i down = _mm_set1_epi16(static_cast<short>(wy));
        const __m128i up = _mm_set1_epi16(static_cast<short>(256 - wy));
        const auto* weights = reinterpret_cast<const __m128i*>(taps.weights.data());
        // The tap pair blended down between the two rows, then weighted across.
        auto pair = [&](int k) {
            const __m128i between = _mm_srli_epi16(
                _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(loadPair(top + taps.lower[k]), up),
                                            _mm_mullo_epi16(loadPair(bottom + taps.lower[k]), down)),
                              half),
                8);
            return _mm_mullo_epi16(between, _mm_loadu_si128(weights + k));
        };
        for (; i + 2 <= count; i += 2)
            storeTwoTaps(to + i, pair(i), pair(i + 1));
    }
#endif
    for (; i < count; ++i) {
        const Bgra lower = blend(top[taps.lower[i]], bottom[taps.lower[i]], wy);
        const Bgra upper = blend(top[taps.upper[i]], bottom[taps.upper[i]], wy);
        to[i] = blend(lower, upper, taps.weight[i]);
    }
}

} // namespace

void stretchDrawNearest(Bitmap& target, const Rect& destination, const Bitmap& source) {
    if (destination.isEmpty() || source.isEmpty()) return;
    const Rect visible = destination.intersected({0, 0, target.width(), target.height()});
    if (visible.isEmpty()) return;
    std::vector<int> columns(visible.width);
    for (int i = 0; i < visible.width; ++i)
        columns[i] = static_cast<int>(
            (static_cast<long long>(visible.x + i - destination.x) * source.width()) / destination.width);
    for (int y = visible.y; y < visible.bottom(); ++y) {
        const int sourceY = static_cast<int>((static_cast<long long>(y - destination.y) * source.height()) /
                                             destination.height);
        const Bgra* from = source.row(sourceY);
        Bgra* to = target.mutableRow(y) + visible.x;
        for (int i = 0; i < visible.width; ++i)
            to[i] = from[columns[i]];
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
    const Taps across = bilinearTaps(source.width(), destination.width, visible.x - destination.x,
                                     visible.right() - destination.x);
    const Taps down = bilinearTaps(source.height(), destination.height, visible.y - destination.y,
                                   visible.bottom() - destination.y);
    // Two passes per target row: blend the two source rows it falls between (only the columns
    // the row needs), then blend across that row at each target column.
    const int firstColumn = across.lower.empty() ? 0 : across.lower.front();
    const int lastColumn = across.upper.empty() ? 0 : across.upper.back();
    std::vector<Bgra> between(static_cast<std::size_t>(source.width()));
    std::uint8_t* targetBits = target.mutableBits();
    const bool sparse = source.width() >= 2 * destination.width;
    for (int j = 0; j < visible.height; ++j) {
        const Bgra* top = source.row(down.lower[j]);
        Bgra* to =
            reinterpret_cast<Bgra*>(targetBits + std::ptrdiff_t(visible.y + j) * target.stride()) + visible.x;
        if (sparse) {
            blendSparseRow(to, top, source.row(down.upper[j]), down.weight[j], across);
            continue;
        }
        const Bgra* row = top;
        if (down.weight[j] != 0) {
            blendRows(between.data() + firstColumn, top + firstColumn,
                      source.row(down.upper[j]) + firstColumn, down.weight[j], lastColumn - firstColumn + 1);
            row = between.data();
        }
        blendTaps(to, row, across);
    }
}

Bitmap resampleBilinear(const Bitmap& source, Size size) {
    Bitmap result(size.width, size.height, source.bitDepth());
    drawBilinear(result, {0, 0, size.width, size.height}, source);
    return result;
}

void drawCopy(Bitmap& target, int x, int y, const Bitmap& source) {
    const Rect visible =
        Rect{x, y, source.width(), source.height()}.intersected({0, 0, target.width(), target.height()});
    if (visible.isEmpty()) return;
    std::uint8_t* targetBits = target.mutableBits();
    for (int row = visible.y; row < visible.bottom(); ++row)
        std::memcpy(targetBits + std::ptrdiff_t(row) * target.stride() + std::ptrdiff_t(visible.x) * 4,
                    source.row(row - y) + (visible.x - x), std::size_t(visible.width) * 4);
}

} // namespace vexmira::raster
