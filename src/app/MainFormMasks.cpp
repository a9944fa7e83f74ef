// Masked windows: windows of the listed classes are painted black in what the display shows of
// the desktop. The preview and saved pictures keep them.
#include "ExtraSettings.h"
#include "mainunit.h"

#include <algorithm>
#include <chrono>

namespace vexmira::app {

const std::vector<raster::Rect>& TMainForm::maskedAreas(const raster::Rect& source) {
    maskedAreas_.clear();
    if (Extras.maskedClasses.empty() || !windows_) return maskedAreas_;
    // The window list is asked for at most a few times a second.
    const auto now = std::chrono::steady_clock::now();
    if (now - maskedWindowsRead_ > std::chrono::milliseconds(200)) {
        maskedWindowsRead_ = now;
        maskedWindows_.clear();
        for (const platform::TopLevelWindow& w : windows_->topLevelWindows())
            if (w.visible && std::find(Extras.maskedClasses.begin(), Extras.maskedClasses.end(),
                                       w.className) != Extras.maskedClasses.end())
                maskedWindows_.push_back(w.frame);
    }
    for (const raster::Rect& frame : maskedWindows_) {
        const raster::Rect inside = frame.intersected(source);
        if (!inside.isEmpty())
            maskedAreas_.push_back({inside.x - source.x, inside.y - source.y, inside.width, inside.height});
    }
    return maskedAreas_;
}

raster::Bitmap TMainForm::withMasks(const raster::Bitmap& picture, const std::vector<raster::Rect>& areas) {
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

} // namespace vexmira::app
