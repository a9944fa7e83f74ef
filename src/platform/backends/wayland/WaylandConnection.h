#pragma once

#include "raster/Geometry.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_shm;
struct wl_output;
struct wl_seat;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct zwlr_screencopy_manager_v1;
struct zwlr_data_control_manager_v1;

namespace vexmira::platform::wayland {

// One output of the compositor, as its announcements describe it.
struct Output {
    std::uint32_t global = 0;
    wl_output* output = nullptr;
    zxdg_output_v1* described = nullptr;
    std::string name;     // "HEADLESS-2", "DP-1"...
    raster::Rect logical; // where it lies on the desktop, in logical pixels
};

// Our own connection to the compositor (beside the toolkit's), with the globals the backend
// uses. Everything on it happens on the user-interface thread: its events are read by the
// program's event pump (descriptor(), dispatch()), or by waitFor() while a request is answered.
class WaylandConnection {
  public:
    // The connection of WAYLAND_DISPLAY, opened on first use and kept; null when there is none.
    static std::shared_ptr<WaylandConnection> shared();
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    wl_display* display() const { return display_; }
    wl_shm* shm() const { return shm_; }
    wl_seat* seat() const { return seat_; }
    zwlr_screencopy_manager_v1* screencopy() const { return screencopy_; }
    zwlr_data_control_manager_v1* dataControl() const { return dataControl_; }
    const std::vector<std::unique_ptr<Output>>& outputs() const { return outputs_; }
    // The output at the desktop's origin, else the first one; null without outputs.
    const Output* firstOutput() const;
    // The output the compositor announced as `global`; null once it is gone.
    const Output* outputByGlobal(std::uint32_t global) const;

    int descriptor() const;
    // Reads what arrived (from the socket when `readSocket`) and runs its handlers; never blocks.
    void dispatch(bool readSocket);
    // Dispatches until `done` says so, at most `timeoutMs`; false on time-out or a broken link.
    bool waitFor(const std::function<bool()>& done, int timeoutMs);
    bool isBroken() const;

    // Called after the outputs changed (one came or went, or moved).
    void onOutputsChanged(std::function<void()> handler) { outputsChanged_ = std::move(handler); }

    static void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version);
    static void globalRemove(void* data, wl_registry* registry, std::uint32_t name);

  private:
    WaylandConnection() = default;
    void describe(Output& output);
    void outputsChanged();

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_shm* shm_ = nullptr;
    wl_seat* seat_ = nullptr;
    zxdg_output_manager_v1* outputManager_ = nullptr;
    zwlr_screencopy_manager_v1* screencopy_ = nullptr;
    zwlr_data_control_manager_v1* dataControl_ = nullptr;
    std::vector<std::unique_ptr<Output>> outputs_;
    std::function<void()> outputsChanged_;
    friend struct OutputListeners;
};

} // namespace vexmira::platform::wayland
