#include "PipeWireStream.h"

#include "platform/Log.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <mutex>

// PipeWire's and SPA's headers build their parameters with C idioms the compiler warns about in
// C++; they are not ours to change.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wpedantic"
#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>
#pragma GCC diagnostic pop

namespace vexmira::platform::portal {

using raster::Rect;

namespace {

// Frames larger than this on either side are refused as nonsense rather than allocated.
constexpr int maxSide = 16384;
// A link forms within milliseconds; a stream without a format after this long will never have one.
constexpr int formatWaitSeconds = 5;

// Pixel memory for frames: a few blocks, each reused once no picture holds it any more.
class FramePool {
  public:
    std::shared_ptr<std::uint8_t> take(std::size_t bytes, const std::shared_ptr<std::uint8_t>& newest) {
        for (Block& b : blocks_)
            if (b.bytes == bytes && b.memory.use_count() == 1 && b.memory != newest) return b.memory;
        std::shared_ptr<std::uint8_t> memory(new std::uint8_t[bytes], std::default_delete<std::uint8_t[]>());
        if (blocks_.size() >= 3) {
            // Replace a block nobody holds, or give up pooling this one.
            const auto idle = std::find_if(blocks_.begin(), blocks_.end(), [&](const Block& b) {
                return b.memory.use_count() == 1 && b.memory != newest;
            });
            if (idle == blocks_.end()) return memory;
            *idle = {memory, bytes};
            return memory;
        }
        blocks_.push_back({memory, bytes});
        return memory;
    }

  private:
    struct Block {
        std::shared_ptr<std::uint8_t> memory;
        std::size_t bytes = 0;
    };
    std::vector<Block> blocks_;
};

} // namespace

struct PipeWireStream::State {
    pw_thread_loop* loop = nullptr;
    pw_context* context = nullptr;
    pw_core* core = nullptr;
    pw_stream* stream = nullptr;
    pw_registry* registry = nullptr;
    spa_hook coreListener{};
    spa_hook streamListener{};
    spa_hook registryListener{};
    std::uint32_t node = 0;

    // Stream thread only.
    spa_video_format format = SPA_VIDEO_FORMAT_UNKNOWN;
    int width = 0, height = 0;
    bool usable = false;
    bool formatSeen = false;
    spa_source* formatWatch = nullptr;
    FramePool pool;

    // Shared with readers.
    mutable std::mutex lock;
    std::shared_ptr<std::uint8_t> newest;
    int newestWidth = 0, newestHeight = 0;
    std::vector<Rect> damage;
    bool resized = false;
    bool pending = false;
    std::string endedBecause;
    std::function<void()> report;
    bool closing = false; // our own end, said to nobody

    // Reports a frame while none is pending; the end always.
    void tell(bool always = false) {
        std::function<void()> handler;
        {
            std::lock_guard guard(lock);
            if (pending && !always) return;
            pending = true;
            handler = report;
        }
        if (handler) handler();
    }

    void end(const std::string& why) {
        {
            std::lock_guard guard(lock);
            if (!endedBecause.empty() || closing) return;
            endedBecause = why;
        }
        logLine(logDisplay, LogLevel::Warning, "screen sharing stream ended: " + why);
        tell(true);
    }

    // A stream that agrees on no format with us forms no link and says nothing: that is said
    // after a while, rather than a mirror that stays black.
    void watchForAFormat() {
        formatWatch = pw_loop_add_timer(
            pw_thread_loop_get_loop(loop),
            [](void* data, uint64_t) {
                auto* self = static_cast<State*>(data);
                if (!self->formatSeen)
                    self->end("its pictures come in no format this program reads; it reads 32-bit RGB");
            },
            this);
        timespec after{formatWaitSeconds, 0}, never{0, 0};
        if (formatWatch)
            pw_loop_update_timer(pw_thread_loop_get_loop(loop), formatWatch, &after, &never, false);
    }

