#include "capture/pipewire_frames.h"

#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <spdlog/spdlog.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "platform/remote_desktop_session.h"

namespace nimbral {

namespace {

// Beyond this many changed areas in one frame the whole picture is sent: cheaper to describe.
constexpr std::size_t kDamageRegions = 16;

void initializePipeWireOnce() {
    static std::once_flag once;
    std::call_once(once, [] { pw_init(nullptr, nullptr); });
}

} // namespace

struct PipeWireFrames::State {
    pw_thread_loop* loop = nullptr;
    pw_context* context = nullptr;
    pw_core* core = nullptr;
    pw_stream* stream = nullptr;
    spa_hook listener{};
    int width = 0;
    int height = 0;
    std::atomic<bool> failed{false};

    std::shared_ptr<FrameBufferPool> pool = std::make_shared<FrameBufferPool>();
    std::mutex mutex;
    std::condition_variable arrived;
    std::unique_ptr<CapturedFrame> pending; // the newest picture, not yet taken
    bool pendingWhole = false;              // its dirty rectangles do not tell all
    bool pendingUndamaged = false;          // the stream said nothing of what changed
    bool closing = false;
    int lastWidth = 0;
    int lastHeight = 0;
    std::vector<std::uint8_t> lastPicture; // the capture thread's: what was taken last

    void fail(const char* why) {
        if (!closing && !failed.exchange(true)) {
            spdlog::error("PipeWire screen stream failed: {}", why);
        }
        arrived.notify_all();
    }
    void formatChanged(const spa_pod* param);
    void process();
    void keep(const spa_buffer& buffer, const spa_data& data);
};

std::unique_ptr<CapturedFrame> takeSessionFrame(PipeWireFrames& frames,
                                                platform::RemoteDesktopSession& session,
                                                MonitorInfo& monitor, int waitMs, bool& lost) {
    std::unique_ptr<CapturedFrame> frame = frames.takeFrame(waitMs);
    lost = frames.failed();
    if (lost) {
        return nullptr;
    }
    if (frame) {
        monitor.width = frame->width;
        monitor.height = frame->height;
        session.setStreamSize(frame->width, frame->height);
    }
    return frame;
}

void copyStreamPicture(const std::uint8_t* source, int stride, int width, int height,
                       std::uint8_t* target) {
    const std::size_t row = static_cast<std::size_t>(width) * 4;
    for (int y = 0; y < height; ++y) {
        std::memcpy(target + row * static_cast<std::size_t>(y),
                    source + static_cast<std::size_t>(stride) * static_cast<std::size_t>(y), row);
    }
}

void PipeWireFrames::State::formatChanged(const spa_pod* param) {
    spa_video_info_raw format{};
    std::uint32_t mediaType = 0;
    std::uint32_t mediaSubtype = 0;
    if (spa_format_parse(param, &mediaType, &mediaSubtype) < 0 ||
        mediaType != SPA_MEDIA_TYPE_video || mediaSubtype != SPA_MEDIA_SUBTYPE_raw ||
        spa_format_video_raw_parse(param, &format) < 0) {
        fail("the stream offers no raw video");
        return;
    }
    if (format.format != SPA_VIDEO_FORMAT_BGRx && format.format != SPA_VIDEO_FORMAT_BGRA) {
        fail("the stream's pixels are not BGRx");
        return;
    }
    width = static_cast<int>(format.size.width);
    height = static_cast<int>(format.size.height);
    spdlog::info("PipeWire screen stream: {}x{}", width, height);
    std::uint8_t storage[1024];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(storage, sizeof storage);
    const spa_pod* params[2];
    params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_dataType,
        SPA_POD_Int((1 << SPA_DATA_MemFd) | (1 << SPA_DATA_MemPtr))));
    params[1] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
        SPA_POD_Id(SPA_META_VideoDamage), SPA_PARAM_META_size,
        SPA_POD_CHOICE_RANGE_Int(sizeof(spa_meta_region) * kDamageRegions, sizeof(spa_meta_region),
                                 sizeof(spa_meta_region) * kDamageRegions)));
    pw_stream_update_params(stream, params, 2);
}

