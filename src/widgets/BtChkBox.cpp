#include "BtChkBox.h"

#include "PixelCanvas.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QShortcutEvent>
#include <algorithm>

// The default pictures live in this library's resources, which a static library must register.
static void registerWidgetResources() {
    Q_INIT_RESOURCE(widgets);
}

namespace vexmira::widgets {

namespace {

const char* const defaultGlyphs[3] = {":/widgets/UNCHECKED", ":/widgets/CHECKED", ":/widgets/GRAYED"};

// Image `index` of `count` side by side in `picture`, with the picture's transparent colour (its
// bottom-left pixel) replaced by `background`.
QImage imageOnBackground(const QImage& picture, int index, int count, TColor background) {
    if (picture.isNull()) return picture;
    const int imageWidth = picture.width() / count;
    QImage result = picture.copy(index * imageWidth, 0, imageWidth, picture.height())
                        .convertToFormat(QImage::Format_RGB32);
    const QRgb key = picture.pixel(0, picture.height() - 1) & 0xFFFFFF;
    const QRgb fill = toQRgb(background);
    for (int y = 0; y < result.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x)
            if ((row[x] & 0xFFFFFF) == key) row[x] = fill;
    }
    return result;
}

} // namespace

TBitCheckBox::TBitCheckBox(QWidget* parent)
    : QCheckBox(parent), color_(toTColor(palette().color(QPalette::Button))) {
    resize(97, 17);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    static const bool registered = (registerWidgetResources(), true);
    (void)registered;
    for (TCheckBoxState s : {cbUnchecked, cbChecked, cbGrayed})
        glyphs_[s] = QImage(defaultGlyphs[s]);
}

void TBitCheckBox::setAlignment(TLeftRight alignment) {
    if (alignment_ == alignment) return;
    alignment_ = alignment;
    update();
}

TBitCheckBox::TCheckBoxState TBitCheckBox::State() const {
    switch (checkState()) {
    case Qt::Checked:
        return cbChecked;
    case Qt::PartiallyChecked:
        return cbGrayed;
    default:
        return cbUnchecked;
    }
}

void TBitCheckBox::setState(TCheckBoxState state) {
    if (State() == state) return;
    setCheckState(state == cbChecked  ? Qt::Checked
                  : state == cbGrayed ? Qt::PartiallyChecked
                                      : Qt::Unchecked);
    update();
}

void TBitCheckBox::setColor(TColor color) {
    color_ = color;
    update();
}

void TBitCheckBox::setCtl3D(bool on) {
    ctl3D_ = on;
    update();
}

void TBitCheckBox::setGlyph(TCheckBoxState state, const QImage& glyph) {
    glyphs_[state] = glyph.isNull() ? QImage(defaultGlyphs[state]) : glyph.copy();
    const QImage& picture = glyphs_[state];
    if (!picture.isNull() && picture.height() > 0 && picture.width() % picture.height() == 0)
        numGlyphs_[state] = std::clamp(picture.width() / picture.height(), 1, 2);
    update();
}

void TBitCheckBox::setNumGlyphs(TCheckBoxState state, int count) {
    numGlyphs_[state] = std::clamp(count, 1, 2);
    update();
}

void TBitCheckBox::Toggle() {
    switch (State()) {
    case cbUnchecked:
        setState(allowGrayed_ ? cbGrayed : cbChecked);
        break;
    case cbChecked:
        setState(cbUnchecked);
        break;
    case cbGrayed:
        setState(cbChecked);
        break;
    }
}

void TBitCheckBox::nextCheckState() {
    Toggle();
}

void TBitCheckBox::Click() {
    click();
    if (isVisible() && isEnabled() && focusPolicy() != Qt::NoFocus) setFocus(Qt::OtherFocusReason);
}

QRect TBitCheckBox::captionRect() const {
    const QFontMetrics metrics(font());
    const QImage& picture = glyphs_[State()];
    const int imageWidth = picture.width() / numGlyphs_[State()];
    const int left = alignment_ == taRightJustify ? imageWidth + 4 : 1;
    const QString caption = text();
    int right = left + metrics.horizontalAdvance(caption);
    if (caption.contains('&')) right -= metrics.horizontalAdvance(QStringLiteral("&"));
    const int top = (height() - metrics.height()) / 2 - 2;
    const int bottom = top + metrics.height() + 3;
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).intersected(rect());
}

QImage TBitCheckBox::render() const {
    PixelCanvas canvas(width(), height(), color_);
    const QRect text = captionRect();
    {
        QPainter painter(&canvas.image());
        painter.setFont(font());
        const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
        if (isEnabled()) {
            painter.setPen(palette().color(QPalette::Active, QPalette::WindowText));
        } else {
            if (ctl3D_) {
                painter.setPen(palette().color(QPalette::Active, QPalette::Light));
                painter.drawText(text.translated(1, 1), flags, this->text());
            }
            painter.setPen(palette().color(QPalette::Disabled, QPalette::WindowText));
        }
        painter.drawText(text, flags, this->text());

        const QImage& picture = glyphs_[State()];
        const int count = numGlyphs_[State()];
        const int imageWidth = picture.width() / count;
        const int x = alignment_ == taRightJustify ? 0 : width() - imageWidth;
        const int y = (height() - picture.height()) / 2;
        const int index = !isEnabled() && count == 2 ? 1 : 0;
        painter.drawImage(x, y, imageOnBackground(picture, index, count, color_));
    }
    if (hasFocus()) canvas.dottedFocusRect(text.left(), text.top(), text.right() + 1, text.bottom() + 1);
    return canvas.image();
}

void TBitCheckBox::paintEvent(QPaintEvent*) {
    // No focus juggling here: painting never takes the keyboard focus from anybody.
    QPainter painter(this);
    painter.drawImage(0, 0, render());
}

// The whole box answers the mouse, not only the picture.
bool TBitCheckBox::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

bool TBitCheckBox::event(QEvent* event) {
    if (event->type() == QEvent::Shortcut &&
        static_cast<QShortcutEvent*>(event)->key() == QKeySequence::mnemonic(text())) {
        // The caption's accelerator focuses the box and toggles it, without a click.
        if (isEnabled() && focusPolicy() != Qt::NoFocus) {
            setFocus(Qt::ShortcutFocusReason);
            if (hasFocus()) Toggle();
        }
        return true;
    }
    return QCheckBox::event(event);
}

void TBitCheckBox::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange ||
        event->type() == QEvent::PaletteChange)
        update();
    QCheckBox::changeEvent(event);
}

} // namespace vexmira::widgets
