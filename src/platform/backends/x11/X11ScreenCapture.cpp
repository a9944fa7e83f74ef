#include "platform/ScreenCapture.h"
#include "platform/backends/Backends.h"

#include "ShmSegmentPool.h"
#include "XConnection.h"
#include "XcbHelpers.h"
#include "platform/Log.h"
#include "raster/Resample.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include <xcb/randr.h>
#include <xcb/shm.h>

namespace vexmira::platform {

namespace {

using raster::Bitmap;
using raster::Rect;
using x11::XConnection;

class X11ScreenCapture final : public ScreenCapture {
  public:
    X11ScreenCapture(std::shared_ptr<XConnection> connection, bool useShm)
        : connection_(std::move(connection)),
          pool_(useShm ? std::make_shared<x11::ShmSegmentPool>(connection_) : nullptr) {}

    ~X11ScreenCapture() override { dropPending(); }

    void prefetch(const Rect& area) override {
        if (pending_ && pending_->area == area) return; // already on its way
        dropPending();
        const Rect desktop = wholeDesktop();
        if (!pool_ || area.isEmpty() || !withinProtocolRange(area) || connection_->isBroken() ||
            area.intersected(desktop) != area)
            return;
        const x11::ShmSegment* segment = nullptr;
        std::shared_ptr<std::uint8_t> storage =
            pool_->acquire(std::size_t(area.width) * area.height * 4, &segment);
        if (!storage) return;
        xcb_connection_t* c = connection_->get();
        const auto cookie = xcb_shm_get_image(
            c, connection_->root(), static_cast<std::int16_t>(area.x), static_cast<std::int16_t>(area.y),
            static_cast<std::uint16_t>(area.width), static_cast<std::uint16_t>(area.height), ~0u,
            XCB_IMAGE_FORMAT_Z_PIXMAP, segment->id(), 0);
        xcb_flush(c);
        pending_ = Pending{area, std::move(storage), cookie};
    }

    bool capture(const Rect& area, Bitmap& target) override {
        target = Bitmap(); // hand the previous frame's memory back before asking for more
        if (pending_ && pending_->area == area) {
            Pending fetched = std::move(*pending_);
            pending_.reset();
            x11::XcbReply<xcb_shm_get_image_reply_t> reply(
                xcb_shm_get_image_reply(connection_->get(), fetched.cookie, nullptr));
            if (reply) {
                target =
                    Bitmap::wrap(std::move(fetched.storage), area.width, area.height, area.width * 4, 24);
                return true;
            }
        }
        dropPending();
        if (area.isEmpty() || !withinProtocolRange(area) || connection_->isBroken()) return false;
        const Rect desktop = wholeDesktop();
        const Rect inside = area.intersected(desktop);
        if (inside == area) return captureInside(area, target);
        // The server refuses requests reaching past the root window: fetch the part that lies
        // on the desktop and put it into a black picture of the full size.
        Bitmap part;
        if (!inside.isEmpty() && !captureInside(inside, part)) return false;
        target = Bitmap(area.width, area.height, 24);
        if (!inside.isEmpty()) raster::drawCopy(target, inside.x - area.x, inside.y - area.y, part);
        return true;
    }

    Rect primaryMonitor() override {
        // Asked at every tick of a mirror: the answer is kept for a moment, so that a tick with
        // nothing to do asks the display nothing.
        const auto now = std::chrono::steady_clock::now();
        if (primaryAsked_ && now - *primaryAsked_ < primaryKept) return primary_;
        primary_ = askPrimaryMonitor();
        primaryAsked_ = now;
        return primary_;
    }

    Rect askPrimaryMonitor() {
        if (!connection_->hasMonitors()) return wholeDesktop();
        xcb_connection_t* c = connection_->get();
        auto reply = VEXMIRA_XCB_REPLY(xcb_randr_get_monitors, c, c, connection_->root(), 1);
        if (!reply) return wholeDesktop();
        std::optional<Rect> first;
        for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
             xcb_randr_monitor_info_next(&it)) {
            const Rect monitor{it.data->x, it.data->y, it.data->width, it.data->height};
            if (it.data->primary) return monitor;
            if (!first) first = monitor;
        }
        return first ? *first : wholeDesktop();
    }

    raster::Size desktopSize() const override {
        const auto [width, height] = connection_->rootSize();
        return {width, height};
    }

