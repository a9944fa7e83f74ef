#pragma once

#include "raster/Bitmap.h"

#include <memory>
#include <optional>

namespace vexmira::platform {

struct CursorPosition {
    int x = 0;
    int y = 0;
};

// The pointer's current image. Its pixels are premultiplied alpha (ready to draw "over");
// (hotX, hotY) is the pixel of the image that sits at the pointer position.
struct CursorImage {
    raster::Bitmap image;
    int hotX = 0;
    int hotY = 0;
};

// The mouse pointer of the display.
class CursorSource {
  public:
    virtual ~CursorSource() = default;
    // Desktop coordinates of the pointer; nothing when the display cannot tell.
    virtual std::optional<CursorPosition> position() = 0;
    // The image the pointer shows now; nothing when there is none or the display cannot tell.
    virtual std::optional<CursorImage> image() = 0;
};

// Returns null (after one log line) when there is no display.
std::unique_ptr<CursorSource> openCursorSource();

} // namespace vexmira::platform
