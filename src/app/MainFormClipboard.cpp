// The clipboard source: every picture put on the clipboard becomes the current picture.
#include "mainunit.h"
#include "raster/Resample.h"
#include "raster/ScaleGeometry.h"
#include "sources/ClipboardPicture.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <cstdio>

namespace vexmira::app {

void TMainForm::SpeedButton2Click() {
    if (SourceMode == srcClipboard) return;
    TrayTipText = "Clipboard";
    SourceMenuIndex = 3;
    Cekiraj(SourceMenuIndex);
    moveHighlight(SpeedButton2);
    ClearImage();
    SourceMode = srcClipboard;
    releaseWindowCaptures();
    Timer1->stop();
    stopDesktopTicks();
    stopSlideShow();
    cbx1->setChecked(false);
    pd->setText("Preview");
    clipWatch->Enabled = true;
    showPicturePages(xpanel1);
    if (mirror::Fmonitor) mirror::Fmonitor->showPictureView();
    ClearImage();
}

void TMainForm::clipWatchClipboardChanged() {
    if (SourceMode != srcClipboard || !clipReader_) return;
    // The picture is fetched away from this thread: an owner that never answers cannot freeze
    // the window. One read at a time; a change during it is read once it ends.
    const bool started = clipReader_->read([this](platform::ClipboardData data) {
        QMetaObject::invokeMethod(
            this, [this, data = std::move(data)] { clipboardPictureArrived(data); }, Qt::QueuedConnection);
    });
    if (!started) clipboardChangedMeanwhile_ = true;
}

void TMainForm::clipboardPictureArrived(const platform::ClipboardData& data) {
    if (clipboardChangedMeanwhile_) {
        clipboardChangedMeanwhile_ = false;
        QTimer::singleShot(0, this, &TMainForm::clipWatchClipboardChanged);
    }
    if (SourceMode != srcClipboard || data.status != platform::ClipboardData::Status::Read) return;
    try {
        const sources::DecodedClipboardPicture decoded = sources::decodeClipboardPicture(data);
        if (!decoded.logLine.empty()) std::fprintf(stderr, "%s\n", decoded.logLine.c_str());
        if (!decoded.problem.empty()) showErrorOver(this, QString::fromStdString(decoded.problem));
        if (!decoded.picture) return; // the picture shown stays
        const raster::Bitmap& picture = *decoded.picture;
        ClearImage();
        CurrentFrame = picture;
        if (cbx1->Checked()) ShareM();
        QCoreApplication::processEvents();
        pd->setText("Preview");
        // The preview is fitted into a 407 x 264 box first.
        const raster::Size fit = raster::fitIntoBox(picture.size(), {407, 264});
        raster::Bitmap preview(std::max(fit.width, 1), std::max(fit.height, 1), 24);
        raster::stretchDrawNearest(preview, {0, 0, fit.width, fit.height}, picture);
        QCoreApplication::processEvents();
        if (previewFed() && SourceMode == srcClipboard) slika->setBitmap(preview);
    } catch (...) {
        // A picture that cannot be shown leaves the pictures as they are.
    }
}

} // namespace vexmira::app
