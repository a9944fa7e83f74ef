#pragma once

#include "GrabRect.h"
#include "platform/CursorSource.h"
#include "platform/DamageWatch.h"
#include "platform/ScreenCapture.h"
#include "raster/Bitmap.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vexmira::mirror {

// Which part of the primary screen the desktop source mirrors: the radio group of the desktop
// area choice.
enum DesktopArea { AllDesktop = 0, PartOfDesktop = 1, FollowMouse = 2 };

// What the desktop capture draws onto each frame.
struct CursorOverlaySwitches {
    bool showCursor = false;
    bool showRedPoint = false;
};

// What an update of the live desktop picture changed, in picture pixels.
struct FrameChange {
    bool whole = false;              // a new picture: everything
    std::vector<raster::Rect> parts; // else these rectangles only (none: nothing changed)
    bool any() const { return whole || !parts.empty(); }
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

    // Brings the live picture `frame` up to date, as CaptureDesktop fills it, copying only what
    // the display reports as drawn since the last update (and the pointer overlay where it moved)
    // and leaving out parts whose pixels did not change. The pixels are written in place while
    // no more than `followers` bitmaps (`frame` counted) share them, else into a new picture.
    // A new area, a lost damage report or no damage reports at all take the whole picture.
    // Nothing when no picture could be taken; `frame` is then empty.
    std::optional<FrameChange> UpdateDesktop(raster::Bitmap& frame, int area, const TGrabRect& grab,
                                             CursorOverlaySwitches overlay, long followers);
    // What the display reports as drawn in `source` (desktop pixels) since the last call, in
    // pixels of `source` from its corner, for a mirror that the display scales itself; whole for
    // a new area, a lost damage report or no damage reports at all. The live picture of
    // UpdateDesktop is forgotten (it no longer follows).
    FrameChange takeChange(const raster::Rect& source);

    // Forgets what the display reported as drawn so far, and the live picture of UpdateDesktop:
    // for a caller that takes whole pictures meanwhile, so that only later drawing shows as pending.
    void discardDamage();

    // Whether updates follow damage reports (on by default where the display has them); off,
    // every update takes the whole picture.
    void setFollowDamage(bool on);
    // Whether the last update could follow damage reports (then prefetching whole pictures is
    // of no use).
    bool followsDamage() const { return damage_ != nullptr; }
    // Whether the display reported drawing that no update took yet; true without reports.
    bool damagePending() { return !damage_ || damage_->hasPending(); }
    // What turns readable when the display reports drawing; -1 without reports.
    // Called from the display's event pump when drawing is reported while none was pending;
    // none when empty.
    void onDamageReport(std::function<void()> handler) {
        if (damage_) damage_->onReport(std::move(handler));
    }

    // Starts the copy that the next CaptureDesktop with the same arguments collects, so that the
    // caller can let pending work run while the display copies.
    void PrefetchDesktop(int area, const TGrabRect& grab);

    // The part of the desktop (device pixels) that `area` and `grab` name; nothing for an unknown
    // area or without a display.
    std::optional<raster::Rect> sourceArea(int area, const TGrabRect& grab);

  private:
    struct OverlayState {
        bool drawn = false;
        int x = 0, y = 0;
        std::optional<platform::CursorImage> pointer;
        bool operator==(const OverlayState& other) const;
    };
    OverlayState overlayNow(CursorOverlaySwitches overlay);
    std::optional<std::vector<raster::Rect>> takeDamage();
    bool copyChangedParts(const raster::Rect& source, std::vector<raster::Rect>& parts, long followers);
    void forgetLivePicture();

    std::unique_ptr<platform::ScreenCapture> screen_;
    std::unique_ptr<platform::CursorSource> cursor_;
    std::unique_ptr<platform::DamageWatch> damage_;
    bool followDamage_ = true;
    bool damageTried_ = false;
    // The live picture without the overlay, and the area it shows.
    raster::Bitmap clean_;
    raster::Rect cleanArea_;
    raster::Rect changeArea_; // the area takeChange followed last
    OverlayState overlay_;
    const std::uint8_t* shownBits_ = nullptr; // the pixels of the picture the last update gave
};

// Draws the red point (a dot about 15 pixels across centred on the pointer) and the pointer's
// image (32 x 32, its corner 10 pixels up and left of the pointer, over the dot) onto `frame`,
// whose top-left corner is screen pixel (originX, originY). Parts outside the frame are clipped.
// The frame's pixels are drawn on in place while no more than `followers` other bitmaps share
// them.
void DrawCursorOverlay(raster::Bitmap& frame, int pointerX, int pointerY, int originX, int originY,
                       const platform::CursorImage* cursorImage, CursorOverlaySwitches overlay,
                       long followers = 0);

} // namespace vexmira::mirror
