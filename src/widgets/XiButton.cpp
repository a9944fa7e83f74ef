#include "XiButton.h"

#include "PixelCanvas.h"
#include "XiButtonSchemes.h"

#include <QDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QShortcut>

namespace vexmira::widgets {

namespace {

std::function<void()>& hintPanelHider() {
    static std::function<void()> hider;
    return hider;
}

void hideHintPanel() {
    if (hintPanelHider()) hintPanelHider()();
}

} // namespace

void TXiButton::setHintPanelHider(std::function<void()> hider) {
    hintPanelHider() = std::move(hider);
}

TXiButton::TXiButton(QWidget* parent) : QPushButton(parent) {
    resize(75, 25);
    setFocusPolicy(Qt::StrongFocus); // TabStop
    setAutoDefault(true);            // Enter clicks the focused button, in any window
    setAttribute(Qt::WA_OpaquePaintEvent);
    setColorScheme(csNeoDesert);
    colors_[7] = colors_[13] = colors_[19] = 0xFFFFFF; // the hot, down and disabled gradients start white
    // First of the click's receivers: the dialog's result is set before anybody else hears of it.
    connect(this, &QAbstractButton::clicked, this, &TXiButton::finishClick);
    connect(this, &QAbstractButton::pressed, this, qOverload<>(&QWidget::repaint));
    connect(this, &QAbstractButton::released, this, qOverload<>(&QWidget::repaint));
}

void TXiButton::SetColor(int index, TColor color) {
    if (index >= 0 && index < colorCount) colors_[index] = color;
    scheme_ = csCustom;
    update();
}

void TXiButton::setColorScheme(TColorScheme scheme) {
    scheme_ = scheme;
    if (scheme != csCustom) {
        const XiButtonScheme& table = xiButtonSchemes[scheme];
        for (int i = 0; i < colorCount; ++i)
            if (table.colors[i] != keepColor) SetColor(i, table.colors[i]);
        gradient_ = scheme <= csNeoSun;
    }
    update();
    scheme_ = scheme;
}

void TXiButton::setCtl3D(bool on) {
    ctl3D_ = on, update();
}
void TXiButton::setLayout(TButtonLayout layout) {
    layout_ = layout, update();
}
void TXiButton::setGlyph(const QImage& glyph) {
    glyph_ = glyph.copy(), update();
}
void TXiButton::setSpacing(int spacing) {
    spacing_ = spacing, update();
}
void TXiButton::setTransparentGlyph(bool on) {
    transparentGlyph_ = on, update();
}
void TXiButton::setGradient(bool on) {
    gradient_ = on, update();
}
void TXiButton::setCancel(bool on) {
    if (on == Cancel()) return;
    if (on) {
        cancelKey_ = new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QAbstractButton::click,
                                   Qt::WindowShortcut);
    } else {
        delete cancelKey_;
        cancelKey_ = nullptr;
    }
}

void TXiButton::finishClick() {
    if (auto* dialog = qobject_cast<QDialog*>(window()); dialog && parentWidget() && modalResult_ != 0)
        dialog->done(modalResult_);
    repaint();
}

TXiButton::PaintState TXiButton::paintState() const {
    if (isDown()) return PaintState::Down;
    return hot_ ? PaintState::Hot : PaintState::Normal;
}

TXiButton::ColorSet TXiButton::currentSet() const {
    int first = 0;
    if (!isEnabled())
        first = 18;
    else if (paintState() == PaintState::Hot)
        first = 6;
    else if (paintState() == PaintState::Down)
        first = 12;
    return {colors_[first],     colors_[first + 1], colors_[first + 2],
            colors_[first + 3], colors_[first + 4], colors_[first + 5]};
}

