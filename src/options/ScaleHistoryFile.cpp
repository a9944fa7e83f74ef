#include "ScaleHistoryFile.h"

#include "platform/CodePage.h"

#include <algorithm>
#include <cstring>

namespace vexmira::options {

namespace {

// Value types of the component stream.
enum ValueType : std::uint8_t {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18,
    vaInt64 = 19,
    vaUTF8String = 20,
    vaDouble = 21,
};

// The cp1252 bytes of UTF-8 text; characters cp1252 lacks, and broken sequences, become '?'.
std::string toCp1252(std::string_view text) {
    const platform::CodePage& page = platform::CodePage::get(1252);
    std::string bytes;
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        std::size_t length = 1;
        const bool valid = platform::nextUtf8(text, i, c, length);
        const auto encoded = valid ? page.encode(c) : std::nullopt;
        bytes += encoded ? static_cast<char>(*encoded) : '?';
        i += valid ? length : 1;
    }
    return bytes;
}

class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool atEnd() const { return at_ >= bytes_.size(); }
    std::optional<std::uint8_t> byte() {
        if (at_ >= bytes_.size()) return std::nullopt;
        return static_cast<std::uint8_t>(bytes_[at_++]);
    }
    std::optional<std::string_view> take(std::size_t n) {
        if (n > bytes_.size() - at_) return std::nullopt;
        const std::string_view part = bytes_.substr(at_, n);
        at_ += n;
        return part;
    }
    std::optional<std::uint32_t> u32() {
        const auto raw = take(4);
        if (!raw) return std::nullopt;
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | static_cast<std::uint8_t>((*raw)[static_cast<std::size_t>(i)]);
        return v;
    }
    std::optional<std::string_view> shortString() {
        const auto length = byte();
        if (!length) return std::nullopt;
        return take(*length);
    }

  private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

// Reads one value of type `type`; strings are handed to `onString` (others are skipped). False
// when the stream is broken. `depth` bounds nested lists.
bool readValue(Reader& in, std::uint8_t type, int depth, std::vector<std::string>* strings,
               std::string* string) {
    if (depth > 64) return false;
    auto keep = [&](std::string_view raw, bool cp1252) {
        std::string text = cp1252 ? platform::CodePage::get(1252).toUtf8(raw) : std::string(raw);
        if (strings) strings->push_back(text);
        if (string) *string = text;
        return true;
    };
    switch (type) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
        return true;
    case vaInt8:
        return in.take(1).has_value();
    case vaInt16:
        return in.take(2).has_value();
    case vaInt32:
    case vaSingle:
        return in.take(4).has_value();
    case vaInt64:
    case vaCurrency:
    case vaDate:
    case vaDouble:
        return in.take(8).has_value();
    case vaExtended:
        return in.take(10).has_value();
    case vaString:
    case vaIdent: {
        const auto s = in.shortString();
        return s && keep(*s, true);
    }
    case vaLString:
    case vaUTF8String: {
        const auto n = in.u32();
        if (!n) return false;
        const auto s = in.take(*n);
        return s && keep(*s, type == vaLString);
    }
    case vaWString: {
        const auto n = in.u32();
        if (!n || *n > (1u << 30)) return false;
        const auto s = in.take(static_cast<std::size_t>(*n) * 2);
        if (!s) return false;
        std::string text;
        for (std::size_t i = 0; i + 1 < s->size(); i += 2) {
            const char16_t c = static_cast<char16_t>(static_cast<std::uint8_t>((*s)[i]) |
                                                     static_cast<std::uint8_t>((*s)[i + 1]) << 8);
            text += c < 0x80 ? static_cast<char>(c) : '?';
        }
        return keep(text, false);
    }
    case vaBinary: {
        const auto n = in.u32();
        return n && in.take(*n).has_value();
    }
    case vaSet:
        while (true) {
            const auto name = in.shortString();
            if (!name) return false;
            if (name->empty()) return true;
        }
    case vaList:
        while (true) {
            const auto item = in.byte();
            if (!item) return false;
            if (*item == vaNull) return true;
            if (!readValue(in, *item, depth + 1, strings, nullptr)) return false;
        }
    case vaCollection:
        while (true) {
            const auto item = in.byte();
            if (!item) return false;
            if (*item == vaNull) return true;
            // An item: an optional order value (a number), then properties ended by a zero.
            if (*item == vaInt8 || *item == vaInt16 || *item == vaInt32) {
                if (!readValue(in, *item, depth + 1, nullptr, nullptr)) return false;
                if (in.byte() != std::optional<std::uint8_t>(vaList)) return false;
            } else if (*item != vaList) {
                return false;
            }
            while (true) {
                const auto name = in.shortString();
                if (!name) return false;
                if (name->empty()) break;
                const auto valueType = in.byte();
                if (!valueType || !readValue(in, *valueType, depth + 1, nullptr, nullptr)) return false;
            }
        }
    default:
        return false;
    }
}

