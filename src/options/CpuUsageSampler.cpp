#include "CpuUsageSampler.h"

#include "platform/FileSystem.h"

#include <sstream>

namespace vexmira::options {

std::vector<CpuTimes> parseProcStat(std::string_view text) {
    std::vector<CpuTimes> processors;
    CpuTimes machine;
    bool haveMachine = false;
    std::istringstream lines{std::string(text)};
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("cpu", 0) != 0) continue;
        std::istringstream fields(line);
        CpuTimes times;
        fields >> times.name;
        if (times.name != "cpu" && times.name.find_first_not_of("0123456789", 3) != std::string::npos)
            continue;
        // user nice system idle iowait irq softirq steal (guest times are inside user and nice)
        std::uint64_t value = 0;
        int column = 0;
        while (column < 8 && fields >> value) {
            times.total += value;
            if (column == 3 || column == 4) times.idle += value;
            ++column;
        }
        if (column < 4) continue;
        if (times.name == "cpu") {
            machine = times;
            haveMachine = true;
        } else {
            processors.push_back(times);
        }
    }
    if (haveMachine) processors.push_back(machine);
    return processors;
}

CpuUsageSampler::CpuUsageSampler(std::function<std::string()> read) : read_(std::move(read)) {
    if (!read_) read_ = [] { return platform::readWholeFile("/proc/stat").bytes; };
}

bool CpuUsageSampler::SampleCpuCounters() {
    std::vector<CpuTimes> sample = parseProcStat(read_());
    if (sample.empty()) {
        previous_.clear();
        current_.clear();
        return false;
    }
    bool sameSet = sample.size() == current_.size();
    for (std::size_t i = 0; sameSet && i < sample.size(); ++i)
        sameSet = sample[i].name == current_[i].name;
    previous_ = sameSet ? std::move(current_) : sample;
    current_ = std::move(sample);
    return true;
}

int CpuUsageSampler::CpuCount() const {
    return current_.empty() ? 1 : static_cast<int>(current_.size());
}

double CpuUsageSampler::CpuUsage(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= current_.size() ||
        previous_.size() != current_.size())
        return 0.0;
    const CpuTimes& now = current_[static_cast<std::size_t>(index)];
    const CpuTimes& before = previous_[static_cast<std::size_t>(index)];
    if (now.total <= before.total) return 0.0;
    const double total = static_cast<double>(now.total - before.total);
    const double idle = now.idle >= before.idle ? static_cast<double>(now.idle - before.idle) : 0.0;
    const double busy = 1.0 - idle / total;
    return busy < 0 ? 0.0 : busy > 1 ? 1.0 : busy;
}

} // namespace vexmira::options
