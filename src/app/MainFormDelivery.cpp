// The road of a picture: the desktop tick, and the delivery of the current picture to the
// display window.
#include "ExtraSettings.h"
#include "capture/ualldesktop.h"
#include "mainunit.h"
#include "platform/Capabilities.h"
#include "uStartForm.h"

#include "mirror/FollowRegion.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace vexmira::app {

namespace {

raster::Bitmap blackBitmap(QSize size) {
    return raster::Bitmap(size.width() + 1, size.height() + 1, 24);
}

// The desktop area the capture takes: a region that follows the pointer is a part of the desktop.
int capturedArea() {
    const int area = capture::fAlldesktop ? capture::fAlldesktop->ItemIndex() : mirror::AllDesktop;
    return area == mirror::FollowMouse ? mirror::PartOfDesktop : area;
}

// Moves the followed region after the pointer (device pixels relative to the primary monitor).
void followThePointer() {
    if (!capture::fAlldesktop || !capture::fAlldesktop->followsMouse()) return;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return;
    const double ratio = primary->devicePixelRatio();
    const QPoint pointer = QCursor::pos(primary) - primary->geometry().topLeft();
    const QSize size = primary->geometry().size() * ratio;
    GrabRect = mirror::followPointer(GrabRect, static_cast<int>(pointer.x() * ratio),
                                     static_cast<int>(pointer.y() * ratio), Extras.followMargin, size.width(),
                                     size.height());
}

// Timer intervals (ms) at which desktop ticks follow each other with no idle time between.
constexpr int backToBackInterval = 5;

} // namespace

void TMainForm::Timer3zaslonTimer() {
    // Letting pending messages run below can deliver the next tick before this one ends; that
    // tick is skipped rather than nested.
    if (tickRunning_) return;
    tickRunning_ = true;
    try {
        Timer1->stop();
        mirror::TFmonitor* display = mirror::Fmonitor;
        followThePointer();
        const int area = capturedArea();
        // Without damage reports the whole screen is copied while pending messages (the last
        // frame's painting among them) run.
        const bool prefetch = !desktop_->followsDamage();
        if (prefetch) desktop_->PrefetchDesktop(area, GrabRect);
        QCoreApplication::processEvents();
        // Stop All or another source may have run meanwhile; their pictures stay.
        const bool stillRunning =
            (Timer3zaslon->isActive() || resting_) && (SourceMode == srcDesktop || SourceMode == srcText);
        if (display && stillRunning) restIfIdle(deliverDesktopFrame(*display, area));
        // Ticks coming back to back: the next frame is copied while this one is painted. At
        // slower rates it would be stale by the time it is used, so it is fetched at the tick.
        if (prefetch && stillRunning && Timer3zaslon->interval() <= backToBackInterval)
            desktop_->PrefetchDesktop(area, GrabRect);
    } catch (...) {
        platform::logCaught("the desktop tick failed; the next one takes the picture anew");
    }
    tickRunning_ = false;
}

bool TMainForm::deliverDesktopFrame(mirror::TFmonitor& display, int area) {
    raster::Bitmap& frame = display.DesktopFrame;
    const bool toDisplay =
        cbx1->Checked() && display.isVisible() && SourceMode == srcDesktop && !display.blanked();
    const auto source = desktop_->sourceArea(area, GrabRect);
    // Masked windows: this program draws the display's picture, with the masks where the windows
    // were at the moment the picture was taken.
    if (source && SourceMode == srcDesktop && masking())
        return deliverMaskedFrame(display, area, *source, toDisplay);
    if (source && SourceMode == srcDesktop && scaledByServer(display, *source))
        return deliverScaledByServer(display, *source, toDisplay);
    uncoverDisplay();
    currentPictureStale_ = false;
    // The copies that follow the live picture, which may be drawn on in place.
    long followers = 1;
    if (SourceMode == srcDesktop && CurrentFrame.sharesPixelsWith(frame)) ++followers;
    if (toDisplay && display.image->bitmap().sharesPixelsWith(frame)) ++followers;
    if (previewFed() && slika->bitmap().sharesPixelsWith(frame)) ++followers;
    std::optional<mirror::FrameChange> change;
    if (area == mirror::AllDesktop || area == mirror::PartOfDesktop)
        change = desktop_->UpdateDesktop(frame, area, GrabRect, Overlay, followers);
    const std::vector<raster::Rect> everything;
    const std::vector<raster::Rect>& parts = change && !change->whole ? change->parts : everything;
    if (SourceMode == srcDesktop) CurrentFrame = frame; // shares the pixels
    if (cbx1->Checked() && !display.blanked()) {
        if (toDisplay && change && !change->whole) {
            if (FstartForm) FstartForm->BarvajIkono();
            display.image->setBitmap(CurrentFrame, parts);
        } else {
            ShareM();
        }
    }
    if (previewFed()) {
        if (change && !change->whole)
            slika->setBitmap(frame, parts);
        else
            slika->setBitmap(frame);
    }
    return !change || change->any();
}

