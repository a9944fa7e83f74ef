// The state of the rich-text reader, shared by its parts: the text and groups (RtfReader.cpp)
// and the control words (RtfControlWords.cpp). Not for use outside the reader.
#pragma once

#include "Document.h"
#include "RtfReader.h"
#include "platform/CodePage.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexmira::richtext::rtf {

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

inline int clampTo(long long value, int low, int high) {
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
    // The parts of controlWord; each says whether the word was its own.
    bool tableWord(std::string_view word, int parameter); // the font, colour and list tables
    bool documentWord(std::string_view word, int parameter);
    bool breakWord(std::string_view word);
    bool paragraphWord(std::string_view word, int parameter);
    bool characterWord(std::string_view word, bool hasParameter, int parameter);
    bool specialCharacter(std::string_view word);
    void controlSymbol(char symbol);
    void openGroup();
    void closeGroup();
    // A double-byte character whose second byte never came: a replacement mark.
    void abandonLeadByte();
    bool destinationWord(std::string_view word);
    bool readDestination(std::string_view word);
    bool skippedDestination(std::string_view word);
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

} // namespace vexmira::richtext::rtf