TXiButton::ContentLayout TXiButton::contentLayout() const {
    const int w = width(), h = height();
    const QFontMetrics metrics(font());
    const QString caption = text();
    const int tw = metrics.horizontalAdvance(caption);
    const int th = metrics.height();
    int textX = (w - tw) / 2, textY = (h - th) / 2;
    const bool down = paintState() == PaintState::Down;
    int gx = 0, gy = 0;
    if (!glyph_.isNull()) {
        const int gw = glyph_.width(), gh = glyph_.height(), s = spacing_;
        const int halfUp = s / 2 + s % 2;
        const bool captioned = !caption.isEmpty();
        switch (layout_) {
        case blGlyphLeft:
            gy = (h - gh) / 2, gx = textX - gw / 2, textX += gw / 2;
            if (captioned) gx -= halfUp, textX += s / 2;
            break;
        case blGlyphRight:
            gy = (h - gh) / 2, gx = textX + tw - gw / 2, textX += (-gw) / 2;
            if (captioned) gx += halfUp, textX += (-s) / 2;
            break;
        case blGlyphTop:
            gx = (w - gw) / 2, gy = textY - gh / 2 - gh % 2, textY += gh / 2;
            if (captioned) gy -= halfUp, textY += s / 2;
            break;
        case blGlyphBottom:
            gx = (w - gw) / 2, gy = textY + th - gh / 2, textY += (-gh) / 2;
            if (captioned) gy += halfUp, textY += (-s) / 2;
            break;
        }
        if (down) ++gx, ++gy;
    }
    if (down) ++textX, ++textY;
    return {QPoint(gx, gy), QRect(textX, textY, tw, th)};
}

QImage TXiButton::render() const {
    const int w = width(), h = height();
    const ColorSet set = currentSet();
    PixelCanvas canvas(w, h, set.face);
    if (gradient_ && h >= 0) {
        GradientRunner run(set.face, set.grad, h);
        for (int i = 0; i <= h; ++i, run.advance())
            canvas.polyline({{0, i}, {w, i}}, run.current());
    }

    const ContentLayout layout = contentLayout();
    QPainter painter(&canvas.image());
    if (!glyph_.isNull()) {
        QImage glyph = glyph_.convertToFormat(QImage::Format_ARGB32);
        if (transparentGlyph_) {
            const QRgb key = glyph.pixel(0, 0);
            for (int y = 0; y < glyph.height(); ++y) {
                QRgb* row = reinterpret_cast<QRgb*>(glyph.scanLine(y));
                for (int x = 0; x < glyph.width(); ++x)
                    if ((row[x] & 0xFFFFFF) == (key & 0xFFFFFF)) row[x] = 0;
            }
        }
        painter.drawImage(layout.glyph, glyph);
    }
    if (!text().isEmpty()) {
        painter.setFont(font());
        painter.setPen(toQColor(set.text));
        painter.drawText(layout.text,
                         Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic | Qt::TextDontClip,
                         text());
    }
    painter.end();

    canvas.frameRect(0, 0, w, h, set.border);
    if (ctl3D_) {
        canvas.polyline({{1, h - 2}, {1, 1}, {w - 1, 1}}, set.light);
        canvas.polyline({{w - 2, 1}, {w - 2, h - 2}, {1, h - 2}}, set.dark);
    }
    if (hasFocus()) canvas.frameRect(3, 3, w - 3, h - 3, colors_[24]);
    return canvas.image();
}

void TXiButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, render());
}

void TXiButton::enterEvent(QEnterEvent* event) {
    QPushButton::enterEvent(event);
    if (!hotTrack_) return;
    hot_ = true;
    repaint();
}

void TXiButton::leaveEvent(QEvent* event) {
    QPushButton::leaveEvent(event);
    hideHintPanel();
    hot_ = false;
    repaint();
}

void TXiButton::mouseReleaseEvent(QMouseEvent* event) {
    QPushButton::mouseReleaseEvent(event);
    hideHintPanel();
    hot_ = false; // not hot after a click, until the mouse comes back
    repaint();
}

void TXiButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange) update();
    QPushButton::changeEvent(event);
}

} // namespace vexmira::widgets