// The display scales the desktop itself where it can, the display window does not show on the
// mirrored area (it would mirror its own drawing), no pointer overlay is drawn (that goes into
// the picture) and pixels are device pixels.
bool TMainForm::scaledByServer(mirror::TFmonitor& display, const raster::Rect& source) {
    if (!serverScaling_ || Overlay.showCursor || Overlay.showRedPoint) return false;
    if (!platform::capabilities().serverScaling || display.devicePixelRatioF() != 1.0) return false;
    const QRect place = display.frameGeometry();
    if (!raster::Rect{place.x(), place.y(), place.width(), place.height()}.intersected(source).isEmpty())
        return false;
    if (!scalerTried_) {
        scaler_ = platform::openServerScaler();
        scalerTried_ = true;
        // Anything else shown on the display window takes the cover away.
        connect(display.image, &widgets::ImageView::bitmapSet, this, [this] { uncoverDisplay(); });
        display.image->installEventFilter(this);
    }
    return scaler_ != nullptr;
}

bool TMainForm::deliverScaledByServer(mirror::TFmonitor& display, const raster::Rect& source,
                                      bool toDisplay) {
    const mirror::FrameChange change = desktop_->takeChange(source);
    bool changed = change.any();
    currentPictureStale_ = true;
    if (toDisplay) {
        const QRect view = display.image->geometry();
        scaler_->cover(display.winId(), {view.x(), view.y(), view.width(), view.height()});
        if (change.any() || scaler_->needsDrawing()) {
            scaler_->draw(source, display.image->placementFor(source.size()),
                          change.whole ? nullptr : &change.parts);
            ++framesScaledByServer_;
            changed = true;
        }
        if (FstartForm) FstartForm->BarvajIkono();
    } else if (scaler_->covering() && !display.blanked()) {
        // The display keeps the last picture it showed.
        display.image->setBitmap(currentPicture());
    }
    // The preview follows while it shows the picture scaled here last; a hidden one is brought up
    // to date when it shows again.
    if (!slika->isVisible()) serverPreview_ = raster::Bitmap();
    const bool previewCurrent = !serverPreview_.isEmpty() && slika->bitmap().sharesPixelsWith(serverPreview_);
    if (previewFed() && slika->isVisible() && (change.any() || !previewCurrent)) {
        const raster::Rect shown = slika->placementFor(source.size());
        raster::Bitmap small;
        if (scaler_->scaled(source, shown.size(), small) &&
            !(previewCurrent && small.samePixels(serverPreview_))) {
            serverPreview_ = small;
            slika->setBitmap(serverPreview_);
            changed = true;
        }
    }
    return changed;
}

void TMainForm::uncoverDisplay() {
    if (!scaler_ || !scaler_->covering()) return;
    scaler_->uncover();
}

const raster::Bitmap& TMainForm::currentPicture() {
    if (currentPictureStale_ && SourceMode == srcDesktop && mirror::Fmonitor) {
        currentPictureStale_ = false;
        const int area = capturedArea();
        const auto source = desktop_->sourceArea(area, GrabRect);
        raster::Bitmap& frame = mirror::Fmonitor->DesktopFrame;
        if (source && masking() ? captureMasked(frame, area, *source)
                                : desktop_->CaptureDesktop(frame, area, GrabRect, Overlay))
            CurrentFrame = frame;
    }
    return CurrentFrame;
}

void TMainForm::setMirrorRoads(bool followDamage, bool serverScaling) {
    wakeDesktopTicks(); // the damage watch may go
    desktop_->setFollowDamage(followDamage);
    serverScaling_ = serverScaling;
    if (!serverScaling) uncoverDisplay();
}

void TMainForm::ShareM() {
    if (FstartForm) FstartForm->BarvajIkono();
    mirror::TFmonitor* display = mirror::Fmonitor;
    if (!display || !display->isVisible()) return;
    if (SourceMode == srcText) return;
    const raster::Bitmap& picture = currentPicture();
    const auto source =
        SourceMode == srcDesktop ? desktop_->sourceArea(capturedArea(), GrabRect) : std::nullopt;
    display->image->setBitmap(source && masking() ? mirror::DesktopMasks::applied(picture, masks_.areas())
                                                  : picture);
    if (SourceMode == srcStopped) ClearImage();
}

void TMainForm::ClearImage() {
    if (mirror::Fmonitor) mirror::Fmonitor->image->setBitmap(blackBitmap(mirror::Fmonitor->image->size()));
    const raster::Bitmap black = blackBitmap(slika->size());
    if (previewFed()) slika->setBitmap(black);
    if (SourceMode == srcImages) slika2->setBitmap(blackBitmap(slika2->size()));
    CurrentFrame = black;
}

void TMainForm::SpeedButton8Click() {
    mirror::TFmonitor* display = mirror::Fmonitor;
    if (SourceMode != srcText) {
        if (display) display->showPictureView();
    } else {
        cbx1->setChecked(false);
        if (display) {
            display->redMonitor->show();
            display->image->hide();
            display->redMonitor->copyFrom(*red);
        }
    }
    if (SourceMode == srcStopped) return;
    if (SourceMode != srcText && display) display->image->show();
    ShareM();
}

void TMainForm::cbx1Click() {
    if (!cbx1->Checked()) return;
    if (mirror::Fmonitor) mirror::Fmonitor->image->show();
    ShareM();
    if (SourceMode == srcText || SourceMode == srcClipboard || SourceMode == srcImages) ClearImage();
    if (mirror::Fmonitor) mirror::Fmonitor->image->update();
    if (SourceMode == srcText) SpeedButton8Click();              // sends the page once and unticks the box
    if (SourceMode == srcClipboard) clipWatchClipboardChanged(); // fetch the clipboard's picture again
}

} // namespace vexmira::app
