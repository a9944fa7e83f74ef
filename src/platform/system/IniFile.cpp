#include "platform/IniFile.h"

#include "platform/CodePage.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <limits>

namespace vexmira::platform {

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// UTF-16 after its byte-order mark to UTF-8; a lone surrogate or odd last byte becomes U+FFFD.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    const auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    };
    for (std::size_t i = 2; i < bytes.size(); i += 2) {
        if (i + 1 >= bytes.size()) {
            platform::appendUtf8(out, 0xFFFD);
            break;
        }
        const char16_t u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
            unit(i + 2) < 0xE000) {
            platform::appendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (unit(i + 2) - 0xDC00));
            i += 2;
        } else {
            platform::appendUtf8(out, u >= 0xD800 && u < 0xE000 ? char32_t(0xFFFD) : char32_t(u));
        }
    }
    return out;
}

// UTF-8 to UTF-16 with its byte-order mark; bytes that are not UTF-8 become U+FFFD.
std::string utf8ToUtf16(std::string_view text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    const auto put = [&](char16_t u) {
        const char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    };
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        std::size_t length = 1;
        if (!platform::nextUtf8(text, i, c, length)) c = 0xFFFD, length = 1;
        i += length;
        if (c >= 0x10000) {
            put(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            put(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            put(static_cast<char16_t>(c));
        }
    }
    return out;
}

} // namespace

IniFile::IniFile(std::filesystem::path path) : path_(std::move(path)) {
    platform::FileContent content = platform::readWholeFile(path_);
    if (content.status == platform::ReadStatus::Unreadable) {
        unreadable_ = content.reason.empty() ? std::string("unknown error") : content.reason;
        return;
    }
    parse(content.bytes);
}

IniFile::IniFile(std::filesystem::path path, std::string_view text) : path_(std::move(path)) {
    parse(text);
}

// Lines end at LF, CR LF or a lone CR; a UTF-8 byte-order mark at the start is not part of the
// first line. A section named twice is read and written through its first header only; the
// lines of the later one are kept as they are.
void IniFile::parse(std::string_view text) {
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
        const bool bigEndian = text[0] == '\xFE';
        utf16_ = bigEndian ? Utf16::BigEndian : Utf16::LittleEndian;
        const std::string converted = utf16ToUtf8(text, bigEndian);
        parseUtf8(converted);
        return;
    }
    parseUtf8(text);
}

void IniFile::parseUtf8(std::string_view text) {
    byteOrderMark_ = text.starts_with("\xEF\xBB\xBF");
    if (byteOrderMark_) text.remove_prefix(3);
    std::string section;
    int block = -1;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        std::string_view raw = text.substr(0, end);
        if (end == std::string_view::npos)
            text = {};
        else
            text.remove_prefix(end + (text.substr(end).starts_with("\r\n") ? 2 : 1));
        Line line{std::string(raw), section, block, {}, {}};
        const std::string_view t = trimmed(raw);
        if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
            section = std::string(trimmed(t.substr(1, t.size() - 2)));
            line.section = section;
            line.block = ++block;
            line.header = true;
        } else if (const auto eq = t.find('=');
                   eq != std::string_view::npos && eq > 0 && t.front() != ';' && t.front() != '#') {
            line.key = std::string(trimmed(t.substr(0, eq)));
            // A value ends at a NUL byte, as the home platform's reader takes it.
            std::string_view value = t.substr(eq + 1);
            value = value.substr(0, value.find('\0'));
            line.value = std::string(trimmed(value));
        }
        lines_.push_back(std::move(line));
    }
}

int IniFile::firstHeader(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].header && sameName(lines_[i].section, section)) return static_cast<int>(i);
    return -1;
}

int IniFile::find(std::string_view section, std::string_view key) const {
    const int header = firstHeader(section);
    if (header < 0 || key.empty()) return header;
    const int block = lines_[header].block;
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < lines_.size() && lines_[i].block == block;
         ++i)
        if (!lines_[i].key.empty() && sameName(lines_[i].key, key)) return static_cast<int>(i);
    return -1;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    const int at = find(section, key);
    if (at < 0) return std::nullopt;
    return lines_[at].value;
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                const std::string& fallback) const {
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
    if (text.starts_with('$'))
        base = 16, text.remove_prefix(1);
    else if (text.starts_with("0x") || text.starts_with("0X"))
        base = 16, text.remove_prefix(2);
    // Digits only from here: no second sign, no sign inside the hexadecimal forms.
    if (text.empty() || !std::isxdigit(static_cast<unsigned char>(text.front())) ||
        (base == 10 && !std::isdigit(static_cast<unsigned char>(text.front()))))
        return std::nullopt;
    long long magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    const long long value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
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

void IniFile::writeString(std::string_view section, std::string_view key, const std::string& given) {
    // A line break would end the value and start a line of its own.
    std::string value;
    for (std::size_t i = 0; i < given.size(); ++i) {
        if (given[i] == '\r' && i + 1 < given.size() && given[i + 1] == '\n') continue;
        value += given[i] == '\r' || given[i] == '\n' ? ' ' : given[i];
    }
    const std::string text = std::string(key) + "=" + value;
    if (const int at = find(section, key); at >= 0) {
        lines_[at].text = text;
        lines_[at].value = value;
        return;
    }
    int header = firstHeader(section);
    if (header < 0) {
        const int block = lines_.empty() ? 0 : lines_.back().block + 1;
        if (!lines_.empty() && !trimmed(lines_.back().text).empty())
            lines_.push_back({"", lines_.back().section, lines_.back().block, {}, {}});
        lines_.push_back({"[" + std::string(section) + "]", std::string(section), block, {}, {}, true});
        header = static_cast<int>(lines_.size()) - 1;
    }
    // After the section's last key (blank lines and comments at its end stay after the new key).
    const Line& head = lines_[header];
    std::size_t insertAt = static_cast<std::size_t>(header) + 1;
    for (std::size_t i = insertAt; i < lines_.size() && lines_[i].block == head.block; ++i)
        if (!lines_[i].key.empty()) insertAt = i + 1;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                  Line{text, head.section, head.block, std::string(key), value});
}

void IniFile::writeInteger(std::string_view section, std::string_view key, int value) {
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

void IniFile::writeFloat(std::string_view section, std::string_view key, double value) {
    char buffer[64];
    // Twelve significant digits: 1.1 x 100 is written "110", not "110.00000000000001". Always
    // with '.', whatever the locale.
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 12);
    writeString(section, key, error == std::errc() ? std::string(buffer, end) : std::string("0"));
}

std::string IniFile::text() const {
    // A mark that was there is written back, so that what follows it reads the same again.
    std::string out = byteOrderMark_ ? "\xEF\xBB\xBF" : "";
    for (const Line& line : lines_)
        out += line.text + "\n";
    return out;
}

bool IniFile::save(std::string* problem) const {
    if (unreadable_) {
        if (problem) *problem = "it could not be read (" + *unreadable_ + "), so it is left as it is";
        return false;
    }
    const std::string out = utf16_ == Utf16::No ? text() : utf8ToUtf16(text(), utf16_ == Utf16::BigEndian);
    try {
        platform::writeFileAtomically(path_, {reinterpret_cast<const std::uint8_t*>(out.data()), out.size()});
        return true;
    } catch (const platform::FileError& error) {
        if (problem) *problem = error.problem();
        return false;
    }
}

} // namespace vexmira::platform
