// The control words and symbols of rich text: destinations, tables, paragraph and character
// formatting, and the special characters.
#include "RtfReaderCore.h"
#include "RtfSkip.h"

#include <array>
#include <limits>
#include <utility>

namespace vexmira::richtext::rtf {

// Control words that start a destination of their own. Returns true when the word was one.
bool Reader::destinationWord(std::string_view word) {
    return readDestination(word) || skippedDestination(word);
}

// The destinations read: the tables, generated text, numbering.
bool Reader::readDestination(std::string_view word) {
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
    return false;
}

// The destinations skipped, counted by kind where the user is told what was left out.
bool Reader::skippedDestination(std::string_view word) {
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
    if (tableWord(word, parameter)) return;
    if (documentWord(word, parameter) || breakWord(word) || specialCharacter(word)) return;
    // A word that changes nothing this reader keeps leaves the format as it is.
    if (paragraphWord(word, parameter) || characterWord(word, hasParameter, parameter)) formatDirty_ = true;
}

bool Reader::tableWord(std::string_view word, int parameter) {
    switch (state_.destination) {
    case Destination::FontTable:
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
        break;
    case Destination::ColourTable:
        if (word == "red") colourBeingRead_.red = clampTo(parameter, 0, 255), colourBeingRead_.set = true;
        if (word == "green") colourBeingRead_.green = clampTo(parameter, 0, 255), colourBeingRead_.set = true;
        if (word == "blue") colourBeingRead_.blue = clampTo(parameter, 0, 255), colourBeingRead_.set = true;
        break;
    case Destination::ListTable:
        if (word == "list") listBeingRead_.clear();
        if (word == "levelnfc" || word == "levelnfcn") {
            if (listBeingRead_.size() < 9 || word == "levelnfc") listBeingRead_.push_back(parameter);
        }
        if (word == "listid") lists_[parameter].levelFormats = listBeingRead_;
        break;
    case Destination::ListOverrideTable:
        if (word == "listid") overrideListId_ = parameter;
        if (word == "ls") overrides_[parameter] = overrideListId_;
        break;
    case Destination::Numbering:
        if (word == "pnlvlblt") numberingBullet_ = true;
        if (word == "pnlvlbody" || word == "pnlvl" || word == "pnlvlcont") numberingBullet_ = false;
        break;
    default: // the body, and generated text, which is read as the body is
        return false;
    }
    return true;
}

bool Reader::documentWord(std::string_view word, int parameter) {
    if (word == "rtf") return true;
    if (word == "ansicpg") {
        documentCodePage_ = parameter;
    } else if (word == "deff") {
        defaultFont_ = parameter;
    } else if (word == "uc") {
        state_.fallbackLength = clampTo(parameter, 0, 16);
    } else if (word == "u") {
        unicode(parameter);
    } else if (word == "bin") {
        // Binary bytes: as many as the parameter says, at most up to the end.
        const auto wanted = static_cast<std::size_t>(std::max(0, parameter));
        at_ += std::min(wanted, text_.size() - at_);
        swallowFallback();
    } else {
        return false;
    }
    return true;
}

bool Reader::breakWord(std::string_view word) {
    if (word == "par")
        endParagraph();
    else if (word == "sect" || word == "page")
        endParagraph(false);
    else if (word == "row" || word == "nestrow")
        endRow();
    else if (word == "pard")
        state_.paragraph = {};
    else
        return false;
    return true;
}

bool Reader::paragraphWord(std::string_view word, int parameter) {
    ParagraphFormat& p = state_.paragraph;
    if (word == "ql")
        p.alignment = Alignment::Left;
    else if (word == "qr")
        p.alignment = Alignment::Right;
    else if (word == "qc")
        p.alignment = Alignment::Centre;
    else if (word == "qj" || word == "qd")
        p.alignment = Alignment::Justified;
    else if (word == "li")
        p.leftIndent = clampTo(parameter, -31680, 31680);
    else if (word == "ri")
        p.rightIndent = clampTo(parameter, -31680, 31680);
    else if (word == "fi")
        p.firstLineIndent = clampTo(parameter, -31680, 31680);
    else if (word == "sb")
        p.spaceBefore = clampTo(parameter, 0, 31680);
    else if (word == "sa")
        p.spaceAfter = clampTo(parameter, 0, 31680);
    else if (word == "ls")
        p.list = parameter;
    else if (word == "ilvl")
        p.listLevel = clampTo(parameter, 0, 8);
    else
        return false;
    return true;
}

bool Reader::characterWord(std::string_view word, bool hasParameter, int parameter) {
    GroupState& s = state_;
    const bool on = !hasParameter || parameter != 0;
    if (word == "plain") {
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
    else
        return false;
    return true;
}

bool Reader::specialCharacter(std::string_view word) {
    static constexpr std::pair<std::string_view, char32_t> characters[] = {
        {"tab", '\t'},         {"cell", '\t'},        {"nestcell", '\t'},  {"line", 0x2028},
        {"emdash", 0x2014},    {"endash", 0x2013},    {"emspace", 0x2003}, {"enspace", 0x2002},
        {"qmspace", 0x2005},   {"bullet", 0x2022},    {"lquote", 0x2018},  {"rquote", 0x2019},
        {"ldblquote", 0x201C}, {"rdblquote", 0x201D},
    };
    for (const auto& [name, character] : characters)
        if (word == name) {
            if (!swallowFallback()) emit(character);
            return true;
        }
    return false;
}

} // namespace vexmira::richtext::rtf
