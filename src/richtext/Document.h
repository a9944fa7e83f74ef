#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexmira::richtext {

// A colour as 0xBBGGRR (red in the low byte).
using Colour = std::uint32_t;

enum class Alignment { Left, Right, Centre, Justified };

// How a run of characters looks. Sizes are in half points, as rich text counts them.
struct CharFormat {
    std::string font;                               // family name; empty: the reader's default
    int halfPoints = 24;                            // 12 pt
    std::optional<Colour> colour = std::nullopt;    // none: automatic (the viewer's text colour)
    std::optional<Colour> highlight = std::nullopt; // none: no background
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;

    bool operator==(const CharFormat&) const = default;
};

// Characters in one format. Text is UTF-8; a tab is '\t' and a line break inside the paragraph
// is U+2028.
struct Run {
    std::string text;
    CharFormat format;

    bool operator==(const Run&) const = default;
};

// Indents and spacing are in twips (1/1440 inch), as rich text counts them.
struct Paragraph {
    Alignment alignment = Alignment::Left;
    bool bullet = false;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstLineIndent = 0; // relative to the left indent; negative hangs
    int spaceBefore = 0;
    int spaceAfter = 0;
    std::vector<Run> runs;

    bool operator==(const Paragraph&) const = default;
    // The paragraph's characters without their formats.
    std::string text() const;
};

struct Document {
    std::vector<Paragraph> paragraphs;

    bool operator==(const Document&) const = default;
    // The characters of every paragraph, each paragraph ended by '\n'.
    std::string plainText() const;
};

// Appends `text` in `format` to the paragraph, joining it to the last run when the formats match.
void appendText(Paragraph& paragraph, std::string_view text, const CharFormat& format);

// Appends a code point to a UTF-8 string.
void appendUtf8(std::string& out, char32_t codePoint);

} // namespace vexmira::richtext
