#pragma once

#include <memory>
#include <string>
#include <utility>

#include <xcb/xcb.h>

namespace vexmira::platform::x11 {

// One connection to the X server with what the backend needs to know about it, learned once
// when it opens. Shared by the captures and sources made from it; xcb itself is thread-safe.
class XConnection {
  public:
    // Null (after one log line on standard error) when the display cannot be opened.
    static std::shared_ptr<XConnection> open(const char* displayName = nullptr);
    // The connection the platform services of the user-interface thread share, opened (and its
    // extensions queried) once; opened again only after every user let go of it or it broke.
    // Null when the display cannot be opened (said once). Any thread.
    static std::shared_ptr<XConnection> shared();
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    xcb_connection_t* get() const { return connection_; }
    xcb_window_t root() const { return screen_->root; }
    // The root window's size now: monitors switched on, off or moved change it, while the
    // connection's setup data keeps the size it had when it opened. One round trip.
    int rootWidth() const { return rootSize().first; }
    int rootHeight() const { return rootSize().second; }
    std::pair<int, int> rootSize() const;
    int rootDepth() const { return screen_->root_depth; }
    // True when the root window's pixels are 32-bit words of 0x..RRGGBB in the server's order,
    // the layout of our bitmaps.
    bool rootIsBgra() const { return rootIsBgra_; }

    bool hasShm() const { return hasShm_; }
    bool hasXFixes() const { return hasXFixes_; }
    bool hasComposite() const { return hasComposite_; }
    // RandR 1.5: the monitors and which one is primary.
    bool hasMonitors() const { return hasMonitors_; }
    bool isBroken() const { return xcb_connection_has_error(connection_) != 0; }

  private:
    explicit XConnection(xcb_connection_t* connection, int screenNumber);
    void checkExtensions();
    void checkRootFormat();

    xcb_connection_t* connection_;
    xcb_screen_t* screen_ = nullptr;
    bool rootIsBgra_ = false;
    bool hasShm_ = false;
    bool hasXFixes_ = false;
    bool hasComposite_ = false;
    bool hasMonitors_ = false;
};

} // namespace vexmira::platform::x11
