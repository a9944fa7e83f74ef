#pragma once

#include <string>
#include <string_view>

namespace vexmira::app {

// What the program was started to do, from its arguments. The commands are for the desktop's own
// keyboard shortcuts: they reach the running copy and end at once.
struct CommandLine {
    enum class Kind { Run, Help, Version, Command, Unknown };
    Kind kind = Kind::Run;
    std::string request; // Command: what the running copy is asked ("blank", "save-image"...)
    std::string unknown; // Unknown: the argument not understood
};

// Arguments the toolkit takes for itself (-platform, --style=...) are left to it.
CommandLine parseCommandLine(int argc, const char* const* argv);

// The text of --help.
std::string commandLineHelp();

} // namespace vexmira::app
