#include "XiTrackBar.h"

#include "PixelCanvas.h"
#include "raster/Rounding.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace vexmira::widgets {

namespace {

using raster::roundToInt;

// The colours each scheme sets besides the shared disabled ones, columns csDesert..csSun.
struct SchemeRow {
    int index;
    TColor colors[6];
};
constexpr SchemeRow schemeRows[] = {
    {1, {0x006A9D, 0x1D9A4B, 0x888888, 0xC88D2D, 0x5B5BFF, 0x00A4A4}},
    {10, {0x0082BF, 0x20A452, 0x727272, 0xF47A00, 0x4242FF, 0x0077AA}},
    {11, {0x28B9FF, 0x3ED978, 0xC0C0C0, 0xFFBA75, 0x8282FF, 0x1AD9FB}},
    {12, {0xBBE9FF, 0xC1F4D6, 0xEAEAEA, 0xFFE9D2, 0xC6DBFF, 0xDAFAFE}},
    {20, {0x005B88, 0x126732, 0x616161, 0xC66300, 0x0000D7, 0x004F84}},
    {21, {0x8CDAFF, 0x82E8AA, 0xE1E1E1, 0xFFD9B3, 0x9DC2FF, 0xC6FFFF}},
    {22, {0x0093D9, 0x21AB55, 0xA3A3A3, 0xFF9224, 0x6666FF, 0x00B8E6}},
    {30, {0x005680, 0x156F37, 0x747474, 0xB35900, 0x0000D7, 0x004F84}},
    {31, {0x5ECBFF, 0x7CE7A7, 0xD1D1D1, 0xFFCF9F, 0x8CB8FF, 0x6AFFFF}},
    {32, {0x007BB7, 0x1E954A, 0x959595, 0xF97C00, 0x5151FF, 0x009CC4}},
    {40, {0x005680, 0x156F37, 0x747474, 0xB35900, 0x0000D7, 0x004F84}},
    {41, {0x0083C1, 0x20A251, 0x999999, 0xFF8C1A, 0x6666FF, 0x00B8E6}},
    {42, {0x1AB5FF, 0x5EE193, 0xC1C1C1, 0xFFBF80, 0x8CB8FF, 0x91E9FF}},
};
constexpr std::pair<int, TColor> sharedDisabledColors[] = {
    {2, 0xC0C0C0},  {13, 0xBEBEBE}, {14, 0xD8D8D8}, {15, 0xE8E8E8},
    {16, 0xB5B5B5}, {17, 0xEAEAEA}, {18, 0xCFCFCF},
};

bool validIndex(int index) {
    return index == 0 || index == 1 || index == 2 || (index >= 10 && index <= 18) ||
           (index >= 20 && index <= 22) || (index >= 30 && index <= 32) || (index >= 40 && index <= 42);
}

// Gradient over a rectangle, one line per column (left to right) or per row (top to bottom).
void paintGradient(PixelCanvas& canvas, const QRect& area, TColor start, TColor end, bool acrossColumns) {
    const int n = acrossColumns ? area.width() : area.height();
    GradientRunner run(start, end, n);
    for (int i = 0; i < n; ++i, run.advance()) {
        if (acrossColumns)
            canvas.fillRect(area.left() + i, area.top(), area.left() + i + 1, area.bottom() + 1,
                            run.current());
        else
            canvas.fillRect(area.left(), area.top() + i, area.right() + 1, area.top() + i + 1, run.current());
    }
}

void trimCorners(PixelCanvas& canvas, const QRect& r, TColor back) {
    const int left = r.left(), top = r.top(), right = r.right() + 1, bottom = r.bottom() + 1;
    canvas.setPixel(left, top, back);
    canvas.setPixel(left, bottom - 1, back);
    canvas.setPixel(right - 1, top, back);
    canvas.setPixel(right - 1, bottom - 1, back);
}

QRect fromEdges(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

} // namespace

TXiTrackBar::TXiTrackBar(QWidget* parent) : QWidget(parent) {
    resize(100, 28);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    colors_[BackColorIndex] = toTColor(palette().color(QPalette::Button));
    setColorScheme(csDesert);
}

void TXiTrackBar::SetColor(int index, TColor color) {
    if (validIndex(index)) colors_[index] = color;
    scheme_ = csCustom;
    repaint();
}

void TXiTrackBar::setColorScheme(TColorScheme scheme) {
    scheme_ = scheme;
    if (scheme != csCustom) {
        const int column = scheme - csDesert;
        colors_[BackColorIndex] = toTColor(palette().color(QPalette::Button));
        for (const auto& [index, color] : sharedDisabledColors)
            colors_[index] = color;
        for (const SchemeRow& row : schemeRows)
            colors_[row.index] = row.colors[column];
    }
    update();
}

void TXiTrackBar::setSmoothCorners(bool on) {
    smoothCorners_ = on, repaint();
}
void TXiTrackBar::setFrequency(int frequency) {
    frequency_ = frequency, repaint();
}
void TXiTrackBar::setTickStyle(TTickStyle style) {
    tickStyle_ = style, repaint();
}
void TXiTrackBar::setTickMarks(TTickMark marks) {
    tickMarks_ = marks, repaint();
}
void TXiTrackBar::setOrientation(TTrackBarOrientation orientation) {
    orientation_ = orientation, repaint();
}

void TXiTrackBar::setPosition(int position) {
    position_ = std::clamp(position, min_, std::max(min_, max_));
    repaint();
    emit OnChange();
}

void TXiTrackBar::setMin(int min) {
    min_ = min;
    if (position_ < min) position_ = min;
    repaint();
}

void TXiTrackBar::setMax(int max) {
    max_ = max;
    if (position_ > max) position_ = max;
    repaint();
}

// The thumb follows the position through the travel of the current size, so a position set
// before the first paint, or kept across a resize, shows where it belongs. A range of zero
// keeps the thumb at the start.
int TXiTrackBar::offsetFor(int position, int travel) const {
    const int range = max_ - min_;
    if (range <= 0) return 0;
    return roundToInt(double(travel) / range * (position - min_));
}

TrackBarGeometry TXiTrackBar::geometry() const {
    TrackBarGeometry g;
    const int w = width(), h = height();
    if (orientation_ == trHorizontal) {
        g.thumbLength = h - 8;
        g.thumbWidth = g.thumbLength / 2;
        g.travel = w - g.thumbWidth;
        const int offset = offsetFor(position_, g.travel);
        g.thumb = fromEdges(offset, 4, offset + g.thumbWidth, g.thumbLength + 4);
        const int top = h / 3 + 1;
        g.slide = fromEdges(0, top, w, h - top);
    } else {
        g.thumbLength = w - 8;
        g.thumbWidth = g.thumbLength / 2;
        g.travel = h - g.thumbWidth;
        const int offset = offsetFor(position_, g.travel);
        g.thumb = fromEdges(4, offset, g.thumbLength + 4, offset + g.thumbWidth);
        const int left = w / 3 + 1;
        g.slide = fromEdges(left, 0, w - left, h);
    }
    return g;
}

std::vector<int> TXiTrackBar::tickPositions(bool topOrLeft) const {
    std::vector<int> positions;
    const int range = max_ - min_;
    if (range < 0 || tickStyle_ == tsNone) return positions;
    const TrackBarGeometry g = geometry();
    for (int i = 0; i <= range; ++i) {
        const bool wanted = (tickStyle_ != tsManual || i == 0 || i == range) &&
                            (i == range || frequency_ == 0 || i % frequency_ == 0);
        if (!wanted) continue;
        const double along = range == 0 ? 0.0 : double(i) * g.travel / range;
        if (orientation_ == trHorizontal && topOrLeft)
            positions.push_back(roundToInt(along + g.thumbWidth / 2.0));
        else
            positions.push_back(roundToInt(along) + g.thumbWidth / 2);
    }
    return positions;
}

QImage TXiTrackBar::render() const {
    const bool enabled = isEnabled();
    const int w = width(), h = height();
    const TColor back = colors_[BackColorIndex];
    int thumbBase = ThumbBorderColorIndex;
    if (!enabled)
        thumbBase = DisabledThumbBorderColorIndex;
    else if (thumbState_ == ThumbState::Hot)
        thumbBase = OverThumbBorderColorIndex;
    else if (thumbState_ == ThumbState::Down)
        thumbBase = DownThumbBorderColorIndex;
    const int slideBase = enabled ? SlideBorderColorIndex : DisabledSlideBorderColorIndex;
    const TColor tick = colors_[enabled ? TickColorIndex : DisabledTickColorIndex];

    PixelCanvas canvas(w, h, back);
    const TrackBarGeometry g = geometry();
    const bool horizontal = orientation_ == trHorizontal;
    paintGradient(canvas, g.slide, colors_[slideBase + 1], colors_[slideBase + 2], !horizontal);
    canvas.frameRect(g.slide.left(), g.slide.top(), g.slide.right() + 1, g.slide.bottom() + 1,
                     colors_[slideBase]);
    if (smoothCorners_) trimCorners(canvas, g.slide, back);
    paintGradient(canvas, g.thumb, colors_[thumbBase + 1], colors_[thumbBase + 2], horizontal);
    canvas.frameRect(g.thumb.left(), g.thumb.top(), g.thumb.right() + 1, g.thumb.bottom() + 1,
                     colors_[thumbBase]);
    if (smoothCorners_) trimCorners(canvas, g.thumb, back);

    const bool marksTopLeft = tickMarks_ == tmTopLeft || tickMarks_ == tmBoth;
    const bool marksBottomRight = tickMarks_ == tmBottomRight || tickMarks_ == tmBoth;
    if (horizontal) {
        if (marksTopLeft)
            for (int x : tickPositions(true))
                canvas.polyline({{x, 0}, {x, 3}}, tick);
        if (marksBottomRight)
            for (int x : tickPositions(false))
                canvas.polyline({{x, h - 3}, {x, h}}, tick);
    } else {
        for (int y : tickPositions(false)) {
            if (marksTopLeft) canvas.polyline({{0, y}, {3, y}}, tick);
            if (marksBottomRight) canvas.polyline({{w - 3, y}, {w, y}}, tick);
        }
    }
    return canvas.image();
}

void TXiTrackBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, render());
}

