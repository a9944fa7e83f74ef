#pragma once

#include "GrabRect.h"

namespace vexmira::mirror {

// Where a region that follows the pointer goes when the pointer is at (x, y) (relative to the
// primary monitor, like the region): it stays while the pointer is more than `margin` pixels
// inside each of its edges, and otherwise moves just far enough to bring the pointer back to
// that margin, so it never moves further than the pointer did. It keeps its size and stays on
// the primary monitor (`screenWidth` x `screenHeight`); a region larger than the monitor keeps
// its top-left corner at the monitor's. A margin of more than half the region's size is taken
// as half of it (the region then centres on the pointer).
TGrabRect followPointer(const TGrabRect& region, int x, int y, int margin, int screenWidth, int screenHeight);

} // namespace vexmira::mirror
