#include "ImageView.h"

#include "raster/Resample.h"

#include <QPainter>

namespace vexmira::widgets {

QImage asQImage(const raster::Bitmap& bitmap) {
    if (bitmap.isEmpty()) return QImage();
    return QImage(bitmap.bits(), bitmap.width(), bitmap.height(), bitmap.stride(),
                  bitmap.bitDepth() == 32 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

ImageView::ImageView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void ImageView::setBitmap(const raster::Bitmap& bitmap) {
    bitmap_ = bitmap;
    changed();
}

void ImageView::setScaleMode(raster::ScaleMode mode) {
    mode_ = mode;
    changed();
}

void ImageView::setScale(double scale) {
    scale_ = scale;
    changed();
}

void ImageView::setCentered(bool on) {
    centered_ = on;
    changed();
}

void ImageView::setAutoSize(bool on) {
    autoSize_ = on;
    changed();
}

void ImageView::changed() {
    composed_ = raster::Bitmap();
    if (autoSize_ && !bitmap_.isEmpty()) {
        const raster::Size shown = raster::shownSize(mode_, viewSize(), bitmap_.size(), scale_);
        if (shown != viewSize()) resize(shown.width, shown.height);
    }
    update();
}

raster::Rect ImageView::pictureArea() const { return raster::placement(mode_, viewSize(), bitmap_.size(), scale_, centered_); }

const raster::Bitmap& ImageView::composed() const {
    if (composed_.size() != viewSize() || composed_.isEmpty()) {
        composed_ = raster::Bitmap(width(), height(), 24);
        raster::drawBilinear(composed_, pictureArea(), bitmap_);
    }
    return composed_;
}

QImage ImageView::render() const { return asQImage(composed()).copy(); }

void ImageView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, asQImage(composed()));
}

void ImageView::resizeEvent(QResizeEvent*) { composed_ = raster::Bitmap(); }

} // namespace vexmira::widgets
