#pragma once

#include "raster/Color.h"

#include <QColor>

namespace vexmira::widgets {

using raster::TColor;

inline QColor toQColor(TColor color) {
    return QColor(raster::redOf(color), raster::greenOf(color), raster::blueOf(color));
}
inline TColor toTColor(const QColor& color) {
    return raster::colorFromRgb(color.red(), color.green(), color.blue());
}
inline QRgb toQRgb(TColor color) {
    return qRgb(raster::redOf(color), raster::greenOf(color), raster::blueOf(color));
}

} // namespace vexmira::widgets