bool TXiTrackBar::insideThumb(QPoint p) const {
    const QRect t = geometry().thumb; // borders excluded
    return p.x() > t.left() && p.x() < t.right() + 1 && p.y() > t.top() && p.y() < t.bottom() + 1;
}

void TXiTrackBar::mousePressEvent(QMouseEvent* event) {
    if (!isEnabled()) return;
    if (insideThumb(event->position().toPoint())) thumbState_ = ThumbState::Down;
    repaint();
}

void TXiTrackBar::mouseMoveEvent(QMouseEvent* event) {
    if (!isEnabled()) return;
    const QPoint p = event->position().toPoint();
    if (thumbState_ != ThumbState::Down) {
        thumbState_ = insideThumb(p) ? ThumbState::Hot : ThumbState::Normal;
    } else {
        const TrackBarGeometry g = geometry();
        const int offset = std::clamp(orientation_ == trVertical ? p.y() - 5 : p.x() - g.thumbWidth / 2, 0,
                                      std::max(g.travel, 0));
        const int range = max_ - min_;
        if (range > 0 && g.travel > 0) position_ = min_ + roundToInt(double(range) * offset / g.travel);
        emit OnChange(); // the thumb snaps to the step of the new position when it paints
    }
    repaint();
}

void TXiTrackBar::mouseReleaseEvent(QMouseEvent* event) {
    if (!isEnabled()) return;
    thumbState_ = insideThumb(event->position().toPoint()) ? ThumbState::Hot : ThumbState::Normal;
    repaint();
}

void TXiTrackBar::enterEvent(QEnterEvent*) {
    repaint();
}

void TXiTrackBar::leaveEvent(QEvent*) {
    if (!isEnabled() || thumbState_ == ThumbState::Down) return;
    thumbState_ = ThumbState::Normal;
    repaint();
}

void TXiTrackBar::resizeEvent(QResizeEvent*) {
    update();
}

void TXiTrackBar::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) update();
    QWidget::changeEvent(event);
}

} // namespace vexmira::widgets
