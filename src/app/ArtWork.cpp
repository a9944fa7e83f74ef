#include "ArtWork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace vexmira::app {

namespace {

constexpr QRgb transparentKey = 0xFFFF00FF;

// A triangle whose upright base runs down from (baseX, top) for `height` and whose tip lies at
// `tipX`, half way down.
QPainterPath triangle(int baseX, int top, int tipX, int height) {
    QPainterPath path;
    path.moveTo(baseX, top);
    path.lineTo(tipX, top + height / 2);
    path.lineTo(baseX, top + height);
    path.closeSubpath();
    return path;
}

void drawControlGlyph(QPainter& p, Glyph glyph, const QColor& ink) {
    switch (glyph) {
    case Glyph::Send: { // an arrow to the right
        QPainterPath arrow;
        arrow.moveTo(3, 9);
        arrow.lineTo(13, 9);
        arrow.lineTo(13, 4);
        arrow.lineTo(21, 12);
        arrow.lineTo(13, 20);
        arrow.lineTo(13, 15);
        arrow.lineTo(3, 15);
        arrow.closeSubpath();
        p.fillPath(arrow, ink);
        break;
    }
    case Glyph::Menu:
        for (int i = 0; i < 3; ++i)
            p.fillRect(2, 3 + 4 * i, 12, 2, ink);
        break;
    case Glyph::Close:
        p.drawLine(3, 3, 12, 12);
        p.drawLine(12, 3, 3, 12);
        break;
    case Glyph::FirstSlide:
        p.fillRect(5, 6, 3, 12, ink);
        p.fillPath(triangle(19, 6, 9, 12), ink);
        break;
    case Glyph::PreviousSlide:
        p.fillPath(triangle(12, 6, 4, 12), ink);
        p.fillPath(triangle(20, 6, 12, 12), ink);
        break;
    case Glyph::PlaySlides:
        p.fillPath(triangle(7, 5, 19, 12), ink);
        break;
    case Glyph::NextSlide:
        p.fillPath(triangle(4, 6, 12, 12), ink);
        p.fillPath(triangle(12, 6, 20, 12), ink);
        break;
    case Glyph::LastSlide:
        p.fillPath(triangle(5, 6, 15, 12), ink);
        p.fillRect(16, 6, 3, 12, ink);
        break;
    case Glyph::PauseSlides:
        p.fillRect(7, 6, 4, 12, ink);
        p.fillRect(13, 6, 4, 12, ink);
        break;
    case Glyph::SetUpSlides: // a list
        for (int i = 0; i < 4; ++i) {
            p.fillRect(4, 5 + 4 * i, 2, 2, ink);
            p.fillRect(8, 5 + 4 * i, 12, 2, ink);
        }
        break;
    default:
        break;
    }
}

void drawGlyph(QPainter& p, Glyph glyph) {
    const QColor ink(40, 40, 40);
    p.setPen(QPen(ink, 2));
    p.setBrush(Qt::NoBrush);
    switch (glyph) {
    case Glyph::Stop:
        p.fillRect(6, 6, 12, 12, ink);
        break;
    case Glyph::Desktop: // a monitor on its stand
        p.drawRect(3, 4, 18, 12);
        p.drawLine(12, 17, 12, 19);
        p.drawLine(7, 20, 17, 20);
        break;
    case Glyph::SingleApplication: // a window with its title bar
        p.drawRect(3, 4, 18, 16);
        p.fillRect(3, 4, 19, 4, ink);
        break;
    case Glyph::Clipboard:
        p.drawRect(5, 5, 14, 16);
        p.fillRect(9, 3, 6, 4, ink);
        p.drawLine(8, 11, 16, 11);
        p.drawLine(8, 15, 16, 15);
        break;
    case Glyph::Images: { // a landscape in a frame
        p.drawRect(3, 5, 18, 14);
        QPainterPath hills;
        hills.moveTo(4, 19);
        hills.lineTo(10, 11);
        hills.lineTo(14, 15);
        hills.lineTo(16, 13);
        hills.lineTo(21, 19);
        p.fillPath(hills, ink);
        p.fillRect(16, 7, 3, 3, ink);
        break;
    }
    case Glyph::Text:
        p.fillRect(5, 4, 14, 3, ink);
        p.fillRect(10, 4, 4, 16, ink);
        break;
    case Glyph::ScrollText: // a line of text with arrows
        p.drawLine(3, 12, 21, 12);
        p.drawLine(3, 12, 7, 8);
        p.drawLine(3, 12, 7, 16);
        p.drawLine(21, 12, 17, 8);
        p.drawLine(21, 12, 17, 16);
        break;
    case Glyph::Options: // sliders
        for (int i = 0; i < 3; ++i) {
            p.drawLine(4, 6 + 6 * i, 20, 6 + 6 * i);
            p.fillRect(6 + 5 * i, 4 + 6 * i, 4, 5, ink);
        }
        break;
    default:
        drawControlGlyph(p, glyph, ink);
        break;
    }
}

} // namespace

