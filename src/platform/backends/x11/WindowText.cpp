#include "WindowText.h"

namespace vexmira::platform::x11 {

namespace {

void appendLatin1(std::string& out, unsigned char c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string compoundTextToUtf8(std::string_view bytes) {
    std::string out;
    bool utf8 = false;     // inside ESC % G ... ESC % @
    bool leftAscii = true; // the left half (GL) holds ASCII
    bool rightLatin1 = true;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == 0x1B) { // an escape sequence: intermediate bytes, then one final byte
            std::size_t end = i + 1;
            while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) >= 0x20 &&
                   static_cast<unsigned char>(bytes[end]) <= 0x2F)
                ++end;
            if (end >= bytes.size()) break;
            const std::string_view sequence = bytes.substr(i + 1, end - i);
            if (sequence == "%G")
                utf8 = true;
            else if (sequence == "%@")
                utf8 = false;
            else if (sequence.starts_with("("))
                leftAscii = sequence == "(B";
            else if (sequence.starts_with("-"))
                rightLatin1 = sequence == "-A";
            else if (sequence.starts_with("$("))
                leftAscii = false;
            else if (sequence.starts_with("$)") || sequence.starts_with("$-"))
                rightLatin1 = false;
            i = end;
            continue;
        }
        if (utf8)
            out += static_cast<char>(c);
        else if (c < 0x20 || c == 0x7F)
            out += c == '\t' || c == '\n' ? static_cast<char>(c) : '\0';
        else if (c < 0x80)
            out += leftAscii ? static_cast<char>(c) : '?';
        else if (c >= 0xA0)
            rightLatin1 ? appendLatin1(out, c) : void(out += '?');
        // C1 controls (0x80..0x9F) carry no character.
        if (!out.empty() && out.back() == '\0') out.pop_back();
    }
    return out;
}

} // namespace

std::string latin1ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text)
        appendLatin1(out, static_cast<unsigned char>(c));
    return out;
}

std::string windowTextToUtf8(std::string_view bytes, TextKind kind) {
    switch (kind) {
    case TextKind::Utf8:
        return std::string(bytes);
    case TextKind::CompoundText:
        return compoundTextToUtf8(bytes);
    case TextKind::Latin1:
        break;
    }
    return latin1ToUtf8(bytes);
}

} // namespace vexmira::platform::x11
