#include "XConnection.h"
#include "platform/StripSurface.h"
#include "platform/backends/Backends.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace vexmira::platform {

namespace {

class X11StripSurface : public StripSurface {
  public:
    X11StripSurface(std::shared_ptr<x11::XConnection> connection, xcb_window_t window)
        : connection_(std::move(connection)), window_(window) {
        xcb_connection_t* c = connection_->get();
        gc_ = xcb_generate_id(c);
        const std::uint32_t noExposures = 0;
        xcb_create_gc(c, gc_, window_, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
        // Requests stay below the size every server accepts.
        maxRequestBytes_ = std::min<std::size_t>(xcb_get_maximum_request_length(c) * 4u, 1u << 20) - 64;
    }
    ~X11StripSurface() override {
        xcb_free_gc(connection_->get(), gc_);
        xcb_flush(connection_->get());
    }

    void scroll(int dx, int dy, int width, int height) override {
        const int w = width - std::abs(dx), h = height - std::abs(dy);
        if (w <= 0 || h <= 0) return;
        xcb_copy_area(connection_->get(), window_, window_, gc_, static_cast<std::int16_t>(std::max(0, -dx)),
                      static_cast<std::int16_t>(std::max(0, -dy)), static_cast<std::int16_t>(std::max(0, dx)),
                      static_cast<std::int16_t>(std::max(0, dy)), static_cast<std::uint16_t>(w),
                      static_cast<std::uint16_t>(h));
    }

    void put(int x, int y, int width, int height, const std::uint32_t* pixels, int stride) override {
        if (width <= 0 || height <= 0) return;
        const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
        const int rowsPerRequest = static_cast<int>(std::max<std::size_t>(1, maxRequestBytes_ / rowBytes));
        for (int top = 0; top < height; top += rowsPerRequest) {
            const int rows = std::min(rowsPerRequest, height - top);
            rows_.resize(rowBytes * static_cast<std::size_t>(rows));
            for (int r = 0; r < rows; ++r) {
                const auto* from = reinterpret_cast<const std::uint8_t*>(pixels) +
                                   static_cast<std::size_t>(top + r) * stride;
                std::copy(from, from + rowBytes, rows_.begin() + static_cast<std::ptrdiff_t>(rowBytes * r));
            }
            xcb_put_image(connection_->get(), XCB_IMAGE_FORMAT_Z_PIXMAP, window_, gc_,
                          static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(rows),
                          static_cast<std::int16_t>(x), static_cast<std::int16_t>(y + top), 0,
                          static_cast<std::uint8_t>(connection_->rootDepth()),
                          static_cast<std::uint32_t>(rows_.size()), rows_.data());
        }
    }

    bool finish() override {
        connection_->sync();
        return !connection_->isBroken();
    }

  private:
    std::shared_ptr<x11::XConnection> connection_;
    xcb_window_t window_;
    xcb_gcontext_t gc_ = 0;
    std::size_t maxRequestBytes_ = 0;
    std::vector<std::uint8_t> rows_;
};

} // namespace

std::unique_ptr<StripSurface> x11::openStripSurface(std::uint64_t window) {
    // A connection of its own: the steps never wait behind the user-interface thread's requests.
    auto connection = x11::XConnection::open();
    if (!connection || !connection->rootIsBgra() || window == 0) return nullptr;
    return std::make_unique<X11StripSurface>(std::move(connection), static_cast<xcb_window_t>(window));
}

} // namespace vexmira::platform
