#include "platform/WindowSystem.h"
#include "platform/backends/Backends.h"

#include "platform/DamageWatch.h"
#include "platform/ScreenCapture.h"

#include "ShmSegmentPool.h"
#include "WindowText.h"
#include "WindowsOfClass.h"
#include "XConnection.h"
#include "XcbHelpers.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <thread>

#include <xcb/composite.h>

namespace vexmira::platform {

namespace {

using x11::XcbReply;
using x11::XConnection;
using Clock = std::chrono::steady_clock;

// How long a client gets to redraw a window after its drawing went off-screen: the parts that
// were covered are drawn anew only when the client answers the exposure.
constexpr auto redrawTime = std::chrono::milliseconds(200);

class X11WindowSystem final : public WindowSystem {
  public:
    explicit X11WindowSystem(std::shared_ptr<XConnection> connection)
        : connection_(std::move(connection)), screen_(openScreenCapture()), ofClass_(connection_),
          pool_(connection_->hasShm() ? std::make_shared<x11::ShmSegmentPool>(connection_) : nullptr) {
        const std::vector<xcb_atom_t> atoms =
            connection_->atoms({"_NET_CLIENT_LIST_STACKING", "_NET_CLIENT_LIST", "_NET_WM_NAME",
                                "UTF8_STRING", "_NET_WM_PID", "_NET_WM_WINDOW_TYPE",
                                "_NET_WM_WINDOW_TYPE_DESKTOP", "_NET_WM_WINDOW_TYPE_DOCK", "COMPOUND_TEXT"});
        xcb_atom_t* slots[] = {&stacking_,   &clientList_,  &netWmName_, &utf8_,        &netWmPid_,
                               &windowType_, &typeDesktop_, &typeDock_,  &compoundText_};
        for (std::size_t i = 0; i < atoms.size(); ++i)
            *slots[i] = atoms[i];
    }

    ~X11WindowSystem() override { releaseCaptures(0); }

    std::vector<TopLevelWindow> topLevelWindows() override {
        std::vector<xcb_window_t> windows = rootList(stacking_);
        if (windows.empty()) windows = rootList(clientList_);
        if (windows.empty()) windows = rootChildren();
        std::reverse(windows.begin(), windows.end()); // the lists run bottom to top
        return describe(windows);
    }

    raster::Rect frameOf(WindowHandle window) override {
        const std::vector<xcb_window_t> frame = frameWindows({static_cast<xcb_window_t>(window)});
        return geometries(frame).front();
    }

    std::vector<raster::Rect> framesOfClasses(const std::vector<std::string>& classes,
                                              const std::function<void()>& alongside) override {
        x11::ServerHold hold(connection_->get());
        std::vector<raster::Rect> frames = ofClass_.frames(classes);
        alongside();
        return frames;
    }

    bool captureWindow(WindowHandle handle, WindowCaptureMethod method, raster::Bitmap& target) override {
        target = raster::Bitmap();
        const xcb_window_t frame = frameWindows({static_cast<xcb_window_t>(handle)}).front();
        const raster::Rect place = geometries({frame}).front();
        if (place.isEmpty()) return false;
        if (method == WindowCaptureMethod::OwnDrawing && connection_->hasComposite()) {
            captured_[handle] = frame;
            return captureOwnDrawing(frame, place, target);
        }
        return captureScreenArea(place, target);
    }

    bool ownDrawingChanged(WindowHandle handle) override {
        const auto frame = captured_.find(handle);
        if (frame == captured_.end()) return true;
        auto& watch = damage_[frame->second];
        if (!watch) watch = watchWindowDamage(frame->second);
        if (!watch) return true;
        const auto drawn = watch->takeDamage(1);
        if (!drawn) damage_.erase(frame->second); // lost track: a new watch next time
        return !drawn || !drawn->empty();
    }

    void prepareCapture(const std::vector<WindowHandle>& windows) override {
        if (!connection_->hasComposite()) return;
        std::vector<xcb_window_t> ids;
        for (WindowHandle window : windows)
            ids.push_back(static_cast<xcb_window_t>(window));
        for (xcb_window_t frame : frameWindows(ids))
            if (frame != XCB_WINDOW_NONE) redirect(frame);
        xcb_flush(connection_->get());
    }

