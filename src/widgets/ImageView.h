#pragma once

#include "raster/Bitmap.h"
#include "raster/ScaleGeometry.h"

#include <QImage>
#include <QWidget>
#include <vector>

namespace vexmira::widgets {

// Shows one picture scaled by a scale mode and factor, centred or at the top-left, resampled
// bilinearly, with black around it and no scroll bars. The picture is shared, not copied.
class ImageView : public QWidget {
    Q_OBJECT
  public:
    explicit ImageView(QWidget* parent = nullptr);

    const raster::Bitmap& bitmap() const { return bitmap_; }
    void setBitmap(const raster::Bitmap& bitmap);
    // The same picture as before with only `changed` (picture pixels) drawn anew: only the part
    // of the view they touch is painted again. A different picture is shown whole.
    void setBitmap(const raster::Bitmap& bitmap, const std::vector<raster::Rect>& changed);

    raster::ScaleMode scaleMode() const { return mode_; }
    void setScaleMode(raster::ScaleMode mode);
    double scale() const { return scale_; }
    void setScale(double scale);
    bool centered() const { return centered_; }
    void setCentered(bool on);
    // When on, the view takes the size at which it shows its picture.
    bool autoSize() const { return autoSize_; }
    void setAutoSize(bool on);

    // Where the picture lands in the view now.
    raster::Rect pictureArea() const;
    // Where a picture of `size` would land.
    raster::Rect placementFor(raster::Size size) const;
    // The view's contents as painted: the scaled picture on black, view-sized in device pixels.
    QImage render() const;

  signals:
    // A picture was handed to the view.
    void bitmapSet();

  protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

  private:
    void changed();
    const raster::Bitmap& composed() const;
    bool paintIntoBackingStore(const QRegion& dirty);
    raster::Size viewSize() const { return {width(), height()}; }

    raster::Bitmap bitmap_;
    raster::ScaleMode mode_ = raster::ScaleMode::smResize;
    double scale_ = 1.0;
    bool centered_ = true;
    bool autoSize_ = false;
    mutable raster::Bitmap composed_; // the last rendering, reused
    mutable bool stale_ = true;
    raster::Rect painted_; // where the picture went at the last paint into the backing store
};

// A view of a bitmap as a QImage sharing its pixels; valid while the bitmap lives unchanged.
QImage asQImage(const raster::Bitmap& bitmap);

} // namespace vexmira::widgets
