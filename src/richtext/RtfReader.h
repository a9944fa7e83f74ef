#pragma once

#include "Document.h"

#include <string>
#include <string_view>
#include <vector>

namespace vexmira::richtext {

struct ReadResult {
    Document document;
    // What the file held that the document leaves out, one line per kind ("2 pictures").
    std::vector<std::string> dropped;
    // Set when nothing could be read (the document is then empty).
    std::string error;
};

// Whether the bytes are rich text: "{\rtf" after an optional UTF-8 byte-order mark and white space.
bool looksLikeRtf(std::string_view bytes);

// Reads rich text. A truncated or unbalanced file gives what was read up to its end; nesting
// deeper than 1000 groups is an error. Never throws for bad input.
ReadResult readRtf(std::string_view bytes);

// Reads a plain text file: UTF-8 (with or without a byte-order mark), UTF-16 with a byte-order
// mark, else cp1252. One paragraph per line (CR LF, LF or CR), every run in `format`. Bytes that
// no text holds (NUL outside UTF-16) are an error.
ReadResult readPlainText(std::string_view bytes, const CharFormat& format);

// Rich text when the bytes are rich text, else plain text.
ReadResult readRichOrPlainText(std::string_view bytes, const CharFormat& plainFormat);

} // namespace vexmira::richtext
