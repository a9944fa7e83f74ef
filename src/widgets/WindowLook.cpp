#include "WindowLook.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>

namespace vexmira::widgets {

void setBackgroundColour(QWidget* widget, const QColor& colour) {
    widget->setAutoFillBackground(true);
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, colour);
    widget->setPalette(p);
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::ButtonText, colour);
    widget->setPalette(p);
}

void centreOnPrimaryScreen(QWidget* window) {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->geometry().center() - QPoint(window->width() / 2, window->height() / 2));
}

TXiButton* dialogButton(QWidget* parent, const QString& caption, QRect place) {
    auto* b = new TXiButton(parent);
    b->setCaption(caption);
    b->setGeometry(place);
    b->setColorScheme(TXiButton::csNeoSky);
    b->setAutoDefault(false);
    return b;
}

} // namespace vexmira::widgets
