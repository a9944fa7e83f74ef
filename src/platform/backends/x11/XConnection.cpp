#include "XConnection.h"

#include "XcbHelpers.h"
#include "platform/Log.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include <xcb/composite.h>
#include <xcb/damage.h>
#include <xcb/randr.h>
#include <xcb/render.h>
#include <xcb/shm.h>
#include <xcb/xfixes.h>

namespace vexmira::platform::x11 {

namespace {

struct ExtensionFacts {
    xcb_extension_t* id;
    const char* name;
    const char* without; // what the program does without it
};

// In the order of Extension.
const ExtensionFacts facts[extensionCount] = {
    {&xcb_shm_id, "MIT-SHM", "screen capture uses plain requests"},
    {&xcb_xfixes_id, "XFIXES 2", "the cursor image and damage reports are not available"},
    {&xcb_composite_id, "Composite 0.2", "a covered window cannot be mirrored by its own drawing"},
    {&xcb_randr_id, "RandR 1.5", "the monitors come from the toolkit alone"},
    {&xcb_damage_id, "DAMAGE", "mirrors copy the whole picture on every tick"},
    {&xcb_render_id, "RENDER 0.6", "the display does not scale mirrors itself"},
};

// Each missing extension is said once, however many connections find it missing.
std::atomic<unsigned> missingSaid{0};

std::weak_ptr<XConnection>& sharedSlot() {
    static std::weak_ptr<XConnection> current;
    return current;
}

std::mutex& sharedMutex() {
    static std::mutex mutex;
    return mutex;
}

// The object an event is about, when it is one we route: the window of an exposure or a
// destruction, the damage object of a report, the root for a key taken there and for a change
// of the keyboard's mapping.
std::uint32_t subjectOf(const xcb_generic_event_t& event, std::uint8_t damageEvent, xcb_window_t root) {
    const int type = event.response_type & 0x7F;
    if (type == XCB_KEY_PRESS) return reinterpret_cast<const xcb_key_press_event_t&>(event).event;
    if (type == XCB_MAPPING_NOTIFY) return root;
    if (type == XCB_EXPOSE) return reinterpret_cast<const xcb_expose_event_t&>(event).window;
    if (type == XCB_DESTROY_NOTIFY) return reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window;
    if (damageEvent && type == damageEvent + XCB_DAMAGE_NOTIFY)
        return reinterpret_cast<const xcb_damage_notify_event_t&>(event).damage;
    return 0;
}

} // namespace

std::shared_ptr<XConnection> XConnection::open(const char* displayName) {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(displayName, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        logLine(logDisplay, LogLevel::Warning,
                std::string("cannot open the X display ") + (displayName ? displayName : "(DISPLAY)"));
        xcb_disconnect(connection);
        return nullptr;
    }
    return std::shared_ptr<XConnection>(new XConnection(connection, screenNumber));
}

std::shared_ptr<XConnection> XConnection::shared() {
    static bool failed = false;
    std::lock_guard lock(sharedMutex());
    if (auto connection = sharedSlot().lock(); connection && !connection->isBroken()) return connection;
    if (failed) return nullptr;
    auto connection = open();
    failed = !connection;
    sharedSlot() = connection;
    return connection;
}

std::shared_ptr<XConnection> XConnection::sharedIfOpen() {
    std::lock_guard lock(sharedMutex());
    return sharedSlot().lock();
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
    // Ask about all at once; each answer says whether the extension is there. A request of an
    // extension the server lacks would close the connection, so none is sent before.
    for (const ExtensionFacts& f : facts)
        xcb_prefetch_extension_data(connection_, f.id);
    bool present[extensionCount] = {};
    for (int i = 0; i < extensionCount; ++i) {
        const xcb_query_extension_reply_t* reply = xcb_get_extension_data(connection_, facts[i].id);
        present[i] = reply && reply->present;
        if (!present[i]) continue;
        extensions_[i].majorOpcode = reply->major_opcode;
        extensions_[i].firstEvent = reply->first_event;
        extensions_[i].firstError = reply->first_error;
    }
    queryVersions(present);
    for (int i = 0; i < extensionCount; ++i) {
        if (extensions_[i].usable) continue;
        const unsigned bit = 1u << i;
        if (missingSaid.fetch_or(bit) & bit) continue;
        logLine(logDisplay, LogLevel::Info,
                std::string("the X server has no ") + facts[i].name + "; " + facts[i].without);
    }
}

void XConnection::queryVersions(const bool present[]) {
    auto at = [&](Extension e) { return static_cast<int>(e); };
    // The versions are asked together too. Each extension answers nothing until the client has
    // told it which version it speaks.
    using Xfixes = xcb_xfixes_query_version_cookie_t;
    Xfixes xfixes{};
    xcb_composite_query_version_cookie_t composite{};
    xcb_randr_query_version_cookie_t randr{};
    xcb_damage_query_version_cookie_t damage{};
    xcb_render_query_version_cookie_t render{};
    if (present[at(Extension::XFixes)]) xfixes = xcb_xfixes_query_version(connection_, 4, 0);
    if (present[at(Extension::Composite)]) composite = xcb_composite_query_version(connection_, 0, 4);
    if (present[at(Extension::RandR)]) randr = xcb_randr_query_version(connection_, 1, 5);
    if (present[at(Extension::Damage)]) damage = xcb_damage_query_version(connection_, 1, 1);
    if (present[at(Extension::Render)]) render = xcb_render_query_version(connection_, 0, 11);
    extensions_[at(Extension::Shm)].usable = present[at(Extension::Shm)];
    if (present[at(Extension::XFixes)]) {
        XcbReply<xcb_xfixes_query_version_reply_t> v(
            xcb_xfixes_query_version_reply(connection_, xfixes, nullptr));
        extensions_[at(Extension::XFixes)].usable = v && v->major_version >= 2;
    }
    if (present[at(Extension::Composite)]) {
        XcbReply<xcb_composite_query_version_reply_t> v(
            xcb_composite_query_version_reply(connection_, composite, nullptr));
        extensions_[at(Extension::Composite)].usable = v && (v->major_version > 0 || v->minor_version >= 2);
    }
    if (present[at(Extension::RandR)]) {
        XcbReply<xcb_randr_query_version_reply_t> v(
            xcb_randr_query_version_reply(connection_, randr, nullptr));
        extensions_[at(Extension::RandR)].usable = v && (v->major_version > 1 || v->minor_version >= 5);
    }
    if (present[at(Extension::Damage)]) {
        XcbReply<xcb_damage_query_version_reply_t> v(
            xcb_damage_query_version_reply(connection_, damage, nullptr));
        extensions_[at(Extension::Damage)].usable = v != nullptr;
    }
    if (present[at(Extension::Render)]) {
        XcbReply<xcb_render_query_version_reply_t> v(
            xcb_render_query_version_reply(connection_, render, nullptr));
        // Transforms and filters came with 0.6.
        extensions_[at(Extension::Render)].usable = v && (v->major_version > 0 || v->minor_version >= 6);
    }
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

std::vector<xcb_atom_t> XConnection::atoms(std::initializer_list<const char*> names) {
    std::lock_guard lock(atomsMutex_);
    std::vector<std::pair<const char*, xcb_intern_atom_cookie_t>> asked;
    for (const char* name : names)
        if (!atoms_.count(name))
            asked.emplace_back(
                name, xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name));
    for (const auto& [name, cookie] : asked) {
        XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection_, cookie, nullptr));
        // A refusal is not kept: the next call asks again.
        if (reply) atoms_[name] = reply->atom;
    }
    std::vector<xcb_atom_t> result;
    for (const char* name : names) {
        const auto known = atoms_.find(name);
        result.push_back(known == atoms_.end() ? xcb_atom_t{XCB_ATOM_NONE} : known->second);
    }
    return result;
}