// The damage of `buffer` clipped to the picture, added to the pending frame's; false when the
// buffer says nothing of what changed.
static bool addDamage(const spa_buffer& buffer, int width, int height,
                      std::vector<DirtyRect>& dirty) {
    auto* meta = spa_buffer_find_meta(const_cast<spa_buffer*>(&buffer), SPA_META_VideoDamage);
    if (meta == nullptr) {
        return false;
    }
    bool any = false;
    spa_meta_region* region = nullptr;
    spa_meta_for_each(region, meta) {
        if (!spa_meta_region_is_valid(region)) {
            break;
        }
        const int x0 = std::clamp(region->region.position.x, 0, width);
        const int y0 = std::clamp(region->region.position.y, 0, height);
        const int x1 = std::clamp(
            region->region.position.x + static_cast<int>(region->region.size.width), 0, width);
        const int y1 = std::clamp(
            region->region.position.y + static_cast<int>(region->region.size.height), 0, height);
        any = true;
        if (x1 > x0 && y1 > y0) {
            dirty.push_back({x0, y0, x1 - x0, y1 - y0});
        }
    }
    return any;
}

void PipeWireFrames::State::keep(const spa_buffer& buffer, const spa_data& data) {
    const int stride = data.chunk->stride;
    const std::size_t offset = data.chunk->offset % std::max<std::uint32_t>(data.maxsize, 1);
    if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
        stride < width * 4 ||
        offset + static_cast<std::size_t>(stride) * static_cast<std::size_t>(height) >
            data.maxsize) {
        return; // a buffer that does not hold the negotiated picture
    }
    const auto* pixels = static_cast<const std::uint8_t*>(data.data) + offset;
    const std::size_t size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    std::lock_guard lock(mutex);
    if (!pending || pending->width != width || pending->height != height) {
        pending = std::make_unique<CapturedFrame>();
        pool->lend(*pending, size);
        pending->width = width;
        pending->height = height;
        pending->stride = width * 4;
        pendingWhole = width != lastWidth || height != lastHeight;
        pendingUndamaged = false;
    }
    copyStreamPicture(pixels, stride, width, height, pending->data.data());
    pending->timestamp = monotonicMilliseconds();
    if (!addDamage(buffer, width, height, pending->dirtyRects)) {
        pendingUndamaged = true;
    } else if (pending->dirtyRects.size() > kMaxDirtyRects) {
        pendingWhole = true;
    }
    arrived.notify_all();
}

void PipeWireFrames::State::process() {
    // Only the newest buffer matters; older ones go straight back.
    pw_buffer* newest = nullptr;
    while (pw_buffer* next = pw_stream_dequeue_buffer(stream)) {
        if (newest != nullptr) {
            pw_stream_queue_buffer(stream, newest);
        }
        newest = next;
    }
    if (newest == nullptr) {
        return;
    }
    const spa_buffer* buffer = newest->buffer;
    if (buffer->n_datas > 0 && buffer->datas[0].data != nullptr &&
        buffer->datas[0].chunk->size > 0 &&
        (buffer->datas[0].chunk->flags & SPA_CHUNK_FLAG_CORRUPTED) == 0) {
        keep(*buffer, buffer->datas[0]);
    }
    pw_stream_queue_buffer(stream, newest);
}

namespace {

pw_stream_events streamEvents() {
    pw_stream_events events{};
    events.version = PW_VERSION_STREAM_EVENTS;
    events.state_changed = [](void* data, pw_stream_state, pw_stream_state state,
                              const char* error) {
        auto* self = static_cast<PipeWireFrames::State*>(data);
        if (state == PW_STREAM_STATE_ERROR) {
            self->fail(error != nullptr ? error : "error");
        } else if (state == PW_STREAM_STATE_UNCONNECTED) {
            self->fail("the stream ended");
        }
    };
    events.param_changed = [](void* data, std::uint32_t id, const spa_pod* param) {
        if (id == SPA_PARAM_Format && param != nullptr) {
            static_cast<PipeWireFrames::State*>(data)->formatChanged(param);
        }
    };
    events.process = [](void* data) {
        static_cast<PipeWireFrames::State*>(data)->process();
    };
    return events;
}

const pw_stream_events kStreamEvents = streamEvents();

} // namespace

PipeWireFrames::PipeWireFrames()
    : m_state(std::make_unique<State>()) {
}

PipeWireFrames::~PipeWireFrames() {
    State& state = *m_state;
    if (state.loop == nullptr) {
        return;
    }
    pw_thread_loop_lock(state.loop);
    state.closing = true; // the stream's end is ours, not a failure
    if (state.stream != nullptr) {
        pw_stream_destroy(state.stream);
    }
    if (state.core != nullptr) {
        pw_core_disconnect(state.core);
    }
    pw_thread_loop_unlock(state.loop);
    pw_thread_loop_stop(state.loop);
    if (state.context != nullptr) {
        pw_context_destroy(state.context);
    }
    pw_thread_loop_destroy(state.loop);
}

