// The desktop on wlroots compositors: outputs copied into shared memory of ours with
// zwlr_screencopy_manager_v1. While a mirror follows what is drawn, each output keeps one
// copy_with_damage under way, which the compositor answers only when something was drawn: an
// idle desktop costs nothing, and its damage is what the mirror copies.
#include "WaylandConnection.h"
#include "platform/Log.h"
#include "platform/backends/Backends.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <set>
#include <utility>

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <wlr-screencopy-unstable-v1-client-protocol.h>

namespace vexmira::platform {

namespace {

using raster::Rect;
using wayland::Output;
using wayland::WaylandConnection;

// A frame is answered within this, or the compositor is taken to have refused it.
constexpr int frameTimeoutMs = 200;

// One picture's memory, shared with the compositor.
struct ShmBuffer {
    ~ShmBuffer() { drop(); }
    void drop() {
        if (buffer) wl_buffer_destroy(buffer);
        if (data) munmap(data, bytes);
        if (fd >= 0) close(fd);
        fd = -1, data = nullptr, bytes = 0, buffer = nullptr, format = 0, width = height = stride = 0;
    }
    ShmBuffer() = default;
    ShmBuffer(const ShmBuffer&) = delete;
    ShmBuffer& operator=(const ShmBuffer&) = delete;

    bool fits(std::uint32_t f, int w, int h, int s) const {
        return buffer && format == f && width == w && height == h && stride == s;
    }
    bool make(wl_shm* shm, std::uint32_t f, int w, int h, int s) {
        drop();
        bytes = std::size_t(s) * h;
        fd = memfd_create("vexmira-screencopy", MFD_CLOEXEC);
        if (fd < 0 || ftruncate(fd, static_cast<off_t>(bytes)) != 0) return false;
        data = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (data == MAP_FAILED) {
            data = nullptr;
            return false;
        }
        wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<std::int32_t>(bytes));
        buffer = wl_shm_pool_create_buffer(pool, 0, w, h, s, f);
        wl_shm_pool_destroy(pool);
        format = f, width = w, height = h, stride = s;
        return buffer != nullptr;
    }

    int fd = -1;
    void* data = nullptr;
    std::size_t bytes = 0;
    wl_buffer* buffer = nullptr;
    std::uint32_t format = 0;
    int width = 0, height = 0, stride = 0;
};

// Formats whose pixels are, in memory, the blue, green, red order of our pictures, and the two
// that have red and blue the other way round.
bool sameOrder(std::uint32_t format) {
    return format == WL_SHM_FORMAT_XRGB8888 || format == WL_SHM_FORMAT_ARGB8888;
}
bool swappedOrder(std::uint32_t format) {
    return format == WL_SHM_FORMAT_XBGR8888 || format == WL_SHM_FORMAT_ABGR8888;
}

class OutputFrames;

// One frame asked of the compositor, into one of the output's buffers.
struct FrameRequest {
    OutputFrames* owner = nullptr;
    zwlr_screencopy_frame_v1* frame = nullptr;
    bool withDamage = false;
    int buffer = -1;
    bool copied = false; // the copy was asked for
    bool ready = false, failed = false, yInverted = false;
    std::uint32_t format = 0;
    int width = 0, height = 0, stride = 0;
    std::vector<Rect> damage; // buffer pixels
};

// The pictures of one output: the latest complete one and the frames under way.
class OutputFrames {
  public:
    OutputFrames(WaylandConnection& connection, std::uint32_t output)
        : connection_(connection), global_(output) {}
    ~OutputFrames() {
        for (auto& r : requests_)
            if (r->frame) zwlr_screencopy_frame_v1_destroy(r->frame);
    }

    std::uint32_t global() const { return global_; }
    // The output these frames are of; null once the compositor has taken it away.
    const Output* output() const { return connection_.outputByGlobal(global_); }
    const ShmBuffer* latest() const { return latest_ >= 0 ? &buffers_[latest_] : nullptr; }
    bool latestInverted() const { return latestInverted_; }
    // The latest picture is not to be shown again (it was taken with other settings).
    void forgetLatest() { latest_ = -1; }
    bool failed() const { return failed_; }

