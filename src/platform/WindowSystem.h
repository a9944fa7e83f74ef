#pragma once

#include "ScreenCapture.h"

#include "raster/Bitmap.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vexmira::platform {

using WindowHandle = std::uint64_t;

// A top-level window of the desktop as the window list reports it.
struct TopLevelWindow {
    WindowHandle handle = 0;
    std::string className; // UTF-8
    std::string title;     // UTF-8
    long processId = 0;    // 0 when the window does not tell
    bool visible = false;
    bool desktopOrDock = false; // the window manager's desktop background or a panel
    raster::Rect frame;         // desktop pixels, the window manager's frame included
};

// How a single window is copied.
enum class WindowCaptureMethod {
    ScreenArea = 1, // what the screen shows at the window's place, covering windows included
    OwnDrawing = 2  // the window's own drawing, even where other windows cover it
};

// The desktop's top-level windows and the capture of one of them. User-interface thread.
class WindowSystem {
  public:
    virtual ~WindowSystem() = default;
    // Every top-level window, topmost first.
    virtual std::vector<TopLevelWindow> topLevelWindows() = 0;
    // The window's frame rectangle; empty when the window is gone.
    virtual raster::Rect frameOf(WindowHandle window) = 0;
    // Copies the window (frame included) into `target`. False, leaving `target` empty, when the
    // window is gone or cannot be copied.
    virtual bool captureWindow(WindowHandle window, WindowCaptureMethod method, raster::Bitmap& target) = 0;
    // False only when the window's own drawing is known not to have changed since the last
    // call (the display's damage reports), for a window last copied with OwnDrawing.
    virtual bool ownDrawingChanged(WindowHandle window) {
        (void)window;
        return true;
    }
    // The frames of the shown top-level windows whose class is one of `classes`, read at the
    // same moment as `alongside` runs: every other client of the display waits meanwhile, so a
    // picture of the screen taken there shows the windows exactly where the frames say.
    // `alongside` runs once, also when no window is found; it must not wait on another
    // connection to the display.
    virtual std::vector<raster::Rect> framesOfClasses(const std::vector<std::string>& classes,
                                                      const std::function<void()>& alongside) = 0;
    // Starts keeping the windows' own drawing off-screen, so that their first OwnDrawing capture
    // holds all of it, covered parts included. Costs server memory until released.
    virtual void prepareCapture(const std::vector<WindowHandle>& windows) = 0;
    // Stops keeping drawings off-screen, except that of `keep` (0: none).
    virtual void releaseCaptures(WindowHandle keep = 0) = 0;
};

// Null (after one log line) when there is no display.
std::unique_ptr<WindowSystem> openWindowSystem();

// Where the desktop chooses the window itself, in its screen-sharing dialog: asks while no window
// is shared, and waits for the answer while the event loop runs; the chosen window is then the
// one the window list holds. The desktop's leave to skip the question is kept in
// `permissionFile`. Elsewhere allowed at once.
ScreenConsent askToShareWindow(const std::filesystem::path& permissionFile);

// Asks the window manager to leave one of our top-level windows out of the taskbar and the
// pager and, with `onTop`, to keep it above others. A window hidden and shown again in quick
// succession (as changing its border does) can lose the state it asked for while the manager
// lets go of it, so this is asked again once the manager has taken it. Nothing happens without
// a display.
void settleWindowState(WindowHandle window, bool onTop);

} // namespace vexmira::platform
