#include "HotKeyText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace vexmira::capture {

namespace {

struct NamedKey {
    const char* name;
    unsigned keysym;
};

constexpr std::array<NamedKey, 15> namedKeys{{{"BkSp", 0xff08},
                                              {"Tab", 0xff09},
                                              {"Enter", 0xff0d},
                                              {"Esc", 0xff1b},
                                              {"Space", 0x20},
                                              {"PgUp", 0xff55},
                                              {"PgDn", 0xff56},
                                              {"End", 0xff57},
                                              {"Home", 0xff50},
                                              {"Left", 0xff51},
                                              {"Up", 0xff52},
                                              {"Right", 0xff53},
                                              {"Down", 0xff54},
                                              {"Ins", 0xff63},
                                              {"Del", 0xffff}}};

bool sameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

// The key's name as written, and its keysym; nothing for a name not known here.
std::optional<std::pair<std::string, unsigned>> keyOf(std::string_view name) {
    if (name.size() == 1) {
        const auto c = static_cast<unsigned char>(name[0]);
        if (std::isalpha(c))
            return std::pair{std::string(1, static_cast<char>(std::toupper(c))),
                             0x61u + (std::tolower(c) - 'a')};
        if (std::isdigit(c)) return std::pair{std::string(1, static_cast<char>(c)), 0x30u + (c - '0')};
    }
    if (name.size() >= 2 && name.size() <= 3 && (name[0] == 'F' || name[0] == 'f') &&
        std::all_of(name.begin() + 1, name.end(),
                    [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }) &&
        name[1] != '0') {
        const int n = std::stoi(std::string(name.substr(1)));
        if (n >= 1 && n <= 24)
            return std::pair{"F" + std::to_string(n), 0xffbeu + static_cast<unsigned>(n - 1)};
    }
    for (const NamedKey& k : namedKeys)
        if (sameLetters(name, k.name)) return std::pair{std::string(k.name), k.keysym};
    return std::nullopt;
}

} // namespace

std::optional<HotKeyChord> parseHotKeyText(std::string_view text) {
    text = trimmed(text);
    if (text.empty() || sameLetters(text, "None")) return std::nullopt;
    HotKeyChord chord;
    // Modifiers end with '+'; the key is what follows the last one (itself possibly "+"-less).
    while (true) {
        const std::size_t plus = text.find('+');
        if (plus == std::string_view::npos || plus + 1 == text.size()) break;
        const std::string_view modifier = trimmed(text.substr(0, plus));
        if (sameLetters(modifier, "Shift"))
            chord.shift = true;
        else if (sameLetters(modifier, "Ctrl"))
            chord.ctrl = true;
        else if (sameLetters(modifier, "Alt"))
            chord.alt = true;
        else
            return std::nullopt;
        text = trimmed(text.substr(plus + 1));
    }
    const auto key = keyOf(text);
    if (!key) return std::nullopt;
    chord.key = key->first;
    return chord;
}

std::string hotKeyText(const std::optional<HotKeyChord>& chord) {
    if (!chord || chord->key.empty()) return "None";
    std::string text;
    if (chord->shift) text += "Shift+";
    if (chord->ctrl) text += "Ctrl+";
    if (chord->alt) text += "Alt+";
    return text + chord->key;
}

unsigned keysymOfKey(std::string_view name) {
    const auto key = keyOf(name);
    return key ? key->second : 0;
}

} // namespace vexmira::capture