    // Asks for a frame: at once, or when something was drawn.
    void request(bool withDamage) {
        const Output* shown = output();
        if (!shown) return;
        auto r = std::make_unique<FrameRequest>();
        r->owner = this;
        r->withDamage = withDamage;
        r->frame = zwlr_screencopy_manager_v1_capture_output(connection_.screencopy(), pointerDrawn ? 1 : 0,
                                                             shown->output);
        zwlr_screencopy_frame_v1_add_listener(r->frame, &listener, r.get());
        requests_.push_back(std::move(r));
    }
    bool damageUnderWay() const {
        return std::any_of(requests_.begin(), requests_.end(), [](const auto& r) { return r->withDamage; });
    }
    bool plainUnderWay() const {
        return std::any_of(requests_.begin(), requests_.end(), [](const auto& r) { return !r->withDamage; });
    }

    std::function<void(OutputFrames&, const std::vector<Rect>&)> delivered; // damage in desktop pixels
    bool pointerDrawn = false;

  private:
    static void buffer(void* data, zwlr_screencopy_frame_v1* frame, std::uint32_t format, std::uint32_t width,
                       std::uint32_t height, std::uint32_t stride) {
        auto* r = static_cast<FrameRequest*>(data);
        r->format = format, r->width = int(width), r->height = int(height), r->stride = int(stride);
        // Before version 3 the shared-memory offer is the only one and nothing follows it.
        if (zwlr_screencopy_frame_v1_get_version(frame) < 3) r->owner->copy(*r);
    }
    static void flags(void* data, zwlr_screencopy_frame_v1*, std::uint32_t flags) {
        static_cast<FrameRequest*>(data)->yInverted = flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT;
    }
    static void ready(void* data, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t, std::uint32_t) {
        auto* r = static_cast<FrameRequest*>(data);
        r->ready = true;
        r->owner->finished(r);
    }
    static void failed(void* data, zwlr_screencopy_frame_v1*) {
        auto* r = static_cast<FrameRequest*>(data);
        r->failed = true;
        r->owner->finished(r);
    }
    static void damage(void* data, zwlr_screencopy_frame_v1*, std::uint32_t x, std::uint32_t y,
                       std::uint32_t w, std::uint32_t h) {
        static_cast<FrameRequest*>(data)->damage.push_back({int(x), int(y), int(w), int(h)});
    }
    static void dmabuf(void*, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t, std::uint32_t) {}
    static void bufferDone(void* data, zwlr_screencopy_frame_v1*) {
        auto* r = static_cast<FrameRequest*>(data);
        r->owner->copy(*r);
    }
    static constexpr zwlr_screencopy_frame_v1_listener listener{buffer, flags,  ready,     failed,
                                                                damage, dmabuf, bufferDone};

    // A buffer that holds neither the latest picture nor a frame under way.
    int freeBuffer() const {
        std::set<int> taken{latest_};
        for (const auto& r : requests_)
            taken.insert(r->buffer);
        for (int i = 0; i < int(buffers_.size()); ++i)
            if (!taken.count(i)) return i;
        return -1;
    }

    void copy(FrameRequest& r) {
        if (r.copied) return;
        r.copied = true;
        const bool known = sameOrder(r.format) || swappedOrder(r.format);
        r.buffer = freeBuffer();
        if (!known || r.width <= 0 || r.height <= 0 || r.stride < r.width * 4 || r.buffer < 0) {
            if (!known && !formatTold_) {
                formatTold_ = true;
                logLine(logDisplay, LogLevel::Warning,
                        "the compositor offers screen copies only in a pixel format this program does not "
                        "read (" +
                            std::to_string(r.format) + ")");
            }
            r.failed = true;
            zwlr_screencopy_frame_v1_destroy(r.frame);
            r.frame = nullptr;
            finished(&r);
            return;
        }
        ShmBuffer& b = buffers_[r.buffer];
        if (!b.fits(r.format, r.width, r.height, r.stride) &&
            !b.make(connection_.shm(), r.format, r.width, r.height, r.stride)) {
            r.failed = true;
            zwlr_screencopy_frame_v1_destroy(r.frame);
            r.frame = nullptr;
            finished(&r);
            return;
        }
        if (r.withDamage)
            zwlr_screencopy_frame_v1_copy_with_damage(r.frame, b.buffer);
        else
            zwlr_screencopy_frame_v1_copy(r.frame, b.buffer);
    }