bool PipeWireFrames::open(std::uint32_t node, int fd) {
    initializePipeWireOnce();
    State& state = *m_state;
    state.loop = pw_thread_loop_new("nimbral-pw", nullptr);
    if (state.loop == nullptr) {
        if (fd >= 0) {
            close(fd);
        }
        spdlog::error("PipeWire: cannot make its thread");
        return false;
    }
    state.context = pw_context_new(pw_thread_loop_get_loop(state.loop), nullptr, 0);
    if (state.context == nullptr || pw_thread_loop_start(state.loop) < 0) {
        if (fd >= 0) {
            close(fd);
        }
        spdlog::error("PipeWire: cannot start its thread");
        return false;
    }
    pw_thread_loop_lock(state.loop);
    state.core = fd >= 0 ? pw_context_connect_fd(state.context, fd, nullptr, 0)
                         : pw_context_connect(state.context, nullptr, 0);
    if (state.core == nullptr) {
        pw_thread_loop_unlock(state.loop);
        spdlog::error("PipeWire: cannot connect to the user's PipeWire ({})", std::strerror(errno));
        return false;
    }
    state.stream =
        pw_stream_new(state.core, "Nimbral screen",
                      pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                                        "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr));
    if (state.stream == nullptr) {
        pw_thread_loop_unlock(state.loop);
        spdlog::error("PipeWire: cannot make a stream");
        return false;
    }
    pw_stream_add_listener(state.stream, &state.listener, &kStreamEvents, &state);
    std::uint8_t storage[1024];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(storage, sizeof storage);
    spa_rectangle size = SPA_RECTANGLE(1920, 1080);
    spa_rectangle smallest = SPA_RECTANGLE(1, 1);
    spa_rectangle largest = SPA_RECTANGLE(kMaxPictureSide, kMaxPictureSide);
    spa_fraction rate = SPA_FRACTION(30, 1);
    spa_fraction slowest = SPA_FRACTION(0, 1);
    spa_fraction fastest = SPA_FRACTION(240, 1);
    const spa_pod* format = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
        SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
        SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
        SPA_POD_CHOICE_ENUM_Id(3, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx,
                               SPA_VIDEO_FORMAT_BGRA),
        SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&size, &smallest, &largest),
        SPA_FORMAT_VIDEO_framerate, SPA_POD_CHOICE_RANGE_Fraction(&rate, &slowest, &fastest)));
    const int result = pw_stream_connect(
        state.stream, PW_DIRECTION_INPUT, node,
        static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS),
        &format, 1);
    pw_thread_loop_unlock(state.loop);
    if (result < 0) {
        spdlog::error("PipeWire: cannot connect to node {} ({})", node, std::strerror(-result));
        return false;
    }
    spdlog::info("PipeWire: reading screen stream node {}", node);
    return true;
}

std::unique_ptr<CapturedFrame> PipeWireFrames::takeFrame(int waitMs) {
    State& state = *m_state;
    std::unique_ptr<CapturedFrame> frame;
    bool whole = false;
    bool undamaged = false;
    {
        std::unique_lock lock(state.mutex);
        state.arrived.wait_for(lock, std::chrono::milliseconds(waitMs),
                               [&] { return state.pending != nullptr || state.failed.load(); });
        frame = std::move(state.pending);
        if (!frame) {
            return nullptr;
        }
        whole = state.pendingWhole;
        undamaged = state.pendingUndamaged;
        state.lastWidth = frame->width;
        state.lastHeight = frame->height;
        state.pendingWhole = false;
        state.pendingUndamaged = false;
    }
    if (!whole && undamaged && state.lastPicture.size() == frame->data.size()) {
        frame->dirtyRects = changedTiles(state.lastPicture.data(), frame->data.data(), frame->width,
                                         frame->height, kMaxDirtyRects);
        if (frame->dirtyRects.empty()) {
            return nullptr; // the same picture again
        }
    }
    if (whole) {
        frame->dirtyRects.clear();
    }
    frame->isKeyframe = frame->dirtyRects.empty();
    state.lastPicture.assign(frame->data.begin(), frame->data.end());
    return frame;
}

bool PipeWireFrames::failed() const {
    return m_state->failed.load();
}

} // namespace nimbral
