#include "Document.h"

#include "platform/CodePage.h"

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
    platform::appendUtf8(out, c);
}

} // namespace vexmira::richtext
