#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <xcb/xcb.h>

namespace vexmira::platform::x11 {

// The display extensions the backend uses, asked about once when a connection opens.
enum class Extension { Shm, XFixes, Composite, RandR, Damage, Render };
inline constexpr int extensionCount = 6;

struct ExtensionInfo {
    bool usable = false; // present, in a version that has what we use
    std::uint8_t majorOpcode = 0;
    std::uint8_t firstEvent = 0;
    std::uint8_t firstError = 0;
};

// Something of ours on the display (a window, a damage object) that wants the events and errors
// the display sends about it. Called on the user-interface thread, from XConnection::dispatch().
class EventListener {
  public:
    virtual void handleEvent(const xcb_generic_event_t& event) = 0;
    // An error about the listener's resource (it is gone, or was never there).
    virtual void handleError(const xcb_generic_error_t&) {}

  protected:
    ~EventListener() = default;
};

// One connection to the X server with what the backend needs to know about it, learned once
// when it opens. Shared by the captures and sources made from it; xcb itself is thread-safe.
// The user-interface thread's services share one connection (shared()); its events are read by
// one pump, dispatch(), which hands each to the listener registered for its window or damage
// object and logs the errors nobody listens for.
class XConnection {
  public:
    // Null (after one log line) when the display cannot be opened. A connection of its own is
    // for a thread of its own: nobody pumps its events.
    static std::shared_ptr<XConnection> open(const char* displayName = nullptr);
    // The connection the platform services of the user-interface thread share, opened (and its
    // extensions queried) once; opened again only after every user let go of it or it broke.
    // Null when the display cannot be opened (said once). Any thread.
    static std::shared_ptr<XConnection> shared();
    // The shared connection when it is open; never opens it.
    static std::shared_ptr<XConnection> sharedIfOpen();
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    xcb_connection_t* get() const { return connection_; }
    xcb_window_t root() const { return screen_->root; }
    xcb_visualid_t rootVisual() const { return screen_->root_visual; }
    xcb_colormap_t defaultColormap() const { return screen_->default_colormap; }
    // The root window's size now: monitors switched on, off or moved change it, while the
    // connection's setup data keeps the size it had when it opened. One round trip.
    int rootWidth() const { return rootSize().first; }
    int rootHeight() const { return rootSize().second; }
    std::pair<int, int> rootSize() const;
    int rootDepth() const { return screen_->root_depth; }
    // True when the root window's pixels are 32-bit words of 0x..RRGGBB in the server's order,
    // the layout of our bitmaps.
    bool rootIsBgra() const { return rootIsBgra_; }

    const ExtensionInfo& extension(Extension which) const { return extensions_[static_cast<int>(which)]; }
    bool has(Extension which) const { return extension(which).usable; }
    bool hasShm() const { return has(Extension::Shm); }
    bool hasXFixes() const { return has(Extension::XFixes); }
    bool hasComposite() const { return has(Extension::Composite); }
    // RandR 1.5: the monitors and which one is primary.
    bool hasMonitors() const { return has(Extension::RandR); }
    bool isBroken() const { return xcb_connection_has_error(connection_) != 0; }

    // The atoms of `names`, in order; those not asked for before on this connection are interned
    // together, in one round trip. XCB_ATOM_NONE for a name the display refuses. Any thread.
    std::vector<xcb_atom_t> atoms(std::initializer_list<const char*> names);
    xcb_atom_t atom(const char* name) { return atoms({name}).front(); }

    // Waits until the display has handled every request sent before.
    void sync();

    // Events about `id` (a window or a damage object of ours; the root for keys taken and
    // keyboard mapping changes) go to `listener` until stopListening(). Several may listen to
    // one id. User-interface thread, on the shared connection.
    void listen(std::uint32_t id, EventListener* listener);
    void stopListening(std::uint32_t id, EventListener* listener);
    // Reads what the display sent and hands it out. With `readSocket` false only what xcb has
    // already queued (no system call): for the moment before the event loop sleeps, since
    // replies waited for may have queued events behind them. User-interface thread.
    void dispatch(bool readSocket = true);
    // Readable when the display has sent something.
    int descriptor() const { return xcb_get_file_descriptor(connection_); }

  private:
    explicit XConnection(xcb_connection_t* connection, int screenNumber);
    void checkExtensions();
    // Which versions the present extensions speak, asked together; sets which are usable.
    void queryVersions(const bool present[]);
    void checkRootFormat();
    void route(const xcb_generic_event_t& event);
    void logError(const xcb_generic_error_t& error) const;
    std::vector<EventListener*> listenersOf(std::uint32_t id) const;
    bool isListening(std::uint32_t id, EventListener* listener) const;

    xcb_connection_t* connection_;
    xcb_screen_t* screen_ = nullptr;
    bool rootIsBgra_ = false;
    std::array<ExtensionInfo, extensionCount> extensions_{};
    std::mutex atomsMutex_;
    std::map<std::string, xcb_atom_t> atoms_;
    std::multimap<std::uint32_t, EventListener*> listeners_;
    bool dispatching_ = false;
};

} // namespace vexmira::platform::x11
