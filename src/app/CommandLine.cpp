#include "CommandLine.h"

#include <array>
#include <utility>

namespace vexmira::app {

namespace {

// Each command, the request it sends and what it does.
struct Command {
    std::string_view option;
    std::string_view request;
    std::string_view meaning;
};

constexpr std::array<Command, 5> commands{{
    {"--save-image", "save-image", "save the current picture, as the hot key does"},
    {"--blank", "blank", "blank the secondary monitor, or give it back"},
    {"--stop-all", "stop-all", "stop every source (Stop All)"},
    {"--send", "send", "send the current picture to the secondary monitor (Send)"},
    {"--show", "show", "show the control window"},
}};

// Options of the toolkit, which it reads itself with one dash or two.
bool toolkitOption(std::string_view argument) {
    while (argument.starts_with('-'))
        argument.remove_prefix(1);
    argument = argument.substr(0, argument.find('='));
    static constexpr std::string_view known[] = {"platform",
                                                 "platformpluginpath",
                                                 "platformtheme",
                                                 "plugin",
                                                 "qmljsdebugger",
                                                 "reverse",
                                                 "session",
                                                 "style",
                                                 "stylesheet",
                                                 "widgetcount",
                                                 "display",
                                                 "geometry",
                                                 "title",
                                                 "name",
                                                 "visual",
                                                 "ncols",
                                                 "cmap",
                                                 "nograb",
                                                 "dograb",
                                                 "sync",
                                                 "qwindowgeometry",
                                                 "qwindowicon",
                                                 "qwindowtitle",
                                                 "fn",
                                                 "font",
                                                 "bg",
                                                 "fg",
                                                 "btn",
                                                 "im"};
    for (const std::string_view option : known)
        if (argument == option) return true;
    return false;
}

} // namespace

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") return {CommandLine::Kind::Help, {}, {}};
        if (argument == "--version") return {CommandLine::Kind::Version, {}, {}};
        bool found = false;
        for (const Command& command : commands)
            if (argument == command.option) {
                line = {CommandLine::Kind::Command, std::string(command.request), {}};
                found = true;
            }
        if (found) continue;
        if (!argument.starts_with('-')) {
            // The value of a toolkit option given as the next argument (-platform xcb).
            if (i > 1 && std::string_view(argv[i - 1]).starts_with('-') && toolkitOption(argv[i - 1]))
                continue;
            return {CommandLine::Kind::Unknown, {}, std::string(argument)};
        }
        if (!toolkitOption(argument)) return {CommandLine::Kind::Unknown, {}, std::string(argument)};
    }
    return line;
}

std::string commandLineHelp() {
    std::string text = "Usage: vexmira [COMMAND]\n"
                       "Shows a picture of your choice on the secondary monitor. Started without a "
                       "command, it runs (or shows the copy that runs already).\n"
                       "A command is passed to the running copy, for the desktop's own keyboard "
                       "shortcuts; it exits 0 when delivered and 1 when no copy runs:\n";
    for (const Command& command : commands)
        text += "  " + std::string(command.option) + std::string(14 - command.option.size(), ' ') +
                std::string(command.meaning) + "\n";
    text += "  --help        print this and exit\n"
            "  --version     print the version and exit\n";
    return text;
}

} // namespace vexmira::app
