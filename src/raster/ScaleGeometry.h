#pragma once

#include "Geometry.h"

namespace vexmira::raster {

// How an image view sizes its picture; the order is the one stored in settings.
enum class ScaleMode { smNormal, smStretch, smScale, smResize, smOptimal, smOptimalScaled };

// The size at which a view of `view` pixels shows a picture of `picture` pixels. Products are
// rounded to the nearest integer, halves to even. An empty picture shows as 0 x 0.
Size shownSize(ScaleMode mode, Size view, Size picture, double scale);

// Where the picture lands in the view: centred (possibly at negative offsets when it is larger
// than the view) or at the top-left corner.
Rect placement(ScaleMode mode, Size view, Size picture, double scale, bool centred);

// The size a picture takes in a box when fitted with whole-pixel arithmetic: a picture wider
// than tall fills the box's width and height x box width div width of its height; any other
// (a square too) fills the box's height. Empty for an empty picture.
Size fitIntoBox(Size picture, Size box);

} // namespace vexmira::raster

namespace vexmira::raster {

// The part of `shown` (where a picture of `pictureSize` is drawn scaled) that a change of
// `changed` (picture pixels) touches, with the margin bilinear sampling reaches; clipped to
// `shown`, empty when nothing there changes.
Rect shownPartOf(const Rect& changed, Size pictureSize, const Rect& shown);

} // namespace vexmira::raster
