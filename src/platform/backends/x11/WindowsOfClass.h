#pragma once

#include "XConnection.h"
#include "raster/Bitmap.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vexmira::platform::x11 {

// Finds the shown top-level windows of given classes straight from the window tree: the
// children of the root (window-manager frames and windows without one) that are mapped, each
// known by the class of the client inside it. Independent of the window manager's lists, so a
// window counts from the moment its frame is mapped. Classes are remembered per mapped child;
// one round trip a call for the tree and the map states, one for the places.
class WindowsOfClass {
  public:
    explicit WindowsOfClass(std::shared_ptr<XConnection> connection) : connection_(std::move(connection)) {}
    // The frames (desktop pixels, border included) of the mapped windows whose class is listed.
    std::vector<raster::Rect> frames(const std::vector<std::string>& classes);

  private:
    // The class (UTF-8) of the first window at or below each of `tops` that names one, within
    // three levels; empty where none does.
    std::vector<std::string> classesBelow(const std::vector<xcb_window_t>& tops);

    std::shared_ptr<XConnection> connection_;
    std::map<xcb_window_t, std::string> classOf_; // of mapped root children only
};

// Holds every other client of the display for the object's life, so that what is read of the
// windows and the screen meanwhile belongs to one moment. Nothing may wait on another
// connection to the same display while it lives.
class ServerHold {
  public:
    explicit ServerHold(xcb_connection_t* connection);
    ~ServerHold();
    ServerHold(const ServerHold&) = delete;
    ServerHold& operator=(const ServerHold&) = delete;

  private:
    xcb_connection_t* connection_;
};

} // namespace vexmira::platform::x11
