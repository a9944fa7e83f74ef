#pragma once

#include "options/uoptions.h"

#include <memory>

namespace vexmira::app {

// What the options dialog works on: the program's stored options, its display window and the
// control window's timers.
std::unique_ptr<options::OptionsHost> makeOptionsHost();

} // namespace vexmira::app
