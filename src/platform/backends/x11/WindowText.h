#pragma once

#include <string>
#include <string_view>

namespace vexmira::platform::x11 {

// How the bytes of a window's text property are encoded.
enum class TextKind { Latin1, Utf8, CompoundText };

// ISO 8859-1 bytes as UTF-8.
std::string latin1ToUtf8(std::string_view text);

// A window's title or class name as UTF-8. COMPOUND_TEXT is read in its Latin-1 and embedded
// UTF-8 parts; characters of other character sets become '?'.
std::string windowTextToUtf8(std::string_view bytes, TextKind kind);

} // namespace vexmira::platform::x11
