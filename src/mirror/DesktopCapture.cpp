#include "DesktopCapture.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <cstring>

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
    // Without a pointer of our own to draw, the display draws its own, when it is asked for.
    if (!cursor_ && screen_) screen_->setPointerDrawn(overlay.showCursor);
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

namespace {

// The screen pixels the overlay can touch around the pointer: the pointer image's 32 x 32
// square (which holds the red point), with a pixel for smoothing.
raster::Rect overlayArea(int x, int y) {
    return {x - 11, y - 11, 34, 34};
}

long long areaOf(const raster::Rect& r) {
    return static_cast<long long>(r.width) * r.height;
}

// Joins rectangles whose common bounding box adds little area, so that a few copies and paints
// cover what was drawn: the display reports a region as many thin bands.
std::vector<raster::Rect> joinNearby(std::vector<raster::Rect> parts) {
    for (bool joined = true; joined;) {
        joined = false;
        for (std::size_t i = 0; i < parts.size() && !joined; ++i)
            for (std::size_t j = i + 1; j < parts.size() && !joined; ++j) {
                const raster::Rect both = parts[i].united(parts[j]);
                const long long sum = areaOf(parts[i]) + areaOf(parts[j]);
                if (areaOf(both) - sum <= std::max(4096LL, sum / 4)) {
                    parts[i] = both;
                    parts.erase(parts.begin() + static_cast<std::ptrdiff_t>(j));
                    joined = true;
                }
            }
    }
    return parts;
}

// The parts of `damage` (desktop pixels) inside `source`, in pixels of `source`, joined.
std::vector<raster::Rect> partsInside(const std::vector<raster::Rect>& damage, const raster::Rect& source) {
    std::vector<raster::Rect> parts;
    const raster::Rect picture{0, 0, source.width, source.height};
    for (const raster::Rect& drawn : damage) {
        const raster::Rect part =
            raster::Rect{drawn.x - source.x, drawn.y - source.y, drawn.width, drawn.height}.intersected(
                picture);
        if (!part.isEmpty()) parts.push_back(part);
    }
    return joinNearby(std::move(parts));
}

// Copies `part` of `from` into `to` with its corner at (x, y), written in place while no more
// than `followers` other bitmaps share `to`'s pixels.
void copyPart(raster::Bitmap& to, int x, int y, const raster::Bitmap& from, const raster::Rect& part,
              long followers) {
    std::uint8_t* bits = to.mutableBitsFollowedBy(followers);
    for (int row = 0; row < part.height; ++row)
        std::memcpy(bits + std::ptrdiff_t(y + row) * to.stride() + std::ptrdiff_t(x) * 4,
                    from.row(part.y + row) + part.x, std::size_t(part.width) * 4);
}

} // namespace

bool DesktopCapture::OverlayState::operator==(const OverlayState& other) const {
    if (drawn != other.drawn) return false;
    if (!drawn) return true;
    return x == other.x && y == other.y && (pointer.has_value() == other.pointer.has_value()) &&
           (!pointer || (pointer->hotX == other.pointer->hotX && pointer->hotY == other.pointer->hotY &&
                         pointer->image.samePixels(other.pointer->image)));
}

DesktopCapture::OverlayState DesktopCapture::overlayNow(CursorOverlaySwitches overlay) {
    OverlayState state;
    if (!(overlay.showCursor || overlay.showRedPoint) || !cursor_) return state;
    const auto position = cursor_->position();
    if (!position) return state;
    state.drawn = true;
    state.x = position->x;
    state.y = position->y;
    if (overlay.showCursor) {
        state.pointer = cursor_->image();
        if (state.pointer && state.pointer->image.isEmpty()) state.pointer.reset();
    }
    return state;
}

void DesktopCapture::setFollowDamage(bool on) {
    followDamage_ = on;
    changeArea_ = {};
    if (!on) damage_.reset();
    damageTried_ = false;
    forgetLivePicture();
}

void DesktopCapture::forgetLivePicture() {
    clean_ = raster::Bitmap();
    cleanArea_ = {};
    overlay_ = {};
    shownBits_ = nullptr;
}

// Copies the screen's `parts` (picture pixels of `source`) into the clean picture, keeping of
// each only the rows and columns whose pixels differ; false when the screen refused.
bool DesktopCapture::copyChangedParts(const raster::Rect& source, std::vector<raster::Rect>& parts,
                                      long followers) {
    std::vector<raster::Rect> changed;
    for (const raster::Rect& part : parts) {
        raster::Bitmap fresh;
        if (!screen_->capture({source.x + part.x, source.y + part.y, part.width, part.height}, fresh))
            return false;
        int top = part.height, bottom = -1, left = part.width, right = -1;
        for (int y = 0; y < part.height; ++y) {
            const raster::Bgra* now = fresh.row(y);
            const raster::Bgra* before = clean_.row(part.y + y) + part.x;
            if (std::memcmp(now, before, std::size_t(part.width) * 4) == 0) continue;
            int first = 0, last = part.width - 1;
            while (((now[first] ^ before[first]) & 0xFFFFFFu) == 0 && first < last)
                ++first;
            while (((now[last] ^ before[last]) & 0xFFFFFFu) == 0 && last > first)
                --last;
            if (((now[first] ^ before[first]) & 0xFFFFFFu) == 0) continue; // alpha only
            top = std::min(top, y), bottom = y;
            left = std::min(left, first), right = std::max(right, last);
        }
        if (bottom < 0) continue;
        const raster::Rect differs{left, top, right - left + 1, bottom - top + 1};
        copyPart(clean_, part.x + left, part.y + top, fresh, differs, followers);
        changed.push_back({part.x + left, part.y + top, differs.width, differs.height});
    }
    parts = std::move(changed);
    return true;
}