void putShortString(std::vector<std::uint8_t>& out, std::string_view s) {
    const std::size_t n = std::min<std::size_t>(s.size(), 255);
    out.push_back(static_cast<std::uint8_t>(n));
    out.insert(out.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n));
}

void keepHistoryRules(ScaleHistory& history) {
    std::vector<std::string> once;
    for (const std::string& item : history.items)
        if (std::find(once.begin(), once.end(), item) == once.end()) once.push_back(item);
    if (once.size() > scaleHistoryLength) once.resize(scaleHistoryLength);
    history.items = std::move(once);
}

} // namespace

void rememberScale(ScaleHistory& history, const std::string& text) {
    history.items.erase(std::remove(history.items.begin(), history.items.end(), text), history.items.end());
    history.items.insert(history.items.begin(), text);
    if (history.items.size() > scaleHistoryLength) history.items.resize(scaleHistoryLength);
}

std::optional<ScaleHistory> readScaleHistory(std::string_view bytes) {
    Reader in(bytes);
    const auto signature = in.take(4);
    if (!signature || *signature != "TPF0") return std::nullopt;
    // A flags byte (0xF0 and up) may come before the class name, with a child position after it.
    const auto first = in.byte();
    if (!first) return std::nullopt;
    std::optional<std::string_view> className;
    if ((*first & 0xF0) == 0xF0) {
        if (*first & 0x02) {
            const auto type = in.byte();
            if (!type || (*type != vaInt8 && *type != vaInt16 && *type != vaInt32) ||
                !readValue(in, *type, 0, nullptr, nullptr))
                return std::nullopt;
        }
        className = in.shortString();
    } else {
        className = in.take(*first);
    }
    if (!className) return std::nullopt;
    if (!in.shortString()) return std::nullopt;
    ScaleHistory history;
    while (true) {
        const auto name = in.shortString();
        if (!name) return std::nullopt;
        if (name->empty()) break;
        const auto type = in.byte();
        if (!type) return std::nullopt;
        const bool items = *name == "Items.Strings";
        const bool text = *name == "Text";
        std::vector<std::string> strings;
        std::string single;
        if (!readValue(in, *type, 0, items ? &strings : nullptr, text ? &single : nullptr))
            return std::nullopt;
        if (items) history.items = std::move(strings);
        if (text) history.text = std::move(single);
    }
    // The (empty) list of child components must end the stream's component.
    if (in.byte() != std::optional<std::uint8_t>(vaNull)) return std::nullopt;
    keepHistoryRules(history);
    return history;
}

std::vector<std::uint8_t> writeScaleHistory(const ScaleHistory& history) {
    std::vector<std::uint8_t> out{'T', 'P', 'F', '0'};
    putShortString(out, "TComboBox");
    putShortString(out, "CBX");
    putShortString(out, "Items.Strings");
    out.push_back(vaList);
    for (const std::string& item : history.items) {
        out.push_back(vaString);
        putShortString(out, toCp1252(item));
    }
    out.push_back(vaNull);
    putShortString(out, "Text");
    out.push_back(vaString);
    putShortString(out, toCp1252(history.text));
    out.push_back(vaNull); // end of the properties
    out.push_back(vaNull); // no child components
    return out;
}

} // namespace vexmira::options
