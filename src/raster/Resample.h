#pragma once

#include "Bitmap.h"

namespace vexmira::raster {

// Draws `source` stretched onto `destination` of `target` by picking the nearest source pixel
// (the plain stretch of a canvas). Parts of `destination` outside `target` are clipped.
void stretchDrawNearest(Bitmap& target, const Rect& destination, const Bitmap& source);

// Draws `source` scaled onto `destination` of `target` with bilinear filtering: each target pixel
// centre is mapped back into the source and the four nearest source pixels are blended. A 1:1
// destination copies the pixels exactly. Parts outside `target` are clipped.
void drawBilinear(Bitmap& target, const Rect& destination, const Bitmap& source);

// A new picture of `size` holding `source` scaled bilinearly.
Bitmap resampleBilinear(const Bitmap& source, Size size);

// Copies `source` 1:1 into `target` with its top-left corner at (x, y), clipped.
void drawCopy(Bitmap& target, int x, int y, const Bitmap& source);

} // namespace vexmira::raster
