#include "DesktopMasks.h"

#include <algorithm>

namespace vexmira::mirror {

bool DesktopMasks::capture(platform::WindowSystem& windows, const std::vector<std::string>& classes,
                           const raster::Rect& source, const raster::Rect& previewPlace,
                           const std::function<bool()>& take) {
    bool captured = false;
    const std::vector<raster::Rect> frames = windows.framesOfClasses(classes, [&] { captured = take(); });
    if (!captured) return false;
    areas_.clear();
    // A desktop rectangle's part on the picture, in picture pixels.
    const auto mask = [&](const raster::Rect& onDesktop) {
        const raster::Rect inside = onDesktop.intersected(source);
        if (!inside.isEmpty())
            areas_.push_back({inside.x - source.x, inside.y - source.y, inside.width, inside.height});
    };
    for (const raster::Rect& frame : frames)
        mask(frame);
    const auto now = std::chrono::steady_clock::now();
    if (!areas_.empty()) previewMaskedUntil_ = now + std::chrono::seconds(1);
    if (now < previewMaskedUntil_ && !previewPlace.isEmpty()) mask(previewPlace);
    return true;
}

raster::Bitmap DesktopMasks::applied(const raster::Bitmap& picture, const std::vector<raster::Rect>& areas) {
    if (areas.empty() || picture.isEmpty()) return picture;
    raster::Bitmap masked = picture.deepCopy();
    const raster::Rect whole{0, 0, masked.width(), masked.height()};
    for (const raster::Rect& area : areas) {
        const raster::Rect r = area.intersected(whole);
        for (int y = r.y; y < r.bottom(); ++y)
            std::fill_n(masked.mutableRow(y) + r.x, r.width, raster::Bgra{0xFF000000u});
    }
    return masked;
}

} // namespace vexmira::mirror
