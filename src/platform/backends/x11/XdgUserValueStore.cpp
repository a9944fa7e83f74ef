#include "platform/UserValueStore.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unistd.h>

namespace vexmira::platform {

std::filesystem::path userConfigFolder() {
    std::filesystem::path base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) base = config;
    else if (const char* home = std::getenv("HOME"); home && *home) base = std::filesystem::path(home) / ".config";
    else return {};
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
    const std::filesystem::path target = folder / name;
    const std::filesystem::path temporary = folder / (name + ".new");
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!(out << value) || !out.flush()) return false;
    }
    std::error_code renamed;
    std::filesystem::rename(temporary, target, renamed);
    if (renamed) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
    }
    return !renamed;
}

} // namespace vexmira::platform
