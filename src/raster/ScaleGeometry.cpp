#include "ScaleGeometry.h"

#include "Rounding.h"

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
