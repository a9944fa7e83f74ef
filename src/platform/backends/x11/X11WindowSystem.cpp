#include "platform/WindowSystem.h"

#include "platform/ScreenCapture.h"

#include "XConnection.h"
#include "XcbHelpers.h"

#include <algorithm>
#include <cstring>
#include <set>

#include <xcb/composite.h>

namespace vexmira::platform {

namespace {

using x11::XConnection;
using x11::XcbReply;

class X11WindowSystem final : public WindowSystem {
public:
    explicit X11WindowSystem(std::shared_ptr<XConnection> connection)
        : connection_(std::move(connection)), screen_(openScreenCapture()) {
        xcb_connection_t* c = connection_->get();
        const char* names[] = {"_NET_CLIENT_LIST_STACKING", "_NET_CLIENT_LIST", "_NET_WM_NAME", "UTF8_STRING", "_NET_WM_PID"};
        xcb_intern_atom_cookie_t cookies[5];
        for (int i = 0; i < 5; ++i) cookies[i] = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(names[i])), names[i]);
        xcb_atom_t* atoms[] = {&stacking_, &clientList_, &netWmName_, &utf8_, &netWmPid_};
        for (int i = 0; i < 5; ++i) {
            XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookies[i], nullptr));
            *atoms[i] = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        }
    }

    ~X11WindowSystem() override {
        for (xcb_window_t window : redirected_)
            xcb_composite_unredirect_window(connection_->get(), window, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
        xcb_flush(connection_->get());
    }

    std::vector<TopLevelWindow> topLevelWindows() override {
        std::vector<xcb_window_t> windows = property<xcb_window_t>(connection_->root(), stacking_, XCB_ATOM_WINDOW);
        if (windows.empty()) windows = property<xcb_window_t>(connection_->root(), clientList_, XCB_ATOM_WINDOW);
        if (windows.empty()) windows = rootChildren();
        std::reverse(windows.begin(), windows.end()); // the lists run bottom to top
        std::vector<TopLevelWindow> result;
        result.reserve(windows.size());
        for (xcb_window_t window : windows) result.push_back(describe(window));
        return result;
    }

    raster::Rect frameOf(WindowHandle window) override { return geometry(frameWindow(static_cast<xcb_window_t>(window))); }

    bool captureWindow(WindowHandle handle, WindowCaptureMethod method, raster::Bitmap& target) override {
        target = raster::Bitmap();
        const xcb_window_t frame = frameWindow(static_cast<xcb_window_t>(handle));
        const raster::Rect place = geometry(frame);
        if (place.isEmpty()) return false;
        if (method == WindowCaptureMethod::OwnDrawing && connection_->hasComposite()) return captureOwnDrawing(frame, place, target);
        return captureScreenArea(place, target);
    }

private:
    template <class T> std::vector<T> property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type) {
        std::vector<T> values;
        if (name == XCB_ATOM_NONE) return values;
        xcb_connection_t* c = connection_->get();
        XcbReply<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, type, 0, 1u << 20), nullptr));
        if (!reply || reply->type == XCB_ATOM_NONE) return values;
        const int length = xcb_get_property_value_length(reply.get());
        const auto* data = static_cast<const T*>(xcb_get_property_value(reply.get()));
        values.assign(data, data + length / static_cast<int>(sizeof(T)));
        return values;
    }

    std::string text(xcb_window_t window, xcb_atom_t name, xcb_atom_t type) {
        const std::vector<char> bytes = property<char>(window, name, type);
        return std::string(bytes.begin(), bytes.end());
    }

    std::vector<xcb_window_t> rootChildren() {
        xcb_connection_t* c = connection_->get();
        XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, connection_->root()), nullptr));
        if (!tree) return {};
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        return std::vector<xcb_window_t>(children, children + xcb_query_tree_children_length(tree.get()));
    }

    // The ancestor that is a child of the root: the window manager's frame, or the window itself.
    xcb_window_t frameWindow(xcb_window_t window) {
        xcb_connection_t* c = connection_->get();
        for (int depth = 0; depth < 16; ++depth) {
            XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
            if (!tree) return XCB_WINDOW_NONE;
            if (tree->parent == connection_->root() || tree->parent == XCB_WINDOW_NONE) return window;
            window = tree->parent;
        }
        return window;
    }

    raster::Rect geometry(xcb_window_t window) {
        if (window == XCB_WINDOW_NONE) return {};
        xcb_connection_t* c = connection_->get();
        XcbReply<xcb_get_geometry_reply_t> g(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
        if (!g) return {};
        return {g->x, g->y, g->width + 2 * g->border_width, g->height + 2 * g->border_width};
    }

    TopLevelWindow describe(xcb_window_t window) {
        xcb_connection_t* c = connection_->get();
        TopLevelWindow info;
        info.handle = window;
        const std::string wmClass = text(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
        // WM_CLASS holds the instance name, a NUL, then the class name.
        const auto nul = wmClass.find('\0');
        info.className = nul == std::string::npos ? wmClass : wmClass.substr(nul + 1);
        if (const auto end = info.className.find('\0'); end != std::string::npos) info.className.resize(end);
        info.title = text(window, netWmName_, utf8_);
        if (info.title.empty()) info.title = text(window, XCB_ATOM_WM_NAME, XCB_ATOM_ANY);
        const std::vector<std::uint32_t> pid = property<std::uint32_t>(window, netWmPid_, XCB_ATOM_CARDINAL);
        info.processId = pid.empty() ? 0 : static_cast<long>(pid.front());
        XcbReply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
        info.visible = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        info.frame = geometry(frameWindow(window));
        return info;
    }

    bool captureOwnDrawing(xcb_window_t frame, const raster::Rect& place, raster::Bitmap& target) {
        xcb_connection_t* c = connection_->get();
        if (redirected_.insert(frame).second) {
            // Kept off-screen from now on (the server still shows it): its drawing survives
            // being covered. Already redirected by a compositing manager is fine too.
            std::free(xcb_request_check(c, xcb_composite_redirect_window_checked(c, frame, XCB_COMPOSITE_REDIRECT_AUTOMATIC)));
        }
        const xcb_pixmap_t pixmap = xcb_generate_id(c);
        XcbReply<xcb_generic_error_t> error(xcb_request_check(c, xcb_composite_name_window_pixmap_checked(c, frame, pixmap)));
        if (error) return false;
        XcbReply<xcb_get_image_reply_t> image(xcb_get_image_reply(
            c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, 0, 0, static_cast<std::uint16_t>(place.width),
                          static_cast<std::uint16_t>(place.height), ~0u),
            nullptr));
        xcb_free_pixmap(c, pixmap);
        return toBitmap(std::move(image), place, target);
    }

    // The screen's pixels at the window's place, through the (shared-memory) screen capture.
    bool captureScreenArea(const raster::Rect& place, raster::Bitmap& target) {
        return screen_ && screen_->capture(place, target);
    }

    // 24- and 32-bit images come as 32-bit words per pixel in our byte order; the reply's memory
    // becomes the picture's.
    static bool toBitmap(XcbReply<xcb_get_image_reply_t> image, const raster::Rect& place, raster::Bitmap& target) {
        if (!image || (image->depth != 24 && image->depth != 32)) return false;
        const std::size_t bytes = std::size_t(place.width) * place.height * 4;
        if (static_cast<std::size_t>(xcb_get_image_data_length(image.get())) < bytes) return false;
        std::uint8_t* data = xcb_get_image_data(image.get());
        std::shared_ptr<xcb_get_image_reply_t> owner(image.release(), x11::FreeWithFree());
        target = raster::Bitmap::wrap(std::shared_ptr<std::uint8_t>(owner, data), place.width, place.height, place.width * 4, 24);
        return true;
    }

    std::shared_ptr<XConnection> connection_;
    std::unique_ptr<ScreenCapture> screen_;
    xcb_atom_t stacking_ = XCB_ATOM_NONE, clientList_ = XCB_ATOM_NONE, netWmName_ = XCB_ATOM_NONE, utf8_ = XCB_ATOM_NONE,
               netWmPid_ = XCB_ATOM_NONE;
    std::set<xcb_window_t> redirected_;
};

} // namespace

std::unique_ptr<WindowSystem> openWindowSystem() {
    auto connection = XConnection::open();
    if (!connection) return nullptr;
    if (!connection->rootIsBgra()) return nullptr;
    return std::make_unique<X11WindowSystem>(std::move(connection));
}

} // namespace vexmira::platform
