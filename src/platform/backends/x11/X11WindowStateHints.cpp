#include "XConnection.h"
#include "XcbHelpers.h"
#include "platform/WindowSystem.h"

#include <vector>

namespace vexmira::platform {

void settleWindowState(WindowHandle window, bool onTop) {
    const auto x = x11::XConnection::shared();
    if (!x || !window) return;
    xcb_connection_t* c = x->get();
    // Asked once per connection, all four together.
    const std::vector<xcb_atom_t> atoms = x->atoms(
        {"_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_ABOVE"});
    const xcb_atom_t state = atoms[0];
    const xcb_atom_t skip[2] = {atoms[1], atoms[2]};
    const xcb_atom_t above = onTop ? atoms[3] : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
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
