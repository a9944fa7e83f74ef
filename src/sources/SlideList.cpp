#include "SlideList.h"

#include "platform/CodePage.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace vexmira::sources {

namespace {

// UTF-16 with its byte-order mark, as UTF-8; unpaired surrogates become U+FFFD.
std::string fromUtf16(std::string_view bytes, bool bigEndian) {
    std::string text;
    auto unit = [&](std::size_t i) {
        const auto a = static_cast<std::uint8_t>(bytes[i]), b = static_cast<std::uint8_t>(bytes[i + 1]);
        return static_cast<char32_t>(bigEndian ? a << 8 | b : b << 8 | a);
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            } else {
                c = 0xFFFD;
            }
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        platform::appendUtf8(text, c);
    }
    return text;
}

std::vector<std::string> linesOf(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        const std::string_view line =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        lines.emplace_back(line);
        if (end == std::string_view::npos) break;
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool wholeNumber(std::string_view text, long long& value) {
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    // Long runs of digits are only large: they are kept within the range below anyway.
    const std::string_view digits = text.size() > 12 ? std::string_view("999999999999") : text;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (negative) value = -value;
    return true;
}

} // namespace

TFileKind FileKind(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (extension == ".TXT") return fkText;
    if (extension == ".JPG" || extension == ".JPEG") return fkJpeg;
    if (extension == ".PNG") return fkPng;
    if (extension == ".BMP") return fkBitmap;
    if (extension == ".RTF") return fkRichText;
    return fkOther;
}

SlideListRead readSlideList(std::string_view bytes, const std::filesystem::path& folder) {
    SlideListRead result;
    std::string text;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
        text = std::string(bytes);
    } else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        text = fromUtf16(bytes.substr(2), bytes[0] == '\xFE');
    } else {
        text = std::string(bytes);
    }
    std::vector<std::pair<int, std::string>> lines; // with their line numbers
    int number = 0;
    for (std::string& line : linesOf(text)) {
        ++number;
        if (trimmed(line).empty()) continue;
        if (!platform::isValidUtf8(line)) line = platform::CodePage::get(1252).toUtf8(line);
        lines.emplace_back(number, std::move(line));
    }
    auto fail = [&](int line, std::string problem) {
        result.badLine = line;
        result.problem = std::move(problem);
        return result;
    };
    if (lines.size() < 2) return fail(number, "the loop flag and the slide duration are missing");
    long long loop = 0; // anything but 1 is "no loop"
    if (!wholeNumber(lines[0].second, loop)) loop = 0;
    long long duration = 0;
    if (!wholeNumber(lines[1].second, duration))
        return fail(lines[1].first, "the slide duration is not a number");
    result.list.loop = loop == 1;
    result.list.duration = static_cast<int>(std::clamp<long long>(duration, 0, 100));
    for (std::size_t i = 2; i < lines.size(); ++i) {
        const std::string& name = lines[i].second;
        if (name.find('\0') != std::string::npos) return fail(lines[i].first, "the line holds a zero byte");
        std::filesystem::path path(name);
        if (path.is_relative()) path = folder / path;
        result.list.slides.push_back(path.lexically_normal());
    }
    result.ok = true;
    return result;
}

std::string writeSlideList(const SlideListFile& list) {
    std::string text = std::string(list.loop ? "1" : "0") + "\r\n" +
                       std::to_string(std::clamp(list.duration, 0, 100)) + "\r\n";
    for (const std::filesystem::path& slide : list.slides) {
        const std::string name = slide.string();
        if (name.empty() || name.find_first_of("\r\n") != std::string::npos) continue;
        text += name + "\r\n";
    }
    return text;
}

} // namespace vexmira::sources
