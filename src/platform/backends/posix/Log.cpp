#include "platform/Log.h"

#include <cstdio>
#include <exception>
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

void logCaught(const std::string& outcome) {
    std::string what = "an exception of unknown type";
    try {
        if (const std::exception_ptr caught = std::current_exception()) std::rethrow_exception(caught);
    } catch (const std::exception& error) {
        what = error.what();
    } catch (...) {
    }
    logLine(logProgram, LogLevel::Warning, what + ": " + outcome);
}

} // namespace vexmira::platform
