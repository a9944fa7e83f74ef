#include "PipeWireSource.h"

#include <unistd.h>

#include <atomic>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wpedantic"
#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>
#pragma GCC diagnostic pop

namespace vexmira::testing {

struct PipeWireSource::State {
    int width = 0, height = 0, rate = 30;
    spa_video_format pixels = SPA_VIDEO_FORMAT_BGRx;
    Painter painter;
    pw_thread_loop* loop = nullptr;
    pw_context* context = nullptr;
    pw_core* core = nullptr;
    pw_stream* stream = nullptr;
    spa_hook listener{};
    spa_source* timer = nullptr;
    timespec period{};
    std::int64_t sequence = 0;
    bool empty = false;

    // The one format the source offers: frames of its size and pixels at its rate.
    const spa_pod* formatOffered(spa_pod_builder& b) const {
        spa_rectangle size = SPA_RECTANGLE(uint32_t(width), uint32_t(height));
        spa_fraction framerate = SPA_FRACTION(uint32_t(rate), 1);
        return static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
            SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw),
            SPA_FORMAT_VIDEO_format, SPA_POD_Id(pixels), SPA_FORMAT_VIDEO_size, SPA_POD_Rectangle(&size),
            SPA_FORMAT_VIDEO_framerate, SPA_POD_Fraction(&framerate)));
    }

    void formatChosen() {
        std::uint8_t buffer[1024];
        spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
        const int stride = width * 4;
        const spa_pod* params[3];
        params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
            SPA_POD_CHOICE_RANGE_Int(4, 2, 8), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1),
            SPA_PARAM_BUFFERS_size, SPA_POD_Int(stride * height), SPA_PARAM_BUFFERS_stride,
            SPA_POD_Int(stride), SPA_PARAM_BUFFERS_dataType, SPA_POD_CHOICE_FLAGS_Int(1 << SPA_DATA_MemFd)));
        params[1] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type, SPA_POD_Id(SPA_META_Header),
            SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_header))));
        params[2] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
            SPA_POD_Id(SPA_META_VideoDamage), SPA_PARAM_META_size,
            SPA_POD_CHOICE_RANGE_Int(sizeof(spa_meta_region) * 16, sizeof(spa_meta_region),
                                     sizeof(spa_meta_region) * 16)));
        pw_stream_update_params(stream, params, 3);
    }

    void fill() {
        pw_buffer* b = pw_stream_dequeue_buffer(stream);
        if (!b) return;
        spa_buffer* buf = b->buffer;
        spa_data& d = buf->datas[0];
        if (!d.data) {
            pw_stream_queue_buffer(stream, b);
            return;
        }
        const int stride = width * 4;
        if (d.maxsize < std::uint32_t(stride * height)) { // buffers of the size before a change
            pw_stream_queue_buffer(stream, b);
            return;
        }
        std::vector<DrawnRegion> changed;
        painter(static_cast<std::uint8_t*>(d.data), stride, changed);
        if (changed.empty()) changed.push_back({0, 0, width, height});
        if (spa_meta* meta = spa_buffer_find_meta(buf, SPA_META_VideoDamage)) {
            auto* regions = static_cast<spa_meta_region*>(meta->data);
            const std::size_t room = meta->size / sizeof(spa_meta_region);
            std::size_t i = 0;
            for (; i < changed.size() && i < room; ++i)
                regions[i].region = SPA_REGION(changed[i].x, changed[i].y, uint32_t(changed[i].width),
                                               uint32_t(changed[i].height));
            if (i < room) regions[i].region = SPA_REGION(0, 0, 0u, 0u); // the end of the list
        }
        if (auto* header = static_cast<spa_meta_header*>(
                spa_buffer_find_meta_data(buf, SPA_META_Header, sizeof(spa_meta_header)))) {
            header->flags = 0;
            header->pts = ++sequence;
            header->seq = sequence;
        }
        d.chunk->offset = 0;
        d.chunk->size = empty ? 0 : stride * height;
        d.chunk->stride = stride;
        pw_stream_queue_buffer(stream, b);
    }
};

PipeWireSource::PipeWireSource(int width, int height, int framesPerSecond, Painter painter, Pixels pixels)
    : state_(std::make_unique<State>()) {
    state_->pixels = pixels == Pixels::Nv12 ? SPA_VIDEO_FORMAT_NV12 : SPA_VIDEO_FORMAT_BGRx;
    state_->width = width;
    state_->height = height;
    state_->rate = framesPerSecond;
    state_->painter = std::move(painter);
}

