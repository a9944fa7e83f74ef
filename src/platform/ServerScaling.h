#pragma once

#include "WindowSystem.h"
#include "raster/Bitmap.h"

#include <memory>
#include <vector>

namespace vexmira::platform {

// Has the display scale parts of the desktop itself, with bilinear filtering, onto a window of
// ours or into a picture read back, so that the pixels of a mirrored frame need not pass through
// this program. User-interface thread.
class ServerScaler {
  public:
    virtual ~ServerScaler() = default;

    // `source` (desktop pixels) scaled to `size`, read back into `target` (24-bit). False, leaving
    // `target` empty, when the display refuses.
    virtual bool scaled(const raster::Rect& source, raster::Size size, raster::Bitmap& target) = 0;

    // Shows a window of ours over `area` (pixels of `parent`) of the native window `parent`; it
    // shows what draw() puts there, whatever the parent paints below it. Moved when called again.
    virtual void cover(WindowHandle parent, const raster::Rect& area) = 0;
    // Takes the cover away; the parent's own painting shows again.
    virtual void uncover() = 0;
    virtual bool covering() const = 0;
    // True when the cover must be drawn whole: new, moved, resized or uncovered by another window.
    virtual bool needsDrawing() = 0;
    // Draws `source` (desktop pixels) scaled into `picture` (pixels of the cover), black around
    // it. With `changed` (pixels of `source` from its corner), only the part of the picture they
    // reach; the whole cover when null or when it needs it. At most one frame is in flight: this
    // first waits until the display has drawn the previous one.
    virtual void draw(const raster::Rect& source, const raster::Rect& picture,
                      const std::vector<raster::Rect>* changed) = 0;
    // Waits until the display has drawn everything asked for.
    virtual void finish() = 0;
};

// Null when the display cannot scale (no RENDER, or a pixel format we do not read).
std::unique_ptr<ServerScaler> openServerScaler();

} // namespace vexmira::platform
