#include "WaylandConnection.h"

#include "platform/Log.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <poll.h>
#include <wayland-client.h>
#include <wlr-data-control-unstable-v1-client-protocol.h>
#include <wlr-screencopy-unstable-v1-client-protocol.h>
#include <xdg-output-unstable-v1-client-protocol.h>

namespace vexmira::platform::wayland {

struct OutputListeners {
    static void geometry(void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                         std::int32_t, const char*, const char*, std::int32_t) {}
    static void mode(void*, wl_output*, std::uint32_t, std::int32_t, std::int32_t, std::int32_t) {}
    static void done(void* data, wl_output*) { static_cast<WaylandConnection*>(data)->outputsChanged(); }
    // The buffer sizes of the screen copies say how an output is scaled.
    static void scale(void*, wl_output*, std::int32_t) {}
    static constexpr wl_output_listener output{geometry, mode, done, scale, nullptr, nullptr};

    static void position(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
        auto* o = static_cast<Output*>(data);
        o->logical.x = x;
        o->logical.y = y;
    }
    static void size(void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
        auto* o = static_cast<Output*>(data);
        o->logical.width = width;
        o->logical.height = height;
    }
    static void describedDone(void*, zxdg_output_v1*) {}
    static void name(void* data, zxdg_output_v1*, const char* name) {
        static_cast<Output*>(data)->name = name;
    }
    static void description(void*, zxdg_output_v1*, const char*) {}
    static constexpr zxdg_output_v1_listener described{position, size, describedDone, name, description};
};

namespace {

constexpr wl_registry_listener registryListener{WaylandConnection::global, WaylandConnection::globalRemove};

} // namespace

std::shared_ptr<WaylandConnection> WaylandConnection::shared() {
    static std::mutex mutex;
    // Kept for the program's life: the capabilities, captures, clipboard and event pump asked
    // for at start share one connection instead of each making its own.
    static std::shared_ptr<WaylandConnection> slot;
    static bool tried = false;
    std::lock_guard lock(mutex);
    if (slot) return slot;
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        if (!tried)
            logLine(logDisplay, LogLevel::Warning,
                    std::string("cannot connect to the Wayland compositor: ") + std::strerror(errno));
        tried = true;
        return nullptr;
    }
    tried = true;
    std::shared_ptr<WaylandConnection> connection(new WaylandConnection);
    connection->display_ = display;
    connection->registry_ = wl_display_get_registry(display);
    wl_registry_add_listener(connection->registry_, &registryListener, connection.get());
    // The globals, then what the bound ones announce of themselves.
    wl_display_roundtrip(display);
    wl_display_roundtrip(display);
    if (!connection->screencopy_)
        logLine(logDisplay, LogLevel::Info,
                "the compositor offers no screen copies (zwlr_screencopy_manager_v1): no desktop mirror");
    if (!connection->dataControl_)
        logLine(logDisplay, LogLevel::Info,
                "the compositor offers no clipboard watch (zwlr_data_control_manager_v1): the clipboard is "
                "read when the control window has the focus");
    slot = connection;
    return connection;
}

WaylandConnection::~WaylandConnection() {
    for (const auto& o : outputs_) {
        if (o->described) zxdg_output_v1_destroy(o->described);
        if (o->output) wl_output_destroy(o->output);
    }
    if (screencopy_) zwlr_screencopy_manager_v1_destroy(screencopy_);
    if (dataControl_) zwlr_data_control_manager_v1_destroy(dataControl_);
    if (outputManager_) zxdg_output_manager_v1_destroy(outputManager_);
    if (seat_) wl_seat_destroy(seat_);
    if (shm_) wl_shm_destroy(shm_);
    if (registry_) wl_registry_destroy(registry_);
    wl_display_disconnect(display_);
}

