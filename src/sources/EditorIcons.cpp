#include "EditorIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vexmira::sources {

namespace {

void drawLetter(QPainter& p, const QString& letter, int pixels, bool bold, bool italic, QRect box) {
    QFont font("DejaVu Sans");
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    p.setFont(font);
    p.drawText(box, Qt::AlignCenter, letter);
}

void drawLines(QPainter& p, Qt::Alignment alignment) {
    const int widths[4] = {12, 8, 12, 8};
    for (int i = 0; i < 4; ++i) {
        const int w = widths[i];
        const int x = alignment == Qt::AlignLeft ? 2 : alignment == Qt::AlignRight ? 14 - w : 8 - w / 2;
        p.drawLine(x, 3 + i * 3, x + w, 3 + i * 3);
    }
}

void drawArrow(QPainter& p, bool up) {
    const int tip = up ? 1 : 8;
    const int base = up ? 4 : 5;
    QPainterPath arrow;
    arrow.moveTo(13, tip);
    arrow.lineTo(10, base);
    arrow.lineTo(16, base);
    arrow.closeSubpath();
    p.fillPath(arrow, QColor(0, 100, 200));
}

void drawTextIcon(QPainter& p, EditorIcon icon, const QColor& ink) {
    switch (icon) {
    case EditorIcon::LargerA:
        drawLetter(p, "A", 13, true, false, {0, 2, 11, 14});
        drawArrow(p, true);
        break;
    case EditorIcon::SmallerA:
        drawLetter(p, "A", 9, true, false, {0, 5, 10, 11});
        drawArrow(p, false);
        break;
    case EditorIcon::LetterA:
        drawLetter(p, "A", 12, true, false, {0, 0, 16, 13});
        p.fillRect(2, 13, 12, 3, QColor(220, 0, 0));
        break;
    case EditorIcon::Bold:
        drawLetter(p, "B", 13, true, false, {0, 0, 16, 16});
        break;
    case EditorIcon::Italic:
        drawLetter(p, "I", 13, false, true, {0, 0, 16, 16});
        break;
    case EditorIcon::Underline:
        drawLetter(p, "U", 12, false, false, {0, 0, 16, 14});
        p.drawLine(3, 14, 12, 14);
        break;
    case EditorIcon::AlignLeft:
        drawLines(p, Qt::AlignLeft);
        break;
    case EditorIcon::AlignCentre:
        drawLines(p, Qt::AlignHCenter);
        break;
    case EditorIcon::AlignRight:
        drawLines(p, Qt::AlignRight);
        break;
    case EditorIcon::BulletList:
        for (int i = 0; i < 3; ++i) {
            p.fillRect(2, 3 + i * 4, 2, 2, ink);
            p.drawLine(6, 4 + i * 4, 14, 4 + i * 4);
        }
        break;
    default:
        break;
    }
}

void drawEditIcon(QPainter& p, EditorIcon icon, const QColor& ink) {
    switch (icon) {
    case EditorIcon::Scissors:
        p.drawLine(4, 1, 10, 10);
        p.drawLine(11, 1, 5, 10);
        p.drawEllipse(1, 10, 4, 4);
        p.drawEllipse(10, 10, 4, 4);
        break;
    case EditorIcon::TwoPages:
        p.setBrush(Qt::white);
        p.drawRect(1, 1, 8, 10);
        p.drawRect(6, 4, 8, 10);
        break;
    case EditorIcon::Clipboard:
        p.setBrush(QColor(190, 140, 80));
        p.drawRect(2, 2, 11, 12);
        p.setBrush(Qt::white);
        p.drawRect(4, 4, 7, 9);
        p.fillRect(5, 1, 5, 3, ink);
        break;
    case EditorIcon::CurvedArrow: {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0, 100, 200), 2));
        p.drawArc(3, 4, 10, 9, 0, 180 * 16);
        QPainterPath head;
        head.moveTo(1, 8);
        head.lineTo(6, 8);
        head.lineTo(3, 12);
        head.closeSubpath();
        p.fillPath(head, QColor(0, 100, 200));
        break;
    }
    default:
        drawTextIcon(p, icon, ink);
        break;
    }
}

void draw(QPainter& p, EditorIcon icon) {
    const QColor ink(40, 40, 40);
    p.setPen(QPen(ink, 1));
    switch (icon) {
    case EditorIcon::BlankPage:
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygon({{3, 1}, {10, 1}, {13, 4}, {13, 14}, {3, 14}}));
        p.drawPolyline(QPolygon({{10, 1}, {10, 4}, {13, 4}}));
        break;
    case EditorIcon::OpenFolder:
        p.setBrush(QColor(240, 200, 80));
        p.drawPolygon(QPolygon({{1, 3}, {6, 3}, {7, 5}, {13, 5}, {13, 13}, {1, 13}}));
        p.setBrush(QColor(250, 225, 130));
        p.drawPolygon(QPolygon({{3, 8}, {15, 8}, {13, 13}, {1, 13}}));
        break;
    case EditorIcon::Disk:
    case EditorIcon::DiskWithGrid:
        p.setBrush(QColor(60, 90, 160));
        p.drawRect(1, 1, 13, 13);
        p.fillRect(4, 2, 7, 5, Qt::white);
        p.fillRect(5, 10, 5, 4, QColor(200, 200, 200));
        if (icon == EditorIcon::DiskWithGrid) {
            p.setPen(QColor(220, 40, 40));
            for (int i = 0; i < 3; ++i) {
                p.drawLine(9 + i * 2, 8, 9 + i * 2, 15);
                p.drawLine(8, 9 + i * 2, 15, 9 + i * 2);
            }
        }
        break;
    case EditorIcon::Printer:
        p.setBrush(Qt::white);
        p.drawRect(4, 1, 7, 5);
        p.setBrush(QColor(170, 170, 170));
        p.drawRect(1, 6, 13, 5);
        p.setBrush(Qt::white);
        p.drawRect(4, 10, 7, 4);
        break;
    default:
        drawEditIcon(p, icon, ink);
        break;
    }
}

} // namespace

QIcon editorIcon(EditorIcon icon) {
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing, false);
    draw(p, icon);
    p.end();
    return QIcon(picture);
}

} // namespace vexmira::sources
