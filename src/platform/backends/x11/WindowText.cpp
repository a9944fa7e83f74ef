#include "WindowText.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

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

// Bytes of `charset` as UTF-8 through iconv; a byte it cannot read becomes '?'.
std::string convert(const char* charset, const std::string& bytes) {
    if (bytes.empty()) return {};
    const iconv_t converter = iconv_open("UTF-8", charset);
    if (converter == reinterpret_cast<iconv_t>(-1)) return std::string(bytes.size(), '?');
    std::string out(bytes.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* to = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(converter, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1)) break;
        if (errno != EILSEQ && errno != EINVAL) break;
        // Skip what cannot be read: a whole character of a double-byte set, else one byte.
        const std::size_t skip = std::min<std::size_t>(
            inLeft,
            static_cast<unsigned char>(*in) >= 0xA1 && std::string_view(charset).starts_with("EUC") ? 2 : 1);
        in += skip, inLeft -= skip;
        if (outLeft > 0) *to++ = '?', --outLeft;
    }
    iconv_close(converter);
    out.resize(out.size() - outLeft);
    return out;
}

// The 96-character sets a compound text puts in its right half (ESC - F), by final byte.
const char* rightHalfSet(char final) {
    switch (final) {
    case 'A':
        return "ISO-8859-1";
    case 'B':
        return "ISO-8859-2";
    case 'C':
        return "ISO-8859-3";
    case 'D':
        return "ISO-8859-4";
    case 'F':
        return "ISO-8859-7";
    case 'G':
        return "ISO-8859-6";
    case 'H':
        return "ISO-8859-8";
    case 'L':
        return "ISO-8859-5";
    case 'M':
        return "ISO-8859-9";
    case 'b':
        return "ISO-8859-15";
    default:
        return nullptr;
    }
}

// The 94 x 94 sets (ESC $ ( F or ESC $ ) F), read as the EUC code that holds them in its
// right half.
const char* doubleByteSet(char final) {
    switch (final) {
    case 'A':
        return "EUC-CN";
    case 'B':
        return "EUC-JP";
    case 'C':
        return "EUC-KR";
    default:
        return nullptr;
    }
}

// The state of a COMPOUND_TEXT read: the sets designated now and the bytes of one set waiting
// for conversion.
class CompoundTextReader {
  public:
    std::string read(std::string_view bytes) {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto c = static_cast<unsigned char>(bytes[i]);
            if (c != 0x1B) {
                byte(c);
                continue;
            }
            // An escape sequence: intermediate bytes, then one final byte.
            std::size_t end = i + 1;
            while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) >= 0x20 &&
                   static_cast<unsigned char>(bytes[end]) <= 0x2F)
                ++end;
            if (end >= bytes.size()) break;
            flush();
            escape(bytes.substr(i + 1, end - i));
            i = end;
        }
        flush();
        return out_;
    }

  private:
    void escape(std::string_view sequence) {
        const char final = sequence.back();
        if (sequence == "%G") {
            utf8_ = true;
        } else if (sequence == "%@") {
            utf8_ = false;
        } else if (sequence.starts_with("$(")) {
            left_ = doubleByteSet(final);
            leftKnown_ = left_ != nullptr;
        } else if (sequence.starts_with("$)") || sequence.starts_with("$-")) {
            right_ = doubleByteSet(final);
        } else if (sequence.starts_with("(")) {
            left_ = nullptr;
            leftKnown_ = final == 'B' || final == 'J';
        } else if (sequence.starts_with("-")) {
            right_ = rightHalfSet(final);
        }
    }

    void byte(unsigned char c) {
        if (utf8_) {
            plain(static_cast<char>(c));
        } else if (c < 0x20 || c == 0x7F) {
            flush();
            if (c == '\t' || c == '\n') out_ += static_cast<char>(c);
        } else if (c < 0x80) {
            if (left_)
                add(left_, c | 0x80); // the set's EUC form has the high bit on both bytes
            else
                plain(leftKnown_ ? static_cast<char>(c) : '?');
        } else if (c >= 0xA0) {
            if (right_)
                add(right_, c);
            else
                plain('?');
        } // C1 controls (0x80..0x9F) carry no character.
    }

    void plain(char c) {
        flush();
        out_ += c;
    }

    void add(const char* set, unsigned char byte) {
        if (runSet_ != set) flush();
        runSet_ = set;
        run_ += static_cast<char>(byte);
    }

    void flush() {
        out_ += convert(runSet_, run_);
        run_.clear();
        runSet_ = nullptr;
    }

    std::string out_;
    bool utf8_ = false;          // inside ESC % G ... ESC % @
    const char* left_ = nullptr; // null: ASCII; else a double-byte set
    bool leftKnown_ = true;      // a set designated that is not read here gives '?'
    const char* right_ = "ISO-8859-1";
    std::string run_;
    const char* runSet_ = nullptr;
};

// COMPOUND_TEXT (ISO 2022 with the sets X11 names): ASCII or a double-byte set on the left,
// a Latin, Greek, Cyrillic, Arabic or Hebrew set or a double-byte set on the right, and UTF-8
// segments.
std::string compoundTextToUtf8(std::string_view bytes) {
    return CompoundTextReader().read(bytes);
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
