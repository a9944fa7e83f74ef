#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace vexmira::platform {

// A periodic timer on a thread of its own that sleeps to absolute deadlines, so that the ticks do
// not drift. A deadline that has already passed when the previous tick ends is skipped: the
// ticks never come in bursts to catch up.
class PeriodicTimer {
  public:
    // The periods the timer offers, in milliseconds.
    struct Caps {
        unsigned minimumPeriod = 1;
        unsigned maximumPeriod = 1000000;
    };
    static Caps caps() { return {}; }

    PeriodicTimer() = default;
    ~PeriodicTimer() { stop(); }
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    // Calls `tick` on the timer's thread every `periodMs` (clamped to the caps), the first time
    // one period from now. A running timer is stopped first.
    void start(unsigned periodMs, std::function<void()> tick);
    // Ends the ticks; returns once the timer's thread has finished (a tick in progress included).
    // Must not be called from inside a tick.
    void stop();
    bool running() const { return thread_.joinable(); }
    // Deadlines skipped because a tick ran past them, since the start.
    unsigned long skipped() const { return skipped_.load(); }
    // Gives the calling thread the timer's priority when the system allows it.
    static void raisePriority();

  private:
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<unsigned long> skipped_{0};
};

} // namespace vexmira::platform
