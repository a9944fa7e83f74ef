#include "platform/MailComposer.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <unistd.h>

namespace vexmira::platform {

std::string mailComposerProgram() {
    const char* path = std::getenv("PATH");
    std::string_view folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!folders.empty()) {
        const auto colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
        if (folder.empty()) continue; // the current folder is never searched
        const std::filesystem::path candidate = std::filesystem::path(folder) / "xdg-email";
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return {};
}

} // namespace vexmira::platform
