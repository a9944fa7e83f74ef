#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vexmira::options {

// One processor's time counters from /proc/stat, in clock ticks.
struct CpuTimes {
    std::string name; // "cpu0", "cpu1"... and "cpu" for the whole machine
    std::uint64_t total = 0;
    std::uint64_t idle = 0; // idle and waiting for input or output
};

// The processor lines of /proc/stat: each processor in the file's order, the whole machine last.
// Lines that are not processor lines, or are malformed, are left out.
std::vector<CpuTimes> parseProcStat(std::string_view text);

// How busy each processor was between the last two samples. A set of processors that changed
// (one went off line) starts over: its first sample reads 0.
class CpuUsageSampler {
  public:
    // `read` gives the text of /proc/stat (replaceable in tests).
    explicit CpuUsageSampler(std::function<std::string()> read = {});
    // Takes a new sample; the previous one stays for the difference. False when the counters
    // could not be read (the usage then reads 0).
    bool SampleCpuCounters();
    // Processors in the samples, the whole machine last; 1 before anything was read.
    int CpuCount() const;
    // 0.0 .. 1.0; 0 when nothing changed between the samples or `index` is out of range.
    double CpuUsage(int index) const;

  private:
    std::function<std::string()> read_;
    std::vector<CpuTimes> previous_, current_;
};

} // namespace vexmira::options
