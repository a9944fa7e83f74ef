#include "CpuTime.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace vexmira::bench {

double ownCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double childrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double processCpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return -1;
    // Fields after the command name (which may hold spaces) start after the last ')'.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    long long userTicks = 0, systemTicks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) userTicks = std::stoll(field);
        if (i == 15) systemTicks = std::stoll(field);
    }
    return double(userTicks + systemTicks) / double(sysconf(_SC_CLK_TCK));
}

pid_t xServerPid() {
    const char* text = std::getenv("XORG_PID");
    return text ? static_cast<pid_t>(std::atoi(text)) : 0;
}

} // namespace vexmira::bench
