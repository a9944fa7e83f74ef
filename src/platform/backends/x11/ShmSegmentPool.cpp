#include "ShmSegmentPool.h"

#include "XcbHelpers.h"

#include <sys/ipc.h>
#include <sys/shm.h>

namespace vexmira::platform::x11 {

std::unique_ptr<ShmSegment> ShmSegment::create(std::shared_ptr<XConnection> connection, std::size_t bytes) {
    const int key = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (key < 0) return nullptr;
    void* address = shmat(key, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(key, IPC_RMID, nullptr);
        return nullptr;
    }
    xcb_connection_t* c = connection->get();
    const xcb_shm_seg_t id = xcb_generate_id(c);
    XcbReply<xcb_generic_error_t> error(
        xcb_request_check(c, xcb_shm_attach_checked(c, id, static_cast<std::uint32_t>(key), 0)));
    // Both sides are attached (or the server refused): the block goes away with the last detach.
    shmctl(key, IPC_RMID, nullptr);
    if (error) {
        shmdt(address);
        return nullptr;
    }
    return std::unique_ptr<ShmSegment>(
        new ShmSegment(std::move(connection), static_cast<std::uint8_t*>(address), bytes, id));
}

ShmSegment::~ShmSegment() {
    xcb_shm_detach(connection_->get(), id_);
    xcb_flush(connection_->get());
    shmdt(data_);
}

std::shared_ptr<std::uint8_t> ShmSegmentPool::acquire(std::size_t bytes, const ShmSegment** segment) {
    // Small pieces (the parts of a screen that changed) come in every size: they are made in
    // powers of two and take any idle segment up to twice their size, so that a stream of them
    // reuses a few. Whole frames repeat one size and take exactly that.
    constexpr std::size_t small = std::size_t(1) << 20;
    std::size_t made = bytes;
    if (bytes <= small) {
        made = 4096;
        while (made < bytes)
            made *= 2;
    }
    std::unique_ptr<ShmSegment> chosen;
    {
        std::lock_guard lock(mutex_);
        for (auto it = idle_.begin(); it != idle_.end(); ++it) {
            const std::size_t size = (*it)->size();
            if (size == bytes || (bytes <= small && size >= bytes && size <= 2 * made)) {
                chosen = std::move(*it);
                idle_.erase(it);
                break;
            }
        }
    }
    if (!chosen) chosen = ShmSegment::create(connection_, made);
    if (!chosen) return nullptr;
    *segment = chosen.get();
    std::uint8_t* data = chosen->data();
    auto self = shared_from_this();
    return std::shared_ptr<std::uint8_t>(
        data, [self, raw = chosen.release()](std::uint8_t*) { self->giveBack(raw); });
}

void ShmSegmentPool::giveBack(ShmSegment* segment) {
    std::unique_ptr<ShmSegment> owned(segment);
    std::lock_guard lock(mutex_);
    idle_.push_back(std::move(owned));
    if (idle_.size() > keptIdle)
        idle_.erase(idle_.begin()); // the oldest, likely of a size no longer asked for
}

} // namespace vexmira::platform::x11
