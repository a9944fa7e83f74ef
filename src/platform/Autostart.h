#pragma once

#include <filesystem>
#include <string>

namespace vexmira::platform {

// Starting the program when the user logs in: an XDG autostart entry "Vexmira.desktop" in
// $XDG_CONFIG_HOME/autostart/ (by default ~/.config/autostart/).
std::filesystem::path autostartEntryPath();
// The entry's text for `executable`.
std::string autostartEntryText(const std::filesystem::path& executable);
// An Exec key's value that runs `executable` with no arguments: quoted when the path holds
// characters that desktop entries reserve, "%" doubled, and escaped as a string
// value of a desktop file.
std::string desktopExecValue(const std::filesystem::path& executable);
// Writes the entry whole or not at all, or removes it. Both throw FileError on failure.
void writeAutostartEntry(const std::filesystem::path& executable);
void removeAutostartEntry();

} // namespace vexmira::platform
