#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace vexmira::platform {

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
