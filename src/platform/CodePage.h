#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexmira::platform {

// The code point of the UTF-8 sequence at `at` and its length; false when it is not well formed
// (an overlong form, a surrogate, past U+10FFFF or cut short).
bool nextUtf8(std::string_view bytes, std::size_t at, char32_t& c, std::size_t& length);
// Whether all the bytes are well-formed UTF-8.
bool isValidUtf8(std::string_view bytes);
// Appends a code point to UTF-8 text; one that is no character (a surrogate, past U+10FFFF)
// as U+FFFD.
void appendUtf8(std::string& text, char32_t c);

// A Windows code page (1250..1258, 874, and the double-byte 932, 936, 949, 950), as rich text and
// old text files use them. Code points that a byte does not stand for decode as U+FFFD.
class CodePage {
  public:
    // The table of code page `number`; an unknown number gives 1252. Tables are built once and
    // shared. Any thread.
    static const CodePage& get(int number);
    // The code page that a font's character set (\fcharset) selects; nothing for the sets that
    // keep the document's own (default, symbol, OEM and the rest).
    static std::optional<int> ofCharset(int charset);

    int number() const { return number_; }
    bool isLeadByte(std::uint8_t byte) const { return lead_[byte]; }
    char32_t decode(std::uint8_t byte) const { return single_[byte]; }
    char32_t decode(std::uint8_t lead, std::uint8_t trail) const;
    // Text in this single-byte code page, as UTF-8.
    std::string toUtf8(std::string_view bytes) const;
    // The byte that stands for `c` in this code page, when one does (single-byte pages only).
    std::optional<std::uint8_t> encode(char32_t c) const;

  private:
    explicit CodePage(int number);
    int number_;
    std::array<char32_t, 256> single_{};
    std::array<bool, 256> lead_{};
    std::vector<std::pair<char32_t, std::uint8_t>> reverse_; // sorted by code point
};

} // namespace vexmira::platform