PipeWireSource::~PipeWireSource() {
    stop();
    if (state_->loop) pw_thread_loop_stop(state_->loop);
    if (state_->context) pw_context_destroy(state_->context);
    if (state_->loop) pw_thread_loop_destroy(state_->loop);
}

bool PipeWireSource::start() {
    State& s = *state_;
    pw_init(nullptr, nullptr);
    s.loop = pw_thread_loop_new("test-source", nullptr);
    s.context = s.loop ? pw_context_new(pw_thread_loop_get_loop(s.loop), nullptr, 0) : nullptr;
    if (!s.context || pw_thread_loop_start(s.loop) < 0) return false;
    pw_thread_loop_lock(s.loop);
    s.core = pw_context_connect(s.context, nullptr, 0);
    if (!s.core) {
        pw_thread_loop_unlock(s.loop);
        return false;
    }
    static const pw_stream_events events = [] {
        pw_stream_events e{};
        e.version = PW_VERSION_STREAM_EVENTS;
        e.param_changed = [](void* data, uint32_t id, const spa_pod* param) {
            if (param && id == SPA_PARAM_Format) static_cast<State*>(data)->formatChosen();
        };
        e.process = [](void* data) { static_cast<State*>(data)->fill(); };
        e.state_changed = [](void* data, pw_stream_state, pw_stream_state state, const char*) {
            auto* self = static_cast<State*>(data);
            if (state == PW_STREAM_STATE_STREAMING)
                pw_loop_update_timer(pw_thread_loop_get_loop(self->loop), self->timer, &self->period,
                                     &self->period, false);
        };
        return e;
    }();
    s.stream = pw_stream_new(s.core, "vexmira-test-screen",
                             pw_properties_new(PW_KEY_MEDIA_CLASS, "Video/Source", PW_KEY_MEDIA_TYPE, "Video",
                                               PW_KEY_MEDIA_CATEGORY, "Source", nullptr));
    pw_stream_add_listener(s.stream, &s.listener, &events, &s);
    s.timer = pw_loop_add_timer(
        pw_thread_loop_get_loop(s.loop),
        [](void* data, uint64_t) {
            auto* self = static_cast<State*>(data);
            if (self->stream) pw_stream_trigger_process(self->stream);
        },
        &s);
    s.period.tv_sec = 0;
    s.period.tv_nsec = 1000000000L / s.rate;
    std::uint8_t buffer[1024];
    spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
    const spa_pod* params[1] = {s.formatOffered(b)};
    const int connected = pw_stream_connect(
        s.stream, PW_DIRECTION_OUTPUT, PW_ID_ANY,
        static_cast<pw_stream_flags>(PW_STREAM_FLAG_DRIVER | PW_STREAM_FLAG_MAP_BUFFERS), params, 1);
    pw_thread_loop_unlock(s.loop);
    if (connected < 0) return false;
    // The node's number is known once the daemon has taken the stream.
    for (int i = 0; i < 200 && node() == SPA_ID_INVALID; ++i)
        usleep(10000);
    return node() != SPA_ID_INVALID;
}

std::uint32_t PipeWireSource::node() {
    if (!state_->loop) return SPA_ID_INVALID;
    pw_thread_loop_lock(state_->loop);
    const uint32_t id = state_->stream ? pw_stream_get_node_id(state_->stream) : SPA_ID_INVALID;
    pw_thread_loop_unlock(state_->loop);
    return id;
}

void PipeWireSource::resize(int width, int height) {
    pw_thread_loop_lock(state_->loop);
    state_->width = width;
    state_->height = height;
    std::uint8_t buffer[1024];
    spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
    const spa_pod* params[1] = {state_->formatOffered(b)};
    if (state_->stream) pw_stream_update_params(state_->stream, params, 1);
    pw_thread_loop_unlock(state_->loop);
}

void PipeWireSource::sendEmptyFrames(bool empty) {
    pw_thread_loop_lock(state_->loop);
    state_->empty = empty;
    pw_thread_loop_unlock(state_->loop);
}

void PipeWireSource::stop() {
    if (!state_->loop) return;
    pw_thread_loop_lock(state_->loop);
    if (state_->stream) pw_stream_destroy(state_->stream);
    state_->stream = nullptr;
    if (state_->core) pw_core_disconnect(state_->core);
    state_->core = nullptr;
    pw_thread_loop_unlock(state_->loop);
}

} // namespace vexmira::testing
