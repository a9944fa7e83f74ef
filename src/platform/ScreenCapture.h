#pragma once

#include "raster/Bitmap.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace vexmira::platform {

// Copies parts of the desktop (the root window, all monitors) into bitmaps.
class ScreenCapture {
  public:
    virtual ~ScreenCapture() = default;

    // Copies `area` (desktop pixels) into `target`, which becomes a 24-bit picture of the area's
    // size; parts of the area outside the desktop come out black. An area beyond the display's
    // coordinate range (16 bits) is refused. The picture may share memory
    // with the capture (no copy is made); it stays valid and unchanged for as long as it is kept,
    // and the memory is reused once it is released. Returns false, leaving `target` empty, when
    // the display refuses or the area is empty. Call from one thread at a time.
    virtual bool capture(const raster::Rect& area, raster::Bitmap& target) = 0;

    // Starts copying `area` without waiting: the next capture() of the same area collects the
    // picture and waits only for what is left, so the caller can work meanwhile. A copy of the
    // same area already under way is kept; one that no capture collects is dropped by the next
    // prefetch of another area or capture. Transports that cannot copy in the background ignore it.
    virtual void prefetch(const raster::Rect& area) { (void)area; }

    // Whether the pictures hold the pointer, where the display draws it into them itself (a
    // program that draws its own overlay leaves it off). Displays that cannot ignore it.
    virtual void setPointerDrawn(bool drawn) { (void)drawn; }

    // The size of the whole desktop in pixels.
    virtual raster::Size desktopSize() const = 0;

    // The primary monitor's rectangle in desktop (device) pixels, wherever the monitors are laid
    // out; the whole desktop when the display names no primary monitor.
    virtual raster::Rect primaryMonitor() = 0;

    // How pixels travel from the display: "shared memory" or "plain request".
    virtual std::string transport() const = 0;
};

enum class CaptureTransport {
    Fastest,     // shared memory where the display offers it, else plain requests
    PlainRequest // always copy the pixels through the display connection
};

// Opens a capture of the current display. Returns null (after one log line on standard error)
// when there is no display or its pixel format is not 24/32-bit true colour.
std::unique_ptr<ScreenCapture> openScreenCapture(CaptureTransport transport = CaptureTransport::Fastest);

// Whether the user let the program copy the screen, where the desktop asks first.
struct ScreenConsent {
    enum Outcome { Allowed, Cancelled, Refused } outcome = Allowed;
    std::string problem; // for Refused: what went wrong, and what to install where it is missing
};

// Where the desktop asks its user before a program may copy the screen (a screen-sharing dialog),
// asks while nothing is shared yet, and waits for the answer while the event loop runs; the
// desktop's leave to skip the question next time is kept in `permissionFile`. Elsewhere allowed
// at once. User-interface thread.
ScreenConsent askToCopyScreen(const std::filesystem::path& permissionFile);

// Called on the user-interface thread when the desktop stops sharing the screen (the user ended
// it, or its service went away); captures keep giving the last picture.
void onScreenSharingEnded(std::function<void(const std::string& why)> handler);

} // namespace vexmira::platform
