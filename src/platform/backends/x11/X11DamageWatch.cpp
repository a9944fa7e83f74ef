#include "platform/DamageWatch.h"
#include "platform/backends/Backends.h"

#include "XConnection.h"
#include "XcbHelpers.h"

#include <xcb/damage.h>
#include <xcb/xfixes.h>

namespace vexmira::platform {

namespace {

using x11::Extension;
using x11::XcbReply;
using x11::XConnection;

// A damage object on one drawable, on the shared connection; the event pump hands it its
// reports. The server sends one report when the damage becomes non-empty; the tick then moves
// the whole damage into a region and reads its rectangles, which empties it again.
class X11DamageWatch final : public DamageWatch, private x11::EventListener {
  public:
    X11DamageWatch(std::shared_ptr<XConnection> connection, xcb_drawable_t drawable)
        : connection_(std::move(connection)) {
        xcb_connection_t* c = connection_->get();
        damage_ = xcb_generate_id(c);
        region_ = xcb_generate_id(c);
        connection_->listen(damage_, this);
        xcb_damage_create(c, damage_, drawable, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
        xcb_xfixes_create_region(c, region_, 0, nullptr);
        // Whatever was on the drawable before the watch began counts as drawn.
        pending_ = true;
        xcb_flush(c);
    }

    ~X11DamageWatch() override {
        connection_->stopListening(damage_, this);
        xcb_connection_t* c = connection_->get();
        // The damage object went with its drawable when that was destroyed: no matter.
        xcb_discard_reply(c, xcb_damage_destroy_checked(c, damage_).sequence);
        xcb_xfixes_destroy_region(c, region_);
        xcb_flush(c);
    }

    std::optional<std::vector<raster::Rect>> takeDamage(std::size_t maxRects) override {
        xcb_connection_t* c = connection_->get();
        if (lost_ || connection_->isBroken()) return std::nullopt;
        connection_->dispatch();
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
        // An error about the subtraction (the drawable is gone) and reports that came in
        // while waiting for the reply sit in xcb's queue: they are handed out now.
        connection_->dispatch(false);
        if (lost_) return std::nullopt;
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
        connection_->dispatch();
        return pending_ || lost_;
    }

    void onReport(std::function<void()> handler) override { onReport_ = std::move(handler); }

  private:
    void handleEvent(const xcb_generic_event_t&) override { mark(pending_); }
    void handleError(const xcb_generic_error_t&) override { mark(lost_); }

    void mark(bool& flag) {
        const bool news = !pending_ && !lost_;
        flag = true;
        if (news && onReport_) {
            const auto handler = onReport_; // it may replace itself
            handler();
        }
    }

    std::shared_ptr<XConnection> connection_;
    xcb_damage_damage_t damage_ = 0;
    xcb_xfixes_region_t region_ = 0;
    bool pending_ = false;
    bool lost_ = false;
    std::function<void()> onReport_;
};

std::unique_ptr<DamageWatch> watch(std::shared_ptr<XConnection> connection, xcb_drawable_t drawable) {
    if (!connection || !connection->has(Extension::Damage) || !connection->hasXFixes()) return nullptr;
    xcb_connection_t* c = connection->get();
    if (drawable != connection->root()) {
        auto geometry = VEXMIRA_XCB_REPLY(xcb_get_geometry, c, c, drawable);
        if (!geometry) return nullptr;
    }
    return std::make_unique<X11DamageWatch>(std::move(connection), drawable);
}

} // namespace

std::unique_ptr<DamageWatch> x11::watchDesktopDamage() {
    auto connection = XConnection::shared();
    if (!connection) return nullptr;
    const xcb_window_t root = connection->root();
    return watch(std::move(connection), root);
}

std::unique_ptr<DamageWatch> x11::watchWindowDamage(WindowHandle window) {
    return watch(XConnection::shared(), static_cast<xcb_drawable_t>(window));
}

} // namespace vexmira::platform
