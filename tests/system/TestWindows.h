#pragma once

#include "raster/Bitmap.h"

#include <cstdint>
#include <memory>
#include <string>

#include <xcb/xcb.h>

namespace vexmira::testing {

// A connection of the test itself to the rig's X server ($DISPLAY).
class TestDisplay {
  public:
    TestDisplay();
    ~TestDisplay();
    xcb_connection_t* get() const { return connection_; }
    xcb_screen_t* screen() const { return screen_; }
    // Waits until the server has handled every request sent so far.
    void sync() const;
    void warpPointer(int x, int y) const;
    // Number of active monitors (RandR).
    int monitorCount() const;

  private:
    xcb_connection_t* connection_;
    xcb_screen_t* screen_;
};

// How many connections to the X server the process `pid` holds, counted from the sockets the
// kernel lists (ss): the server's end of each names the server's socket.
int xConnectionsOf(long pid);

// The colour the pattern number `seed` has at (x, y) of its window: every pixel differs from its
// neighbours, so an off-by-one anywhere shows.
raster::Bgra patternPixel(int seed, int x, int y);

// A borderless window, not managed by the window manager, at a fixed place on the screen, whose
// background is the pattern `seed`. The server paints it itself whenever it is exposed.
class PatternWindow {
  public:
    PatternWindow(const TestDisplay& display, raster::Rect place, int seed);
    // A window the window manager frames (with its decorations unless `undecorated`) and lists,
    // of the class `className` ("PatternWindow"),
    // titled `title`; `place` is a wish.
    PatternWindow(const TestDisplay& display, raster::Rect place, int seed, const std::string& title,
                  bool undecorated = false, const std::string& className = "PatternWindow");
    ~PatternWindow();
    xcb_window_t id() const { return window_; }
    const raster::Rect& place() const { return place_; }
    // Shows its pattern `seed` from now on.
    void repaint(int seed);
    // Gives the window a two-colour 16 x 16 cursor: a filled square of `foreground` in the middle
    // with a one-pixel `background` ring, hot spot (hotX, hotY).
    void setSquareCursor(std::uint32_t foreground, std::uint32_t background, int hotX, int hotY);
    // Where its inside is on the screen now.
    raster::Rect placeOnScreen() const;

  private:
    void create(bool managed, const std::string& title, int seed, bool undecorated = false,
                const std::string& className = "PatternWindow");
    const TestDisplay& display_;
    raster::Rect place_;
    xcb_window_t window_;
};

} // namespace vexmira::testing
