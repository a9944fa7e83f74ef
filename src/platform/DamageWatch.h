#pragma once

#include "WindowSystem.h"
#include "raster/Geometry.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vexmira::platform {

// Follows what is drawn on the desktop, or into one window, so that a mirror copies and paints
// only what changed. User-interface thread.
class DamageWatch {
  public:
    virtual ~DamageWatch() = default;
    // The rectangles drawn since the last call (desktop pixels; for a window, pixels of the
    // window's frame from its top-left corner). More than `maxRects` are merged into their
    // bounding box. Costs no round trip to the display while nothing was drawn. Nothing when the
    // watch lost track (the window is gone, the connection broke): take everything as changed.
    virtual std::optional<std::vector<raster::Rect>> takeDamage(std::size_t maxRects = 64) = 0;
    // Whether anything was reported since the last takeDamage() (or the watch lost track),
    // reading what has arrived; no round trip.
    virtual bool hasPending() = 0;
    // Called when a report arrives (or the watch loses track) while nothing was pending, from
    // the display's event pump; none when empty. A watch that rests waits on this.
    virtual void onReport(std::function<void()> handler) = 0;
};

// Null when the display has no damage reports.
std::unique_ptr<DamageWatch> watchDesktopDamage();
// Null when the display has no damage reports or the window is gone.
std::unique_ptr<DamageWatch> watchWindowDamage(WindowHandle window);

} // namespace vexmira::platform
