#include "XConnection.h"

#include "XcbHelpers.h"

#include <cstdio>
#include <mutex>

#include <xcb/composite.h>
#include <xcb/randr.h>
#include <xcb/shm.h>
#include <xcb/xfixes.h>

namespace vexmira::platform::x11 {

std::shared_ptr<XConnection> XConnection::open(const char* displayName) {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(displayName, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "vexmira: cannot open the X display %s\n",
                     displayName ? displayName : "(DISPLAY)");
        xcb_disconnect(connection);
        return nullptr;
    }
    return std::shared_ptr<XConnection>(new XConnection(connection, screenNumber));
}

std::shared_ptr<XConnection> XConnection::shared() {
    static std::mutex mutex;
    static std::weak_ptr<XConnection> current;
    static bool failed = false;
    std::lock_guard lock(mutex);
    if (auto connection = current.lock(); connection && !connection->isBroken()) return connection;
    if (failed) return nullptr;
    auto connection = open();
    failed = !connection;
    current = connection;
    return connection;
}

XConnection::XConnection(xcb_connection_t* connection, int screenNumber) : connection_(connection) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber && it.rem > 1; ++i)
        xcb_screen_next(&it);
    screen_ = it.data;
    checkExtensions();
    checkRootFormat();
}

XConnection::~XConnection() {
    xcb_disconnect(connection_);
}

std::pair<int, int> XConnection::rootSize() const {
    auto geometry = VEXMIRA_XCB_REPLY(xcb_get_geometry, connection_, connection_, screen_->root);
    if (!geometry) return {screen_->width_in_pixels, screen_->height_in_pixels};
    return {geometry->width, geometry->height};
}

void XConnection::checkExtensions() {
    // Ask for all three at once; each answer says whether the extension is there. An SHM request
    // to a server without the extension would close the connection, so nothing is sent before.
    xcb_prefetch_extension_data(connection_, &xcb_shm_id);
    xcb_prefetch_extension_data(connection_, &xcb_xfixes_id);
    xcb_prefetch_extension_data(connection_, &xcb_composite_id);
    xcb_prefetch_extension_data(connection_, &xcb_randr_id);
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(connection_, &xcb_shm_id);
    const xcb_query_extension_reply_t* fixes = xcb_get_extension_data(connection_, &xcb_xfixes_id);
    const xcb_query_extension_reply_t* composite = xcb_get_extension_data(connection_, &xcb_composite_id);
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(connection_, &xcb_randr_id);
    hasShm_ = shm && shm->present;
    if (fixes && fixes->present) {
        // XFixes answers nothing until the client has told it which version it speaks.
        auto version = VEXMIRA_XCB_REPLY(xcb_xfixes_query_version, connection_, connection_, 4, 0);
        hasXFixes_ = version && version->major_version >= 2;
    }
    if (composite && composite->present) {
        auto version = VEXMIRA_XCB_REPLY(xcb_composite_query_version, connection_, connection_, 0, 4);
        hasComposite_ = version && (version->major_version > 0 || version->minor_version >= 2);
    }
    if (randr && randr->present) {
        auto version = VEXMIRA_XCB_REPLY(xcb_randr_query_version, connection_, connection_, 1, 5);
        hasMonitors_ = version && (version->major_version > 1 || version->minor_version >= 5);
    }
    if (!hasShm_)
        std::fprintf(stderr, "vexmira: the X server has no MIT-SHM; screen capture uses plain requests\n");
    if (!hasXFixes_)
        std::fprintf(stderr, "vexmira: the X server has no XFixes; the cursor image is not available\n");
}

void XConnection::checkRootFormat() {
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    bool thirtyTwoBits = false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == screen_->root_depth) thirtyTwoBits = it.data->bits_per_pixel == 32;
    bool bgrMasks = false;
    for (auto depths = xcb_screen_allowed_depths_iterator(screen_); depths.rem; xcb_depth_next(&depths))
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
             xcb_visualtype_next(&visuals))
            if (visuals.data->visual_id == screen_->root_visual)
                bgrMasks = visuals.data->red_mask == 0xFF0000 && visuals.data->green_mask == 0xFF00 &&
                           visuals.data->blue_mask == 0xFF;
    rootIsBgra_ = thirtyTwoBits && bgrMasks && setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST &&
                  (screen_->root_depth == 24 || screen_->root_depth == 32);
}

} // namespace vexmira::platform::x11
