#pragma once

#include <QLoggingCategory>

namespace vexmira::app {

Q_DECLARE_LOGGING_CATEGORY(logApp)

// Routes the platform layer's lines to the logging categories of the same names
// ("vexmira.display", "vexmira.system"), which QT_LOGGING_RULES can switch.
void routePlatformLog();

} // namespace vexmira::app
