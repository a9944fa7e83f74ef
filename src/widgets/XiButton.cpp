#include "XiButton.h"

#include "PixelCanvas.h"
#include "XiButtonSchemes.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QShortcutEvent>

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

TXiButton::TXiButton(QWidget* parent) : QWidget(parent) {
    resize(75, 25);
    setFocusPolicy(Qt::StrongFocus); // TabStop
    setAttribute(Qt::WA_OpaquePaintEvent);
    setColorScheme(csNeoDesert);
    held_ = false;
    colors_[7] = colors_[13] = colors_[19] = 0xFFFFFF; // the hot, down and disabled gradients start white
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
    cancel_ = on, updateDialogKeyWatch();
}
void TXiButton::setDefault(bool on) {
    default_ = on, updateDialogKeyWatch();
}

void TXiButton::setCaption(const QString& caption) {
    caption_ = caption;
    updateMnemonic();
    update();
}

void TXiButton::updateMnemonic() {
    if (mnemonicId_) releaseShortcut(mnemonicId_);
    mnemonicId_ = 0;
    const QKeySequence mnemonic = QKeySequence::mnemonic(caption_);
    if (!mnemonic.isEmpty()) mnemonicId_ = grabShortcut(mnemonic);
}

// Enter for the default button and Esc for the cancel button reach it from anywhere in its
// window, as in a dialog.
void TXiButton::updateDialogKeyWatch() {
    const bool wanted = cancel_ || default_;
    if (wanted == watchingKeys_) return;
    watchingKeys_ = wanted;
    if (wanted)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool TXiButton::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || watched == this) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window() || !isVisible() || !isEnabled()) return false;
    // A focused button handles Enter itself.
    if (qobject_cast<TXiButton*>(widget) && static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape)
        return false;
    return handleDialogKey(static_cast<QKeyEvent*>(event));
}

bool TXiButton::handleDialogKey(QKeyEvent* key) {
    const bool plain = (key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) == 0;
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const bool canFocus = isEnabled() && isVisible() && focusPolicy() != Qt::NoFocus;
    if (((enter && focused_) || (key->key() == Qt::Key_Escape && cancel_)) && plain && canFocus) {
        Click();
        return true;
    }
    if (default_ && enter && canFocus) {
        Click();
        return true;
    }
    return false;
}

void TXiButton::Click() {
    if (parentWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(window()); dialog && modalResult_ != 0)
            dialog->done(modalResult_);
    }
    paintState_ = PaintState::Normal;
    repaint();
    emit clicked();
}

TXiButton::ColorSet TXiButton::currentSet() const {
    int first = 0;
    if (!isEnabled())
        first = 18;
    else if (paintState_ == PaintState::Hot)
        first = 6;
    else if (paintState_ == PaintState::Down)
        first = 12;
    return {colors_[first],     colors_[first + 1], colors_[first + 2],
            colors_[first + 3], colors_[first + 4], colors_[first + 5]};
}

TXiButton::ContentLayout TXiButton::contentLayout() const {
    const int w = width(), h = height();
    const QFontMetrics metrics(font());
    const int tw = metrics.horizontalAdvance(caption_);
    const int th = metrics.height();
    int textX = (w - tw) / 2, textY = (h - th) / 2;
    const bool down = paintState_ == PaintState::Down;
    int gx = 0, gy = 0;
    if (!glyph_.isNull()) {
        const int gw = glyph_.width(), gh = glyph_.height(), s = spacing_;
        const int halfUp = s / 2 + s % 2;
        const bool captioned = !caption_.isEmpty();
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
    if (!caption_.isEmpty()) {
        painter.setFont(font());
        painter.setPen(toQColor(set.text));
        painter.drawText(layout.text,
                         Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic | Qt::TextDontClip,
                         caption_);
    }
    painter.end();

    canvas.frameRect(0, 0, w, h, set.border);
    if (ctl3D_) {
        canvas.polyline({{1, h - 2}, {1, 1}, {w - 1, 1}}, set.light);
        canvas.polyline({{w - 2, 1}, {w - 2, h - 2}, {1, h - 2}}, set.dark);
    }
    if (focused_) canvas.frameRect(3, 3, w - 3, h - 3, colors_[24]);
    return canvas.image();
}

void TXiButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, render());
}

void TXiButton::enterEvent(QEnterEvent*) {
    if (!hotTrack_) return;
    paintState_ = held_ ? PaintState::Down : PaintState::Hot;
    repaint();
}

void TXiButton::leaveEvent(QEvent*) {
    hideHintPanel();
    paintState_ = PaintState::Normal;
    repaint();
}

void TXiButton::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton) return;
    held_ = true;
    paintState_ = PaintState::Down;
    if (focusPolicy() != Qt::NoFocus) setFocus(Qt::MouseFocusReason);
    repaint();
}

void TXiButton::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    const bool clickHere =
        held_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton) held_ = false;
    if (clickHere) Click();
    hideHintPanel();
    paintState_ = PaintState::Normal;
    repaint();
}

void TXiButton::mouseMoveEvent(QMouseEvent* event) {
    QWidget::mouseMoveEvent(event);
    repaint();
}

void TXiButton::focusInEvent(QFocusEvent*) {
    focused_ = true;
    repaint();
}

void TXiButton::focusOutEvent(QFocusEvent*) {
    focused_ = false;
    paintState_ = PaintState::Normal;
    repaint();
}

void TXiButton::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
        if (!event->isAutoRepeat()) paintState_ = PaintState::Down;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Click();
        break;
    case Qt::Key_Escape:
        if (cancel_)
            Click();
        else
            QWidget::keyPressEvent(event);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
    repaint();
}

void TXiButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Space || event->isAutoRepeat()) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    paintState_ = PaintState::Normal;
    repaint();
    Click();
}

bool TXiButton::event(QEvent* event) {
    if (event->type() == QEvent::Shortcut &&
        static_cast<QShortcutEvent*>(event)->shortcutId() == mnemonicId_) {
        if (isEnabled()) Click();
        return true;
    }
    return QWidget::event(event);
}

void TXiButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange) update();
    QWidget::changeEvent(event);
}

} // namespace vexmira::widgets
