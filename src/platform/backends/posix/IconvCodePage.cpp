// Code page tables from the C library's iconv, built once per code page.
#include "platform/CodePage.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace vexmira::platform {

bool nextUtf8(std::string_view s, std::size_t at, char32_t& c, std::size_t& length) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char first = b(at);
    if (first < 0x80) {
        c = first, length = 1;
        return true;
    }
    int extra = 0;
    char32_t minimum = 0;
    if ((first & 0xE0) == 0xC0)
        extra = 1, c = first & 0x1F, minimum = 0x80;
    else if ((first & 0xF0) == 0xE0)
        extra = 2, c = first & 0x0F, minimum = 0x800;
    else if ((first & 0xF8) == 0xF0)
        extra = 3, c = first & 0x07, minimum = 0x10000;
    else
        return false;
    if (at + static_cast<std::size_t>(extra) >= s.size()) return false;
    for (int i = 1; i <= extra; ++i) {
        const unsigned char next = b(at + static_cast<std::size_t>(i));
        if ((next & 0xC0) != 0x80) return false;
        c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    length = static_cast<std::size_t>(extra) + 1;
    return true;
}

bool isValidUtf8(std::string_view s) {
    for (std::size_t at = 0; at < s.size();) {
        char32_t c;
        std::size_t length;
        if (!nextUtf8(s, at, c, length)) return false;
        at += length;
    }
    return true;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string CodePage::toUtf8(std::string_view bytes) const {
    std::string text;
    for (const char b : bytes)
        appendUtf8(text, decode(static_cast<std::uint8_t>(b)));
    return text;
}

namespace {

constexpr char32_t replacement = 0xFFFD;

bool known(int number) {
    switch (number) {
    case 874:
    case 932:
    case 936:
    case 949:
    case 950:
    case 1250:
    case 1251:
    case 1252:
    case 1253:
    case 1254:
    case 1255:
    case 1256:
    case 1257:
    case 1258:
        return true;
    default:
        return false;
    }
}

// An iconv descriptor from one code page to UTF-32, closed with its owner.
class Converter {
  public:
    explicit Converter(int number) : cd_(iconv_open("UTF-32LE", ("CP" + std::to_string(number)).c_str())) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    enum class Result { One, Incomplete, Invalid };
    // Converts the bytes to exactly one code point.
    Result convert(const char* bytes, std::size_t size, char32_t& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        unsigned char buffer[32];
        char* in = const_cast<char*>(bytes);
        std::size_t inLeft = size;
        char* outPtr = reinterpret_cast<char*>(buffer);
        std::size_t outLeft = sizeof buffer;
        const std::size_t done = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
        if (done == static_cast<std::size_t>(-1) && errno == EINVAL) return Result::Incomplete;
        if (done == static_cast<std::size_t>(-1)) return Result::Invalid;
        iconv(cd_, nullptr, nullptr, &outPtr, &outLeft); // what a stateful page still holds
        const std::size_t produced = sizeof buffer - outLeft;
        if (produced != 4) return Result::Invalid;
        out = static_cast<char32_t>(buffer[0] | buffer[1] << 8 | buffer[2] << 16 | buffer[3] << 24);
        return Result::One;
    }

  private:
    iconv_t cd_;
};

} // namespace

CodePage::CodePage(int number) : number_(number) {
    Converter converter(number);
    for (int byte = 0; byte < 256; ++byte) {
        single_[byte] = byte < 0x80 ? static_cast<char32_t>(byte) : replacement;
        if (byte < 0x80 || !converter.ok()) continue;
        const char b = static_cast<char>(byte);
        char32_t c = replacement;
        switch (converter.convert(&b, 1, c)) {
        case Converter::Result::One:
            single_[byte] = c;
            break;
        case Converter::Result::Incomplete:
            lead_[byte] = true;
            break;
        case Converter::Result::Invalid:
            break;
        }
    }
    for (int byte = 0x80; byte < 256; ++byte)
        if (!lead_[byte] && single_[byte] != replacement)
            reverse_.emplace_back(single_[byte], static_cast<std::uint8_t>(byte));
    std::sort(reverse_.begin(), reverse_.end());
}

char32_t CodePage::decode(std::uint8_t lead, std::uint8_t trail) const {
    if (!lead_[lead]) return replacement;
    Converter converter(number_);
    const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    char32_t c = replacement;
    if (!converter.ok() || converter.convert(bytes, 2, c) != Converter::Result::One) return replacement;
    return c;
}

std::optional<std::uint8_t> CodePage::encode(char32_t c) const {
    if (c < 0x80) return static_cast<std::uint8_t>(c);
    const auto at =
        std::lower_bound(reverse_.begin(), reverse_.end(), std::pair<char32_t, std::uint8_t>(c, 0));
    if (at == reverse_.end() || at->first != c) return std::nullopt;
    return at->second;
}

const CodePage& CodePage::get(int number) {
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<CodePage>> tables;
    if (!known(number)) number = 1252;
    const std::lock_guard lock(mutex);
    auto& table = tables[number];
    if (!table) table.reset(new CodePage(number));
    return *table;
}

std::optional<int> CodePage::ofCharset(int charset) {
    switch (charset) {
    case 0:
        return 1252;
    case 238:
        return 1250;
    case 204:
        return 1251;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 163:
        return 1258;
    case 222:
        return 874;
    case 128:
        return 932;
    case 134:
        return 936;
    case 129:
        return 949;
    case 136:
        return 950;
    default:
        return std::nullopt;
    }
}

} // namespace vexmira::platform
