#include "PixelCanvas.h"

#include "raster/Rounding.h"

#include <algorithm>

namespace vexmira::widgets {

PixelCanvas::PixelCanvas(int width, int height, TColor fill)
    : image_(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32) {
    image_.fill(toQColor(fill));
}

void PixelCanvas::setPixel(int x, int y, TColor color) {
    if (x < 0 || y < 0 || x >= width() || y >= height()) return;
    reinterpret_cast<QRgb*>(image_.scanLine(y))[x] = toQRgb(color);
}

void PixelCanvas::fillRect(int left, int top, int right, int bottom, TColor color) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width());
    bottom = std::min(bottom, height());
    const QRgb value = toQRgb(color);
    for (int y = top; y < bottom; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
        std::fill(row + left, row + std::max(left, right), value);
    }
}

void PixelCanvas::frameRect(int left, int top, int right, int bottom, TColor color) {
    if (right <= left || bottom <= top) return;
    fillRect(left, top, right, top + 1, color);
    fillRect(left, bottom - 1, right, bottom, color);
    fillRect(left, top, left + 1, bottom, color);
    fillRect(right - 1, top, right, bottom, color);
}

void PixelCanvas::line(QPoint from, QPoint to, TColor color) {
    const int dx = (to.x() > from.x()) - (to.x() < from.x());
    const int dy = (to.y() > from.y()) - (to.y() < from.y());
    for (QPoint p = from; p != to; p += QPoint(dx, dy))
        setPixel(p.x(), p.y(), color);
}

void PixelCanvas::polyline(std::initializer_list<QPoint> points, TColor color) {
    const QPoint* previous = nullptr;
    for (const QPoint& point : points) {
        if (previous) line(*previous, point, color);
        previous = &point;
    }
}

void PixelCanvas::dottedFocusRect(int left, int top, int right, int bottom) {
    auto invert = [this](int x, int y) {
        if (x < 0 || y < 0 || x >= width() || y >= height()) return;
        QRgb& p = reinterpret_cast<QRgb*>(image_.scanLine(y))[x];
        p ^= 0x00FFFFFF;
    };
    for (int x = left; x < right; ++x) {
        if ((x - left) % 2 == 0) invert(x, top);
        if ((x - left + bottom - 1 - top) % 2 == 0 && bottom - 1 > top) invert(x, bottom - 1);
    }
    for (int y = top + 1; y < bottom - 1; ++y) {
        if ((y - top) % 2 == 0) invert(left, y);
        if ((right - 1 - left + y - top) % 2 == 0 && right - 1 > left) invert(right - 1, y);
    }
}

GradientRunner::GradientRunner(TColor start, TColor end, int steps)
    : red_(raster::redOf(start)), green_(raster::greenOf(start)), blue_(raster::blueOf(start)),
      stepRed_(steps ? double(raster::redOf(end) - raster::redOf(start)) / steps : 0),
      stepGreen_(steps ? double(raster::greenOf(end) - raster::greenOf(start)) / steps : 0),
      stepBlue_(steps ? double(raster::blueOf(end) - raster::blueOf(start)) / steps : 0) {}

TColor GradientRunner::current() const {
    auto channel = [](double v) { return std::clamp(raster::roundToInt(v), 0, 255); };
    return raster::colorFromRgb(channel(red_), channel(green_), channel(blue_));
}

void GradientRunner::advance() {
    red_ += stepRed_;
    green_ += stepGreen_;
    blue_ += stepBlue_;
}

} // namespace vexmira::widgets
