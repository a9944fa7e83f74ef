#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexmira::options {

// The scale history: the texts of scale factors the user closed the options dialog with, the
// newest first, each once, at most 20.
struct ScaleHistory {
    std::vector<std::string> items; // UTF-8
    std::string text;

    bool operator==(const ScaleHistory&) const = default;
};

constexpr std::size_t scaleHistoryLength = 20;

// Puts `text` first: an equal item further down goes, and the oldest beyond the 20th goes.
void rememberScale(ScaleHistory& history, const std::string& text);

// Reads "scale.cld": a combo box stored in the binary component-stream form ("TPF0", the class
// and component names, then properties as name, type byte and value, ended by two zero bytes).
// Only "Items.Strings" and "Text" are kept; every other value is skipped. Strings are cp1252.
// Nothing when the bytes are not such a stream (truncated, a length past the end, an unknown
// type); the items are then brought to the history's rules (each once, at most 20).
std::optional<ScaleHistory> readScaleHistory(std::string_view bytes);

// The stream of a combo box "CBX" holding the history.
std::vector<std::uint8_t> writeScaleHistory(const ScaleHistory& history);

} // namespace vexmira::options
