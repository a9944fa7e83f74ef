#include "platform/GlobalHotKey.h"
#include "platform/backends/Backends.h"

#include "XConnection.h"
#include "XcbHelpers.h"

#include <vector>
#include <xcb/xcb.h>

namespace vexmira::platform {

namespace {

constexpr unsigned numLockKeysym = 0xff7f;

// The key is taken on the shared connection, whose event pump hands its presses here.
class X11GlobalHotKey final : public GlobalHotKey, private x11::EventListener {
  public:
    explicit X11GlobalHotKey(std::shared_ptr<x11::XConnection> connection)
        : connection_(std::move(connection)), c_(connection_->get()), root_(connection_->root()) {
        connection_->listen(root_, this);
    }
    ~X11GlobalHotKey() override {
        connection_->stopListening(root_, this);
        release();
    }

    bool grab(const KeyChord& chord) override {
        release();
        chord_ = chord;
        wanted_ = true;
        return take();
    }

    void release() override {
        for (const Taken& t : taken_)
            xcb_ungrab_key(c_, t.keycode, root_, t.modifiers);
        taken_.clear();
        wanted_ = false;
        xcb_flush(c_);
    }

    bool grabbed() const override { return !taken_.empty(); }

    void onPress(std::function<void()> handler) override { onPress_ = std::move(handler); }

  private:
    void handleEvent(const xcb_generic_event_t& event) override {
        if (isPress(event) && onPress_) {
            const auto handler = onPress_; // it may replace itself
            handler();
        }
    }

    bool isPress(const xcb_generic_event_t& event) {
        const std::uint8_t type = event.response_type & 0x7f;
        if (type == XCB_MAPPING_NOTIFY) {
            const auto* m = reinterpret_cast<const xcb_mapping_notify_event_t*>(&event);
            if (m->request != XCB_MAPPING_POINTER && wanted_ && !taken_.empty()) {
                // The key codes may have moved: take the key again where it is now.
                for (const Taken& t : taken_)
                    xcb_ungrab_key(c_, t.keycode, root_, t.modifiers);
                taken_.clear();
                take();
            }
            return false;
        }
        if (type != XCB_KEY_PRESS || taken_.empty()) return false;
        const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(&event);
        const std::uint16_t relevant = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
        if ((press->state & relevant) != modifiers_) return false;
        for (const Taken& t : taken_)
            if (t.keycode == press->detail) return true;
        return false;
    }

    struct Taken {
        xcb_keycode_t keycode;
        std::uint16_t modifiers;
    };

    // Every key code whose keysyms include `keysym`.
    std::vector<xcb_keycode_t> keycodesOf(unsigned keysym) {
        const xcb_setup_t* setup = xcb_get_setup(c_);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        const x11::XcbReply<xcb_get_keyboard_mapping_reply_t> reply(xcb_get_keyboard_mapping_reply(
            c_, xcb_get_keyboard_mapping(c_, setup->min_keycode, static_cast<std::uint8_t>(count)), nullptr));
        std::vector<xcb_keycode_t> codes;
        if (!reply) return codes;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply.get());
        const int perCode = reply->keysyms_per_keycode;
        for (int k = 0; k < count; ++k)
            for (int i = 0; i < perCode; ++i)
                if (syms[k * perCode + i] == keysym) {
                    codes.push_back(static_cast<xcb_keycode_t>(setup->min_keycode + k));
                    break;
                }
        return codes;
    }

    // The modifier bit Num Lock sets, from the server's modifier map; 0 when it has none.
    std::uint16_t numLockMask() {
        const std::vector<xcb_keycode_t> numLock = keycodesOf(numLockKeysym);
        const x11::XcbReply<xcb_get_modifier_mapping_reply_t> reply(
            xcb_get_modifier_mapping_reply(c_, xcb_get_modifier_mapping(c_), nullptr));
        if (!reply) return 0;
        const xcb_keycode_t* map = xcb_get_modifier_mapping_keycodes(reply.get());
        std::uint16_t mask = 0;
        for (int modifier = 0; modifier < 8 && mask == 0; ++modifier)
            for (int i = 0; i < reply->keycodes_per_modifier; ++i) {
                const xcb_keycode_t code = map[modifier * reply->keycodes_per_modifier + i];
                for (const xcb_keycode_t n : numLock)
                    if (code != 0 && code == n) mask = static_cast<std::uint16_t>(1u << modifier);
            }
        return mask;
    }

    bool take() {
        modifiers_ = static_cast<std::uint16_t>((chord_.shift ? XCB_MOD_MASK_SHIFT : 0) |
                                                (chord_.ctrl ? XCB_MOD_MASK_CONTROL : 0) |
                                                (chord_.alt ? XCB_MOD_MASK_1 : 0));
        const std::vector<xcb_keycode_t> codes = keycodesOf(chord_.keysym);
        if (codes.empty()) return false;
        const std::uint16_t numLock = numLockMask();
        const std::uint16_t locks[] = {0, XCB_MOD_MASK_LOCK, numLock,
                                       static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLock)};
        struct Asked {
            Taken taken;
            xcb_void_cookie_t cookie;
        };
        std::vector<Asked> asked;
        for (const xcb_keycode_t code : codes)
            for (int v = 0; v < 4; ++v) {
                if (v >= 2 && numLock == 0) continue;
                const auto modifiers = static_cast<std::uint16_t>(modifiers_ | locks[v]);
                asked.push_back({{code, modifiers},
                                 xcb_grab_key_checked(c_, 0, root_, modifiers, code, XCB_GRAB_MODE_ASYNC,
                                                      XCB_GRAB_MODE_ASYNC)});
            }
        bool refused = false;
        for (const Asked& a : asked) {
            if (const x11::XcbReply<xcb_generic_error_t> error{xcb_request_check(c_, a.cookie)}) {
                refused = true;
            } else {
                taken_.push_back(a.taken);
            }
        }
        if (refused) {
            // All or nothing: a key that works with some lock states only would puzzle.
            for (const Taken& t : taken_)
                xcb_ungrab_key(c_, t.keycode, root_, t.modifiers);
            taken_.clear();
            xcb_flush(c_);
            return false;
        }
        return true;
    }

    std::shared_ptr<x11::XConnection> connection_;
    xcb_connection_t* c_;
    std::function<void()> onPress_;
    xcb_window_t root_;
    KeyChord chord_;
    std::uint16_t modifiers_ = 0;
    bool wanted_ = false;
    std::vector<Taken> taken_;
};

} // namespace

std::unique_ptr<GlobalHotKey> x11::openGlobalHotKey() {
    auto connection = x11::XConnection::shared();
    if (!connection) return nullptr;
    return std::make_unique<X11GlobalHotKey>(std::move(connection));
}

} // namespace vexmira::platform
