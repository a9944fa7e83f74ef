#pragma once

#include "XConnection.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include <xcb/shm.h>

namespace vexmira::platform::x11 {

// A System V shared-memory block attached both here and in the X server.
class ShmSegment {
  public:
    // Null when the block cannot be made or the server refuses to attach it.
    static std::unique_ptr<ShmSegment> create(std::shared_ptr<XConnection> connection, std::size_t bytes);
    ~ShmSegment();
    ShmSegment(const ShmSegment&) = delete;
    ShmSegment& operator=(const ShmSegment&) = delete;

    std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    xcb_shm_seg_t id() const { return id_; }

  private:
    ShmSegment(std::shared_ptr<XConnection> connection, std::uint8_t* data, std::size_t size,
               xcb_shm_seg_t id)
        : connection_(std::move(connection)), data_(data), size_(size), id_(id) {}

    std::shared_ptr<XConnection> connection_;
    std::uint8_t* data_;
    std::size_t size_;
    xcb_shm_seg_t id_;
};

// Hands out segments as pixel memory for bitmaps. A segment returns to the pool when the last
// bitmap using it is released, so a steady stream of frames reuses the same few segments and
// never pays for fresh pages. Any thread may release.
class ShmSegmentPool : public std::enable_shared_from_this<ShmSegmentPool> {
  public:
    explicit ShmSegmentPool(std::shared_ptr<XConnection> connection) : connection_(std::move(connection)) {}

    // Memory of at least `bytes` and the segment behind it; null storage when no segment can be made.
    std::shared_ptr<std::uint8_t> acquire(std::size_t bytes, const ShmSegment** segment);

  private:
    void giveBack(ShmSegment* segment);

    static constexpr std::size_t keptIdle = 6;
    std::shared_ptr<XConnection> connection_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<ShmSegment>> idle_;
};

} // namespace vexmira::platform::x11
