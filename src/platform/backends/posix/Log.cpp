#include "platform/Log.h"

#include <cstdio>
#include <mutex>

namespace vexmira::platform {

namespace {

std::mutex& sinkMutex() {
    static std::mutex mutex;
    return mutex;
}

LogSink& currentSink() {
    static LogSink sink;
    return sink;
}

} // namespace

void setLogSink(LogSink sink) {
    std::lock_guard lock(sinkMutex());
    currentSink() = std::move(sink);
}

void logLine(const char* category, LogLevel level, const std::string& text) {
    LogSink sink;
    {
        std::lock_guard lock(sinkMutex());
        sink = currentSink();
    }
    if (sink)
        sink(category, level, text);
    else
        std::fprintf(stderr, "%s: %s\n", category, text.c_str());
}

} // namespace vexmira::platform
