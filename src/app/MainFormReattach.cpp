// A mirrored single window that closes is waited for: the next top-level window of the same
// class from the same program, or one whose title matches the pattern the user gave, takes its
// place, with the same capture method.
#include "ExtraSettings.h"
#include "mainunit.h"
#include "platform/Capabilities.h"

namespace vexmira::app {

void TMainForm::rememberChosenWindow(platform::WindowHandle window) {
    chosenWindow_ = {};
    if (windows_) chosenWindow_.remember(*windows_, window);
}

bool TMainForm::startWaitingForWindow() {
    // A window the desktop shared cannot be found again: the user is told to choose it again.
    if (!Extras.reattach || !windows_ || platform::capabilities().windowChooser ||
        !chosenWindow_.isGone(*windows_, SelectedWindow))
        return false;
    waitingForWindow_ = true;
    if (!waitingMark_) {
        waitingMark_ = new QLabel("window closed, waiting for it to return", Panel1);
        waitingMark_->setAlignment(Qt::AlignCenter);
        waitingMark_->setWordWrap(true);
        waitingMark_->setAutoFillBackground(true);
        QPalette dark = waitingMark_->palette();
        dark.setColor(QPalette::Window, QColor(0x20, 0x3C, 0x64));
        dark.setColor(QPalette::WindowText, QColor(0xE6, 0xFF, 0xFF));
        waitingMark_->setPalette(dark);
        QFont bold = waitingMark_->font();
        bold.setBold(true);
        bold.setPixelSize(15);
        waitingMark_->setFont(bold);
        waitingMark_->setGeometry(0, 90, Panel1->width(), 60);
    }
    waitingMark_->show();
    waitingMark_->raise();
    return true;
}

void TMainForm::endWaitingForWindow() {
    waitingForWindow_ = false;
    if (waitingMark_) waitingMark_->hide();
}

bool TMainForm::reattachToReturnedWindow() {
    if (!windows_) return false;
    const platform::WindowHandle back = chosenWindow_.returned(*windows_, Extras.reattachTitle);
    if (!back) return false;
    endWaitingForWindow();
    if (CaptureMethod == 2) windows_->prepareCapture({back});
    SelectedWindow = back;
    lastCopiedWindow_ = 0; // nothing of the old window's copy or its damage watch carries over
    windows_->releaseCaptures(back);
    return true;
}

} // namespace vexmira::app
