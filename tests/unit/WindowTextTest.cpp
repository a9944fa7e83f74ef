// Window titles as the window system stores them: Latin-1, UTF-8 or COMPOUND_TEXT bytes.
#include "platform/backends/x11/WindowText.h"

#include <gtest/gtest.h>

using vexmira::platform::x11::TextKind;
using vexmira::platform::x11::windowTextToUtf8;

TEST(WindowText, TitlesInEachEncodingReadAsUtf8) {
    const struct {
        std::string bytes;
        TextKind kind;
        std::string utf8;
    } cases[] = {
        {"Caf\xE9 \xA9", TextKind::Latin1, "Caf\xC3\xA9 \xC2\xA9"},
        {"Caf\xC3\xA9", TextKind::Utf8, "Caf\xC3\xA9"},
        {"Stra\xDF"
         "e",
         TextKind::CompoundText,
         "Stra\xC3\x9F"
         "e"}, // Latin-1 right half by default
        {"a\x1B%G\xE2\x82\xAC\x1B%@b", TextKind::CompoundText,
         "a\xE2\x82\xAC"
         "b"},                                                           // embedded UTF-8
        {"x\x1B$)A\xB0\xA1y", TextKind::CompoundText, "x\xE5\x95\x8Ay"}, // GB 2312 on the right
        {"\x1B$(B\x46\x7C\x4B\x5C\x1B(B!", TextKind::CompoundText,
         "\xE6\x97\xA5\xE6\x9C\xAC!"}, // JIS X 0208 left
        {"\x1B-L\xBF\xE0\xD8\xD2\xD5\xE2", TextKind::CompoundText,
         "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},                          // Cyrillic
        {"\x1B-F\xE1\x1B$)C\xB0\xA1", TextKind::CompoundText, "\xCE\xB1\xEA\xB0\x80"}, // Greek, Korean
        {"x\x1B$)Z\xB0\xA1y", TextKind::CompoundText, "x??y"},                         // a set not known
        {"\x1B-A\xE9\x1B(B!", TextKind::CompoundText, "\xC3\xA9!"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(windowTextToUtf8(c.bytes, c.kind), c.utf8) << c.bytes;
}
