// Reads rich text as word processors, simple rich-edit controls and document converters write it:
// the font and colour tables, character and paragraph formatting, code pages and Unicode, and
// bullets. What a page of formatted text does not need (pictures, objects, headers, footnotes,
// style sheets, document information) is skipped; tables are flattened into tabbed lines.
#include "RtfReader.h"

#include "RtfSkip.h"
#include "platform/CodePage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <map>
#include <optional>

namespace vexmira::richtext {

namespace {

constexpr int maxDepth = 1000;
constexpr char32_t replacement = 0xFFFD;

enum class Destination {
    Body,
    FontTable,
    ColourTable,
    ListTable,
    ListOverrideTable,
    GeneratedText, // \pntext and \listtext: the bullet or number a list puts before the text
    Numbering,     // \pn: how an old-style list numbers its paragraphs
};

struct ParagraphFormat {
    Alignment alignment = Alignment::Left;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstLineIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    std::optional<bool> bulletByNumbering; // set by a \pn group: bullet or numbered
    int list = 0;                          // \ls: 0 none
    int listLevel = 0;
};

struct GroupState {
    Destination destination = Destination::Body;
    int font = -1; // -1: the document's default font
    int halfPoints = 24;
    int colour = 0;    // index into the colour table; 0 automatic
    int highlight = 0; // 0 none
    bool bold = false, italic = false, underline = false, strikeOut = false;
    bool hidden = false;
    int fallbackLength = 1; // \uc
    ParagraphFormat paragraph;
};

struct FontEntry {
    std::string name;
    bool nameDone = false;
    std::optional<int> codePage;
};

struct ColourEntry {
    int red = 0, green = 0, blue = 0;
    bool set = false;
};

struct ListInfo {
    std::vector<int> levelFormats; // \levelnfc of each level
};

int clampTo(long long value, int low, int high) {
    return static_cast<int>(std::clamp<long long>(value, low, high));
}

class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}

    ReadResult run();

  private:
    // --- input ---
    void parseControl();
    void controlWord(std::string_view word, bool hasParameter, int parameter);
    void controlSymbol(char symbol);
    void openGroup();
    void closeGroup();
    // A double-byte character whose second byte never came: a replacement mark.
    void abandonLeadByte();
    bool destinationWord(std::string_view word);
    void skipGroup();

    // --- text ---
    void byte(std::uint8_t b);
    void codePoint(char32_t c);
    void unicode(int parameter);
    void emit(char32_t c);
    void emitAscii(char c);
    bool swallowFallback();
    const platform::CodePage& codePage() const;
    CharFormat currentFormat();
    void flush();
    void endParagraph(bool evenWhenEmpty = true);
    void endRow();
    bool generatedTextIsBullet(const ParagraphFormat& format) const;

    std::string_view text_;
    std::size_t at_ = 0;
    std::vector<GroupState> stack_;
    GroupState state_;
    bool starPending_ = false;
    bool finished_ = false;
    std::string error_;

    int documentCodePage_ = 1252;
    int defaultFont_ = 0;
    std::map<int, FontEntry> fonts_;
    int fontBeingRead_ = -1;
    std::vector<ColourEntry> colours_;
    ColourEntry colourBeingRead_;
    std::map<int, ListInfo> lists_;
    std::vector<int> listBeingRead_;
    std::map<int, int> overrides_; // \ls -> \listid
    int overrideListId_ = 0;
    std::optional<bool> numberingBullet_; // what the \pn group being read says

    int pendingFallback_ = 0;
    char32_t highSurrogate_ = 0;
    int leadByte_ = -1;

    Document document_;
    Paragraph paragraph_;
    std::string pending_;
    CharFormat pendingFormat_;
    bool formatDirty_ = true;
    bool pendingGenerated_ = false; // the pending text is generated bullet or number text
    Paragraph generated_;           // generated bullet or number text of the paragraph being read
    int pictures_ = 0, objects_ = 0, headers_ = 0, notes_ = 0;
};

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

