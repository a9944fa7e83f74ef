#include "WindowsOfClass.h"

#include "WindowText.h"
#include "XcbHelpers.h"

#include <algorithm>

namespace vexmira::platform::x11 {

namespace {

// WM_CLASS holds the instance name, a NUL, then the class name (Latin-1 both).
std::string classNameOf(const xcb_get_property_reply_t* reply) {
    if (!reply || reply->format != 8) return {};
    const char* data = static_cast<const char*>(xcb_get_property_value(reply));
    const std::string value(data, static_cast<std::size_t>(xcb_get_property_value_length(reply)));
    const auto nul = value.find('\0');
    std::string name = nul == std::string::npos ? value : value.substr(nul + 1);
    if (const auto end = name.find('\0'); end != std::string::npos) name.resize(end);
    return latin1ToUtf8(name);
}

} // namespace

std::vector<std::string> WindowsOfClass::classesBelow(const std::vector<xcb_window_t>& tops) {
    xcb_connection_t* c = connection_->get();
    std::vector<std::string> found(tops.size());
    std::vector<bool> done(tops.size(), false);
    // The windows looked at on the current level, each with the top it belongs to.
    std::vector<std::pair<std::size_t, xcb_window_t>> level;
    for (std::size_t i = 0; i < tops.size(); ++i)
        level.push_back({i, tops[i]});
    for (int depth = 0; depth < 3 && !level.empty(); ++depth) {
        std::vector<xcb_get_property_cookie_t> classes;
        std::vector<xcb_query_tree_cookie_t> trees;
        for (const auto& [top, window] : level) {
            classes.push_back(xcb_get_property(c, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256));
            trees.push_back(xcb_query_tree(c, window));
        }
        std::vector<std::pair<std::size_t, xcb_window_t>> next;
        for (std::size_t k = 0; k < level.size(); ++k) {
            const std::size_t top = level[k].first;
            XcbReply<xcb_get_property_reply_t> named(xcb_get_property_reply(c, classes[k], nullptr));
            XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, trees[k], nullptr));
            if (done[top]) continue;
            if (named && named->type == XCB_ATOM_STRING) {
                found[top] = classNameOf(named.get());
                done[top] = true;
                continue;
            }
            if (!tree) continue;
            const xcb_window_t* children = xcb_query_tree_children(tree.get());
            for (int j = 0; j < xcb_query_tree_children_length(tree.get()); ++j)
                next.push_back({top, children[j]});
        }
        level = std::move(next);
    }
    return found;
}

std::vector<raster::Rect> WindowsOfClass::frames(const std::vector<std::string>& classes) {
    xcb_connection_t* c = connection_->get();
    XcbReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, connection_->root()), nullptr));
    if (!tree) return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const std::vector<xcb_window_t> all(children, children + xcb_query_tree_children_length(tree.get()));
    std::vector<xcb_get_window_attributes_cookie_t> states;
    states.reserve(all.size());
    for (xcb_window_t window : all)
        states.push_back(xcb_get_window_attributes(c, window));
    std::vector<xcb_window_t> mapped;
    for (std::size_t i = 0; i < all.size(); ++i) {
        XcbReply<xcb_get_window_attributes_reply_t> state(
            xcb_get_window_attributes_reply(c, states[i], nullptr));
        if (state && state->map_state == XCB_MAP_STATE_VIEWABLE) mapped.push_back(all[i]);
    }
    // A frame may be reused for another client after it was unmapped: only mapped ones are known.
    std::map<xcb_window_t, std::string> known;
    std::vector<xcb_window_t> unknown;
    for (xcb_window_t window : mapped) {
        const auto it = classOf_.find(window);
        if (it != classOf_.end())
            known.insert(*it);
        else
            unknown.push_back(window);
    }
    const std::vector<std::string> learned = classesBelow(unknown);
    for (std::size_t i = 0; i < unknown.size(); ++i)
        known[unknown[i]] = learned[i];
    classOf_ = std::move(known);

    std::vector<xcb_get_geometry_cookie_t> places;
    for (xcb_window_t window : mapped)
        if (!classOf_[window].empty() &&
            std::find(classes.begin(), classes.end(), classOf_[window]) != classes.end())
            places.push_back(xcb_get_geometry(c, window));
    std::vector<raster::Rect> result;
    for (xcb_get_geometry_cookie_t cookie : places) {
        XcbReply<xcb_get_geometry_reply_t> g(xcb_get_geometry_reply(c, cookie, nullptr));
        if (g)
            result.push_back({g->x, g->y, g->width + 2 * g->border_width, g->height + 2 * g->border_width});
    }
    return result;
}

ServerHold::ServerHold(xcb_connection_t* connection) : connection_(connection) {
    xcb_grab_server(connection_);
}

ServerHold::~ServerHold() {
    xcb_ungrab_server(connection_);
    xcb_flush(connection_);
}

} // namespace vexmira::platform::x11
