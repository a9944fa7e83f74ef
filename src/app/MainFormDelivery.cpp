// The road of a picture: the desktop tick, and the delivery of the current picture to the
// display window.
#include "ExtraSettings.h"
#include "capture/ualldesktop.h"
#include "mainunit.h"
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
    if (source && SourceMode == srcDesktop &&
        serverRoad_->available(display, *source, Overlay.showCursor || Overlay.showRedPoint)) {
        const mirror::FrameChange change = desktop_->takeChange(*source);
        currentPictureStale_ = true;
        return serverRoad_->deliver(display, *slika, previewFed(), *source, change, toDisplay);
    }
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

void TMainForm::uncoverDisplay() {
    serverRoad_->uncover();
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
    serverRoad_->setAllowed(serverScaling);
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
    // Where the clipboard's changes are not seen, Send is when it is read.
    if (SourceMode == srcClipboard && !clipboardSeenInBackground_) clipWatchClipboardChanged();
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
