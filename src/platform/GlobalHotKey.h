#pragma once

#include <functional>
#include <memory>
#include <string>

namespace vexmira::platform {

// A key combination by its X keysym.
struct KeyChord {
    unsigned keysym = 0;
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    std::string text; // as the user reads it, "Ctrl+F11": desktops that bind keys themselves see it
};

// What a key is for: desktops that bind keys themselves (through their portal) show the
// description in their shortcut settings and remember the user's choice by the id.
struct HotKeyUse {
    std::string id;
    std::string description;
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
std::unique_ptr<GlobalHotKey> openGlobalHotKey(const HotKeyUse& use);

} // namespace vexmira::platform
