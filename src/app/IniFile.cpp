#include "IniFile.h"

#include "raster/ImageFile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>

namespace vexmira::app {

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

IniFile::IniFile(std::filesystem::path path) : path_(std::move(path)) {
    std::ifstream in(path_, std::ios::binary);
    parse(in);
}

IniFile::IniFile(std::filesystem::path path, std::string_view text) : path_(std::move(path)) {
    std::istringstream in{std::string(text)};
    parse(in);
}

void IniFile::parse(std::istream& in) {
    std::string text;
    std::string section;
    while (std::getline(in, text)) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        Line line{text, section, {}, {}};
        const std::string_view t = trimmed(text);
        if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
            section = std::string(trimmed(t.substr(1, t.size() - 2)));
            line.section = section;
        } else if (const auto eq = t.find('='); eq != std::string_view::npos && eq > 0 && t.front() != ';' && t.front() != '#') {
            line.key = std::string(trimmed(t.substr(0, eq)));
            line.value = std::string(trimmed(t.substr(eq + 1)));
        }
        lines_.push_back(std::move(line));
    }
}

int IniFile::find(std::string_view section, std::string_view key) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (!sameName(line.section, section)) continue;
        if (key.empty() ? line.key.empty() && trimmed(line.text).starts_with('[') : sameName(line.key, key))
            return static_cast<int>(i);
    }
    return -1;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    const int at = find(section, key);
    if (at < 0) return std::nullopt;
    return lines_[at].value;
}

std::string IniFile::readString(std::string_view section, std::string_view key, const std::string& fallback) const {
    return value(section, key).value_or(fallback);
}

std::optional<int> IniFile::parseInteger(std::string_view text) {
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with('$')) base = 16, text.remove_prefix(1);
    else if (text.starts_with("0x") || text.starts_with("0X")) base = 16, text.remove_prefix(2);
    if (text.empty()) return std::nullopt;
    long long magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    const long long value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) return std::nullopt;
    return static_cast<int>(value);
}

std::optional<double> IniFile::parseFloat(std::string_view text) {
    std::string number(trimmed(text));
    std::replace(number.begin(), number.end(), ',', '.');
    if (number.empty()) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
    return value;
}

int IniFile::readInteger(std::string_view section, std::string_view key, int fallback) const {
    const auto text = value(section, key);
    return text ? parseInteger(*text).value_or(fallback) : fallback;
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool fallback) const {
    return readInteger(section, key, fallback ? 1 : 0) != 0;
}

double IniFile::readFloat(std::string_view section, std::string_view key, double fallback) const {
    const auto text = value(section, key);
    return text ? parseFloat(*text).value_or(fallback) : fallback;
}

void IniFile::writeString(std::string_view section, std::string_view key, const std::string& value) {
    const std::string text = std::string(key) + "=" + value;
    if (const int at = find(section, key); at >= 0) {
        lines_[at].text = text;
        lines_[at].value = value;
        return;
    }
    int header = find(section, {});
    if (header < 0) {
        if (!lines_.empty() && !trimmed(lines_.back().text).empty()) lines_.push_back({"", lines_.back().section, {}, {}});
        lines_.push_back({"[" + std::string(section) + "]", std::string(section), {}, {}});
        header = static_cast<int>(lines_.size()) - 1;
    }
    // After the section's last key (blank lines and comments at its end stay after the new key).
    std::size_t insertAt = static_cast<std::size_t>(header) + 1;
    for (std::size_t i = insertAt; i < lines_.size() && sameName(lines_[i].section, lines_[header].section) &&
                                   !trimmed(lines_[i].text).starts_with('[');
         ++i)
        if (!lines_[i].key.empty()) insertAt = i + 1;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), Line{text, lines_[header].section, std::string(key), value});
}

void IniFile::writeInteger(std::string_view section, std::string_view key, int value) {
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

void IniFile::writeFloat(std::string_view section, std::string_view key, double value) {
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    writeString(section, key, error == std::errc() ? std::string(buffer, end) : std::string("0"));
}

std::string IniFile::text() const {
    std::string out;
    for (const Line& line : lines_) out += line.text + "\n";
    return out;
}

bool IniFile::save() const {
    const std::string out = text();
    try {
        raster::writeFileAtomically(path_, {reinterpret_cast<const std::uint8_t*>(out.data()), out.size()});
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace vexmira::app
