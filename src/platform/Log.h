#pragma once

#include <functional>
#include <string>

namespace vexmira::platform {

// Lines the platform layer has to say (a missing display extension, an error the display sent
// back) go through here; the program routes them to its logging categories. Until it does, they
// go to standard error. Any thread.
enum class LogLevel { Info, Warning };

// `category` is one of the names below: a string that lives as long as the program.
using LogSink = std::function<void(const char* category, LogLevel level, const std::string& text)>;

inline constexpr const char* logDisplay = "vexmira.display"; // the display server and its extensions
inline constexpr const char* logSystem = "vexmira.system";   // files, processes, the desktop's helpers
inline constexpr const char* logProgram = "vexmira.app";     // the program's own work

void setLogSink(LogSink sink);
void logLine(const char* category, LogLevel level, const std::string& text);

// Inside a catch block: logs what was caught (its message when it is a std::exception) and
// `outcome`, which says why the program can go on.
void logCaught(const std::string& outcome);

} // namespace vexmira::platform
