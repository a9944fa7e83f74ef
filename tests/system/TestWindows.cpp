#include "TestWindows.h"

#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

#include <xcb/randr.h>

namespace vexmira::testing {

TestDisplay::TestDisplay() {
    connection_ = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection_)) throw std::runtime_error("cannot connect to $DISPLAY");
    screen_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
}

TestDisplay::~TestDisplay() {
    xcb_disconnect(connection_);
}

void TestDisplay::sync() const {
    free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

void TestDisplay::warpPointer(int x, int y) const {
    xcb_warp_pointer(connection_, XCB_NONE, screen_->root, 0, 0, 0, 0, static_cast<std::int16_t>(x),
                     static_cast<std::int16_t>(y));
    sync();
}

int TestDisplay::monitorCount() const {
    auto* reply = xcb_randr_get_monitors_reply(
        connection_, xcb_randr_get_monitors(connection_, screen_->root, 1), nullptr);
    if (!reply) return -1;
    const int count = static_cast<int>(reply->nMonitors);
    free(reply);
    return count;
}

raster::Bgra patternPixel(int seed, int x, int y) {
    return raster::bgraFromRgba((x * 7 + y * 3 + seed * 40) & 0xFF, (x * 3 ^ y * 5) & 0xFF,
                                (seed * 90 + x + y * 11) & 0xFF);
}

PatternWindow::PatternWindow(const TestDisplay& display, raster::Rect place, int seed)
    : display_(display), place_(place) {
    create(false, "", seed);
}

PatternWindow::PatternWindow(const TestDisplay& display, raster::Rect place, int seed,
                             const std::string& title, bool undecorated, const std::string& className)
    : display_(display), place_(place) {
    create(true, title, seed, undecorated, className);
}

void PatternWindow::create(bool managed, const std::string& title, int seed, bool undecorated,
                           const std::string& className) {
    xcb_connection_t* c = display_.get();
    window_ = xcb_generate_id(c);
    const std::uint32_t values[] = {display_.screen()->black_pixel, managed ? 0u : 1u};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window_, display_.screen()->root,
                      static_cast<std::int16_t>(place_.x), static_cast<std::int16_t>(place_.y),
                      static_cast<std::uint16_t>(place_.width), static_cast<std::uint16_t>(place_.height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    if (managed) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            static_cast<std::uint32_t>(title.size()), title.data());
        const std::string wmClass = "pattern" + std::string(1, '\0') + className + std::string(1, '\0');
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            static_cast<std::uint32_t>(wmClass.size()), wmClass.data());
        // _NET_WM_PID: this test process made it.
        if (auto* pid = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 11, "_NET_WM_PID"), nullptr)) {
            const auto self = static_cast<std::uint32_t>(getpid());
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, pid->atom, XCB_ATOM_CARDINAL, 32, 1,
                                &self);
            free(pid);
        }
        // WM_NORMAL_HINTS: the user asked for this position.
        std::uint32_t hints[18] = {};
        hints[0] = 1; // USPosition
        hints[1] = static_cast<std::uint32_t>(place_.x);
        hints[2] = static_cast<std::uint32_t>(place_.y);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NORMAL_HINTS,
                            XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
        if (undecorated) { // _MOTIF_WM_HINTS: decorations given, none
            auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 15, "_MOTIF_WM_HINTS"), nullptr);
            const std::uint32_t motif[5] = {2, 0, 0, 0, 0};
            if (atom)
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, atom->atom, atom->atom, 32, 5, motif);
            free(atom);
        }
    }
    repaint(seed);
    xcb_map_window(c, window_);
    display_.sync();
    // A framed window shows once the window manager has put it up.
    for (int i = 0; i < 100; ++i) {
        auto* attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window_), nullptr);
        const bool shown = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        free(attributes);
        if (shown) break;
        usleep(20000);
    }
    if (!managed) return;
    // The window manager has framed it and put it in its place: its place on the screen is the
    // same in two looks 50 ms apart.
    raster::Rect last = placeOnScreen();
    for (int i = 0; i < 40; ++i) {
        usleep(50000);
        const raster::Rect now = placeOnScreen();
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window_), nullptr);
        const bool framed = tree && tree->parent != display_.screen()->root;
        free(tree);
        if (framed && now == last) break;
        last = now;
    }
}

raster::Rect PatternWindow::placeOnScreen() const {
    xcb_connection_t* c = display_.get();
    auto* at = xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window_, display_.screen()->root, 0, 0), nullptr);
    raster::Rect r{0, 0, place_.width, place_.height};
    if (at) {
        r.x = at->dst_x;
        r.y = at->dst_y;
        free(at);
    }
    return r;
}

