#include "RtfWriter.h"

#include "platform/CodePage.h"

#include <algorithm>
#include <map>

namespace vexmira::richtext {

namespace {

// Decodes UTF-8 (the model's own, so valid), one code point at a time.
char32_t nextCodePoint(std::string_view s, std::size_t& at) {
    const auto b = [&](std::size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(s[i])); };
    const char32_t first = b(at);
    if (first < 0x80) return ++at, first;
    int extra = first >= 0xF0 ? 3 : first >= 0xE0 ? 2 : 1;
    char32_t c = first & (0x3F >> extra);
    ++at;
    for (; extra > 0 && at < s.size(); --extra, ++at)
        c = (c << 6) | (b(at) & 0x3F);
    return c;
}

void appendNumber(std::string& out, long long value) {
    out += std::to_string(value);
}

void appendHex(std::string& out, std::uint8_t byte) {
    static const char digits[] = "0123456789abcdef";
    out += "\\'";
    out += digits[byte >> 4];
    out += digits[byte & 15];
}

void appendUnicodeUnit(std::string& out, char32_t unit, const platform::CodePage& fallback,
                       char32_t original) {
    out += "\\u";
    appendNumber(out, unit > 32767 ? static_cast<long long>(unit) - 65536 : static_cast<long long>(unit));
    if (const auto byte = fallback.encode(original))
        appendHex(out, *byte);
    else
        out += '?';
}

void appendText(std::string& out, std::string_view text) {
    const platform::CodePage& cp1252 = platform::CodePage::get(1252);
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char first = static_cast<unsigned char>(text[at]);
        if (first >= 0x20 && first < 0x80) { // plain ASCII
            if (first == '\\' || first == '{' || first == '}') out += '\\';
            out += static_cast<char>(first);
            ++at;
            continue;
        }
        const char32_t c = nextCodePoint(text, at);
        switch (c) {
        case '\t':
            out += "\\tab ";
            continue;
        case 0x2028:
            out += "\\line ";
            continue;
        case 0x00A0:
            out += "\\~";
            continue;
        case 0x00AD:
            out += "\\-";
            continue;
        case 0x2011:
            out += "\\_";
            continue;
        default:
            break;
        }
        if (c < 0x20) continue;
        if (c >= 0x10000) {
            const char32_t v = c - 0x10000;
            appendUnicodeUnit(out, 0xD800 + (v >> 10), cp1252, 0xFFFD);
            appendUnicodeUnit(out, 0xDC00 + (v & 0x3FF), cp1252, 0xFFFD);
        } else {
            appendUnicodeUnit(out, c, cp1252, c);
        }
    }
}

void appendControl(std::string& out, const char* word, long long value) {
    out += '\\';
    out += word;
    appendNumber(out, value);
}

} // namespace

namespace {

// The fonts in order of first use, then the bullet's Symbol font; colours likewise.
struct Tables {
    std::vector<std::string> fonts;
    std::map<std::string, int> fontIndex;
    std::vector<Colour> colours;
    std::map<Colour, int> colourIndex;
    bool bullets = false;
    int symbolFont = 0;
};

Tables tablesOf(const Document& document) {
    Tables t;
    for (const Paragraph& paragraph : document.paragraphs) {
        t.bullets = t.bullets || paragraph.bullet;
        for (const Run& run : paragraph.runs) {
            if (t.fontIndex.emplace(run.format.font, static_cast<int>(t.fonts.size())).second)
                t.fonts.push_back(run.format.font);
            for (const auto& colour : {run.format.colour, run.format.highlight})
                if (colour && t.colourIndex.emplace(*colour, static_cast<int>(t.colours.size()) + 1).second)
                    t.colours.push_back(*colour);
        }
    }
    if (t.fonts.empty()) t.fonts.push_back("");
    t.symbolFont = static_cast<int>(t.fonts.size());
    return t;
}

void appendTables(std::string& out, const Tables& t) {
    out += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n{\\fonttbl";
    for (std::size_t i = 0; i < t.fonts.size(); ++i) {
        out += "{\\f";
        appendNumber(out, static_cast<long long>(i));
        out += "\\fnil\\fcharset0 ";
        std::string name = t.fonts[i];
        std::erase(name, ';'); // it would end the name
        appendText(out, name);
        out += ";}";
    }
    if (t.bullets) {
        out += "{\\f";
        appendNumber(out, t.symbolFont);
        out += "\\fnil\\fcharset2 Symbol;}";
    }
    out += "}\r\n{\\colortbl ;";
    for (const Colour colour : t.colours) {
        appendControl(out, "red", colour & 0xFF);
        appendControl(out, "green", (colour >> 8) & 0xFF);
        appendControl(out, "blue", (colour >> 16) & 0xFF);
        out += ';';
    }
    out += "}\r\n";
}

void appendParagraph(std::string& out, const Paragraph& paragraph, Tables& t) {
    out += "\\pard\\plain";
    static const char* const alignments[] = {"\\ql", "\\qr", "\\qc", "\\qj"};
    out += alignments[static_cast<int>(paragraph.alignment)];
    if (paragraph.leftIndent) appendControl(out, "li", paragraph.leftIndent);
    if (paragraph.rightIndent) appendControl(out, "ri", paragraph.rightIndent);
    if (paragraph.firstLineIndent) appendControl(out, "fi", paragraph.firstLineIndent);
    if (paragraph.spaceBefore) appendControl(out, "sb", paragraph.spaceBefore);
    if (paragraph.spaceAfter) appendControl(out, "sa", paragraph.spaceAfter);
    if (paragraph.bullet) {
        out += "{\\pntext\\f";
        appendNumber(out, t.symbolFont);
        out += "\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf";
        appendNumber(out, t.symbolFont);
        out += "\\pnindent0{\\pntxtb\\'b7}}";
    }
    for (const Run& run : paragraph.runs) {
        const CharFormat& f = run.format;
        out += "{";
        appendControl(out, "f", t.fontIndex[f.font]);
        if (f.halfPoints != 24) appendControl(out, "fs", f.halfPoints);
        if (f.bold) out += "\\b";
        if (f.italic) out += "\\i";
        if (f.underline) out += "\\ul";
        if (f.strikeOut) out += "\\strike";
        if (f.colour) appendControl(out, "cf", t.colourIndex[*f.colour]);
        if (f.highlight) appendControl(out, "highlight", t.colourIndex[*f.highlight]);
        out += ' ';
        appendText(out, run.text);
        out += '}';
    }
    out += "\\par\r\n";
}

} // namespace

std::string writeRtf(const Document& document) {
    Tables tables = tablesOf(document);
    std::string out;
    out.reserve(64 + document.paragraphs.size() * 64);
    appendTables(out, tables);
    for (const Paragraph& paragraph : document.paragraphs)
        appendParagraph(out, paragraph, tables);
    out += "}\r\n";
    return out;
}

} // namespace vexmira::richtext