    void formatChanged(const spa_pod* param) {
        formatSeen = true;
        spa_video_info_raw info{};
        uint32_t mediaType = 0, mediaSubtype = 0;
        usable = false;
        if (spa_format_parse(param, &mediaType, &mediaSubtype) < 0 || mediaType != SPA_MEDIA_TYPE_video ||
            mediaSubtype != SPA_MEDIA_SUBTYPE_raw || spa_format_video_raw_parse(param, &info) < 0)
            return;
        format = info.format;
        width = int(info.size.width);
        height = int(info.size.height);
        if (width <= 0 || height <= 0 || width > maxSide || height > maxSide) {
            // Said rather than left black: the stream could never bring a picture we show.
            end("it sends pictures of " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels; at most " + std::to_string(maxSide) + " on a side can be shown");
            return;
        }
        usable = true;
        {
            std::lock_guard guard(lock);
            resized = true;
        }
        std::uint8_t buffer[1024];
        spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
        const spa_pod* params[3];
        params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_dataType,
            SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd))));
        params[1] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type, SPA_POD_Id(SPA_META_Header),
            SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_header))));
        params[2] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
            SPA_POD_Id(SPA_META_VideoDamage), SPA_PARAM_META_size,
            SPA_POD_CHOICE_RANGE_Int(sizeof(spa_meta_region) * 16, sizeof(spa_meta_region) * 1,
                                     sizeof(spa_meta_region) * 16)));
        pw_stream_update_params(stream, params, 3);
    }

    // Copies one frame out of PipeWire's buffer; false when it holds nothing usable.
    bool take(const spa_buffer& buffer) {
        if (!usable || buffer.n_datas < 1) return false;
        if (const auto* header = static_cast<const spa_meta_header*>(
                spa_buffer_find_meta_data(&buffer, SPA_META_Header, sizeof(spa_meta_header))))
            if (header->flags & SPA_META_HEADER_FLAG_CORRUPTED) return false;
        const spa_data& data = buffer.datas[0];
        if (!data.data || !data.chunk || data.chunk->size == 0) return false;
        const std::size_t stride =
            data.chunk->stride > 0 ? std::size_t(data.chunk->stride) : std::size_t(width) * 4;
        if (data.chunk->offset >= data.maxsize) return false;
        const std::size_t offset = data.chunk->offset;
        if (stride < std::size_t(width) * 4 ||
            offset + stride * std::size_t(height - 1) + std::size_t(width) * 4 > data.maxsize)
            return false;
        const bool swap = format == SPA_VIDEO_FORMAT_RGBx || format == SPA_VIDEO_FORMAT_RGBA;
        const std::size_t rowBytes = std::size_t(width) * 4;
        std::shared_ptr<std::uint8_t> current;
        {
            std::lock_guard guard(lock);
            current = newest;
        }
        std::shared_ptr<std::uint8_t> memory = pool.take(rowBytes * std::size_t(height), current);
        const auto* from = static_cast<const std::uint8_t*>(data.data) + offset;
        for (int y = 0; y < height; ++y) {
            auto* to = reinterpret_cast<std::uint32_t*>(memory.get() + rowBytes * std::size_t(y));
            const auto* row = reinterpret_cast<const std::uint32_t*>(from + stride * std::size_t(y));
            if (!swap) {
                for (int x = 0; x < width; ++x)
                    to[x] = row[x] | 0xFF000000u;
                continue;
            }
            for (int x = 0; x < width; ++x) {
                const std::uint32_t p = row[x];
                to[x] = (p & 0x0000FF00u) | ((p >> 16) & 0xFFu) | ((p & 0xFFu) << 16) | 0xFF000000u;
            }
        }
        std::vector<Rect> drawn;
        bool damageGiven = false;
        if (spa_meta* meta = spa_buffer_find_meta(&buffer, SPA_META_VideoDamage)) {
            damageGiven = true;
            spa_meta_region* region = nullptr;
            spa_meta_for_each(region, meta) {
                if (!spa_meta_region_is_valid(region)) break;
                const Rect r = Rect{region->region.position.x, region->region.position.y,
                                    int(region->region.size.width), int(region->region.size.height)}
                                   .intersected({0, 0, width, height});
                if (!r.isEmpty()) drawn.push_back(r);
            }
        }
        if (!damageGiven) drawn.push_back({0, 0, width, height});
        std::lock_guard guard(lock);
        if (newestWidth != width || newestHeight != height) resized = true;
        newest = std::move(memory);
        newestWidth = width;
        newestHeight = height;
        damage.insert(damage.end(), drawn.begin(), drawn.end());
        if (damage.size() > 256) damage = {Rect{0, 0, width, height}};
        return true;
    }

    void process() {
        pw_buffer* chosen = nullptr;
        // Only the newest frame counts: older ones queued meanwhile go back at once.
        while (pw_buffer* next = pw_stream_dequeue_buffer(stream)) {
            if (chosen) pw_stream_queue_buffer(stream, chosen);
            chosen = next;
        }
        if (!chosen) return;
        const bool taken = take(*chosen->buffer);
        pw_stream_queue_buffer(stream, chosen);
        if (taken) tell();
    }
};