// What the display reports as drawn since the last look; nothing without reports (the watch
// opens at the first look).
std::optional<std::vector<raster::Rect>> DesktopCapture::takeDamage() {
    if (followDamage_ && !damageTried_) {
        damage_ = platform::watchDesktopDamage();
        damageTried_ = true;
    }
    if (!damage_) return std::nullopt;
    return damage_->takeDamage();
}

void DesktopCapture::discardDamage() {
    forgetLivePicture();
    changeArea_ = {};
    takeDamage();
}

FrameChange DesktopCapture::takeChange(const raster::Rect& source) {
    forgetLivePicture();
    const auto damage = takeDamage();
    const bool sameArea = source == changeArea_;
    changeArea_ = source;
    if (!damage || !sameArea) return FrameChange{true, {}};
    return FrameChange{false, partsInside(*damage, source)};
}

std::optional<FrameChange> DesktopCapture::UpdateDesktop(raster::Bitmap& frame, int area,
                                                         const TGrabRect& grab, CursorOverlaySwitches overlay,
                                                         long followers) {
    if (!cursor_ && screen_) screen_->setPointerDrawn(overlay.showCursor);
    const auto chosen = sourceArea(area, grab);
    if (!chosen) {
        frame = raster::Bitmap();
        forgetLivePicture();
        return std::nullopt;
    }
    const raster::Rect source = *chosen;
    changeArea_ = {};
    if (source.isEmpty()) {
        frame = raster::Bitmap();
        forgetLivePicture();
        return FrameChange{true, {}};
    }
    const auto damage = takeDamage();
    const bool overlayOn = overlay.showCursor || overlay.showRedPoint;
    // The frame must be the one the last update gave, with the overlay as it was last time.
    const bool sameFrame =
        overlayOn ? !frame.isEmpty() && frame.bits() == shownBits_ && frame.size() == clean_.size()
                  : frame.sharesPixelsWith(clean_) && !overlay_.drawn;
    if (!damage || clean_.isEmpty() || cleanArea_ != source || !sameFrame) {
        // The whole picture, as a new one.
        forgetLivePicture();
        if (!screen_->capture(source, clean_)) {
            frame = raster::Bitmap();
            clean_ = raster::Bitmap();
            return std::nullopt;
        }
        cleanArea_ = source;
        if (overlayOn) {
            frame = clean_.deepCopy();
            overlay_ = overlayNow(overlay);
            if (overlay_.drawn)
                DrawCursorOverlay(frame, overlay_.x, overlay_.y, source.x, source.y,
                                  overlay_.pointer ? &*overlay_.pointer : nullptr, overlay, 0);
            shownBits_ = frame.bits();
        } else {
            frame = clean_;
            shownBits_ = nullptr;
        }
        if (!damage_) forgetLivePicture(); // nothing to follow: the next update takes it whole again
        return FrameChange{true, {}};
    }
    std::vector<raster::Rect> parts = partsInside(*damage, source);
    const raster::Rect picture{0, 0, source.width, source.height};
    // Without the overlay the views share the clean picture; with it, the clean one is private.
    if (!copyChangedParts(source, parts, overlayOn ? 0 : followers)) {
        frame = raster::Bitmap();
        forgetLivePicture();
        return std::nullopt;
    }
    if (!overlayOn) {
        frame = clean_;
        shownBits_ = nullptr;
        return FrameChange{false, std::move(parts)};
    }
    const OverlayState now = overlayNow(overlay);
    const bool moved = !(now == overlay_);
    const raster::Rect before =
        overlay_.drawn ? overlayArea(overlay_.x - source.x, overlay_.y - source.y) : raster::Rect{};
    const raster::Rect after = now.drawn ? overlayArea(now.x - source.x, now.y - source.y) : raster::Rect{};
    bool underPointer = false;
    for (const raster::Rect& part : parts)
        underPointer = underPointer || !part.intersected(after).isEmpty();
    if (moved || underPointer) {
        if (!before.intersected(picture).isEmpty()) parts.push_back(before.intersected(picture));
        if (!after.intersected(picture).isEmpty()) parts.push_back(after.intersected(picture));
    }
    for (const raster::Rect& part : parts)
        copyPart(frame, part.x, part.y, clean_, part, followers - 1);
    if (now.drawn && (moved || underPointer))
        DrawCursorOverlay(frame, now.x, now.y, source.x, source.y, now.pointer ? &*now.pointer : nullptr,
                          overlay, followers - 1);
    overlay_ = now;
    shownBits_ = frame.bits();
    return FrameChange{false, std::move(parts)};
}

void DrawCursorOverlay(raster::Bitmap& frame, int pointerX, int pointerY, int originX, int originY,
                       const platform::CursorImage* cursorImage, CursorOverlaySwitches overlay,
                       long followers) {
    if (frame.isEmpty()) return;
    QImage canvas(frame.mutableBitsFollowedBy(followers), frame.width(), frame.height(), frame.stride(),
                  QImage::Format_RGB32);
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
