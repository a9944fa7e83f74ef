#pragma once

#include "QtColor.h"

#include <QImage>
#include <QPoint>
#include <initializer_list>

namespace vexmira::widgets {

// Pixel-exact drawing on an off-screen image with the conventions of a classic canvas: a line
// leaves out its end point, a rectangle outline covers left..right-1 and top..bottom-1, and
// gradients advance a running colour line by line. Everything is clipped to the image.
class PixelCanvas {
  public:
    PixelCanvas(int width, int height, TColor fill);

    QImage& image() { return image_; }
    int width() const { return image_.width(); }
    int height() const { return image_.height(); }

    void setPixel(int x, int y, TColor color);
    void fillRect(int left, int top, int right, int bottom, TColor color);
    // Outline of the rectangle with a one-pixel pen, inside unchanged.
    void frameRect(int left, int top, int right, int bottom, TColor color);
    // Horizontal or vertical segments through the points, each leaving out its end point, so
    // the last point of the whole line stays undrawn.
    void polyline(std::initializer_list<QPoint> points, TColor color);
    // Inverts every other pixel of the outline (the dotted focus rectangle).
    void dottedFocusRect(int left, int top, int right, int bottom);

  private:
    void line(QPoint from, QPoint to, TColor color);

    QImage image_;
};

// Start + (end - start) * i / n per channel for line i, accumulated in floating point and
// rounded to the nearest with ties to even, exactly as the widgets paint their gradients.
class GradientRunner {
  public:
    GradientRunner(TColor start, TColor end, int steps);
    TColor current() const;
    void advance();

  private:
    double red_, green_, blue_;
    double stepRed_, stepGreen_, stepBlue_;
};

} // namespace vexmira::widgets