namespace {

void onStreamState(void* data, pw_stream_state, pw_stream_state state, const char* error) {
    auto* s = static_cast<PipeWireStream::State*>(data);
    if (state == PW_STREAM_STATE_ERROR)
        s->end(error ? error : "the stream failed");
    else if (state == PW_STREAM_STATE_UNCONNECTED)
        s->end("the stream was disconnected");
}

void onStreamParam(void* data, uint32_t id, const spa_pod* param) {
    if (param && id == SPA_PARAM_Format) static_cast<PipeWireStream::State*>(data)->formatChanged(param);
}

void onStreamProcess(void* data) {
    static_cast<PipeWireStream::State*>(data)->process();
}

void onCoreError(void* data, uint32_t id, int, int res, const char* message) {
    // Errors of the connection itself (the daemon went away) end the stream; others are logged.
    auto* s = static_cast<PipeWireStream::State*>(data);
    if (id == PW_ID_CORE && res == -EPIPE)
        s->end("the PipeWire service went away");
    else
        logLine(logDisplay, LogLevel::Warning, std::string("PipeWire: ") + (message ? message : "error"));
}

const pw_stream_events streamEvents = [] {
    pw_stream_events e{};
    e.version = PW_VERSION_STREAM_EVENTS;
    e.state_changed = onStreamState;
    e.param_changed = onStreamParam;
    e.process = onStreamProcess;
    return e;
}();

// The shared node going away is the desktop ending the sharing.
void onGlobalRemoved(void* data, uint32_t id) {
    auto* s = static_cast<PipeWireStream::State*>(data);
    if (id == s->node) s->end("the desktop stopped sharing the screen");
}

const pw_registry_events registryEvents = [] {
    pw_registry_events e{};
    e.version = PW_VERSION_REGISTRY_EVENTS;
    e.global_remove = onGlobalRemoved;
    return e;
}();

const pw_core_events coreEvents = [] {
    pw_core_events e{};
    e.version = PW_VERSION_CORE_EVENTS;
    e.error = onCoreError;
    return e;
}();

// The pictures we read: 32-bit pixels of any size at any rate. Any size is agreed to, so that
// one too large to show ends the stream with a reason instead of a link that never forms.
const spa_pod* formatsTaken(spa_pod_builder& b) {
    spa_rectangle defaultSize = SPA_RECTANGLE(1920, 1080), minSize = SPA_RECTANGLE(1, 1),
                  maxSize = SPA_RECTANGLE(1u << 20, 1u << 20);
    spa_fraction defaultRate = SPA_FRACTION(60, 1), minRate = SPA_FRACTION(0, 1),
                 maxRate = SPA_FRACTION(1000, 1);
    return static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &b, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
        SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw),
        SPA_FORMAT_VIDEO_format,
        SPA_POD_CHOICE_ENUM_Id(5, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRA,
                               SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_RGBA),
        SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&defaultSize, &minSize, &maxSize),
        SPA_FORMAT_VIDEO_framerate, SPA_POD_CHOICE_RANGE_Fraction(&defaultRate, &minRate, &maxRate)));
}

} // namespace