QImage glyphImage(Glyph glyph) {
    const int size = glyph == Glyph::Menu || glyph == Glyph::Close ? 16 : 24;
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(transparentKey);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false); // no blending into the transparent colour
    drawGlyph(painter, glyph);
    return image;
}

QImage trayPicture(bool running) {
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x30, 0x34, 0x3C), 2));
    painter.setBrush(QColor(0x90, 0x98, 0xA4));
    painter.drawRoundedRect(QRectF(2, 6, 13, 11), 2, 2);
    painter.setBrush(running ? QColor(0x00, 0x80, 0xFF) : QColor(0x50, 0x54, 0x5C));
    painter.drawRoundedRect(QRectF(16, 6, 14, 11), 2, 2);
    painter.drawLine(QPointF(8.5, 18), QPointF(8.5, 22));
    painter.drawLine(QPointF(23, 18), QPointF(23, 22));
    if (running) { // a play mark on the lit one
        QPainterPath play;
        play.moveTo(21, 9);
        play.lineTo(26, 11.5);
        play.lineTo(21, 14);
        play.closeSubpath();
        painter.fillPath(play, Qt::white);
    } else {
        painter.fillRect(QRectF(20.5, 9.5, 5, 4), QColor(0xC8, 0x30, 0x30));
    }
    painter.setPen(QPen(QColor(0x30, 0x34, 0x3C), 2));
    painter.drawLine(QPointF(4, 24), QPointF(28, 24));
    return image;
}

QImage trayIllustration() {
    QImage image(402, 207, QImage::Format_RGB32);
    image.fill(QColor(0xF2, 0xF4, 0xF7));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // a desktop with its panel along the bottom and the tray at the right end
    painter.fillRect(QRect(0, 0, 402, 160), QColor(0x3A, 0x6E, 0xA5));
    painter.fillRect(QRect(0, 160, 402, 47), QColor(0x22, 0x26, 0x2C));
    painter.fillRect(QRect(250, 168, 144, 31), QColor(0x33, 0x38, 0x40));
    painter.drawImage(QPoint(300, 168), trayPicture(false));
    painter.setPen(QPen(QColor(0xFF, 0xB0, 0x00), 3));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(316, 184), 24, 20);
    // an arrow pointing at it
    QPainterPath arrow;
    arrow.moveTo(220, 60);
    arrow.cubicTo(280, 70, 305, 110, 310, 150);
    painter.drawPath(arrow);
    QPainterPath head;
    head.moveTo(302, 140);
    head.lineTo(311, 158);
    head.lineTo(320, 141);
    painter.drawPath(head);
    QFont font = painter.font();
    font.setPixelSize(16);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(16, 30, 220, 60), Qt::AlignLeft | Qt::TextWordWrap, "Vexmira waits here");
    return image;
}

raster::Bitmap logoPicture() {
    raster::Bitmap logo(386, 243, 24);
    QImage canvas(logo.mutableBits(), logo.width(), logo.height(), logo.stride(), QImage::Format_RGB32);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient field(0, 0, 0, 243);
    field.setColorAt(0, QColor(0x30, 0x34, 0x3C));
    field.setColorAt(1, QColor(0x14, 0x16, 0x1A));
    painter.fillRect(canvas.rect(), field);
    // two monitors, the second lit
    painter.setPen(QPen(QColor(0xB0, 0xB8, 0xC4), 3));
    painter.setBrush(QColor(0x22, 0x26, 0x2C));
    painter.drawRoundedRect(QRect(93, 50, 90, 60), 4, 4);
    painter.setBrush(QColor(0x00, 0x80, 0xFF));
    painter.drawRoundedRect(QRect(203, 50, 90, 60), 4, 4);
    painter.drawLine(138, 112, 138, 122);
    painter.drawLine(248, 112, 248, 122);
    QFont font = painter.font();
    font.setPixelSize(36);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0xFF, 0xFF, 0xE6));
    painter.drawText(QRect(0, 140, 386, 50), Qt::AlignCenter, "Vexmira");
    font.setPixelSize(13);
    font.setBold(false);
    painter.setFont(font);
    painter.setPen(QColor(0xA0, 0xA8, 0xB4));
    painter.drawText(QRect(0, 190, 386, 24), Qt::AlignCenter, "your picture on the second monitor");
    return logo;
}

} // namespace vexmira::app
