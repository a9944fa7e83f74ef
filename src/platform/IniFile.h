#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexmira::platform {

// An INI file held in memory and written back whole. Section and key names are compared without
// regard to letter case; lines the program does not touch (other keys and sections, comments,
// blank lines) keep their place and text. A value that is missing or not a valid number reads as
// the caller's default. Not thread-safe.
class IniFile {
  public:
    // Reads `path`; a missing or unreadable file gives an empty one (every key its default). A
    // file that exists but cannot be read is never written over (see unreadableReason).
    explicit IniFile(std::filesystem::path path);
    // Takes `text` as the content of the file at `path` (not read).
    IniFile(std::filesystem::path path, std::string_view text);

    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    std::string readString(std::string_view section, std::string_view key, const std::string& fallback) const;
    // Decimal, optionally signed; also $1F and 0x1F hexadecimal. Outside 32 bits: the default.
    int readInteger(std::string_view section, std::string_view key, int fallback) const;
    // True when the integer is not 0.
    bool readBool(std::string_view section, std::string_view key, bool fallback) const;
    // A decimal number with '.' (a ',' is taken as the decimal separator too).
    double readFloat(std::string_view section, std::string_view key, double fallback) const;

    // Replaces the key's value where it stands, or adds the key at the end of its section (and
    // the section at the end of the file). Line breaks in the value are written as spaces.
    void writeString(std::string_view section, std::string_view key, const std::string& value);
    void writeInteger(std::string_view section, std::string_view key, int value);
    void writeBool(std::string_view section, std::string_view key, bool value); // "1" or "0"
    void writeFloat(std::string_view section, std::string_view key, double value);

    // Writes the whole file through a temporary file and a rename. Returns false (the file as it
    // was), with the reason in `problem`, when it cannot be written or could not be read.
    bool save(std::string* problem = nullptr) const;
    // Why the file that exists could not be read; nothing when it was read or is missing.
    const std::optional<std::string>& unreadableReason() const { return unreadable_; }
    std::string text() const;
    const std::filesystem::path& path() const { return path_; }

    static std::optional<int> parseInteger(std::string_view text);
    static std::optional<double> parseFloat(std::string_view text);

  private:
    struct Line {
        std::string text;    // as read or written
        std::string section; // the section it belongs to ("" before the first one)
        int block = -1;      // which section header it follows (-1 before the first one)
        std::string key;     // empty unless it is a key line
        std::string value;
        bool header = false;
    };
    void parse(std::string_view text);
    void parseUtf8(std::string_view text);
    int firstHeader(std::string_view section) const;
    // Index of the key's line, or of the section header when `key` is empty; -1 when missing.
    int find(std::string_view section, std::string_view key) const;

    std::filesystem::path path_;
    std::vector<Line> lines_;
    std::optional<std::string> unreadable_;
    bool byteOrderMark_ = false;
    // A file written as UTF-16 (with its byte-order mark) is read as such and written back so.
    enum class Utf16 { No, LittleEndian, BigEndian } utf16_ = Utf16::No;
};

} // namespace vexmira::platform
