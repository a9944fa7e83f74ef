// The hot key as the settings file writes it: read in any letter case and modifier order,
// written in one form.
#include "capture/HotKeyText.h"

#include <gtest/gtest.h>

using namespace vexmira::capture;

TEST(HotKeyText, ReadInAnyFormWrittenInOne) {
    const struct {
        const char* text;
        const char* written; // nullptr: names no key
        unsigned keysym;
    } cases[] = {
        {"Ctrl+F11", "Ctrl+F11", 0xffc8},
        {"ctrl+f11", "Ctrl+F11", 0xffc8},
        {"Alt+Ctrl+Shift+A", "Shift+Ctrl+Alt+A", 0x61},
        {" shift + alt + pgdn ", "Shift+Alt+PgDn", 0xff56},
        {"Ctrl+7", "Ctrl+7", 0x37},
        {"F1", "F1", 0xffbe},
        {"Ctrl+F24", "Ctrl+F24", 0xffd5},
        {"Alt+Space", "Alt+Space", 0x20},
        {"Ctrl+Del", "Ctrl+Del", 0xffff},
        {"Shift+Ins", "Shift+Ins", 0xff63},
        {"Ctrl+BkSp", "Ctrl+BkSp", 0xff08},
        {"Ctrl+Esc", "Ctrl+Esc", 0xff1b},
        {"None", nullptr, 0},
        {"", nullptr, 0},
        {"Ctrl+", nullptr, 0},
        {"Ctrl+F0", nullptr, 0},
        {"Ctrl+F25", nullptr, 0},
        {"Win+F11", nullptr, 0},
        {"Ctrl+Banana", nullptr, 0},
        {"Ctrl+F011", nullptr, 0},
    };
    for (const auto& c : cases) {
        const auto chord = parseHotKeyText(c.text);
        if (!c.written) {
            EXPECT_FALSE(chord.has_value()) << c.text;
            EXPECT_EQ(hotKeyText(chord), "None");
            continue;
        }
        ASSERT_TRUE(chord.has_value()) << c.text;
        EXPECT_EQ(hotKeyText(chord), c.written) << c.text;
        EXPECT_EQ(keysymOfKey(chord->key), c.keysym) << c.text;
        EXPECT_EQ(parseHotKeyText(hotKeyText(chord)), chord) << "written text reads back: " << c.text;
    }
}
