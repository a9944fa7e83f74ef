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

} // namespace vexmira::raster
