#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vexmira::bench {

// Copies of one frame's bytes from memory that is in no cache: the buffers together are far
// larger than the last-level cache and are used in turn. The floor that capture costs are
// measured against.
class ColdFrameCopier {
  public:
    explicit ColdFrameCopier(std::size_t frameBytes, int buffers = 24);
    void copyOnce();

  private:
    std::size_t frameBytes_;
    std::vector<std::vector<std::uint8_t>> from_, to_;
    std::size_t next_ = 0;
};

} // namespace vexmira::bench
