#pragma once

#include <functional>
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
    // Called for each press of the key, from the display's event pump. A change of the
    // keyboard's mapping takes the key again under its new key codes.
    virtual void onPress(std::function<void()> handler) = 0;
};

// Null when the display offers no keys for the whole desktop.
std::unique_ptr<GlobalHotKey> openGlobalHotKey();

} // namespace vexmira::platform
