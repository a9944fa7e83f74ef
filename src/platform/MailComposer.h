#pragma once

#include <string>

namespace vexmira::platform {

// The desktop's program that opens a new message in the user's mail program, taking the
// arguments of the freedesktop `xdg-email` command; empty when the desktop has none (a mailto:
// address is then the way).
std::string mailComposerProgram();

} // namespace vexmira::platform