void WaylandConnection::global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                               std::uint32_t version) {
    auto* self = static_cast<WaylandConnection*>(data);
    const std::string_view which(interface);
    auto bind = [&](const wl_interface* type, std::uint32_t highest) {
        return wl_registry_bind(registry, name, type, std::min(version, highest));
    };
    if (which == wl_shm_interface.name && !self->shm_) {
        self->shm_ = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
    } else if (which == wl_seat_interface.name && !self->seat_) {
        self->seat_ = static_cast<wl_seat*>(bind(&wl_seat_interface, 1));
    } else if (which == zxdg_output_manager_v1_interface.name && !self->outputManager_) {
        self->outputManager_ =
            static_cast<zxdg_output_manager_v1*>(bind(&zxdg_output_manager_v1_interface, 3));
        for (const auto& o : self->outputs_)
            self->describe(*o);
    } else if (which == zwlr_screencopy_manager_v1_interface.name && !self->screencopy_) {
        self->screencopy_ =
            static_cast<zwlr_screencopy_manager_v1*>(bind(&zwlr_screencopy_manager_v1_interface, 3));
    } else if (which == zwlr_data_control_manager_v1_interface.name && !self->dataControl_) {
        self->dataControl_ =
            static_cast<zwlr_data_control_manager_v1*>(bind(&zwlr_data_control_manager_v1_interface, 2));
    } else if (which == wl_output_interface.name) {
        auto output = std::make_unique<Output>();
        output->global = name;
        output->output = static_cast<wl_output*>(bind(&wl_output_interface, 2));
        wl_output_add_listener(output->output, &OutputListeners::output, self);
        self->describe(*output);
        self->outputs_.push_back(std::move(output));
    }
}

void WaylandConnection::describe(Output& output) {
    if (!outputManager_ || output.described) return;
    output.described = zxdg_output_manager_v1_get_xdg_output(outputManager_, output.output);
    zxdg_output_v1_add_listener(output.described, &OutputListeners::described, &output);
}

void WaylandConnection::globalRemove(void* data, wl_registry*, std::uint32_t name) {
    auto* self = static_cast<WaylandConnection*>(data);
    const auto gone = std::find_if(self->outputs_.begin(), self->outputs_.end(),
                                   [name](const auto& o) { return o->global == name; });
    if (gone == self->outputs_.end()) return;
    if ((*gone)->described) zxdg_output_v1_destroy((*gone)->described);
    wl_output_release((*gone)->output);
    self->outputs_.erase(gone);
    self->outputsChanged();
}

void WaylandConnection::outputsChanged() {
    if (outputsChanged_) outputsChanged_();
}

const Output* WaylandConnection::firstOutput() const {
    for (const auto& o : outputs_)
        if (o->logical.x == 0 && o->logical.y == 0 && !o->logical.isEmpty()) return o.get();
    return outputs_.empty() ? nullptr : outputs_.front().get();
}

const Output* WaylandConnection::outputByGlobal(std::uint32_t global) const {
    for (const auto& o : outputs_)
        if (o->global == global) return o.get();
    return nullptr;
}

int WaylandConnection::descriptor() const {
    return wl_display_get_fd(display_);
}

bool WaylandConnection::isBroken() const {
    return wl_display_get_error(display_) != 0;
}

void WaylandConnection::dispatch(bool readSocket) {
    if (isBroken()) return;
    while (wl_display_prepare_read(display_) != 0)
        wl_display_dispatch_pending(display_);
    wl_display_flush(display_);
    if (readSocket) {
        pollfd ready{wl_display_get_fd(display_), POLLIN, 0};
        if (poll(&ready, 1, 0) > 0) {
            wl_display_read_events(display_);
            wl_display_dispatch_pending(display_);
            return;
        }
    }
    wl_display_cancel_read(display_);
}

bool WaylandConnection::waitFor(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (isBroken()) return false;
        while (wl_display_prepare_read(display_) != 0)
            wl_display_dispatch_pending(display_);
        if (done()) {
            wl_display_cancel_read(display_);
            return true;
        }
        wl_display_flush(display_);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            wl_display_cancel_read(display_);
            return false;
        }
        pollfd ready{wl_display_get_fd(display_), POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(left.count())) > 0) {
            if (wl_display_read_events(display_) != 0) return false;
        } else {
            wl_display_cancel_read(display_);
        }
        wl_display_dispatch_pending(display_);
    }
    return true;
}

} // namespace vexmira::platform::wayland
