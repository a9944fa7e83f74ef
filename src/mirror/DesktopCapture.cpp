#include "DesktopCapture.h"

#include <QImage>
#include <QPainter>
#include <cstdlib>

namespace vexmira::mirror {

DesktopCapture::DesktopCapture(std::unique_ptr<platform::ScreenCapture> screen,
                               std::unique_ptr<platform::CursorSource> cursor)
    : screen_(std::move(screen)), cursor_(std::move(cursor)) {}

std::optional<raster::Rect> DesktopCapture::sourceArea(int area, const TGrabRect& grab) {
    if (!screen_ || (area != AllDesktop && area != PartOfDesktop)) return std::nullopt;
    const raster::Rect primary = screen_->primaryMonitor();
    if (area == AllDesktop) return primary;
    const long long left = static_cast<long long>(primary.x) + grab.Left,
                    top = static_cast<long long>(primary.y) + grab.Top;
    const long long width = static_cast<long long>(grab.Right) - grab.Left,
                    height = static_cast<long long>(grab.Bottom) - grab.Top;
    constexpr long long limit = 1LL << 30;
    if (std::llabs(left) > limit || std::llabs(top) > limit || width > limit || height > limit)
        return raster::Rect{};
    return raster::Rect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(width),
                        static_cast<int>(height)};
}

void DesktopCapture::PrefetchDesktop(int area, const TGrabRect& grab) {
    const auto source = sourceArea(area, grab);
    if (source && !source->isEmpty()) screen_->prefetch(*source);
}

bool DesktopCapture::CaptureDesktop(raster::Bitmap& target, int area, const TGrabRect& grab,
                                    CursorOverlaySwitches overlay) {
    const auto chosen = sourceArea(area, grab);
    if (!chosen) return false;
    const raster::Rect source = *chosen;
    if (source.isEmpty()) {
        target = raster::Bitmap(); // a rectangle of no width or height gives an empty picture
        return true;
    }
    if (!screen_->capture(source, target)) return false;
    if ((overlay.showCursor || overlay.showRedPoint) && cursor_) {
        const auto position = cursor_->position();
        if (position) {
            const auto image = overlay.showCursor ? cursor_->image() : std::nullopt;
            DrawCursorOverlay(target, position->x, position->y, source.x, source.y, image ? &*image : nullptr,
                              overlay);
        }
    }
    return true;
}

void DrawCursorOverlay(raster::Bitmap& frame, int pointerX, int pointerY, int originX, int originY,
                       const platform::CursorImage* cursorImage, CursorOverlaySwitches overlay) {
    if (frame.isEmpty()) return;
    QImage canvas(frame.mutableBits(), frame.width(), frame.height(), frame.stride(), QImage::Format_RGB32);
    QPainter painter(&canvas);
    const int x = pointerX - originX;
    const int y = pointerY - originY;
    if (overlay.showRedPoint) {
        painter.setPen(QPen(Qt::red, 5));
        painter.setBrush(Qt::red);
        painter.drawEllipse(QRect(x - 5, y - 5, 10, 10));
    }
    // With no pointer image there is nothing more to draw.
    if (overlay.showCursor && cursorImage && !cursorImage->image.isEmpty()) {
        const raster::Bitmap& image = cursorImage->image;
        const QImage pointer(image.bits(), image.width(), image.height(), image.stride(),
                             QImage::Format_ARGB32_Premultiplied);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(x - 10, y - 10, 32, 32), pointer);
    }
}

} // namespace vexmira::mirror
