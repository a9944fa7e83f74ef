#include "XConnection.h"
#include "XcbHelpers.h"
#include "platform/WindowSystem.h"

#include <cstring>

namespace vexmira::platform {

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    x11::XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

} // namespace

void settleWindowState(WindowHandle window, bool onTop) {
    const auto x = x11::XConnection::shared();
    if (!x || !window) return;
    xcb_connection_t* c = x->get();
    const xcb_atom_t state = atom(c, "_NET_WM_STATE");
    const xcb_atom_t skip[2] = {atom(c, "_NET_WM_STATE_SKIP_TASKBAR"), atom(c, "_NET_WM_STATE_SKIP_PAGER")};
    const xcb_atom_t above = onTop ? atom(c, "_NET_WM_STATE_ABOVE") : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    if (state == XCB_ATOM_NONE || skip[0] == XCB_ATOM_NONE) return;
    const auto id = static_cast<xcb_window_t>(window);

    // A window the manager has taken: ask it. One not mapped yet: the property it will read.
    x11::XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id), nullptr));
    if (!attributes) return;
    if (attributes->map_state == XCB_MAP_STATE_UNMAPPED) {
        const xcb_atom_t wanted[3] = {skip[0], skip[1], above};
        xcb_change_property(c, XCB_PROP_MODE_APPEND, id, state, XCB_ATOM_ATOM, 32, above ? 3 : 2, wanted);
    } else {
        // One message adds at most two states.
        auto add = [&](xcb_atom_t first, xcb_atom_t second) {
            xcb_client_message_event_t message{};
            message.response_type = XCB_CLIENT_MESSAGE;
            message.format = 32;
            message.window = id;
            message.type = state;
            message.data.data32[0] = 1; // add
            message.data.data32[1] = first;
            message.data.data32[2] = second;
            message.data.data32[3] = 1; // from an application
            xcb_send_event(c, 0, x->root(),
                           XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                           reinterpret_cast<const char*>(&message));
        };
        add(skip[0], skip[1]);
        if (above != XCB_ATOM_NONE) add(above, XCB_ATOM_NONE);
    }
    xcb_flush(c);
}

} // namespace vexmira::platform
