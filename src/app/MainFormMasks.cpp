// Masked windows: windows of the listed classes are painted black in what the display shows of
// the desktop. The preview and saved pictures keep them.
#include "ExtraSettings.h"
#include "mainunit.h"
#include "uStartForm.h"

#include <algorithm>
#include <chrono>

namespace vexmira::app {

bool TMainForm::masking() const {
    return !Extras.maskedClasses.empty() && windows_ != nullptr;
}

bool TMainForm::captureMasked(raster::Bitmap& target, int area, const raster::Rect& source) {
    // Drawing reported so far is of no use to a whole picture; what comes later wakes a resting
    // mirror. Read before the display is held: the reports come over a connection of their own.
    desktop_->discardDamage();
    raster::Bitmap fresh;
    bool captured = false;
    const std::vector<raster::Rect> frames = windows_->framesOfClasses(
        Extras.maskedClasses, [&] { captured = desktop_->CaptureDesktop(fresh, area, GrabRect, Overlay); });
    if (!captured) return false;
    target = fresh;
    maskedAreas_.clear();
    // A desktop rectangle's part on the picture, in picture pixels.
    const auto mask = [&](const raster::Rect& onDesktop) {
        const raster::Rect inside = onDesktop.intersected(source);
        if (!inside.isEmpty())
            maskedAreas_.push_back({inside.x - source.x, inside.y - source.y, inside.width, inside.height});
    };
    for (const raster::Rect& frame : frames)
        mask(frame);
    // The preview shows the masked windows as they are; the mirror must not show its copy of them,
    // also while the preview still shows a window that has gone meanwhile (it is painted later).
    const auto now = std::chrono::steady_clock::now();
    if (!maskedAreas_.empty()) previewMaskedUntil_ = now + std::chrono::seconds(1);
    if (now < previewMaskedUntil_ && isVisible() && slika->isVisible()) {
        const double ratio = devicePixelRatioF();
        const QPoint corner = slika->mapToGlobal(QPoint(0, 0));
        mask({static_cast<int>(corner.x() * ratio) - 1, static_cast<int>(corner.y() * ratio) - 1,
              static_cast<int>(slika->width() * ratio) + 2, static_cast<int>(slika->height() * ratio) + 2});
    }
    return true;
}

bool TMainForm::deliverMaskedFrame(mirror::TFmonitor& display, int area, const raster::Rect& source,
                                   bool toDisplay) {
    uncoverDisplay();
    currentPictureStale_ = false;
    const std::vector<raster::Rect> shownMasks = maskedAreas_;
    raster::Bitmap fresh;
    if (!captureMasked(fresh, area, source)) return true;
    const bool changed = !fresh.samePixels(CurrentFrame) || maskedAreas_ != shownMasks;
    display.DesktopFrame = fresh;
    CurrentFrame = fresh;
    if (toDisplay && (changed || display.image->bitmap().isEmpty())) {
        if (FstartForm) FstartForm->BarvajIkono();
        display.image->setBitmap(withMasks(CurrentFrame, maskedAreas_));
    }
    if (previewFed() && changed) slika->setBitmap(CurrentFrame);
    return changed;
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