    void releaseCaptures(WindowHandle keep) override {
        const xcb_window_t kept =
            keep ? frameWindows({static_cast<xcb_window_t>(keep)}).front() : xcb_window_t{XCB_WINDOW_NONE};
        xcb_connection_t* c = connection_->get();
        for (auto it = redirected_.begin(); it != redirected_.end();) {
            if (it->first == kept) {
                ++it;
                continue;
            }
            // A window that is gone answers with an error, which is of no interest.
            xcb_discard_reply(
                c, xcb_composite_unredirect_window_checked(c, it->first, XCB_COMPOSITE_REDIRECT_AUTOMATIC)
                       .sequence);
            damage_.erase(it->first);
            it = redirected_.erase(it);
        }
        std::erase_if(captured_, [&](const auto& entry) { return entry.second != kept; });
        xcb_flush(c);
    }

  private:
    std::vector<xcb_window_t> rootList(xcb_atom_t name) {
        if (name == XCB_ATOM_NONE) return {};
        xcb_connection_t* c = connection_->get();
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, connection_->root(), name, XCB_ATOM_WINDOW, 0, 1u << 20), nullptr));
        if (!reply || reply->type != XCB_ATOM_WINDOW || reply->format != 32) return {};
        const auto* data = static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
        return std::vector<xcb_window_t>(data, data + xcb_get_property_value_length(reply.get()) / 4);
    }

    std::vector<xcb_window_t> rootChildren() {
        xcb_connection_t* c = connection_->get();
        XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(c, xcb_query_tree(c, connection_->root()), nullptr));
        if (!tree) return {};
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        return std::vector<xcb_window_t>(children, children + xcb_query_tree_children_length(tree.get()));
    }

    // For each window the ancestor that is a child of the root (the window manager's frame, or
    // the window itself); XCB_WINDOW_NONE for a window that is gone. One round trip per level
    // of nesting for all windows together.
    std::vector<xcb_window_t> frameWindows(const std::vector<xcb_window_t>& windows) {
        xcb_connection_t* c = connection_->get();
        std::vector<xcb_window_t> current = windows;
        std::vector<bool> done(windows.size(), false);
        for (int depth = 0; depth < 16; ++depth) {
            std::vector<xcb_query_tree_cookie_t> cookies(windows.size());
            bool any = false;
            for (std::size_t i = 0; i < windows.size(); ++i)
                if (!done[i]) cookies[i] = xcb_query_tree(c, current[i]), any = true;
            if (!any) break;
            for (std::size_t i = 0; i < windows.size(); ++i) {
                if (done[i]) continue;
                XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, cookies[i], nullptr));
                if (!tree)
                    current[i] = XCB_WINDOW_NONE, done[i] = true;
                else if (tree->parent == connection_->root() || tree->parent == XCB_WINDOW_NONE)
                    done[i] = true;
                else
                    current[i] = tree->parent;
            }
        }
        return current;
    }

    // Each window's rectangle, border included; empty for a window that is gone.
    std::vector<raster::Rect> geometries(const std::vector<xcb_window_t>& windows) {
        xcb_connection_t* c = connection_->get();
        std::vector<xcb_get_geometry_cookie_t> cookies;
        for (xcb_window_t window : windows)
            cookies.push_back(xcb_get_geometry(c, window));
        std::vector<raster::Rect> result;
        for (std::size_t i = 0; i < windows.size(); ++i) {
            XcbReply<xcb_get_geometry_reply_t> g(xcb_get_geometry_reply(c, cookies[i], nullptr));
            if (!g || windows[i] == XCB_WINDOW_NONE)
                result.push_back({});
            else
                result.push_back(
                    {g->x, g->y, g->width + 2 * g->border_width, g->height + 2 * g->border_width});
        }
        return result;
    }

    struct PropertyCookies {
        xcb_get_property_cookie_t wmClass, netName, wmName, pid, type;
        xcb_get_window_attributes_cookie_t attributes;
    };

    // Every request for every window is sent before the first answer is read.
    std::vector<TopLevelWindow> describe(const std::vector<xcb_window_t>& windows) {
        xcb_connection_t* c = connection_->get();
        constexpr std::uint32_t longs = 1u << 16;
        std::vector<PropertyCookies> cookies;
        cookies.reserve(windows.size());
        for (xcb_window_t w : windows)
            cookies.push_back(
                {xcb_get_property(c, 0, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, longs),
                 xcb_get_property(c, 0, w, netWmName_, utf8_, 0, longs),
                 xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, longs),
                 xcb_get_property(c, 0, w, netWmPid_, XCB_ATOM_CARDINAL, 0, 1),
                 xcb_get_property(c, 0, w, windowType_, XCB_ATOM_ATOM, 0, 64),
                 xcb_get_window_attributes(c, w)});
        const std::vector<xcb_window_t> frames = frameWindows(windows);
        const std::vector<raster::Rect> places = geometries(frames);
        std::vector<TopLevelWindow> result(windows.size());
        for (std::size_t i = 0; i < windows.size(); ++i) {
            TopLevelWindow& info = result[i];
            const PropertyCookies& k = cookies[i];
            info.handle = windows[i];
            const std::string wmClass = bytesOf(reply(k.wmClass));
            // WM_CLASS holds the instance name, a NUL, then the class name (Latin-1 both).
            const auto nul = wmClass.find('\0');
            std::string className = nul == std::string::npos ? wmClass : wmClass.substr(nul + 1);
            if (const auto end = className.find('\0'); end != std::string::npos) className.resize(end);
            info.className = x11::latin1ToUtf8(className);
            const auto netName = reply(k.netName);
            if (netName && netName->type == utf8_) info.title = bytesOf(netName);
            if (info.title.empty()) {
                const auto wmName = reply(k.wmName);
                if (wmName) info.title = x11::windowTextToUtf8(bytesOf(wmName), textKind(wmName->type));
            }
            const auto pid = reply(k.pid);
            if (pid && pid->format == 32 && xcb_get_property_value_length(pid.get()) >= 4)
                info.processId =
                    static_cast<long>(*static_cast<const std::uint32_t*>(xcb_get_property_value(pid.get())));
            if (const auto types = reply(k.type); types && types->format == 32) {
                const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(types.get()));
                const int n = xcb_get_property_value_length(types.get()) / 4;
                info.desktopOrDock = std::any_of(atoms, atoms + n, [this](xcb_atom_t a) {
                    return a != XCB_ATOM_NONE && (a == typeDesktop_ || a == typeDock_);
                });
            }
            XcbReply<xcb_get_window_attributes_reply_t> attributes(
                xcb_get_window_attributes_reply(c, k.attributes, nullptr));
            info.visible = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
            info.frame = places[i];
        }
        return result;
    }

    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_cookie_t cookie) {
        return XcbReply<xcb_get_property_reply_t>(
            xcb_get_property_reply(connection_->get(), cookie, nullptr));
    }

    static std::string bytesOf(const XcbReply<xcb_get_property_reply_t>& reply) {
        if (!reply || reply->type == XCB_ATOM_NONE || reply->format != 8) return {};
        const char* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
        return std::string(data, static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
    }

    x11::TextKind textKind(xcb_atom_t type) const {
        if (type == utf8_) return x11::TextKind::Utf8;
        if (type == compoundText_) return x11::TextKind::CompoundText;
        return x11::TextKind::Latin1;
    }

    void redirect(xcb_window_t frame) {
        if (redirected_.count(frame)) return;
        xcb_connection_t* c = connection_->get();
        // Already redirected by a compositing manager is fine too: the error is of no interest.
        xcb_discard_reply(
            c, xcb_composite_redirect_window_checked(c, frame, XCB_COMPOSITE_REDIRECT_AUTOMATIC).sequence);
        redirected_[frame] = Clock::now();
    }

    bool captureOwnDrawing(xcb_window_t frame, const raster::Rect& place, raster::Bitmap& target) {
        xcb_connection_t* c = connection_->get();
        redirect(frame);
        // A window whose drawing has only just gone off-screen is given the time to redraw
        // what was covered; later captures do not wait.
        const auto since = Clock::now() - redirected_[frame];
        if (since < redrawTime) {
            connection_->sync();
            std::this_thread::sleep_for(redrawTime - since);
        }
        const xcb_pixmap_t pixmap = xcb_generate_id(c);
        XcbReply<xcb_generic_error_t> error(
            xcb_request_check(c, xcb_composite_name_window_pixmap_checked(c, frame, pixmap)));
        if (error) return false;
        const bool shared = pool_ && captureShared(pixmap, place, target);
        if (shared) {
            xcb_free_pixmap(c, pixmap);
            return true;
        }
        XcbReply<xcb_get_image_reply_t> image(xcb_get_image_reply(
            c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, 0, 0, static_cast<std::uint16_t>(place.width),
                          static_cast<std::uint16_t>(place.height), ~0u),
            nullptr));
        xcb_free_pixmap(c, pixmap);
        return toBitmap(std::move(image), place, target);
    }

    // The window's pixmap through shared memory: no pixel passes through the socket.
    bool captureShared(xcb_pixmap_t pixmap, const raster::Rect& place, raster::Bitmap& target) {
        xcb_connection_t* c = connection_->get();
        const x11::ShmSegment* segment = nullptr;
        std::shared_ptr<std::uint8_t> storage =
            pool_->acquire(std::size_t(place.width) * place.height * 4, &segment);
        if (!storage) {
            pool_.reset();
            return false;
        }
        auto reply = VEXMIRA_XCB_REPLY(
            xcb_shm_get_image, c, c, pixmap, 0, 0, static_cast<std::uint16_t>(place.width),
            static_cast<std::uint16_t>(place.height), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, segment->id(), 0);
        if (!reply || (reply->depth != 24 && reply->depth != 32)) return false;
        target = raster::Bitmap::wrap(std::move(storage), place.width, place.height, place.width * 4, 24);
        return true;
    }

    // The screen's pixels at the window's place, through the (shared-memory) screen capture;
    // parts off the screen come out black, so the picture keeps the window's size.
    bool captureScreenArea(const raster::Rect& place, raster::Bitmap& target) {
        return screen_ && screen_->capture(place, target);
    }

    // 24- and 32-bit images come as 32-bit words per pixel in our byte order; the reply's memory
    // becomes the picture's.
    static bool toBitmap(XcbReply<xcb_get_image_reply_t> image, const raster::Rect& place,
                         raster::Bitmap& target) {
        if (!image || (image->depth != 24 && image->depth != 32)) return false;
        const std::size_t bytes = std::size_t(place.width) * place.height * 4;
        if (static_cast<std::size_t>(xcb_get_image_data_length(image.get())) < bytes) return false;
        std::uint8_t* data = xcb_get_image_data(image.get());
        std::shared_ptr<xcb_get_image_reply_t> owner(image.release(), x11::FreeWithFree());
        target = raster::Bitmap::wrap(std::shared_ptr<std::uint8_t>(owner, data), place.width, place.height,
                                      place.width * 4, 24);
        return true;
    }

    std::shared_ptr<XConnection> connection_;
    std::unique_ptr<ScreenCapture> screen_;
    x11::WindowsOfClass ofClass_;
    xcb_atom_t stacking_ = XCB_ATOM_NONE, clientList_ = XCB_ATOM_NONE, netWmName_ = XCB_ATOM_NONE,
               utf8_ = XCB_ATOM_NONE, netWmPid_ = XCB_ATOM_NONE, windowType_ = XCB_ATOM_NONE,
               typeDesktop_ = XCB_ATOM_NONE, typeDock_ = XCB_ATOM_NONE, compoundText_ = XCB_ATOM_NONE;
    std::map<xcb_window_t, Clock::time_point> redirected_;
    std::shared_ptr<x11::ShmSegmentPool> pool_;
    std::map<WindowHandle, xcb_window_t> captured_;               // the frame each window was copied from
    std::map<xcb_window_t, std::unique_ptr<DamageWatch>> damage_; // drawing into those frames
};

} // namespace

std::unique_ptr<WindowSystem> x11::openWindowSystem() {
    auto connection = XConnection::shared();
    if (!connection) return nullptr;
    if (!connection->rootIsBgra()) return nullptr;
    return std::make_unique<X11WindowSystem>(std::move(connection));
}

} // namespace vexmira::platform
