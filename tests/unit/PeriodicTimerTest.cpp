// The periodic timer: a tick that runs past its next deadlines makes the timer skip them rather
// than call again in a burst, and a stop waits for the tick in progress.
#include "platform/PeriodicTimer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

using vexmira::platform::PeriodicTimer;
using Clock = std::chrono::steady_clock;

TEST(PeriodicTimer, ASlowTickSkipsDeadlinesInsteadOfCatchingUp) {
    PeriodicTimer timer;
    std::mutex lock;
    std::vector<Clock::time_point> starts;
    std::atomic<bool> inTick{false}, overlapped{false};
    timer.start(10, [&] {
        if (inTick.exchange(true)) overlapped = true;
        std::size_t n;
        {
            std::lock_guard<std::mutex> hold(lock);
            starts.push_back(Clock::now());
            n = starts.size();
        }
        if (n == 3) std::this_thread::sleep_for(std::chrono::milliseconds(45)); // past four deadlines
        inTick = false;
    });
    for (int i = 0; i < 400; ++i) {
        {
            std::lock_guard<std::mutex> hold(lock);
            if (starts.size() >= 8) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    timer.stop();
    EXPECT_FALSE(timer.running());
    EXPECT_FALSE(overlapped);
    ASSERT_GE(starts.size(), 8u);
    EXPECT_GE(timer.skipped(), 4u);
    // After the slow tick the next one waits for a deadline of its own instead of following at
    // once to make up for the missed ones.
    EXPECT_GE(starts[3] - starts[2], std::chrono::milliseconds(45));
    EXPECT_GE(starts[4] - starts[3], std::chrono::milliseconds(2));
}

TEST(PeriodicTimer, PeriodsAreClampedAndStopEndsALongWait) {
    PeriodicTimer timer;
    std::atomic<int> ticks{0};
    timer.start(0, [&] { ++ticks; }); // the shortest period, 1 ms
    while (ticks < 5)
        std::this_thread::yield();
    timer.start(1000000, [&] { ticks = -1000; }); // restarting stops the first
    const auto asked = Clock::now();
    timer.stop();
    EXPECT_LT(Clock::now() - asked, std::chrono::seconds(5)) << "stop waited for the period";
    EXPECT_GE(ticks.load(), 5);
}
