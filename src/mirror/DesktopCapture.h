#pragma once

#include "GrabRect.h"
#include "platform/CursorSource.h"
#include "platform/ScreenCapture.h"
#include "raster/Bitmap.h"

#include <memory>
#include <optional>

namespace vexmira::mirror {

// Which part of the primary screen the desktop source mirrors: the radio group of the desktop
// area choice.
enum DesktopArea { AllDesktop = 0, PartOfDesktop = 1 };

// What the desktop capture draws onto each frame.
struct CursorOverlaySwitches {
    bool showCursor = false;
    bool showRedPoint = false;
};

// Copies the primary screen, or a rectangle of it, into a picture and draws the cursor overlay.
// The capture and cursor come from the platform layer; either may be missing (no display), and
// then nothing is captured. User-interface thread only.
class DesktopCapture {
  public:
    DesktopCapture(std::unique_ptr<platform::ScreenCapture> screen,
                   std::unique_ptr<platform::CursorSource> cursor);

    // Fills `target` as `area` says (any other value captures nothing): the whole primary
    // monitor, or `grab` (relative to the primary monitor's top-left corner) 1:1; device pixels
    // both. Then the overlay when a switch is on. Returns whether a picture was taken; false
    // leaves `target` empty.
    bool CaptureDesktop(raster::Bitmap& target, int area, const TGrabRect& grab,
                        CursorOverlaySwitches overlay);

    // Starts the copy that the next CaptureDesktop with the same arguments collects, so that the
    // caller can let pending work run while the display copies.
    void PrefetchDesktop(int area, const TGrabRect& grab);

    // The part of the desktop (device pixels) that `area` and `grab` name; nothing for an unknown
    // area or without a display.
    std::optional<raster::Rect> sourceArea(int area, const TGrabRect& grab);

  private:
    std::unique_ptr<platform::ScreenCapture> screen_;
    std::unique_ptr<platform::CursorSource> cursor_;
};

// Draws the red point (a dot about 15 pixels across centred on the pointer) and the pointer's
// image (32 x 32, its corner 10 pixels up and left of the pointer, over the dot) onto `frame`,
// whose top-left corner is screen pixel (originX, originY). Parts outside the frame are clipped.
void DrawCursorOverlay(raster::Bitmap& frame, int pointerX, int pointerY, int originX, int originY,
                       const platform::CursorImage* cursorImage, CursorOverlaySwitches overlay);

} // namespace vexmira::mirror
