#pragma once

#include "platform/WindowSystem.h"
#include "raster/Bitmap.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace vexmira::mirror {

// Windows of the listed classes painted black in what the display shows of the desktop: their
// places are read at the very moment the picture is taken, so that no frame shows one beside an
// old mask. The preview, which shows the masked windows as they are, is masked in the mirror too
// while a masked window is up and for a second after (it is painted a moment after its frame).
class DesktopMasks {
  public:
    // Takes the picture of `source` (desktop pixels) with `take` while `windows` holds the display
    // still, and notes where the windows of `classes` and the preview at `previewPlace` (desktop
    // pixels; empty when it does not show) lie on it. False when `take` took no picture.
    bool capture(platform::WindowSystem& windows, const std::vector<std::string>& classes,
                 const raster::Rect& source, const raster::Rect& previewPlace,
                 const std::function<bool()>& take);
    // The masked parts of the last picture, in picture pixels.
    const std::vector<raster::Rect>& areas() const { return areas_; }
    // `picture` with `areas` black; the picture itself when there are none.
    static raster::Bitmap applied(const raster::Bitmap& picture, const std::vector<raster::Rect>& areas);

  private:
    std::vector<raster::Rect> areas_;
    std::chrono::steady_clock::time_point previewMaskedUntil_;
};

} // namespace vexmira::mirror
