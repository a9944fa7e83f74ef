#include "platform/PeriodicTimer.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <pthread.h>
#include <sched.h>

namespace vexmira::platform {

namespace {

constexpr long long nanosPerMilli = 1000000;
// The thread looks at the stop request at least this often while it sleeps.
constexpr long long stopCheckNanos = 50 * nanosPerMilli;

long long now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

void sleepUntil(long long deadline) {
    timespec t{};
    t.tv_sec = static_cast<time_t>(deadline / 1000000000LL);
    t.tv_nsec = static_cast<long>(deadline % 1000000000LL);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) == EINTR) {
    }
}

} // namespace

void PeriodicTimer::raisePriority() {
    // Where the system allows it, the timer's thread runs before ordinary work, as multimedia
    // timers do; elsewhere it keeps the ordinary priority.
    sched_param low{};
    low.sched_priority = sched_get_priority_min(SCHED_FIFO);
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &low);
}

void PeriodicTimer::start(unsigned periodMs, std::function<void()> tick) {
    stop();
    const Caps limits = caps();
    const long long period =
        static_cast<long long>(std::clamp(periodMs, limits.minimumPeriod, limits.maximumPeriod)) *
        nanosPerMilli;
    stopping_ = false;
    skipped_ = 0;
    thread_ = std::thread([this, period, tick = std::move(tick)] {
        raisePriority();
        long long deadline = now() + period;
        while (!stopping_.load()) {
            // Long periods are slept in pieces, so that a stop request is seen soon.
            while (!stopping_.load() && now() + stopCheckNanos < deadline)
                sleepUntil(now() + stopCheckNanos);
            if (stopping_.load()) break;
            sleepUntil(deadline);
            if (stopping_.load()) break;
            tick();
            deadline += period;
            const long long late = now() - deadline;
            if (late >= 0) {
                const long long missed = late / period + 1;
                deadline += missed * period;
                skipped_ += static_cast<unsigned long>(missed);
            }
        }
    });
}

void PeriodicTimer::stop() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    thread_.join();
}

} // namespace vexmira::platform
