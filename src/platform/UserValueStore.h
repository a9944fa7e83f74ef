#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace vexmira::platform {

// Small named text values kept per user, outside the program's folder (the custom colours of the
// colour dialogs, for one). Any thread.

// The value, or nothing when it was never written or cannot be read.
std::optional<std::string> readUserValue(const std::string& name);
// Stores the value whole (a crash never leaves half of it); false when it cannot be written.
bool writeUserValue(const std::string& name, const std::string& value);
// The user's folder for this program's files; created when missing. Empty when there is none.
std::filesystem::path userConfigFolder();

} // namespace vexmira::platform
