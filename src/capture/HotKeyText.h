#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vexmira::capture {

// One key combination as the settings file writes it: "Shift+", "Ctrl+" and "Alt+" in this
// order, then the key's name ("F11", "A", "7", "PgUp", "Space"...).
struct HotKeyChord {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    std::string key; // the key's name as written

    bool operator==(const HotKeyChord&) const = default;
};

// Reads the text whatever its letter case and the order of its modifiers; nothing for "None",
// an empty text or a key without a name here.
std::optional<HotKeyChord> parseHotKeyText(std::string_view text);
// The text of a combination; "None" when it has no key.
std::string hotKeyText(const std::optional<HotKeyChord>& chord);

// The X keysym of a key name, 0 for none.
unsigned keysymOfKey(std::string_view name);

} // namespace vexmira::capture