void XConnection::sync() {
    XcbReply<xcb_get_input_focus_reply_t>(
        xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

void XConnection::listen(std::uint32_t id, EventListener* listener) {
    listeners_.emplace(id, listener);
}

void XConnection::stopListening(std::uint32_t id, EventListener* listener) {
    std::erase_if(listeners_,
                  [&](const auto& entry) { return entry.first == id && entry.second == listener; });
}

std::vector<EventListener*> XConnection::listenersOf(std::uint32_t id) const {
    std::vector<EventListener*> found;
    const auto [from, to] = listeners_.equal_range(id);
    for (auto it = from; it != to; ++it)
        found.push_back(it->second);
    return found;
}

void XConnection::dispatch(bool readSocket) {
    // A listener may call back into something that dispatches: the loop running already
    // hands out what arrives meanwhile.
    if (dispatching_) return;
    dispatching_ = true;
    for (;;) {
        XcbReply<xcb_generic_event_t> event(readSocket ? xcb_poll_for_event(connection_)
                                                       : xcb_poll_for_queued_event(connection_));
        if (!event) break;
        route(*event);
    }
    dispatching_ = false;
}

void XConnection::route(const xcb_generic_event_t& event) {
    if (event.response_type == 0) {
        const auto& error = reinterpret_cast<const xcb_generic_error_t&>(event);
        const std::vector<EventListener*> told = listenersOf(error.resource_id);
        if (told.empty()) logError(error);
        // Each is looked up again: one may have stopped another meanwhile.
        for (EventListener* listener : told)
            if (isListening(error.resource_id, listener)) listener->handleError(error);
        return;
    }
    const std::uint32_t subject = subjectOf(event, extension(Extension::Damage).firstEvent, root());
    if (!subject) return;
    for (EventListener* listener : listenersOf(subject))
        if (isListening(subject, listener)) listener->handleEvent(event);
}

bool XConnection::isListening(std::uint32_t id, EventListener* listener) const {
    const auto [from, to] = listeners_.equal_range(id);
    return std::any_of(from, to, [&](const auto& entry) { return entry.second == listener; });
}

void XConnection::logError(const xcb_generic_error_t& error) const {
    std::string request = "request " + std::to_string(error.major_code);
    for (int i = 0; i < extensionCount; ++i)
        if (extensions_[i].majorOpcode && extensions_[i].majorOpcode == error.major_code)
            request = std::string(facts[i].name) + " request " + std::to_string(error.minor_code);
    logLine(
        logDisplay, LogLevel::Warning,
        "the X server refused " + request + " (error " + std::to_string(error.error_code) + ", resource 0x" +
            [&] {
                char hex[16];
                std::snprintf(hex, sizeof hex, "%x", error.resource_id);
                return std::string(hex);
            }() +
            ")");
}

} // namespace vexmira::platform::x11
