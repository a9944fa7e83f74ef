#include "Document.h"

namespace vexmira::richtext {

std::string Paragraph::text() const {
    std::string out;
    for (const Run& run : runs)
        out += run.text;
    return out;
}

std::string Document::plainText() const {
    std::string out;
    for (const Paragraph& paragraph : paragraphs) {
        for (const Run& run : paragraph.runs)
            out += run.text;
        out += '\n';
    }
    return out;
}

void appendText(Paragraph& paragraph, std::string_view text, const CharFormat& format) {
    if (text.empty()) return;
    if (!paragraph.runs.empty() && paragraph.runs.back().format == format)
        paragraph.runs.back().text += text;
    else
        paragraph.runs.push_back({std::string(text), format});
}

void appendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace vexmira::richtext
