#pragma once

#include "mirror/GrabRect.h"

#include <QDialog>
#include <QImage>

class QLabel;

namespace vexmira::capture {

// Inverts the pixels under a rectangle outline three pixels wide (one each side of the edge
// lines) with corners `a` and `b`; each pixel once, so drawing the same outline twice restores
// the picture.
void invertOutline(QImage& picture, QPoint a, QPoint b);

// The picture control of the region window: shows the frozen screenshot 1:1 from its top-left
// corner and reports the mouse in the picture's (device) pixels.
class GrabPicture : public QWidget {
    Q_OBJECT
  public:
    explicit GrabPicture(QWidget* parent) : QWidget(parent) {}
    QImage picture;

  signals:
    void pressed(QPoint at);
    void moved(QPoint at);
    void released(QPoint at);

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

  private:
    QPoint toPicture(QPointF at) const;
};

// The region window: a frozen screenshot of the primary screen on which the user drags the
// rectangle to mirror. The release of the drag writes the rectangle and closes the window;
// closing it otherwise leaves the rectangle as it was.
class TFgrab : public QDialog {
    Q_OBJECT
  public:
    // `GrabRect` is where the dragged rectangle goes.
    TFgrab(mirror::TGrabRect& GrabRect, QWidget* parent = nullptr);

    GrabPicture* ImageGrab;
    QLabel* Label1;
    // The screenshot shown by the next run; the picture control takes a copy when the window
    // becomes active.
    QImage GrabShot;

    // Shows the window over the primary screen until the drag ends or it is closed.
    int exec() override;

    void ImageGrabMouseDown(QPoint at);
    void ImageGrabMouseMove(QPoint at);
    void ImageGrabMouseUp(QPoint at);
    bool isDrawing() const { return drawing_; }

  protected:
    bool event(QEvent* event) override;

  private:
    void DrawShape(QPoint topLeft, QPoint bottomRight);
    mirror::TGrabRect& grabRect_;
    bool drawing_ = false;
    QPoint anchor_, moving_;
};

extern TFgrab* Fgrab;

} // namespace vexmira::capture
