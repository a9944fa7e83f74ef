#pragma once

#include <sys/types.h>

namespace vexmira::bench {

// Processor time (user + system) this process has used so far, in seconds.
double ownCpuSeconds();
// Processor time another process has used so far, in seconds (from /proc; 10 ms steps);
// negative when it cannot be read.
double processCpuSeconds(pid_t pid);
// The rig's X server, from $XORG_PID; 0 when unknown.
pid_t xServerPid();

} // namespace vexmira::bench