// Control words that start a destination of their own. Returns true when the word was one.
bool Reader::destinationWord(std::string_view word) {
    static const char* const skipped[] = {"stylesheet",    "info",         "revtbl",    "rsidtbl",
                                          "generator",     "xmlnstbl",     "filetbl",   "pgdsctbl",
                                          "userprops",     "docvar",       "themedata", "colorschememapping",
                                          "datastore",     "latentstyles", "fldinst",   "bkmkstart",
                                          "bkmkend",       "txe",          "xe",        "tc",
                                          "nonshppict",    "template",     "mmathPr",   "listpicture",
                                          "pnseclvl",      "protusertbl",  "author",    "operator",
                                          "title",         "subject",      "keywords",  "comment",
                                          "doccomm",       "company",      "category",  "hlinkbase",
                                          "falt",          "panose",       "fontemb",   "fontfile",
                                          "leveltext",     "levelnumbers", "listname",  "liststylename",
                                          "wgrffmtfilter", "passwordhash", "formfield", "ffname",
                                          "datafield"};
    const auto is = [&](std::initializer_list<std::string_view> names) {
        return std::find(names.begin(), names.end(), word) != names.end();
    };
    if (word == "fonttbl") {
        state_.destination = Destination::FontTable;
        return true;
    }
    if (word == "colortbl") {
        state_.destination = Destination::ColourTable;
        colourBeingRead_ = {};
        return true;
    }
    if (word == "listtable") {
        state_.destination = Destination::ListTable;
        return true;
    }
    if (word == "listoverridetable") {
        state_.destination = Destination::ListOverrideTable;
        return true;
    }
    if (word == "pntext" || word == "listtext") {
        state_.destination = Destination::GeneratedText;
        formatDirty_ = true;
        return true;
    }
    if (word == "pn") {
        state_.destination = Destination::Numbering;
        numberingBullet_.reset();
        return true;
    }
    if (word == "leveltext" || word == "levelnumbers") {
        skipGroup();
        return true;
    }
    if (is({"pict", "shppict"})) {
        ++pictures_;
        skipGroup();
        return true;
    }
    if (is({"object", "shp", "shpgrp", "do"})) {
        ++objects_;
        skipGroup();
        return true;
    }
    if (is({"header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr", "footerf"})) {
        ++headers_;
        skipGroup();
        return true;
    }
    if (is({"footnote", "annotation", "atnid", "atnauthor", "atndate", "atnref", "atnparent"})) {
        if (word == "footnote" || word == "annotation") ++notes_;
        skipGroup();
        return true;
    }
    for (const char* name : skipped)
        if (word == name) {
            skipGroup();
            return true;
        }
    return false;
}

// Skips the rest of the current group, nested groups included, and closes it.
void Reader::skipGroup() {
    at_ = skipRestOfGroup(text_, at_);
    if (at_ >= text_.size()) {
        finished_ = true;
        return;
    }
    ++at_; // the closing brace
    closeGroup();
}

