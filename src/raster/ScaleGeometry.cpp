#include "ScaleGeometry.h"

#include "Rounding.h"

#include <algorithm>
#include <utility>

namespace vexmira::raster {

namespace {

Size scaled(Size picture, double scale) {
    return {roundToInt(picture.width * scale), roundToInt(picture.height * scale)};
}

// Fit inside the view keeping the proportions.
Size fitted(Size view, Size picture) {
    const double d = static_cast<double>(view.width) / picture.width;
    const double e = static_cast<double>(view.height) / picture.height;
    if (d >= e) return {roundToInt(e * picture.width), view.height};
    return {view.width, roundToInt(d * picture.height)};
}

} // namespace

Size shownSize(ScaleMode mode, Size view, Size picture, double scale) {
    if (picture.width <= 0 || picture.height <= 0) return {0, 0};
    switch (mode) {
    case ScaleMode::smNormal:
        return picture;
    case ScaleMode::smStretch:
        return view;
    case ScaleMode::smScale:
        return scaled(picture, scale);
    case ScaleMode::smResize:
        return fitted(view, picture);
    case ScaleMode::smOptimal:
        if (view.width < picture.width || view.height < picture.height) return fitted(view, picture);
        return picture;
    case ScaleMode::smOptimalScaled: {
        // The scaled size is compared as it is shown: rounded to whole pixels.
        const Size shown = scaled(picture, scale);
        if (view.width < shown.width || view.height < shown.height) return fitted(view, picture);
        return shown;
    }
    }
    return picture;
}

Rect placement(ScaleMode mode, Size view, Size picture, double scale, bool centred) {
    const Size shown = shownSize(mode, view, picture, scale);
    if (!centred) return {0, 0, shown.width, shown.height};
    return {(view.width - shown.width) / 2, (view.height - shown.height) / 2, shown.width, shown.height};
}

Size fitIntoBox(Size picture, Size box) {
    if (picture.width <= 0 || picture.height <= 0) return {0, 0};
    if (picture.width > picture.height)
        return {box.width,
                static_cast<int>(static_cast<long long>(picture.height) * box.width / picture.width)};
    return {static_cast<int>(static_cast<long long>(picture.width) * box.height / picture.height),
            box.height};
}

} // namespace vexmira::raster

namespace vexmira::raster {

namespace {

// Floor and ceiling of a / b for b > 0.
long long floorDiv(long long a, long long b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}
long long ceilDiv(long long a, long long b) {
    return -floorDiv(-a, b);
}

// Along one axis: the target pixels [first, last) of a span `shown` long whose samples reach
// source pixels [from, to) of `source`. Target pixel d samples at (2d + 1) S / 2D - 1/2 and
// blends the pixel below that position with the next one; a pixel of margin on each side
// covers the rounding of the sample positions.
std::pair<long long, long long> touchedSpan(long long from, long long to, long long source, long long shown) {
    const long long first = floorDiv((2 * from - 1) * shown - source, 2 * source) - 1;
    const long long last = ceilDiv((2 * to + 1) * shown - source, 2 * source) + 1;
    return {std::max(0LL, first), std::min(shown, last)};
}

} // namespace

Rect shownPartOf(const Rect& changed, Size pictureSize, const Rect& shown) {
    if (changed.isEmpty() || shown.isEmpty() || pictureSize.width <= 0 || pictureSize.height <= 0) return {};
    const auto [left, right] = touchedSpan(changed.x, changed.right(), pictureSize.width, shown.width);
    const auto [top, bottom] = touchedSpan(changed.y, changed.bottom(), pictureSize.height, shown.height);
    if (right <= left || bottom <= top) return {};
    return Rect{static_cast<int>(shown.x + left), static_cast<int>(shown.y + top),
                static_cast<int>(right - left), static_cast<int>(bottom - top)};
}

} // namespace vexmira::raster
