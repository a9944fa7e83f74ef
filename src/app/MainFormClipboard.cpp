// The clipboard source: every picture put on the clipboard becomes the current picture.
#include "mainunit.h"
#include "raster/Resample.h"
#include "raster/ScaleGeometry.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <cstring>

namespace vexmira::app {

namespace {

// The clipboard's picture, when it holds one.
std::optional<raster::Bitmap> clipboardPicture() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasImage()) return std::nullopt;
    const QImage image = qvariant_cast<QImage>(data->imageData());
    if (image.isNull()) return std::nullopt;
    const bool alpha = image.hasAlphaChannel();
    const QImage pixels = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    raster::Bitmap picture(pixels.width(), pixels.height(), alpha ? 32 : 24);
    for (int y = 0; y < pixels.height(); ++y) std::memcpy(picture.mutableRow(y), pixels.constScanLine(y), std::size_t(pixels.width()) * 4);
    return picture;
}

} // namespace

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
    Timer3zaslon->stop();
    TimerStep->stop();
    cbx1->setChecked(false);
    pd->setText("Preview");
    clipWatch->Enabled = true;
    showPicturePages(xpanel1);
    if (mirror::Fmonitor) mirror::Fmonitor->image->show();
    ClearImage();
}

void TMainForm::clipWatchClipboardChanged() {
    if (SourceMode != srcClipboard) return;
    try {
        const auto picture = clipboardPicture();
        if (!picture) return; // text, files and the like leave the picture as it is
        ClearImage();
        CurrentFrame = *picture;
        if (cbx1->Checked()) ShareM();
        QCoreApplication::processEvents();
        pd->setText("Preview");
        // The preview is fitted into a 407 x 264 box first.
        const raster::Size fit = raster::fitIntoBox(picture->size(), {407, 264});
        raster::Bitmap preview(std::max(fit.width, 1), std::max(fit.height, 1), 24);
        raster::stretchDrawNearest(preview, {0, 0, fit.width, fit.height}, *picture);
        QCoreApplication::processEvents();
        if (previewFed()) slika->setBitmap(preview);
    } catch (...) {
        // A clipboard that cannot be read leaves the pictures as they are.
    }
}

} // namespace vexmira::app
