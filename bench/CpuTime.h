#pragma once

#include <chrono>
#include <sys/types.h>

namespace vexmira::bench {

// Processor time (user + system) this process has used so far, in seconds.
double ownCpuSeconds();
// Processor time the ended child processes of this one have used so far, in seconds.
double childrenCpuSeconds();
// Processor time another process has used so far, in seconds (from /proc; 10 ms steps);
// negative when it cannot be read.
double processCpuSeconds(pid_t pid);
// The rig's X server, from $XORG_PID; 0 when unknown.
pid_t xServerPid();

// Processor time of this process and the rig's X server, and wall time, since construction.
class CpuMeter {
  public:
    double cpu() const { return ownCpuSeconds() - own_ + (xorg_ ? processCpuSeconds(xorg_) - server_ : 0); }
    double wall() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

  private:
    pid_t xorg_ = xServerPid();
    double own_ = ownCpuSeconds();
    double server_ = xorg_ ? processCpuSeconds(xorg_) : 0;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

} // namespace vexmira::bench
