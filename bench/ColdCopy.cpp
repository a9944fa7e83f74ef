#include "ColdCopy.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace vexmira::bench {

ColdFrameCopier::ColdFrameCopier(std::size_t frameBytes, int buffers)
    : frameBytes_(frameBytes), from_(buffers, std::vector<std::uint8_t>(frameBytes, 1)),
      to_(buffers, std::vector<std::uint8_t>(frameBytes, 2)) {}

void ColdFrameCopier::copyOnce() {
    std::memcpy(to_[next_].data(), from_[next_].data(), frameBytes_);
    benchmark::ClobberMemory();
    next_ = (next_ + 1) % from_.size();
}

} // namespace vexmira::bench
