#include "ImageView.h"

#include "raster/Resample.h"

#include <QBackingStore>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

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
    emit bitmapSet();
    const bool sameSize = bitmap.size() == bitmap_.size();
    bitmap_ = bitmap;
    if (!sameSize || autoSize_ || painted_.isEmpty() || pictureArea() != painted_) {
        changed();
        return;
    }
    // A new picture where the last one was: only its area needs painting and showing.
    stale_ = true;
    const raster::Rect visible = painted_.intersected({0, 0, width(), height()});
    update(visible.x, visible.y, visible.width, visible.height);
}

void ImageView::setBitmap(const raster::Bitmap& bitmap, const std::vector<raster::Rect>& changed) {
    const bool samePicture = bitmap.sharesPixelsWith(bitmap_) && bitmap.size() == bitmap_.size();
    if (!samePicture || autoSize_ || painted_.isEmpty() || pictureArea() != painted_) {
        setBitmap(bitmap);
        return;
    }
    emit bitmapSet();
    bitmap_ = bitmap;
    if (changed.empty()) return;
    stale_ = true;
    const raster::Rect visible = painted_.intersected({0, 0, width(), height()});
    QRegion dirty;
    for (const raster::Rect& part : changed) {
        const raster::Rect shown = raster::shownPartOf(part, bitmap_.size(), painted_).intersected(visible);
        if (!shown.isEmpty()) dirty += QRect(shown.x, shown.y, shown.width, shown.height);
    }
    if (!dirty.isEmpty()) update(dirty);
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
    stale_ = true;
    if (autoSize_ && !bitmap_.isEmpty()) {
        const raster::Size shown = raster::shownSize(mode_, viewSize(), bitmap_.size(), scale_);
        if (shown != viewSize()) resize(shown.width, shown.height);
    }
    update();
}

raster::Rect ImageView::pictureArea() const {
    return placementFor(bitmap_.size());
}

raster::Rect ImageView::placementFor(raster::Size size) const {
    // A picture's pixels are the screen's own: with a scale factor it takes fewer of the view's
    // (logical) pixels, and one picture pixel is one pixel on the screen.
    const qreal ratio = devicePixelRatioF();
    if (ratio != 1.0 && size.width > 0 && size.height > 0)
        size = {std::max(1, qRound(size.width / ratio)), std::max(1, qRound(size.height / ratio))};
    return raster::placement(mode_, viewSize(), size, scale_, centered_);
}

namespace {

// Paints `picture` at `area` of `target`, black around it.
void compose(raster::Bitmap& target, const raster::Bitmap& picture, const raster::Rect& area) {
    const raster::Rect inside =
        picture.isEmpty() ? raster::Rect{} : area.intersected({0, 0, target.width(), target.height()});
    const int w = target.width();
    for (int y = 0; y < target.height(); ++y) {
        raster::Bgra* row = target.mutableRow(y);
        if (inside.isEmpty() || y < inside.y || y >= inside.bottom()) {
            std::fill_n(row, w, 0xFF000000u);
            continue;
        }
        std::fill_n(row, inside.x, 0xFF000000u);
        std::fill(row + inside.right(), row + w, 0xFF000000u);
    }
    if (!inside.isEmpty()) raster::drawBilinear(target, area, picture);
}

} // namespace

// The view's contents, redrawn into the same buffer whenever the picture or the view changed.
const raster::Bitmap& ImageView::composed() const {
    // In device pixels: with a scale factor the picture keeps its full resolution on screen.
    const qreal ratio = devicePixelRatioF();
    const raster::Size device{qRound(width() * ratio), qRound(height() * ratio)};
    if (composed_.size() != device) {
        composed_ = raster::Bitmap(device.width, device.height, 24);
        stale_ = true;
    }
    const raster::Rect area = pictureArea();
    if (stale_)
        compose(composed_, bitmap_,
                {qRound(area.x * ratio), qRound(area.y * ratio), qRound(area.width * ratio),
                 qRound(area.height * ratio)});
    stale_ = false;
    return composed_;
}

QImage ImageView::render() const {
    return asQImage(composed()).copy();
}

// Painting goes straight into the window's backing store when that is a plain 32-bit image at
// one device pixel per pixel: the scaled picture is written where it is shown, without an
// intermediate frame and a copy of it. Only the region asked for is written: the toolkit leaves
// out the parts that opaque widgets above the view cover. Anything else paints from the cached
// frame.
bool ImageView::paintIntoBackingStore(const QRegion& dirty) {
    QBackingStore* store = window()->backingStore();
    auto* image = store ? dynamic_cast<QImage*>(store->paintDevice()) : nullptr;
    if (!image || image->devicePixelRatio() != 1.0 ||
        (image->format() != QImage::Format_RGB32 && image->format() != QImage::Format_ARGB32_Premultiplied))
        return false;
    const QPoint at = mapTo(window(), QPoint(0, 0));
    if (!QRect(QPoint(0, 0), image->size()).contains(QRect(at, size()))) return false;
    const raster::Rect area = pictureArea();
    for (const QRect& rect : dirty) {
        const QRect part = rect & this->rect();
        if (part.isEmpty()) continue;
        std::uint8_t* corner = image->bits() + std::ptrdiff_t(at.y() + part.y()) * image->bytesPerLine() +
                               std::ptrdiff_t(at.x() + part.x()) * 4;
        // The store's memory, borrowed for this paint only.
        raster::Bitmap view =
            raster::Bitmap::wrap(std::shared_ptr<std::uint8_t>(std::shared_ptr<void>(), corner), part.width(),
                                 part.height(), static_cast<int>(image->bytesPerLine()), 24);
        compose(view, bitmap_, {area.x - part.x(), area.y - part.y(), area.width, area.height});
    }
    painted_ = area;
    return true;
}

void ImageView::paintEvent(QPaintEvent* event) {
    if (paintIntoBackingStore(event->region())) return;
    painted_ = {};
    QPainter painter(this);
    painter.setClipRegion(event->region());
    QImage frame = asQImage(composed());
    frame.setDevicePixelRatio(devicePixelRatioF());
    painter.drawImage(QPointF(0, 0), frame);
}

void ImageView::resizeEvent(QResizeEvent*) {
    stale_ = true;
    painted_ = {};
}

} // namespace vexmira::widgets
