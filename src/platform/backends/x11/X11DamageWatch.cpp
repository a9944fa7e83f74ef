#include "platform/DamageWatch.h"

#include "XConnection.h"
#include "XcbHelpers.h"

#include <xcb/damage.h>
#include <xcb/xfixes.h>

namespace vexmira::platform {

namespace {

using x11::XcbReply;
using x11::XConnection;

// A damage object on one drawable, on a connection of its own so that its reports are read by
// nobody else. The server sends one report when the damage becomes non-empty; the tick then
// moves the whole damage into a region and reads its rectangles, which empties it again.
class X11DamageWatch final : public DamageWatch {
  public:
    X11DamageWatch(std::shared_ptr<XConnection> connection, xcb_drawable_t drawable, int firstEvent)
        : connection_(std::move(connection)), firstEvent_(firstEvent) {
        xcb_connection_t* c = connection_->get();
        damage_ = xcb_generate_id(c);
        region_ = xcb_generate_id(c);
        xcb_damage_create(c, damage_, drawable, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
        xcb_xfixes_create_region(c, region_, 0, nullptr);
        // Whatever was on the drawable before the watch began counts as drawn.
        pending_ = true;
        xcb_flush(c);
    }

    ~X11DamageWatch() override {
        xcb_connection_t* c = connection_->get();
        xcb_damage_destroy(c, damage_);
        xcb_xfixes_destroy_region(c, region_);
        xcb_flush(c);
    }

    std::optional<std::vector<raster::Rect>> takeDamage(std::size_t maxRects) override {
        xcb_connection_t* c = connection_->get();
        if (lost_ || connection_->isBroken()) return std::nullopt;
        readReports();
        if (lost_) return std::nullopt;
        if (!pending_) return std::vector<raster::Rect>{};
        pending_ = false;
        xcb_damage_subtract(c, damage_, XCB_XFIXES_REGION_NONE, region_);
        XcbReply<xcb_xfixes_fetch_region_reply_t> reply(
            xcb_xfixes_fetch_region_reply(c, xcb_xfixes_fetch_region(c, region_), nullptr));
        if (!reply) {
            lost_ = true;
            return std::nullopt;
        }
        // Reports that came in while waiting for the reply sit in the queue, where the
        // descriptor does not show them: they are taken now.
        readReports();
        std::vector<raster::Rect> rects;
        const xcb_rectangle_t* parts = xcb_xfixes_fetch_region_rectangles(reply.get());
        const int count = xcb_xfixes_fetch_region_rectangles_length(reply.get());
        if (static_cast<std::size_t>(count) > maxRects) {
            const xcb_rectangle_t& e = reply->extents;
            rects.push_back({e.x, e.y, e.width, e.height});
            return rects;
        }
        for (int i = 0; i < count; ++i)
            rects.push_back({parts[i].x, parts[i].y, parts[i].width, parts[i].height});
        return rects;
    }

    bool hasPending() override {
        if (lost_ || connection_->isBroken()) return true;
        readReports();
        return pending_ || lost_;
    }

    int descriptor() const override {
        return connection_->isBroken() ? -1 : xcb_get_file_descriptor(connection_->get());
    }

  private:
    void readReports() {
        while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(connection_->get())}) {
            const int type = event->response_type & 0x7F;
            if (type == firstEvent_ + XCB_DAMAGE_NOTIFY) pending_ = true;
            if (type == 0) lost_ = true; // an error: the drawable is gone
        }
    }

    std::shared_ptr<XConnection> connection_;
    int firstEvent_;
    xcb_damage_damage_t damage_ = 0;
    xcb_xfixes_region_t region_ = 0;
    bool pending_ = false;
    bool lost_ = false;
};

std::unique_ptr<DamageWatch> watch(xcb_drawable_t drawable, std::shared_ptr<XConnection> connection) {
    xcb_connection_t* c = connection->get();
    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(c, &xcb_damage_id);
    if (!damage || !damage->present || !connection->hasXFixes()) return nullptr;
    // The extension answers nothing until the client has told it which version it speaks.
    auto version = VEXMIRA_XCB_REPLY(xcb_damage_query_version, c, c, 1, 1);
    if (!version) return nullptr;
    if (drawable != connection->root()) {
        auto geometry = VEXMIRA_XCB_REPLY(xcb_get_geometry, c, c, drawable);
        if (!geometry) return nullptr;
    }
    return std::make_unique<X11DamageWatch>(std::move(connection), drawable, damage->first_event);
}

} // namespace

std::unique_ptr<DamageWatch> watchDesktopDamage() {
    auto connection = XConnection::open();
    if (!connection) return nullptr;
    const xcb_window_t root = connection->root();
    return watch(root, std::move(connection));
}

std::unique_ptr<DamageWatch> watchWindowDamage(WindowHandle window) {
    auto connection = XConnection::open();
    if (!connection) return nullptr;
    return watch(static_cast<xcb_drawable_t>(window), std::move(connection));
}

} // namespace vexmira::platform
