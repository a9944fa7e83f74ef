// Masked windows: windows of the listed classes are painted black in what the display shows of
// the desktop. The preview and saved pictures keep them.
#include "ExtraSettings.h"
#include "mainunit.h"
#include "uStartForm.h"

namespace vexmira::app {

bool TMainForm::masking() const {
    return !Extras.maskedClasses.empty() && windows_ != nullptr;
}

bool TMainForm::captureMasked(raster::Bitmap& target, int area, const raster::Rect& source) {
    // Drawing reported so far is of no use to a whole picture; what comes later wakes a resting
    // mirror.
    desktop_->discardDamage();
    raster::Rect preview;
    if (isVisible() && slika->isVisible()) {
        const double ratio = devicePixelRatioF();
        const QPoint corner = slika->mapToGlobal(QPoint(0, 0));
        preview = {static_cast<int>(corner.x() * ratio) - 1, static_cast<int>(corner.y() * ratio) - 1,
                   static_cast<int>(slika->width() * ratio) + 2,
                   static_cast<int>(slika->height() * ratio) + 2};
    }
    raster::Bitmap fresh;
    if (!masks_.capture(*windows_, Extras.maskedClasses, source, preview,
                        [&] { return desktop_->CaptureDesktop(fresh, area, GrabRect, Overlay); }))
        return false;
    target = fresh;
    return true;
}

bool TMainForm::deliverMaskedFrame(mirror::TFmonitor& display, int area, const raster::Rect& source,
                                   bool toDisplay) {
    uncoverDisplay();
    currentPictureStale_ = false;
    const std::vector<raster::Rect> shownMasks = masks_.areas();
    raster::Bitmap fresh;
    if (!captureMasked(fresh, area, source)) return true;
    const bool changed = !fresh.samePixels(CurrentFrame) || masks_.areas() != shownMasks;
    display.DesktopFrame = fresh;
    CurrentFrame = fresh;
    if (toDisplay && (changed || display.image->bitmap().isEmpty())) {
        if (FstartForm) FstartForm->BarvajIkono();
        display.image->setBitmap(mirror::DesktopMasks::applied(CurrentFrame, masks_.areas()));
    }
    if (previewFed() && changed) slika->setBitmap(CurrentFrame);
    return changed;
}

} // namespace vexmira::app
