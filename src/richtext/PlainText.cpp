// Plain text files: their encoding told by a byte-order mark or by what the bytes are.
#include "RtfReader.h"
#include "platform/CodePage.h"

namespace vexmira::richtext {

namespace {

std::u32string decodeUtf8(std::string_view s) {
    std::u32string out;
    for (std::size_t at = 0; at < s.size();) {
        char32_t c;
        std::size_t length;
        if (platform::nextUtf8(s, at, c, length)) {
            out += c;
            at += length;
        } else {
            out += char32_t(0xFFFD);
            ++at;
        }
    }
    return out;
}

std::u32string decodeUtf16(std::string_view s, bool bigEndian) {
    std::u32string out;
    char32_t high = 0;
    for (std::size_t at = 0; at + 1 < s.size(); at += 2) {
        const auto a = static_cast<unsigned char>(s[at]), b = static_cast<unsigned char>(s[at + 1]);
        const char32_t unit = bigEndian ? (a << 8 | b) : (b << 8 | a);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (high) out += char32_t(0xFFFD);
            high = unit;
            continue;
        }
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            out += high ? 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00) : char32_t(0xFFFD);
            high = 0;
            continue;
        }
        if (high) out += char32_t(0xFFFD), high = 0;
        out += unit;
    }
    if (high || s.size() % 2) out += char32_t(0xFFFD);
    return out;
}

} // namespace

ReadResult readPlainText(std::string_view bytes, const CharFormat& format) {
    std::u32string text;
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        text = decodeUtf16(bytes.substr(2), bytes.starts_with("\xFE\xFF"));
    } else {
        if (bytes.find('\0') != std::string_view::npos) return {{}, {}, "the file is not text"};
        if (bytes.starts_with("\xEF\xBB\xBF")) {
            text = decodeUtf8(bytes.substr(3));
        } else if (platform::isValidUtf8(bytes)) {
            text = decodeUtf8(bytes);
        } else {
            const platform::CodePage& page = platform::CodePage::get(1252);
            for (const char c : bytes)
                text += page.decode(static_cast<std::uint8_t>(c));
        }
    }
    ReadResult result;
    Paragraph paragraph;
    std::string line;
    auto endLine = [&] {
        appendText(paragraph, line, format);
        result.document.paragraphs.push_back(std::move(paragraph));
        paragraph = {};
        line.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            endLine();
        } else if (c >= 0x20 || c == '\t') {
            appendUtf8(line, c);
        }
    }
    if (!line.empty() || result.document.paragraphs.empty()) endLine();
    return result;
}

ReadResult readRichOrPlainText(std::string_view bytes, const CharFormat& plainFormat) {
    return looksLikeRtf(bytes) ? readRtf(bytes) : readPlainText(bytes, plainFormat);
}

} // namespace vexmira::richtext