std::unique_ptr<PipeWireStream> PipeWireStream::open(int remote, std::uint32_t node, std::string& problem) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { pw_init(nullptr, nullptr); });
    std::unique_ptr<PipeWireStream> result(new PipeWireStream);
    result->state_ = std::make_unique<State>();
    State& s = *result->state_;
    s.loop = pw_thread_loop_new("vexmira-stream", nullptr);
    if (!s.loop) {
        problem = "PipeWire could not start its thread";
        return nullptr;
    }
    s.context = pw_context_new(pw_thread_loop_get_loop(s.loop), nullptr, 0);
    const int own = fcntl(remote, F_DUPFD_CLOEXEC, 3);
    if (!s.context || own < 0) {
        if (own >= 0) ::close(own);
        problem = "PipeWire could not be set up";
        return nullptr;
    }
    if (pw_thread_loop_start(s.loop) < 0) {
        ::close(own);
        problem = "PipeWire could not start its thread";
        return nullptr;
    }
    pw_thread_loop_lock(s.loop);
    s.core = pw_context_connect_fd(s.context, own, nullptr, 0); // takes the descriptor, even on failure
    if (!s.core) {
        pw_thread_loop_unlock(s.loop);
        problem = "PipeWire refused the connection the desktop gave";
        return nullptr;
    }
    pw_core_add_listener(s.core, &s.coreListener, &coreEvents, &s);
    s.node = node;
    s.registry = pw_core_get_registry(s.core, PW_VERSION_REGISTRY, 0);
    if (s.registry) pw_registry_add_listener(s.registry, &s.registryListener, &registryEvents, &s);
    s.stream = pw_stream_new(s.core, "Vexmira",
                             pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                                               PW_KEY_MEDIA_ROLE, "Screen", nullptr));
    if (!s.stream) {
        pw_thread_loop_unlock(s.loop);
        problem = "PipeWire refused the stream";
        return nullptr;
    }
    pw_stream_add_listener(s.stream, &s.streamListener, &streamEvents, &s);
    std::uint8_t buffer[1024];
    spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
    const spa_pod* params[1] = {formatsTaken(b)};
    const int connected = pw_stream_connect(
        s.stream, PW_DIRECTION_INPUT, node,
        static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS), params, 1);
    if (connected >= 0) s.watchForAFormat();
    pw_thread_loop_unlock(s.loop);
    if (connected < 0) {
        problem = "PipeWire refused to connect to the shared screen";
        return nullptr;
    }
    return result;
}

PipeWireStream::~PipeWireStream() {
    if (!state_ || !state_->loop) return;
    State& s = *state_;
    {
        std::lock_guard guard(s.lock);
        s.report = nullptr;
        s.closing = true;
    }
    pw_thread_loop_lock(s.loop);
    if (s.formatWatch) pw_loop_destroy_source(pw_thread_loop_get_loop(s.loop), s.formatWatch);
    if (s.stream) pw_stream_destroy(s.stream);
    if (s.registry) pw_proxy_destroy(reinterpret_cast<pw_proxy*>(s.registry));
    if (s.core) pw_core_disconnect(s.core);
    pw_thread_loop_unlock(s.loop);
    pw_thread_loop_stop(s.loop);
    if (s.context) pw_context_destroy(s.context);
    pw_thread_loop_destroy(s.loop);
}

raster::Bitmap PipeWireStream::latest() const {
    std::lock_guard guard(state_->lock);
    if (!state_->newest) return {};
    return raster::Bitmap::wrap(state_->newest, state_->newestWidth, state_->newestHeight,
                                state_->newestWidth * 4, 24);
}

std::optional<std::vector<Rect>> PipeWireStream::takeDamage(std::size_t maxRects) {
    std::lock_guard guard(state_->lock);
    state_->pending = false;
    std::vector<Rect> damage;
    damage.swap(state_->damage);
    if (state_->resized || !state_->endedBecause.empty()) {
        state_->resized = false;
        return std::nullopt;
    }
    raster::mergeBeyond(damage, maxRects);
    return damage;
}

bool PipeWireStream::hasPending() const {
    std::lock_guard guard(state_->lock);
    return state_->pending;
}

std::string PipeWireStream::ended() const {
    std::lock_guard guard(state_->lock);
    return state_->endedBecause;
}

void PipeWireStream::onReport(std::function<void()> handler) {
    std::lock_guard guard(state_->lock);
    state_->report = std::move(handler);
}

} // namespace vexmira::platform::portal
