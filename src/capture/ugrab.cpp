#include "ugrab.h"

#include "platform/Capabilities.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <utility>

namespace vexmira::capture {

TFgrab* Fgrab = nullptr;

void invertOutline(QImage& picture, QPoint a, QPoint b) {
    const int left = std::min(a.x(), b.x()), right = std::max(a.x(), b.x());
    const int top = std::min(a.y(), b.y()), bottom = std::max(a.y(), b.y());
    auto invertSpan = [&picture](int y, int from, int to) {
        if (y < 0 || y >= picture.height()) return;
        from = std::max(from, 0);
        to = std::min(to, picture.width() - 1);
        QRgb* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = from; x <= to; ++x)
            row[x] ^= 0x00FFFFFF;
    };
    for (int y = top - 1; y <= bottom + 1; ++y) {
        if (y <= top + 1 || y >= bottom - 1) {
            invertSpan(y, left - 1, right + 1); // a horizontal edge: the whole width
        } else if (left + 1 >= right - 1) {
            invertSpan(y, left - 1, right + 1); // the two vertical edges touch
        } else {
            invertSpan(y, left - 1, left + 1);
            invertSpan(y, right - 1, right + 1);
        }
    }
}

void GrabPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.drawImage(0, 0, picture);
}

// The picture holds device pixels; with a scale factor the mouse moves in larger logical steps.
QPoint GrabPicture::toPicture(QPointF at) const {
    const qreal ratio = devicePixelRatioF();
    return QPoint(static_cast<int>(std::floor(at.x() * ratio)), static_cast<int>(std::floor(at.y() * ratio)));
}

void GrabPicture::mousePressEvent(QMouseEvent* event) {
    emit pressed(toPicture(event->position()));
}
void GrabPicture::mouseMoveEvent(QMouseEvent* event) {
    emit moved(toPicture(event->position()));
}
void GrabPicture::mouseReleaseEvent(QMouseEvent* event) {
    emit released(toPicture(event->position()));
}

TFgrab::TFgrab(mirror::TGrabRect& GrabRect, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), grabRect_(GrabRect) {
    setWindowTitle("Vexmira");
    ImageGrab = new GrabPicture(this);
    ImageGrab->setMouseTracking(true);
    ImageGrab->setCursor(Qt::CrossCursor);
    Label1 = new QLabel(
        "   Hold down the left mouse button on the desktop and drag the mouse to define the bounded "
        "area, and release the button   ",
        this);
    QFont font = Label1->font();
    font.setBold(true);
    font.setPixelSize(13);
    Label1->setFont(font);
    Label1->setStyleSheet("color: white; background: red;");
    Label1->adjustSize();
    Label1->move(32, 40);
    Label1->setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(ImageGrab, &GrabPicture::pressed, this, &TFgrab::ImageGrabMouseDown);
    connect(ImageGrab, &GrabPicture::moved, this, &TFgrab::ImageGrabMouseMove);
    connect(ImageGrab, &GrabPicture::released, this, &TFgrab::ImageGrabMouseUp);
}

int TFgrab::exec() {
    // Over the whole primary monitor, where the screenshot was taken.
    QScreen* primary = QGuiApplication::primaryScreen();
    const QRect area = primary ? primary->geometry() : QRect(0, 0, 640, 480);
    setGeometry(area);
    ImageGrab->setGeometry(0, 0, area.width(), area.height());
    // Where windows cannot be placed (Wayland), full-screen on the primary covers it exactly.
    if (!platform::capabilities().placesWindows && primary) {
        setScreen(primary);
        setWindowState(Qt::WindowFullScreen);
    }
    drawing_ = false;
    return QDialog::exec();
}

bool TFgrab::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && ImageGrab->picture.cacheKey() != GrabShot.cacheKey()) {
        ImageGrab->picture = GrabShot.copy(); // the drawing goes onto a copy; the shot stays clean
        ImageGrab->picture.setDevicePixelRatio(ImageGrab->devicePixelRatioF());
        ImageGrab->update();
    }
    return QDialog::event(event);
}

void TFgrab::DrawShape(QPoint topLeft, QPoint bottomRight) {
    invertOutline(ImageGrab->picture, topLeft, bottomRight);
    const qreal ratio = ImageGrab->devicePixelRatioF();
    const QRectF dirty = QRectF(QRect(topLeft, bottomRight).normalized().adjusted(-2, -2, 3, 3));
    ImageGrab->update(
        QRectF(dirty.topLeft() / ratio, dirty.size() / ratio).toAlignedRect().adjusted(-1, -1, 1, 1));
}

void TFgrab::ImageGrabMouseDown(QPoint at) {
    // The area in use stays whole until the new one is: the mirror goes on showing it meanwhile.
    anchor_ = moving_ = at;
    drawing_ = true;
}

void TFgrab::ImageGrabMouseMove(QPoint at) {
    if (!drawing_) return;
    DrawShape(anchor_, moving_);
    moving_ = at;
    DrawShape(anchor_, moving_);
}

void TFgrab::ImageGrabMouseUp(QPoint at) {
    if (!drawing_) return; // a release without a press in this window (e.g. the click that opened it)
    drawing_ = false;
    grabRect_.Left = std::min(anchor_.x(), at.x());
    grabRect_.Top = std::min(anchor_.y(), at.y());
    grabRect_.Right = std::max(anchor_.x(), at.x());
    grabRect_.Bottom = std::max(anchor_.y(), at.y());
    accept();
}

} // namespace vexmira::capture
