#include "platform/Autostart.h"

#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace vexmira::platform {

std::filesystem::path autostartEntryPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path folder;
    if (config && *config == '/') {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::filesystem::path(home && *home ? home : "/") / ".config";
    }
    return folder / "autostart" / "Vexmira.desktop";
}

std::string desktopExecValue(const std::filesystem::path& executable) {
    const std::string path = executable.string();
    // Characters that make an argument need quotes; inside them ", `, $ and \ take a backslash.
    const bool quoted = path.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
    std::string argument;
    if (quoted) argument += '"';
    for (const char c : path) {
        if (quoted && (c == '"' || c == '`' || c == '$' || c == '\\')) argument += '\\';
        argument += c;
        if (c == '%') argument += '%'; // a literal percent sign, not a field code
    }
    if (quoted) argument += '"';
    // Then the escapes of a string value in a desktop file.
    std::string value;
    for (const char c : argument) {
        switch (c) {
        case '\\':
            value += "\\\\";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\t':
            value += "\\t";
            break;
        case '\r':
            value += "\\r";
            break;
        default:
            value += c;
        }
    }
    return value;
}

std::string autostartEntryText(const std::filesystem::path& executable) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Vexmira\n"
           "Comment=Shows a picture of your choice on the second monitor\n"
           "Exec=" +
           desktopExecValue(executable) +
           "\n"
           "Icon=vexmira\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

void writeAutostartEntry(const std::filesystem::path& executable) {
    const std::filesystem::path entry = autostartEntryPath();
    std::error_code error;
    std::filesystem::create_directories(entry.parent_path(), error);
    if (error) throw FileError(entry.parent_path(), error.message());
    const std::string text = autostartEntryText(executable);
    writeFileAtomically(entry, text);
}

void removeAutostartEntry() {
    const std::filesystem::path entry = autostartEntryPath();
    std::error_code error;
    std::filesystem::remove(entry, error);
    if (error) throw FileError(entry, error.message());
}

} // namespace vexmira::platform