PatternWindow::~PatternWindow() {
    xcb_destroy_window(display_.get(), window_);
    display_.sync();
}

void PatternWindow::repaint(int seed) {
    xcb_connection_t* c = display_.get();
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, display_.screen()->root_depth, pixmap, window_,
                      static_cast<std::uint16_t>(place_.width), static_cast<std::uint16_t>(place_.height));
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);
    std::vector<raster::Bgra> row(place_.width);
    for (int y = 0; y < place_.height; ++y) {
        for (int x = 0; x < place_.width; ++x)
            row[x] = patternPixel(seed, x, y);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, static_cast<std::uint16_t>(place_.width), 1,
                      0, static_cast<std::int16_t>(y), 0, display_.screen()->root_depth,
                      static_cast<std::uint32_t>(place_.width * 4),
                      reinterpret_cast<const std::uint8_t*>(row.data()));
    }
    xcb_change_window_attributes(c, window_, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_clear_area(c, 0, window_, 0, 0, 0, 0);
    xcb_free_gc(c, gc);
    xcb_free_pixmap(c, pixmap);
    display_.sync();
}

void PatternWindow::setSquareCursor(std::uint32_t foreground, std::uint32_t background, int hotX, int hotY) {
    xcb_connection_t* c = display_.get();
    // 16 x 16 bitmaps, one bit a pixel, rows padded to 32 bits: source 1 = foreground colour,
    // mask 1 = visible. The square covers 4..11; its outer ring (3 and 12) shows the background.
    std::uint32_t source[16] = {}, mask[16] = {};
    for (int y = 3; y <= 12; ++y)
        for (int x = 3; x <= 12; ++x) {
            mask[y] |= 1u << x;
            if (x >= 4 && x <= 11 && y >= 4 && y <= 11) source[y] |= 1u << x;
        }
    auto makeBitmap = [&](const std::uint32_t* bits) {
        const xcb_pixmap_t pixmap = xcb_generate_id(c);
        xcb_create_pixmap(c, 1, pixmap, window_, 16, 16);
        const xcb_gcontext_t gc = xcb_generate_id(c);
        xcb_create_gc(c, gc, pixmap, 0, nullptr);
        xcb_put_image(c, XCB_IMAGE_FORMAT_XY_PIXMAP, pixmap, gc, 16, 16, 0, 0, 0, 1, sizeof source,
                      reinterpret_cast<const std::uint8_t*>(bits));
        xcb_free_gc(c, gc);
        return pixmap;
    };
    const xcb_pixmap_t sourcePixmap = makeBitmap(source), maskPixmap = makeBitmap(mask);
    const xcb_cursor_t cursor = xcb_generate_id(c);
    auto channel16 = [](std::uint32_t rgb, int shift) {
        return static_cast<std::uint16_t>(((rgb >> shift) & 0xFF) * 257);
    };
    xcb_create_cursor(c, cursor, sourcePixmap, maskPixmap, channel16(foreground, 16),
                      channel16(foreground, 8), channel16(foreground, 0), channel16(background, 16),
                      channel16(background, 8), channel16(background, 0), static_cast<std::uint16_t>(hotX),
                      static_cast<std::uint16_t>(hotY));
    xcb_change_window_attributes(c, window_, XCB_CW_CURSOR, &cursor);
    xcb_free_cursor(c, cursor);
    xcb_free_pixmap(c, sourcePixmap);
    xcb_free_pixmap(c, maskPixmap);
    display_.sync();
}

int xConnectionsOf(long pid) {
    // Each line: type, state, queues, local address and inode, peer address and inode.
    std::set<std::string> clientEnds;
    if (FILE* pipe = ::popen("ss -xn 2>/dev/null", "r")) {
        char line[1024];
        while (std::fgets(line, sizeof line, pipe)) {
            std::istringstream fields(line);
            std::string type, state, receive, send, local, localInode, peer, peerInode;
            if (!(fields >> type >> state >> receive >> send >> local >> localInode >> peer >> peerInode))
                continue;
            if (local.find(".X11-unix/X") != std::string::npos) clientEnds.insert(peerInode);
        }
        ::pclose(pipe);
    }
    int count = 0;
    std::error_code error;
    for (const auto& fd :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        const std::string target = std::filesystem::read_symlink(fd.path(), error).string();
        if (target.rfind("socket:[", 0) == 0 && clientEnds.count(target.substr(8, target.size() - 9)))
            ++count;
    }
    return count;
}

} // namespace vexmira::testing
