#pragma once

#include <memory>

namespace vexmira::platform {

// A key combination by its X keysym.
struct KeyChord {
    unsigned keysym = 0;
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};

// A key taken for the whole desktop: its presses come to this program whichever window has the
// focus. Lock keys (Caps Lock, Num Lock) do not matter. User-interface thread only.
class GlobalHotKey {
  public:
    virtual ~GlobalHotKey() = default;
    // Takes the key (a key taken before is let go first). False, with nothing taken, when
    // another program holds it or the keyboard has no such key.
    virtual bool grab(const KeyChord& chord) = 0;
    virtual void release() = 0;
    virtual bool grabbed() const = 0;
    // For each event the toolkit reads from its display connection: true for a press of the
    // key. A change of the keyboard's mapping takes the key again under its new key codes.
    virtual bool isPress(const void* event) = 0;
};

// Over the display connection the toolkit reads its events from (an xcb_connection_t); null
// when there is none.
std::unique_ptr<GlobalHotKey> openGlobalHotKey(void* displayConnection);

} // namespace vexmira::platform