    void finished(FrameRequest* r) {
        if (r->frame) zwlr_screencopy_frame_v1_destroy(r->frame);
        r->frame = nullptr;
        std::vector<Rect> damage;
        const bool withDamage = r->withDamage;
        const Output* shown = output();
        if (r->ready && shown) {
            latest_ = r->buffer;
            latestInverted_ = r->yInverted;
            failed_ = false;
            const Rect area = shown->logical;
            const double sx = double(area.width) / std::max(1, r->width);
            const double sy = double(area.height) / std::max(1, r->height);
            if (r->damage.empty() || !everReported_) r->damage = {{0, 0, r->width, r->height}};
            everReported_ = true;
            for (Rect d : r->damage) {
                if (r->yInverted) d.y = r->height - d.y - d.height;
                const int x0 = int(d.x * sx), y0 = int(d.y * sy);
                const int x1 = int((d.x + d.width) * sx + 0.999), y1 = int((d.y + d.height) * sy + 0.999);
                damage.push_back({area.x + x0, area.y + y0, x1 - x0, y1 - y0});
            }
        } else {
            failed_ = true;
            if (!refusalTold_ && shown) {
                refusalTold_ = true;
                logLine(logDisplay, LogLevel::Warning,
                        "the compositor refused a screen copy of " + shown->name +
                            "; the mirror keeps its last picture of it");
            }
        }
        std::erase_if(requests_, [r](const auto& p) { return p.get() == r; });
        if (withDamage && delivered) delivered(*this, damage);
    }

    WaylandConnection& connection_;
    std::uint32_t global_;
    std::array<ShmBuffer, 3> buffers_;
    int latest_ = -1;
    bool latestInverted_ = false;
    bool failed_ = false;
    bool formatTold_ = false;
    bool refusalTold_ = false;
    bool everReported_ = false;
    std::vector<std::unique_ptr<FrameRequest>> requests_;
};

// The frames of every output, shared by the captures and the damage watch.
class Screencopy {
  public:
    static std::shared_ptr<Screencopy> shared() {
        static std::weak_ptr<Screencopy> slot;
        if (auto open = slot.lock()) return open;
        auto connection = WaylandConnection::shared();
        if (!connection || !connection->screencopy() || !connection->shm()) return nullptr;
        std::shared_ptr<Screencopy> made(new Screencopy(std::move(connection)));
        slot = made;
        return made;
    }

    WaylandConnection& connection() { return *connection_; }

    // The output's frames, made on first use.
    OutputFrames* framesOf(std::uint32_t output) {
        for (auto& f : frames_)
            if (f->global() == output) return f.get();
        auto made = std::make_unique<OutputFrames>(*connection_, output);
        made->pointerDrawn = pointerDrawn_;
        made->delivered = [this](OutputFrames& frames, const std::vector<Rect>& damage) {
            damage_.insert(damage_.end(), damage.begin(), damage.end());
            if (watching_ && !frames.failed()) frames.request(true);
            if (report_ && !damage.empty()) report_();
        };
        frames_.push_back(std::move(made));
        if (watching_) frames_.back()->request(true);
        return frames_.back().get();
    }

    // The latest picture of `output`: while the desktop is watched, the one its damage brought;
    // else (or before the first) one asked for now, answered at the output's next repaint.
    // Null when there is none, or the output went meanwhile.
    OutputFrames* current(std::uint32_t output) {
        OutputFrames* frames = framesOf(output);
        if (!watching_ || !frames->latest()) {
            if (!frames->plainUnderWay()) frames->request(false);
            connection_->waitFor([&] { return !frames->plainUnderWay(); }, frameTimeoutMs);
        }
        return frames->latest() && frames->output() ? frames : nullptr;
    }

