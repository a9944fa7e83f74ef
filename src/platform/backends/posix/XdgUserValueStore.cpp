#include "platform/UserValueStore.h"

#include "platform/FileSystem.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unistd.h>

namespace vexmira::platform {

std::filesystem::path userConfigFolder() {
    std::filesystem::path base;
    // A relative XDG_CONFIG_HOME is to be ignored: it would follow the working folder.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        base = config;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".config";
    else
        return {};
    const std::filesystem::path folder = base / "Vexmira";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return error ? std::filesystem::path() : folder;
}

std::optional<std::string> readUserValue(const std::string& name) {
    const std::filesystem::path folder = userConfigFolder();
    if (folder.empty()) return std::nullopt;
    std::ifstream in(folder / name, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool writeUserValue(const std::string& name, const std::string& value) {
    const std::filesystem::path folder = userConfigFolder();
    if (folder.empty()) return false;
    try {
        writeFileAtomically(folder / name, std::string_view(value));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace vexmira::platform
