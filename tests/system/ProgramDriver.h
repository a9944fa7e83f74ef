#pragma once

#include "raster/Bitmap.h"

#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vexmira::testing {

// Runs `command` through the shell; returns its standard output.
std::string shell(const std::string& command);

// A copy of `area` of the rig's screen as it is now.
raster::Bitmap grabScreen(const raster::Rect& area);

// The real program, started on the rig's display for one test and ended with it.
class RunningProgram {
  public:
    // Starts with `settings` as its settings file, or with none when it is empty, and with the
    // `NAME=value` entries of `environment` added to its environment. Unless `startupNotice`,
    // the settings turn the start-up notice off (and a file is written for that).
    // `prepare` runs just before the start, after the settings file is written.
    explicit RunningProgram(const std::string& settings = "",
                            const std::vector<std::string>& environment = {}, bool startupNotice = false,
                            const std::function<void()>& prepare = {});
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool isRunning() const;
    // A visible top-level window titled "Vexmira" whose inside is `size`; waits up to `seconds`.
    std::optional<raster::Rect> waitForWindow(raster::Size size, double seconds = 10) const;
    // The control window (433 x 278), once it shows.
    raster::Rect controlWindow() const;
    // The X window id of a visible "Vexmira" window whose inside is `size`.
    std::optional<std::string> windowId(raster::Size size) const;
    // Waits up to `seconds` for the program to end by itself; true when it did.
    bool waitForExit(double seconds);
    // The program the tests start: a copy of the build's own in a folder of this test process,
    // unless a test points VEXMIRA_PROGRAM at a copy of its own.
    static std::string programPath();
    // The settings file the program reads and writes, beside that copy.
    static std::string settingsPath();
    // Its process id.
    pid_t pid() const { return pid_; }
    // The exit status once it ended by itself (waitForExit), -1 before or when it was killed.
    int exitStatus() const { return status_; }

  private:
    pid_t pid_ = -1;
    int status_ = -1;
};

// A tray host (trayer) on the rig's primary monitor while the object lives.
class TrayHost {
  public:
    TrayHost();
    ~TrayHost();
    TrayHost(const TrayHost&) = delete;
    TrayHost& operator=(const TrayHost&) = delete;
    // The icons it holds now, as X window ids of the embedded windows.
    std::vector<std::string> icons() const;
    // The screen area of the first icon; empty when it holds none.
    raster::Rect iconArea() const;

  private:
    pid_t pid_ = -1;
};

// Clicks the button at (x, y), waits for the source's dialog (342 x 160 unscaled), types `keys`
// (if any) and Return, and waits until the dialog has gone. False when it did not come or go.
bool answerSourceDialog(const RunningProgram& program, int x, int y, const std::string& keys = "",
                        raster::Size dialog = {342, 160});

// The X window id of the newest visible window titled exactly `title`; empty when none shows.
std::string windowNamed(const std::string& title);
// Clicks at (x, y) inside the window `id`.
void clickInWindow(const std::string& id, int x, int y);
// Waits until the window `id` has the keyboard focus and stands still for `gapMs`: a dialog it
// ran has ended and what followed has been drawn.
bool waitForWindowSettled(const std::string& id, int gapMs = 400);
// The same, then waits until the window has drawn its answer (as clickAndWait).
void clickInWindowAndWait(const std::string& id, int x, int y);

// Mouse and keys through xdotool, as a user would.
void clickAt(int x, int y);
void pressKey(const std::string& key);
void dragFromTo(int x1, int y1, int x2, int y2);

// Waits until the window `id` has the keyboard focus, as a dialog takes it some time after it
// maps; keys typed before would go elsewhere.
bool waitForFocus(const std::string& id, double seconds = 5);
// Waits until `area` of the screen shows the same picture in two grabs `gapMs` apart: what the
// last action started has been drawn there.
bool waitForStill(const raster::Rect& area, double seconds = 5, int gapMs = 150);
// Clicks at (x, y), then waits until `watched` has changed and stands still again: the program
// has answered the click. Enough when it does not change at all within `seconds`.
void clickAndWait(int x, int y, const raster::Rect& watched, double seconds = 2);
// The parts of the control window that show its state (the source buttons on the left, the
// bar along the top), leaving out the live preview.
raster::Rect controlButtons(const raster::Rect& control);
raster::Rect controlBar(const raster::Rect& control);
// Whether the pixel of the "Automatically Send" switch's knob shows it on (green).
bool switchPixelIsOn(raster::Bgra knob);
// Turns "Automatically Send" on, clicking again while its switch does not show green: a click
// as the control window takes the focus back from a dialog can be lost. Whether it is on.
bool switchOnAutomaticSend(const raster::Rect& control);
// The window that has the keyboard focus now (its X id in decimal).
std::string focusedWindow();
// Opens the menu of the tray's icon (right button) and waits until it has been drawn.
class TrayHost;
void openTrayMenu(const TrayHost& tray);
// Waits until a file dialog titled "Open" has the keyboard, types `path` and Return, and waits
// until the dialog has gone. False when it did not come or go.
bool openInFileDialog(const std::string& path);
// Watches for `seconds` that nothing happens: for what can only be seen not to happen.
void holdStill(double seconds);

// Switches the rig's second monitor off for the life of the object.
class OneMonitor {
  public:
    OneMonitor();
    ~OneMonitor();
};

// Lays the rig's monitors out as `layout` says ("one", "two", "left", "above", "below": where the
// second monitor lies) for the life of the object; side by side again afterwards.
class MonitorLayout {
  public:
    explicit MonitorLayout(const std::string& layout);
    ~MonitorLayout();
};

// The rig's monitors as they are now, in desktop pixels.
struct RigMonitors {
    raster::Rect primary;
    std::optional<raster::Rect> secondary;
};
RigMonitors rigMonitors();

// Another program (xclip) offering `file` on the clipboard as `type` ("" for text) while the
// object lives; ended by its own process id.
class ClipboardOffer {
  public:
    ClipboardOffer(const std::string& file, const std::string& type);
    ~ClipboardOffer();
    ClipboardOffer(const ClipboardOffer&) = delete;
    ClipboardOffer& operator=(const ClipboardOffer&) = delete;

  private:
    pid_t pid_ = -1;
};

// Whether `monitor` shows a picture: more than `samples` of every third pixel's of each third row
// are not black.
bool showsPicture(const raster::Rect& monitor, int samples = 2000);
// The largest difference of the red, green and blue of two pixels.
int channelDifference(raster::Bgra a, raster::Bgra b);
// How far (the largest channel difference) the second monitor is from showing the primary
// (1920 x 1080) fitted into it: 1280 x 720, 152 rows down, bilinear. The control window's live
// preview is left out.
int worstMirrorDifference(const raster::Rect& primary, const raster::Rect& secondary,
                          const raster::Rect& control);
// The same of two pictures of the monitors, with the control window's place on the primary.
int worstMirrorDifference(const raster::Bitmap& primaryShot, const raster::Bitmap& secondaryShot,
                          const raster::Rect& control);

// Polls `condition` every 50 ms until it holds or `seconds` pass; returns its last answer.
bool waitUntil(const std::function<bool()>& condition, double seconds);

// The window manager's state atoms of a window (xprop's text of _NET_WM_STATE).
std::string windowState(const std::string& windowId);

} // namespace vexmira::testing
