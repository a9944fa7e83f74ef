#include "platform/CursorSource.h"
#include "platform/backends/Backends.h"

#include "XConnection.h"
#include "XcbHelpers.h"

#include <cstring>

#include <xcb/xfixes.h>

namespace vexmira::platform {

namespace {

using x11::XConnection;

class X11CursorSource final : public CursorSource {
  public:
    explicit X11CursorSource(std::shared_ptr<XConnection> connection) : connection_(std::move(connection)) {}

    std::optional<CursorPosition> position() override {
        xcb_connection_t* c = connection_->get();
        auto reply = VEXMIRA_XCB_REPLY(xcb_query_pointer, c, c, connection_->root());
        if (!reply) return std::nullopt;
        return CursorPosition{reply->root_x, reply->root_y};
    }

    std::optional<CursorImage> image() override {
        if (!connection_->hasXFixes()) return std::nullopt;
        xcb_connection_t* c = connection_->get();
        auto reply = VEXMIRA_XCB_REPLY(xcb_xfixes_get_cursor_image, c, c);
        if (!reply || reply->width == 0 || reply->height == 0) return std::nullopt;
        CursorImage result{raster::Bitmap(reply->width, reply->height, 32), reply->xhot, reply->yhot};
        const std::uint32_t* pixels = xcb_xfixes_get_cursor_image_cursor_image(reply.get());
        for (int y = 0; y < reply->height; ++y)
            std::memcpy(result.image.mutableRow(y), pixels + std::size_t(y) * reply->width,
                        std::size_t(reply->width) * 4);
        return result;
    }

  private:
    std::shared_ptr<XConnection> connection_;
};

} // namespace

std::unique_ptr<CursorSource> x11::openCursorSource() {
    auto connection = XConnection::shared();
    if (!connection) return nullptr;
    return std::make_unique<X11CursorSource>(std::move(connection));
}

} // namespace vexmira::platform
