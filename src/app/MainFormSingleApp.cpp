// The single-application source: the capture dialog, the window picker and the window tick.
#include "ExtraSettings.h"
#include "mainunit.h"
#include "mirror/ucapture.h"
#include "platform/Capabilities.h"
#include "platform/Log.h"
#include "raster/Resample.h"
#include "raster/ScaleGeometry.h"
#include "sources/FileNames.h"

#include <QCoreApplication>
#include <QToolTip>

namespace vexmira::app {

void TMainForm::SpeedButton6Click() {
    if (!mirror::fCapture) return;
    if (!platform::capabilities().windowCapture) {
        // Wayland, for one, keeps every window's pixels from other programs.
        showErrorOver(this, "This desktop does not let programs capture one window; use Part of Desktop.");
        return;
    }
    if (platform::capabilities().windowChooser) {
        chooseSharedWindow();
        return;
    }
    mirror::fCapture->waitForReturn->setChecked(Extras.reattach);
    if (mirror::fCapture->exec() != QDialog::Accepted) return;
    Extras.reattach = mirror::fCapture->waitForReturn->isChecked();
    enterSingleApp(mirror::fCapture->captureMethod());
    pd->setText("Select window to display");

    // A build still filling its thumbnails (this handler runs inside its message pump when the
    // button is pressed again) sees the newer build and stops.
    const int build = ++pickerBuild_;
    delete picker;
    windowTable.clear();
    Panel2->hide();
    picker = new mirror::WindowPicker(Panel2);
    picker->setGeometry(Panel2->rect());
    connect(picker, &mirror::WindowPicker::windowChosen, this, &TMainForm::ImageClick);
    entryCounter = 0;
    if (windows_) {
        windowTable = mirror::listWindows(*windows_);
        if (CaptureMethod == 2) {
            std::vector<platform::WindowHandle> handles;
            for (const mirror::WindowRow& row : windowTable)
                handles.push_back(std::stoull(row.handle));
            windows_->prepareCapture(handles);
        }
    }
    picker->show();
    for (int row = 0; row < static_cast<int>(windowTable.size()); ++row) {
        xadd();
        risiBmp(row);
        QCoreApplication::processEvents();
        if (!pickerBuildGoesOn(build)) break;
    }
    if (pickerBuildGoesOn(build)) Panel2->show();
    if (build == pickerBuild_ && windows_) windows_->releaseCaptures(SelectedWindow);
}

// The source becomes Single Application, with no window chosen yet.
void TMainForm::enterSingleApp(int captureMethod) {
    TrayTipText = "Single Application";
    SourceMenuIndex = 2;
    Cekiraj(SourceMenuIndex);
    moveHighlight(SpeedButton6);
    ClearImage();
    cbx1->setChecked(false);
    showPicturePages(Panel2);
    if (mirror::Fmonitor) mirror::Fmonitor->showPictureView();
    Timer1->stop();
    stopDesktopTicks();
    stopSlideShow();
    CaptureMethod = captureMethod;
    SourceMode = srcSingleApp;
    clipWatch->Enabled = false;
    SelectedWindow = 0;
}

// Where the desktop chooses the window in its own screen-sharing dialog, that dialog takes the
// place of ours and of the picker; cancelled, the source stays as it was.
void TMainForm::chooseSharedWindow() {
    const platform::ScreenConsent consent = platform::askToShareWindow(
        sources::localPath(settingsFilePath()).parent_path() / "WindowSharing.token");
    if (consent.outcome == platform::ScreenConsent::Cancelled) {
        QToolTip::showText(mapToGlobal(QPoint(10, 90)), "No window was shared; the source stays as it was.",
                           this);
        return;
    }
    if (consent.outcome == platform::ScreenConsent::Refused) {
        showErrorOver(this, QString::fromStdString(consent.problem));
        return;
    }
    const std::vector<platform::TopLevelWindow> shared =
        windows_ ? windows_->topLevelWindows() : std::vector<platform::TopLevelWindow>();
    enterSingleApp(2); // the window's own drawing, as the desktop sends it
    ++pickerBuild_;    // a picker still filling stops
    delete picker;
    picker = nullptr;
    windowTable.clear();
    ImageClick(shared.empty() ? platform::WindowHandle(1) : shared.front().handle);
}

// Whether the picker build `build` may go on after pending messages ran: no newer build began,
// the source is still Single Application, and no window has been chosen meanwhile.
bool TMainForm::pickerBuildGoesOn(int build) const {
    return build == pickerBuild_ && SourceMode == srcSingleApp && SelectedWindow == 0 && picker;
}

void TMainForm::xadd() {
    if (!picker || entryCounter >= static_cast<int>(windowTable.size())) return;
    picker->addEntry(windowTable[entryCounter]);
    ++entryCounter;
}

void TMainForm::risiBmp(int row) {
    const int build = pickerBuild_;
    try {
        // A copy: the table may be rebuilt while pending messages run.
        const mirror::WindowRow entry = windowTable.at(row);
        const platform::WindowHandle handle = std::stoull(entry.handle);
        QCoreApplication::processEvents();
        if (!pickerBuildGoesOn(build)) return;
        raster::Bitmap capture;
        if (entry.title != "Program Manager") CaptureWindow(handle, capture);
        QCoreApplication::processEvents();
        if (!pickerBuildGoesOn(build)) return;
        if (mirror::excludedFromPicker(entry, capture.size())) {
            picker->removeEntry(row);
            return;
        }
        picker->setThumbnail(row, capture, handle);
        QCoreApplication::processEvents();
    } catch (...) {
        platform::logCaught("a window's thumbnail cannot be made; the window is left out of the picker");
    }
}

void TMainForm::ImageClick(platform::WindowHandle window) {
    try {
        SelectedWindow = window;
        rememberChosenWindow(window);
        if (windows_) windows_->releaseCaptures(window);
        Panel2->hide();
        xpanel1->show();
        pd->setText("Preview");
        Timer1->start();
    } catch (...) {
        platform::logCaught("the chosen window could not be set up; choosing again works as before");
    }
}

bool TMainForm::CaptureWindow(platform::WindowHandle window, raster::Bitmap& target) {
    if (!windows_) return false;
    const auto method = CaptureMethod == 1 ? platform::WindowCaptureMethod::ScreenArea
                                           : platform::WindowCaptureMethod::OwnDrawing;
    return windows_->captureWindow(window, method, target);
}

void TMainForm::Timer1Timer() {
    Timer1->stop(); // no second tick inside this one
    try {
        const int w = slika->width(), h = slika->height();
        // A window that closes draws nothing more: whether it is still there is asked first.
        if (waitingForWindow_ ? !reattachToReturnedWindow()
                              : SourceMode == srcSingleApp && startWaitingForWindow()) {
            Timer1->start();
            return;
        }
        // The window's own drawing unchanged since its last copy: nothing to do this tick.
        if (CaptureMethod != 1 && SelectedWindow == lastCopiedWindow_ && windows_ &&
            SourceMode == srcSingleApp && CurrentFrame.sharesPixelsWith(lastWindowCopy_) &&
            !windows_->ownDrawingChanged(SelectedWindow)) {
            if (SourceMode == srcSingleApp || SourceMode == srcText) Timer1->start();
            return;
        }
        raster::Bitmap capture;
        lastCopiedWindow_ = CaptureWindow(SelectedWindow, capture) ? SelectedWindow : 0;
        lastWindowCopy_ = capture;
        if (SourceMode == srcSingleApp) CurrentFrame = capture;
        if (cbx1->Checked()) {
            if (mirror::Fmonitor) mirror::Fmonitor->image->update();
            ShareM();
        }
        QCoreApplication::processEvents();
        if (!capture.isEmpty()) {
            const raster::Size fit = raster::fitIntoBox(capture.size(), {w, h});
            raster::Bitmap preview(std::max(fit.width, 1), std::max(fit.height, 1), 24);
            raster::stretchDrawNearest(preview, {0, 0, fit.width, fit.height}, capture);
            QCoreApplication::processEvents();
            if (previewFed()) slika->setBitmap(preview);
        }
    } catch (...) {
        platform::logCaught("the window's picture failed (it may be gone); the next tick tries again");
    }
    QCoreApplication::processEvents();
    if (SourceMode == srcSingleApp || SourceMode == srcText) Timer1->start();
}

} // namespace vexmira::app
