#include "LogCategories.h"

#include "platform/Log.h"

#include <cstring>

namespace vexmira::app {

Q_LOGGING_CATEGORY(logApp, "vexmira.app")
Q_LOGGING_CATEGORY(logDisplay, platform::logDisplay)
Q_LOGGING_CATEGORY(logSystem, platform::logSystem)

void routePlatformLog() {
    platform::setLogSink([](const char* category, platform::LogLevel level, const std::string& text) {
        const QLoggingCategory& to = std::strcmp(category, platform::logDisplay) == 0  ? logDisplay()
                                     : std::strcmp(category, platform::logSystem) == 0 ? logSystem()
                                                                                       : logApp();
        if (level == platform::LogLevel::Warning)
            qCWarning(to).noquote() << QString::fromStdString(text);
        else
            qCInfo(to).noquote() << QString::fromStdString(text);
    });
}

} // namespace vexmira::app