void Reader::parseControl() {
    ++at_; // the backslash
    if (at_ >= text_.size()) return;
    const char first = text_[at_];
    const bool letter = (first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z');
    if (!letter) {
        ++at_;
        controlSymbol(first);
        return;
    }
    const std::size_t start = at_;
    while (at_ < text_.size() && at_ - start < 32 &&
           ((text_[at_] >= 'a' && text_[at_] <= 'z') || (text_[at_] >= 'A' && text_[at_] <= 'Z')))
        ++at_;
    const std::string_view word = text_.substr(start, at_ - start);
    bool negative = false;
    bool hasParameter = false;
    long long value = 0;
    if (at_ < text_.size() && text_[at_] == '-' && at_ + 1 < text_.size() && text_[at_ + 1] >= '0' &&
        text_[at_ + 1] <= '9') {
        negative = true;
        ++at_;
    }
    while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') {
        hasParameter = true;
        if (value < 100'000'000'000LL) value = value * 10 + (text_[at_] - '0');
        ++at_;
    }
    if (at_ < text_.size() && text_[at_] == ' ') ++at_;
    const int parameter =
        clampTo(negative ? -value : value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    controlWord(word, hasParameter, parameter);
}

void Reader::controlSymbol(char symbol) {
    switch (symbol) {
    case '\'': {
        auto hex = [](char c) -> int {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            return -1;
        };
        const int high = at_ < text_.size() ? hex(text_[at_]) : -1;
        const int low = at_ + 1 < text_.size() ? hex(text_[at_ + 1]) : -1;
        if (high < 0 || low < 0) {
            if (!swallowFallback()) emit(replacement);
            return;
        }
        at_ += 2;
        byte(static_cast<std::uint8_t>(high * 16 + low));
        return;
    }
    case '*':
        starPending_ = true;
        return;
    case '\\':
    case '{':
    case '}':
        if (!swallowFallback()) emitAscii(symbol);
        return;
    case '~':
        if (!swallowFallback()) emit(0x00A0);
        return;
    case '-':
        if (!swallowFallback()) emit(0x00AD);
        return;
    case '_':
        if (!swallowFallback()) emit(0x2011);
        return;
    case '\r':
    case '\n':
        endParagraph();
        return;
    default:
        return; // \: \| and the like
    }
}

void Reader::controlWord(std::string_view word, bool hasParameter, int parameter) {
    const bool star = starPending_;
    starPending_ = false;
    if (destinationWord(word)) return;
    if (star) { // a destination this reader does not know
        skipGroup();
        return;
    }
    const bool on = !hasParameter || parameter != 0;
    GroupState& s = state_;
    // --- tables and lists outside the body ---
    if (s.destination == Destination::FontTable) {
        if (word == "f") {
            fontBeingRead_ = parameter;
            fonts_[parameter] = {};
        } else if (word == "fcharset" && fontBeingRead_ >= 0) {
            fonts_[fontBeingRead_].codePage = platform::CodePage::ofCharset(parameter);
        } else if (word == "cpg" && fontBeingRead_ >= 0) {
            fonts_[fontBeingRead_].codePage = parameter;
        } else if (word == "u" && fontBeingRead_ >= 0) {
            unicode(parameter);
        }
        return;
    }
    if (s.destination == Destination::ColourTable) {
        if (word == "red") colourBeingRead_.red = clampTo(parameter, 0, 255), colourBeingRead_.set = true;
        if (word == "green") colourBeingRead_.green = clampTo(parameter, 0, 255), colourBeingRead_.set = true;
        if (word == "blue") colourBeingRead_.blue = clampTo(parameter, 0, 255), colourBeingRead_.set = true;
        return;
    }
    if (s.destination == Destination::ListTable) {
        if (word == "list") listBeingRead_.clear();
        if (word == "levelnfc" || word == "levelnfcn") {
            if (listBeingRead_.size() < 9 || word == "levelnfc") listBeingRead_.push_back(parameter);
        }
        if (word == "listid") lists_[parameter].levelFormats = listBeingRead_;
        return;
    }
    if (s.destination == Destination::ListOverrideTable) {
        if (word == "listid") overrideListId_ = parameter;
        if (word == "ls") overrides_[parameter] = overrideListId_;
        return;
    }
    if (s.destination == Destination::Numbering) {
        if (word == "pnlvlblt") numberingBullet_ = true;
        if (word == "pnlvlbody" || word == "pnlvl" || word == "pnlvlcont") numberingBullet_ = false;
        return;
    }
    // --- the document ---
    if (word == "rtf") return;
    if (word == "ansicpg") {
        documentCodePage_ = parameter;
        return;
    }
    if (word == "deff") {
        defaultFont_ = parameter;
        return;
    }
    if (word == "uc") {
        s.fallbackLength = clampTo(parameter, 0, 16);
        return;
    }
    if (word == "u") {
        unicode(parameter);
        return;
    }
    if (word == "bin") {
        // Binary bytes: as many as the parameter says, at most up to the end.
        const std::size_t length = static_cast<std::size_t>(std::max(0, parameter)) < text_.size() - at_
                                       ? static_cast<std::size_t>(std::max(0, parameter))
                                       : text_.size() - at_;
        at_ += length;
        swallowFallback();
        return;
    }
    // --- paragraphs ---
    if (word == "par") return endParagraph();
    if (word == "sect" || word == "page") return endParagraph(false);
    if (word == "row" || word == "nestrow") return endRow();
    if (word == "pard") {
        s.paragraph = {};
        return;
    }
    if (word == "ql")
        s.paragraph.alignment = Alignment::Left;
    else if (word == "qr")
        s.paragraph.alignment = Alignment::Right;
    else if (word == "qc")
        s.paragraph.alignment = Alignment::Centre;
    else if (word == "qj" || word == "qd")
        s.paragraph.alignment = Alignment::Justified;
    else if (word == "li")
        s.paragraph.leftIndent = clampTo(parameter, -31680, 31680);
    else if (word == "ri")
        s.paragraph.rightIndent = clampTo(parameter, -31680, 31680);
    else if (word == "fi")
        s.paragraph.firstLineIndent = clampTo(parameter, -31680, 31680);
    else if (word == "sb")
        s.paragraph.spaceBefore = clampTo(parameter, 0, 31680);
    else if (word == "sa")
        s.paragraph.spaceAfter = clampTo(parameter, 0, 31680);
    else if (word == "ls")
        s.paragraph.list = parameter;
    else if (word == "ilvl")
        s.paragraph.listLevel = clampTo(parameter, 0, 8);
    // --- characters ---
    else if (word == "plain") {
        s.font = -1, s.halfPoints = 24, s.colour = 0, s.highlight = 0;
        s.bold = s.italic = s.underline = s.strikeOut = s.hidden = false;
    } else if (word == "f")
        s.font = parameter;
    else if (word == "fs")
        s.halfPoints = hasParameter && parameter > 0 ? clampTo(parameter, 1, 3276) : 24;
    else if (word == "b")
        s.bold = on;
    else if (word == "i")
        s.italic = on;
    else if (word == "strike" || word == "striked")
        s.strikeOut = on;
    else if (word == "ulnone")
        s.underline = false;
    else if (word.starts_with("ul") && word != "ulc")
        s.underline = on;
    else if (word == "cf")
        s.colour = parameter;
    else if (word == "cb" || word == "highlight" || word == "chcbpat")
        s.highlight = parameter;
    else if (word == "v")
        s.hidden = on;
    // --- special characters ---
    else if (word == "tab" || word == "cell" || word == "nestcell") {
        if (!swallowFallback()) emit('\t');
        return;
    } else if (word == "line") {
        if (!swallowFallback()) emit(0x2028);
        return;
    } else if (word == "emdash") {
        if (!swallowFallback()) emit(0x2014);
        return;
    } else if (word == "endash") {
        if (!swallowFallback()) emit(0x2013);
        return;
    } else if (word == "emspace") {
        if (!swallowFallback()) emit(0x2003);
        return;
    } else if (word == "enspace") {
        if (!swallowFallback()) emit(0x2002);
        return;
    } else if (word == "qmspace") {
        if (!swallowFallback()) emit(0x2005);
        return;
    } else if (word == "bullet") {
        if (!swallowFallback()) emit(0x2022);
        return;
    } else if (word == "lquote") {
        if (!swallowFallback()) emit(0x2018);
        return;
    } else if (word == "rquote") {
        if (!swallowFallback()) emit(0x2019);
        return;
    } else if (word == "ldblquote") {
        if (!swallowFallback()) emit(0x201C);
        return;
    } else if (word == "rdblquote") {
        if (!swallowFallback()) emit(0x201D);
        return;
    } else
        return; // a word that changes nothing this reader keeps
    formatDirty_ = true;
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
    Reader reader(bytes.substr(start + 1));
    return reader.run();
}

} // namespace vexmira::richtext
