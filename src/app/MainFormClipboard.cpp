// The clipboard source: every picture put on the clipboard becomes the current picture.
#include "mainunit.h"
#include "platform/Log.h"
#include "raster/Resample.h"
#include "raster/ScaleGeometry.h"
#include "sources/ClipboardPicture.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>

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

void TMainForm::setClipboardReader(std::unique_ptr<platform::ClipboardReader> reader) {
    clipReader_ = std::move(reader);
    // A reader that sees changes itself sees them while another program has the focus.
    if (clipReader_) clipReader_->onChange([this] { clipWatch->ClipboardChanged(); });
}

namespace {

// What a read of the clipboard gives, decoded and fitted for the preview: work done away from the
// window's thread, so that a large picture never holds the window.
ClipboardDecoding decodeForShowing(const platform::ClipboardData& data) {
    ClipboardDecoding result;
    result.read = data.status == platform::ClipboardData::Status::Read;
    if (!result.read) return result;
    try {
        result.decoded = sources::decodeClipboardPicture(data);
        if (result.decoded.picture) {
            const raster::Bitmap& picture = *result.decoded.picture;
            // The preview is fitted into a 407 x 264 box first.
            const raster::Size fit = raster::fitIntoBox(picture.size(), {407, 264});
            result.preview = raster::Bitmap(std::max(fit.width, 1), std::max(fit.height, 1), 24);
            raster::stretchDrawNearest(result.preview, {0, 0, fit.width, fit.height}, picture);
        }
    } catch (...) {
        platform::logCaught("the clipboard's picture cannot be shown; the pictures stay as they are");
        result.decoded.picture.reset();
    }
    return result;
}

} // namespace

void TMainForm::setClipboardSeenInBackground(bool seen) {
    clipboardSeenInBackground_ = seen;
    if (!seen)
        SpeedButton2->setToolTip(
            "Clipboard: this desktop shows the clipboard to a program only while it has the "
            "focus, so the picture is read when this window gets the focus and on Send");
}

namespace {

// The clipboard as the toolkit gives it, which it can where our window has the focus.
platform::ClipboardData readToolkitClipboard() {
    platform::ClipboardData data;
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime) return data;
    for (const QString& format : mime->formats())
        data.offered.push_back(format.toStdString());
    data.format = platform::pictureFormatToRead(data.offered);
    if (data.format.empty()) {
        data.status = platform::ClipboardData::Status::NoPicture;
        return data;
    }
    const QByteArray bytes = mime->data(QString::fromStdString(data.format));
    data.bytes.assign(bytes.begin(), bytes.end());
    data.status =
        bytes.isEmpty() ? platform::ClipboardData::Status::Failed : platform::ClipboardData::Status::Read;
    return data;
}

} // namespace

void TMainForm::clipWatchClipboardChanged() {
    if (SourceMode != srcClipboard) return;
    if (!clipReader_ && !clipboardSeenInBackground_) {
        clipboardPictureArrived(readToolkitClipboard());
        return;
    }
    if (!clipReader_) return;
    // The picture is fetched and decoded away from this thread: an owner that never answers, or
    // a picture that takes a second to decode, cannot freeze the window. One read at a time; a
    // change during it is read once it ends. The picture shown stays until the new one is ready.
    const bool started = clipReader_->read([this](platform::ClipboardData data) {
        auto decoding = std::make_shared<const ClipboardDecoding>(decodeForShowing(data));
        QMetaObject::invokeMethod(
            this, [this, decoding] { showClipboardPicture(*decoding); }, Qt::QueuedConnection);
    });
    if (!started) clipboardChangedMeanwhile_ = true;
}

void TMainForm::clipboardPictureArrived(const platform::ClipboardData& data) {
    showClipboardPicture(decodeForShowing(data));
}

void TMainForm::showClipboardPicture(const ClipboardDecoding& decoding) {
    if (clipboardChangedMeanwhile_) {
        clipboardChangedMeanwhile_ = false;
        QTimer::singleShot(0, this, &TMainForm::clipWatchClipboardChanged);
    }
    if (SourceMode != srcClipboard || !decoding.read) return;
    const sources::DecodedClipboardPicture& decoded = decoding.decoded;
    if (!decoded.logLine.empty()) std::fprintf(stderr, "%s\n", decoded.logLine.c_str());
    if (!decoded.problem.empty()) showErrorOver(this, QString::fromStdString(decoded.problem));
    if (!decoded.picture) return; // the picture shown stays
    ClearImage();
    CurrentFrame = *decoded.picture;
    if (cbx1->Checked()) ShareM();
    QCoreApplication::processEvents();
    pd->setText("Preview");
    if (previewFed() && SourceMode == srcClipboard) slika->setBitmap(decoding.preview);
}

} // namespace vexmira::app
