// Reads rich text as word processors, simple rich-edit controls and document converters write it:
// the font and colour tables, character and paragraph formatting, code pages and Unicode, and
// bullets. What a page of formatted text does not need (pictures, objects, headers, footnotes,
// style sheets, document information) is skipped; tables are flattened into tabbed lines.
#include "RtfReader.h"
#include "RtfReaderCore.h"

#include "RtfSkip.h"
#include "platform/CodePage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <map>
#include <optional>

namespace vexmira::richtext {

namespace rtf {

ReadResult Reader::run() {
    while (at_ < text_.size() && !finished_ && error_.empty()) {
        const char c = text_[at_];
        if (c == '{') {
            ++at_;
            abandonLeadByte();
            openGroup();
        } else if (c == '}') {
            ++at_;
            abandonLeadByte();
            closeGroup();
        } else if (c == '\\') {
            // Anything but another hex byte ends a double-byte character half read.
            if (!(at_ + 1 < text_.size() && text_[at_ + 1] == '\'')) abandonLeadByte();
            parseControl();
        } else if (c == '\r' || c == '\n') {
            ++at_;
        } else {
            ++at_;
            byte(static_cast<std::uint8_t>(c));
        }
    }
    ReadResult result;
    if (!error_.empty()) {
        result.error = error_;
        return result;
    }
    endParagraph(false);
    result.document = std::move(document_);
    auto drop = [&](int count, const char* one, const char* many) {
        if (count > 0) result.dropped.push_back(std::to_string(count) + " " + (count == 1 ? one : many));
    };
    drop(pictures_, "picture", "pictures");
    drop(objects_, "embedded object", "embedded objects");
    drop(headers_, "header or footer", "headers and footers");
    drop(notes_, "footnote or comment", "footnotes and comments");
    return result;
}

void Reader::openGroup() {
    if (stack_.size() >= maxDepth) {
        error_ = "the rich text is nested deeper than " + std::to_string(maxDepth) + " groups";
        return;
    }
    stack_.push_back(state_);
    starPending_ = false;
    pendingFallback_ = 0;
}

void Reader::closeGroup() {
    pendingFallback_ = 0;
    starPending_ = false;
    if (stack_.empty()) { // the document's own group ended: what follows is not part of it
        finished_ = true;
        return;
    }
    const GroupState closed = state_;
    state_ = stack_.back();
    stack_.pop_back();
    formatDirty_ = true;
    if (closed.destination == Destination::FontTable && fontBeingRead_ >= 0 &&
        state_.destination != Destination::FontTable)
        fontBeingRead_ = -1;
    if (closed.destination == Destination::Numbering && state_.destination != Destination::Numbering &&
        numberingBullet_) {
        state_.paragraph.bulletByNumbering = numberingBullet_;
        numberingBullet_.reset();
    }
}

// A character that stands in for the \u character just read is skipped. Returns whether it was.
bool Reader::swallowFallback() {
    if (pendingFallback_ <= 0) return false;
    --pendingFallback_;
    return true;
}

void Reader::unicode(int parameter) {
    pendingFallback_ = 0;
    if (parameter < -32768 || parameter > 65535) {
        emit(replacement);
    } else {
        const char32_t unit = static_cast<char32_t>(parameter < 0 ? parameter + 65536 : parameter);
        codePoint(unit);
    }
    pendingFallback_ = state_.fallbackLength;
}

void Reader::codePoint(char32_t c) {
    if (c >= 0xD800 && c <= 0xDBFF) {
        if (highSurrogate_) emit(replacement);
        highSurrogate_ = c;
        return;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) {
        if (highSurrogate_) {
            const char32_t joined = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (c - 0xDC00);
            highSurrogate_ = 0;
            emit(joined);
        } else {
            emit(replacement);
        }
        return;
    }
    emit(c);
}

const platform::CodePage& Reader::codePage() const {
    const int font = state_.destination == Destination::FontTable
                         ? fontBeingRead_
                         : (state_.font >= 0 ? state_.font : defaultFont_);
    const auto entry = fonts_.find(font);
    if (entry != fonts_.end() && entry->second.codePage)
        return platform::CodePage::get(*entry->second.codePage);
    return platform::CodePage::get(documentCodePage_);
}

void Reader::byte(std::uint8_t b) {
    if (swallowFallback()) return;
    if (state_.destination == Destination::ColourTable) {
        if (b == ';') {
            colours_.push_back(colourBeingRead_);
            colourBeingRead_ = {};
        }
        return;
    }
    if (state_.destination == Destination::FontTable && b == ';') {
        if (fontBeingRead_ >= 0) fonts_[fontBeingRead_].nameDone = true;
        return;
    }
    const platform::CodePage& page = codePage();
    // No double-byte code page has trail bytes below 0x40: such a byte stands for itself, and the
    // incomplete character before it is a replacement mark.
    if (leadByte_ >= 0 && b < 0x40) abandonLeadByte();
    if (leadByte_ >= 0) {
        const auto lead = static_cast<std::uint8_t>(leadByte_);
        leadByte_ = -1;
        codePoint(page.decode(lead, b));
        return;
    }
    if (b < 0x80) {
        emitAscii(static_cast<char>(b));
        return;
    }
    if (page.isLeadByte(b)) {
        leadByte_ = b;
        return;
    }
    codePoint(page.decode(b));
}

void Reader::abandonLeadByte() {
    if (leadByte_ < 0) return;
    leadByte_ = -1;
    emit(replacement);
}

void Reader::emitAscii(char c) {
    if (highSurrogate_) {
        highSurrogate_ = 0;
        emit(replacement);
    }
    emit(static_cast<char32_t>(static_cast<unsigned char>(c)));
}

void Reader::emit(char32_t c) {
    leadByte_ = -1;
    switch (state_.destination) {
    case Destination::FontTable:
        if (fontBeingRead_ < 0 || fonts_[fontBeingRead_].nameDone) return;
        if (c == ';') // however it was spelt, a semicolon ends the name
            fonts_[fontBeingRead_].nameDone = true;
        else if (c >= 0x20)
            appendUtf8(fonts_[fontBeingRead_].name, c);
        return;
    case Destination::Body:
    case Destination::GeneratedText:
        break;
    default:
        return;
    }
    if (state_.hidden || c == 0) return;
    if (c < 0x20 && c != '\t') return;
    const bool generated = state_.destination == Destination::GeneratedText;
    if (generated != pendingGenerated_) {
        flush();
        pendingGenerated_ = generated;
    }
    if (formatDirty_) {
        const CharFormat format = currentFormat();
        if (format != pendingFormat_) {
            flush();
            pendingFormat_ = format;
        }
        formatDirty_ = false;
    }
    appendUtf8(pending_, c);
}

CharFormat Reader::currentFormat() {
    CharFormat format;
    const auto font = fonts_.find(state_.font >= 0 ? state_.font : defaultFont_);
    if (font != fonts_.end()) {
        std::string name = font->second.name;
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        while (!name.empty() && name.front() == ' ')
            name.erase(name.begin());
        format.font = name;
    }
    format.halfPoints = state_.halfPoints;
    auto colour = [&](int index) -> std::optional<Colour> {
        if (index <= 0 || index >= static_cast<int>(colours_.size()) || !colours_[index].set)
            return std::nullopt;
        const ColourEntry& e = colours_[index];
        return static_cast<Colour>(e.red | e.green << 8 | e.blue << 16);
    };
    format.colour = colour(state_.colour);
    format.highlight = colour(state_.highlight);
    format.bold = state_.bold;
    format.italic = state_.italic;
    format.underline = state_.underline;
    format.strikeOut = state_.strikeOut;
    return format;
}

void Reader::flush() {
    if (pending_.empty()) return;
    Paragraph& target = pendingGenerated_ ? generated_ : paragraph_;
    appendText(target, pending_, pendingFormat_);
    pending_.clear();
}

bool Reader::generatedTextIsBullet(const ParagraphFormat& format) const {
    if (format.bulletByNumbering) return *format.bulletByNumbering;
    if (format.list > 0) {
        const auto override = overrides_.find(format.list);
        const auto list = override == overrides_.end() ? lists_.end() : lists_.find(override->second);
        if (list != lists_.end() && !list->second.levelFormats.empty()) {
            const auto& levels = list->second.levelFormats;
            const int level = std::min<int>(format.listLevel, static_cast<int>(levels.size()) - 1);
            return levels[static_cast<std::size_t>(level)] == 23;
        }
        // An unknown list: a bullet when its generated text is one sign and white space.
        std::string text = generated_.text();
        std::erase_if(text, [](char c) { return c == '\t' || c == ' '; });
        return !text.empty() && text.size() <= 4 && static_cast<unsigned char>(text[0]) >= 0x80;
    }
    return false;
}

void Reader::endParagraph(bool evenWhenEmpty) {
    if (highSurrogate_) {
        highSurrogate_ = 0;
        emit(replacement);
    }
    pendingFallback_ = 0;
    flush();
    if (!evenWhenEmpty && paragraph_.runs.empty() && generated_.runs.empty()) return;
    const ParagraphFormat& format = state_.paragraph;
    paragraph_.alignment = format.alignment;
    paragraph_.leftIndent = format.leftIndent;
    paragraph_.rightIndent = format.rightIndent;
    paragraph_.firstLineIndent = format.firstLineIndent;
    paragraph_.spaceBefore = format.spaceBefore;
    paragraph_.spaceAfter = format.spaceAfter;
    paragraph_.bullet =
        format.bulletByNumbering.value_or(false) || (format.list > 0 && generatedTextIsBullet(format));
    if (!paragraph_.bullet && !generated_.runs.empty()) { // a number: it stays as text
        for (const Run& run : paragraph_.runs)
            appendText(generated_, run.text, run.format);
        paragraph_.runs = std::move(generated_.runs);
    }
    document_.paragraphs.push_back(std::move(paragraph_));
    paragraph_ = {};
    generated_ = {};
}

void Reader::endRow() {
    flush();
    if (!paragraph_.runs.empty() && paragraph_.runs.back().text.ends_with('\t')) {
        paragraph_.runs.back().text.pop_back();
        if (paragraph_.runs.back().text.empty()) paragraph_.runs.pop_back();
    }
    endParagraph();
}

} // namespace rtf

namespace {

std::string_view withoutMark(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    return bytes;
}

} // namespace

bool looksLikeRtf(std::string_view bytes) {
    bytes = withoutMark(bytes);
    while (!bytes.empty() &&
           (bytes.front() == ' ' || bytes.front() == '\t' || bytes.front() == '\r' || bytes.front() == '\n'))
        bytes.remove_prefix(1);
    return bytes.starts_with("{\\rtf");
}

ReadResult readRtf(std::string_view bytes) {
    bytes = withoutMark(bytes);
    const std::size_t start = bytes.find('{');
    if (!looksLikeRtf(bytes) || start == std::string_view::npos) return {{}, {}, "the file is not rich text"};
    // The document's own group is the outermost one; reading starts inside it.
    rtf::Reader reader(bytes.substr(start + 1));
    return reader.run();
}

} // namespace vexmira::richtext