    void watch(bool on) {
        watching_ = on;
        forgetGoneOutputs();
        if (on)
            for (const auto& o : connection_->outputs())
                if (OutputFrames* f = framesOf(o->global); !f->damageUnderWay()) f->request(true);
        connection_->dispatch(false);
    }
    void onReport(std::function<void()> handler) { report_ = std::move(handler); }
    // Frames asked for from now on hold the pointer or not; the latest pictures are taken again.
    void setPointerDrawn(bool drawn) {
        if (drawn == pointerDrawn_) return;
        pointerDrawn_ = drawn;
        for (auto& f : frames_) {
            f->pointerDrawn = drawn;
            f->forgetLatest();
        }
        damage_.push_back({0, 0, 1 << 15, 1 << 15});
    }
    std::vector<Rect> takeDamage() { return std::exchange(damage_, {}); }
    bool hasPending() {
        connection_->dispatch(true);
        return !damage_.empty();
    }

    // Not from the event handlers: a capture may be waiting on the frames of a gone output.
    void forgetGoneOutputs() {
        std::erase_if(frames_, [](const auto& f) { return !f->output(); });
    }

  private:
    explicit Screencopy(std::shared_ptr<WaylandConnection> connection) : connection_(std::move(connection)) {
        connection_->onOutputsChanged([this] {
            damage_.push_back({0, 0, 1 << 15, 1 << 15});
            if (report_) report_();
        });
    }

    std::shared_ptr<WaylandConnection> connection_;
    std::vector<std::unique_ptr<OutputFrames>> frames_;
    std::vector<Rect> damage_;
    std::function<void()> report_;
    bool watching_ = false;
    bool pointerDrawn_ = false;
};

class WaylandScreenCapture final : public ScreenCapture {
  public:
    explicit WaylandScreenCapture(std::shared_ptr<Screencopy> screencopy)
        : screencopy_(std::move(screencopy)) {}

    bool capture(const Rect& area, raster::Bitmap& target) override {
        target = raster::Bitmap();
        if (area.isEmpty() || area.width > 32767 || area.height > 32767) return false;
        WaylandConnection& connection = screencopy_->connection();
        connection.dispatch(true);
        screencopy_->forgetGoneOutputs();
        raster::Bitmap picture(area.width, area.height, 24);
        // Outputs can go while a frame is awaited: they are named by their announcements.
        std::vector<std::pair<std::uint32_t, Rect>> outputs; // and the part of the area each shows
        long long covered = 0;
        for (const auto& output : connection.outputs())
            if (const Rect shared = output->logical.intersected(area); !shared.isEmpty()) {
                outputs.emplace_back(output->global, shared);
                covered += static_cast<long long>(shared.width) * shared.height;
            }
        // Black where no output lies, or where one gives no frame.
        const auto blacken = [&](const Rect& part) {
            for (int y = part.y - area.y; y < part.bottom() - area.y; ++y)
                std::memset(picture.mutableRow(y) + (part.x - area.x), 0, std::size_t(part.width) * 4);
        };
        if (covered != static_cast<long long>(area.width) * area.height) blacken(area);
        bool any = false;
        for (const auto& [output, shared] : outputs) {
            OutputFrames* frames = screencopy_->current(output);
            if (!frames || frames->output()->logical.intersected(area) != shared) {
                blacken(shared);
                continue;
            }
            copyFrom(*frames, shared, area, picture);
            any = true;
        }
        if (!any) return false;
        target = std::move(picture);
        return true;
    }

    raster::Size desktopSize() const override {
        int right = 0, bottom = 0;
        for (const auto& o : screencopy_->connection().outputs()) {
            right = std::max(right, o->logical.right());
            bottom = std::max(bottom, o->logical.bottom());
        }
        return {right, bottom};
    }

    Rect primaryMonitor() override {
        const Output* first = screencopy_->connection().firstOutput();
        if (!first) return {0, 0, 0, 0};
        return first->logical;
    }