    std::string transport() const override { return pool_ ? "shared memory" : "plain request"; }

  private:
    struct Pending {
        Rect area;
        std::shared_ptr<std::uint8_t> storage;
        xcb_shm_get_image_cookie_t cookie;
    };

    Rect wholeDesktop() const {
        const auto [width, height] = connection_->rootSize();
        return {0, 0, width, height};
    }

    // X requests carry 16-bit coordinates and sizes.
    static bool withinProtocolRange(const Rect& area) {
        const long long right = static_cast<long long>(area.x) + area.width;
        const long long bottom = static_cast<long long>(area.y) + area.height;
        return area.x >= -32768 && area.y >= -32768 && area.width <= 65535 && area.height <= 65535 &&
               right <= 32767 && bottom <= 32767;
    }

    // A prefetch nobody collected: its reply is read and thrown away.
    void dropPending() {
        if (!pending_) return;
        x11::XcbReply<xcb_shm_get_image_reply_t>(
            xcb_shm_get_image_reply(connection_->get(), pending_->cookie, nullptr));
        pending_.reset();
    }

    bool captureInside(const Rect& area, Bitmap& target) {
        if (pool_ && captureShared(area, target)) return true;
        return capturePlain(area, target);
    }

    bool captureShared(const Rect& area, Bitmap& target) {
        xcb_connection_t* c = connection_->get();
        const std::size_t bytes = std::size_t(area.width) * area.height * 4;
        const x11::ShmSegment* segment = nullptr;
        std::shared_ptr<std::uint8_t> storage = pool_->acquire(bytes, &segment);
        if (!storage) {
            logLine(logDisplay, LogLevel::Info, "shared memory capture unavailable; using plain requests");
            pool_.reset();
            return false;
        }
        auto reply = VEXMIRA_XCB_REPLY(
            xcb_shm_get_image, c, c, connection_->root(), static_cast<std::int16_t>(area.x),
            static_cast<std::int16_t>(area.y), static_cast<std::uint16_t>(area.width),
            static_cast<std::uint16_t>(area.height), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, segment->id(), 0);
        if (!reply) return false;
        target = Bitmap::wrap(std::move(storage), area.width, area.height, area.width * 4, 24);
        return true;
    }

    bool capturePlain(const Rect& area, Bitmap& target) {
        xcb_connection_t* c = connection_->get();
        auto reply = VEXMIRA_XCB_REPLY(xcb_get_image, c, c, XCB_IMAGE_FORMAT_Z_PIXMAP, connection_->root(),
                                       static_cast<std::int16_t>(area.x), static_cast<std::int16_t>(area.y),
                                       static_cast<std::uint16_t>(area.width),
                                       static_cast<std::uint16_t>(area.height), ~0u);
        if (!reply) return false;
        const std::size_t bytes = std::size_t(area.width) * area.height * 4;
        if (static_cast<std::size_t>(xcb_get_image_data_length(reply.get())) < bytes) return false;
        // The reply's memory becomes the picture's: no copy.
        std::uint8_t* data = xcb_get_image_data(reply.get());
        std::shared_ptr<x11::XcbReply<xcb_get_image_reply_t>::element_type> owner(reply.release(),
                                                                                  x11::FreeWithFree());
        target = Bitmap::wrap(std::shared_ptr<std::uint8_t>(owner, data), area.width, area.height,
                              area.width * 4, 24);
        return true;
    }

    std::shared_ptr<XConnection> connection_;
    std::shared_ptr<x11::ShmSegmentPool> pool_;
    std::optional<Pending> pending_;
    static constexpr auto primaryKept = std::chrono::milliseconds(250);
    Rect primary_;
    std::optional<std::chrono::steady_clock::time_point> primaryAsked_;
};

} // namespace

std::unique_ptr<ScreenCapture> x11::openScreenCapture(CaptureTransport transport) {
    auto connection = XConnection::shared();
    if (!connection) return nullptr;
    if (!connection->rootIsBgra()) {
        logLine(logDisplay, LogLevel::Warning,
                "the display's pixel format (depth " + std::to_string(connection->rootDepth()) +
                    ") is not supported for capture");
        return nullptr;
    }
    const bool useShm = transport == CaptureTransport::Fastest && connection->hasShm();
    return std::make_unique<X11ScreenCapture>(std::move(connection), useShm);
}

} // namespace vexmira::platform