    std::string transport() const override { return "shared memory"; }
    void setPointerDrawn(bool drawn) override { screencopy_->setPointerDrawn(drawn); }

  private:
    // Copies `part` (desktop pixels, inside the output) of the output's latest picture into
    // `picture`, which shows `area`.
    static void copyFrom(const OutputFrames& frames, const Rect& part, const Rect& area,
                         raster::Bitmap& picture) {
        const ShmBuffer& b = *frames.latest();
        const Rect at = frames.output()->logical;
        const bool swap = swappedOrder(b.format);
        const bool scaled = b.width != at.width || b.height != at.height;
        for (int y = 0; y < part.height; ++y) {
            int row = part.y - at.y + y;
            if (scaled) row = int(std::int64_t(row) * b.height / std::max(1, at.height));
            if (frames.latestInverted()) row = b.height - 1 - row;
            if (row < 0 || row >= b.height) continue;
            const auto* from = reinterpret_cast<const std::uint32_t*>(
                static_cast<const std::uint8_t*>(b.data) + std::size_t(row) * b.stride);
            raster::Bgra* to = picture.mutableRow(part.y - area.y + y) + (part.x - area.x);
            const int left = part.x - at.x;
            if (!scaled && !swap) {
                for (int x = 0; x < part.width; ++x)
                    to[x] = from[left + x] | 0xFF000000u;
                continue;
            }
            for (int x = 0; x < part.width; ++x) {
                const int column =
                    scaled ? int(std::int64_t(left + x) * b.width / std::max(1, at.width)) : left + x;
                std::uint32_t p = from[std::min(column, b.width - 1)];
                if (swap) p = (p & 0xFF00FF00u) | ((p >> 16) & 0xFFu) | ((p & 0xFFu) << 16);
                to[x] = p | 0xFF000000u;
            }
        }
    }

    std::shared_ptr<Screencopy> screencopy_;
};

// Damage from the frames that copy_with_damage brings.
class WaylandDamageWatch final : public DamageWatch {
  public:
    explicit WaylandDamageWatch(std::shared_ptr<Screencopy> screencopy) : screencopy_(std::move(screencopy)) {
        screencopy_->watch(true);
    }
    ~WaylandDamageWatch() override {
        screencopy_->onReport(nullptr);
        screencopy_->watch(false);
    }

    std::optional<std::vector<Rect>> takeDamage(std::size_t maxRects) override {
        screencopy_->connection().dispatch(true);
        if (screencopy_->connection().isBroken()) return std::nullopt;
        std::vector<Rect> damage = screencopy_->takeDamage();
        raster::mergeBeyond(damage, maxRects);
        return damage;
    }
    bool hasPending() override { return screencopy_->hasPending(); }
    void onReport(std::function<void()> handler) override { screencopy_->onReport(std::move(handler)); }

  private:
    std::shared_ptr<Screencopy> screencopy_;
};

class WaylandDisplayEventPump final : public DisplayEventPump {
  public:
    explicit WaylandDisplayEventPump(std::shared_ptr<WaylandConnection> connection)
        : connection_(std::move(connection)) {}
    int descriptor() const override { return connection_->descriptor(); }
    void dispatch(bool readSocket) override { connection_->dispatch(readSocket); }

  private:
    std::shared_ptr<WaylandConnection> connection_;
};

} // namespace

std::unique_ptr<ScreenCapture> wayland::openScreenCapture() {
    auto screencopy = Screencopy::shared();
    if (!screencopy) return nullptr;
    return std::make_unique<WaylandScreenCapture>(std::move(screencopy));
}

std::unique_ptr<DamageWatch> wayland::watchDesktopDamage() {
    auto screencopy = Screencopy::shared();
    if (!screencopy) return nullptr;
    return std::make_unique<WaylandDamageWatch>(std::move(screencopy));
}

std::unique_ptr<DisplayEventPump> wayland::openDisplayEventPump() {
    auto connection = WaylandConnection::shared();
    if (!connection) return nullptr;
    return std::make_unique<WaylandDisplayEventPump>(std::move(connection));
}

} // namespace vexmira::platform
