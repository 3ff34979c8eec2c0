#include "capture/wlroots_capture_backend.h"

#include <spdlog/spdlog.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/wlroots_connection.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

namespace nimbral {

// One picture's worth of shared memory, handed to the compositor as a wl_buffer.
struct WlrootsCaptureBackend::ShmBuffer {
    int fd = -1;
    void* pixels = MAP_FAILED;
    std::size_t size = 0;
    wl_shm_pool* pool = nullptr;
    wl_buffer* buffer = nullptr;
    std::uint32_t format = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t stride = 0;

    ShmBuffer() = default;
    ShmBuffer(const ShmBuffer&) = delete;
    ShmBuffer& operator=(const ShmBuffer&) = delete;
    ~ShmBuffer() {
        if (buffer != nullptr) {
            wl_buffer_destroy(buffer);
        }
        if (pool != nullptr) {
            wl_shm_pool_destroy(pool);
        }
        if (pixels != MAP_FAILED) {
            munmap(pixels, size);
        }
        if (fd >= 0) {
            close(fd);
        }
    }

    bool fits(std::uint32_t f, std::int32_t w, std::int32_t h, std::int32_t s) const {
        return format == f && width == w && height == h && stride == s;
    }

    static std::unique_ptr<ShmBuffer> create(wl_shm* shm, std::uint32_t format, std::int32_t width,
                                             std::int32_t height, std::int32_t stride) {
        auto shared = std::make_unique<ShmBuffer>();
        shared->format = format;
        shared->width = width;
        shared->height = height;
        shared->stride = stride;
        shared->size = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
        shared->fd = memfd_create("nimbral-screencopy", MFD_CLOEXEC);
        if (shared->fd < 0 || ftruncate(shared->fd, static_cast<off_t>(shared->size)) != 0) {
            return nullptr;
        }
        shared->pixels =
            mmap(nullptr, shared->size, PROT_READ | PROT_WRITE, MAP_SHARED, shared->fd, 0);
        if (shared->pixels == MAP_FAILED) {
            return nullptr;
        }
        shared->pool = wl_shm_create_pool(shm, shared->fd, static_cast<std::int32_t>(shared->size));
        shared->buffer = wl_shm_pool_create_buffer(shared->pool, 0, width, height, stride, format);
        return shared;
    }
};

namespace {

// Little-endian shared-memory formats: ARGB/XRGB lie in memory as B, G, R, (A), the frame's
// own order; ABGR/XBGR have red and blue the other way round.
bool isBgra(std::uint32_t format) {
    return format == WL_SHM_FORMAT_ARGB8888 || format == WL_SHM_FORMAT_XRGB8888;
}
bool isRgba(std::uint32_t format) {
    return format == WL_SHM_FORMAT_ABGR8888 || format == WL_SHM_FORMAT_XBGR8888;
}

void copyRow(const std::uint8_t* from, std::uint8_t* to, std::int32_t width, bool swapRedBlue) {
    const std::size_t bytes = static_cast<std::size_t>(width) * 4;
    if (!swapRedBlue) {
        std::memcpy(to, from, bytes);
        return;
    }
    for (std::size_t i = 0; i < bytes; i += 4) {
        to[i] = from[i + 2];
        to[i + 1] = from[i + 1];
        to[i + 2] = from[i];
        to[i + 3] = from[i + 3];
    }
}

WlrootsCaptureBackend* backendOf(void* data) {
    return static_cast<WlrootsCaptureBackend*>(data);
}

void onBuffer(void* data, zwlr_screencopy_frame_v1*, std::uint32_t format, std::uint32_t width,
              std::uint32_t height, std::uint32_t stride) {
    backendOf(data)->offerBuffer(format, width, height, stride);
}
void onFlags(void* data, zwlr_screencopy_frame_v1*, std::uint32_t flags) {
    backendOf(data)->setFlags(flags);
}
void onReady(void* data, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t, std::uint32_t) {
    backendOf(data)->copyFinished(true);
}
void onFailed(void* data, zwlr_screencopy_frame_v1*) {
    backendOf(data)->copyFinished(false);
}
void onDamage(void* data, zwlr_screencopy_frame_v1*, std::uint32_t x, std::uint32_t y,
              std::uint32_t width, std::uint32_t height) {
    backendOf(data)->addDamage(x, y, width, height);
}
// GPU buffers are not used: the picture goes through shared memory.
void onDmabuf(void*, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t, std::uint32_t) {
}
void onBufferDone(void* data, zwlr_screencopy_frame_v1*) {
    backendOf(data)->offersComplete();
}

const zwlr_screencopy_frame_v1_listener kFrameListener = {onBuffer, onFlags,  onReady,     onFailed,
                                                          onDamage, onDmabuf, onBufferDone};

} // namespace

std::vector<MonitorInfo> waylandMonitors(const std::vector<platform::WaylandOutput>& outputs) {
    std::vector<MonitorInfo> infos;
    for (const platform::WaylandOutput& output : outputs) {
        MonitorInfo info;
        info.index = static_cast<std::int32_t>(infos.size());
        info.name = output.name;
        info.x = output.x;
        info.y = output.y;
        info.width = output.width;
        info.height = output.height;
        info.isPrimary = infos.empty(); // wlroots has no primary output: the first stands in
        infos.push_back(std::move(info));
    }
    return infos;
}

WlrootsCaptureBackend::WlrootsCaptureBackend() = default;

WlrootsCaptureBackend::~WlrootsCaptureBackend() {
    shutdown();
}

std::vector<MonitorInfo> WlrootsCaptureBackend::enumerateMonitors() {
    // A connection of its own: this may be asked from another thread than the capture's.
    const std::unique_ptr<platform::WlrootsConnection> connection =
        platform::WlrootsConnection::open();
    return connection ? waylandMonitors(connection->outputs()) : std::vector<MonitorInfo>{};
}

bool WlrootsCaptureBackend::initialize(std::int32_t monitorIndex) {
    shutdown();
    std::string why;
    m_connection = platform::WlrootsConnection::open(&why);
    if (!m_connection) {
        spdlog::error("WlrootsCaptureBackend: {}", why);
        return false;
    }
    const std::vector<MonitorInfo> monitors = waylandMonitors(m_connection->outputs());
    if (monitorIndex < 0 || monitorIndex >= static_cast<int>(monitors.size())) {
        spdlog::error("WlrootsCaptureBackend: no monitor {} (the compositor lists {})",
                      monitorIndex, monitors.size());
        m_connection.reset();
        return false;
    }
    const auto index = static_cast<std::size_t>(monitorIndex);
    m_monitor = monitors[index];
    m_output = m_connection->outputs()[index].handle;
    m_keyframeDue = true;
    m_initialized = true;
    spdlog::info("WlrootsCaptureBackend: initialized on monitor {} ({}, {}x{})", monitorIndex,
                 m_monitor.name, m_monitor.width, m_monitor.height);
    return true;
}

void WlrootsCaptureBackend::shutdown() {
    if (m_frame != nullptr) {
        zwlr_screencopy_frame_v1_destroy(m_frame);
        m_frame = nullptr;
    }
    m_buffer.reset();
    m_connection.reset();
    m_output = nullptr;
    m_copy = Copy::None;
    m_failuresInARow = 0;
    m_initialized = false;
}

void WlrootsCaptureBackend::lose(const char* why) {
    spdlog::error("WlrootsCaptureBackend: {}; capture lost", why);
    shutdown();
}

bool WlrootsCaptureBackend::requestFrame() {
    // The pointer is drawn into the picture (overlay_cursor 1).
    m_frame = zwlr_screencopy_manager_v1_capture_output(m_connection->screencopy(), 1, m_output);
    zwlr_screencopy_frame_v1_add_listener(m_frame, &kFrameListener, this);
    m_copy = Copy::None;
    m_damage.clear();
    m_damageOverflow = false;
    m_yInverted = false;
    return m_connection->flush();
}

void WlrootsCaptureBackend::offerBuffer(std::uint32_t format, std::uint32_t width,
                                        std::uint32_t height, std::uint32_t stride) {
    m_format = format;
    m_width = static_cast<std::int32_t>(std::min<std::uint32_t>(width, kMaxPictureSide + 1));
    m_height = static_cast<std::int32_t>(std::min<std::uint32_t>(height, kMaxPictureSide + 1));
    m_stride =
        static_cast<std::int32_t>(std::min<std::uint32_t>(stride, 4 * (kMaxPictureSide + 1)));
    m_copy = Copy::Offered;
    // Before version 3 no buffer_done follows: the one offer is all there is.
    if (m_connection->screencopyVersion() < 3) {
        offersComplete();
    }
}

void WlrootsCaptureBackend::offersComplete() {
    if (m_copy != Copy::Offered || !startCopy()) {
        m_copy = Copy::Failed;
    }
}

bool WlrootsCaptureBackend::startCopy() {
    if (m_width <= 0 || m_height <= 0 || m_width > kMaxPictureSide || m_height > kMaxPictureSide ||
        m_stride < m_width * 4 || (!isBgra(m_format) && !isRgba(m_format))) {
        spdlog::error("WlrootsCaptureBackend: the compositor offers a picture we cannot read "
                      "(format {:#x}, {}x{}, stride {})",
                      m_format, m_width, m_height, m_stride);
        return false;
    }
    if (!m_buffer || !m_buffer->fits(m_format, m_width, m_height, m_stride)) {
        m_buffer = ShmBuffer::create(m_connection->shm(), m_format, m_width, m_height, m_stride);
        if (!m_buffer) {
            spdlog::error("WlrootsCaptureBackend: no shared memory for a {}x{} picture", m_width,
                          m_height);
            return false;
        }
    }
    if (m_connection->screencopyVersion() >= 2) {
        zwlr_screencopy_frame_v1_copy_with_damage(m_frame, m_buffer->buffer);
    } else {
        zwlr_screencopy_frame_v1_copy(m_frame, m_buffer->buffer);
    }
    m_copy = Copy::Copying;
    return true;
}

void WlrootsCaptureBackend::setFlags(std::uint32_t flags) {
    m_yInverted = (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
}

void WlrootsCaptureBackend::addDamage(std::uint32_t x, std::uint32_t y, std::uint32_t width,
                                      std::uint32_t height) {
    const auto right = std::min<std::uint64_t>(std::uint64_t{x} + width, m_width);
    const auto bottom = std::min<std::uint64_t>(std::uint64_t{y} + height, m_height);
    if (x >= right || y >= bottom) {
        return;
    }
    if (m_damage.size() >= kMaxDirtyRects) {
        m_damageOverflow = true;
        return;
    }
    m_damage.push_back({static_cast<std::int32_t>(x), static_cast<std::int32_t>(y),
                        static_cast<std::int32_t>(right - x),
                        static_cast<std::int32_t>(bottom - y)});
}

void WlrootsCaptureBackend::copyFinished(bool ready) {
    m_copy = ready && m_copy == Copy::Copying ? Copy::Ready : Copy::Failed;
}

std::unique_ptr<CapturedFrame> WlrootsCaptureBackend::takePicture() {
    auto frame = std::make_unique<CapturedFrame>();
    m_pool->lend(*frame,
                 static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height) * 4);
    frame->width = m_width;
    frame->height = m_height;
    frame->stride = m_width * 4;
    frame->timestamp = monotonicMilliseconds();
    const auto* pixels = static_cast<const std::uint8_t*>(m_buffer->pixels);
    for (std::int32_t row = 0; row < m_height; ++row) {
        const std::int32_t from = m_yInverted ? m_height - 1 - row : row;
        copyRow(pixels + static_cast<std::size_t>(from) * static_cast<std::size_t>(m_stride),
                frame->data.data() + static_cast<std::size_t>(row) * frame->stride, m_width,
                isRgba(m_format));
    }
    if (m_width != m_monitor.width || m_height != m_monitor.height) {
        m_monitor.width = m_width;
        m_monitor.height = m_height;
        m_keyframeDue = true;
    }
    frame->isKeyframe = m_keyframeDue;
    if (!m_keyframeDue) {
        frame->dirtyRects = changedAreas(*frame);
        if (frame->dirtyRects.empty()) {
            return nullptr; // the same picture again
        }
    }
    m_lastPicture.assign(frame->data.begin(), frame->data.end());
    m_keyframeDue = false;
    return frame;
}

// What the compositor says changed. Many clients (Qt's among them) damage their whole window
// whenever they paint into another buffer, so a large damaged area is checked against the last
// picture, tile by tile.
std::vector<DirtyRect> WlrootsCaptureBackend::changedAreas(const CapturedFrame& frame) const {
    std::vector<DirtyRect> rects;
    std::int64_t area = 0;
    for (DirtyRect rect : m_damage) {
        if (m_yInverted) {
            rect.y = m_height - rect.y - rect.height;
        }
        area += std::int64_t{rect.width} * rect.height;
        rects.push_back(rect);
    }
    const std::int64_t screen = std::int64_t{frame.width} * frame.height;
    const bool vague = m_damageOverflow || rects.empty() || area * kLargeDamageShare > screen;
    if (vague && m_lastPicture.size() == frame.data.size()) {
        return changedTiles(m_lastPicture.data(), frame.data.data(), frame.width, frame.height,
                            kMaxDirtyRects);
    }
    if (vague) {
        return {{0, 0, frame.width, frame.height}};
    }
    return rects;
}

std::unique_ptr<CapturedFrame> WlrootsCaptureBackend::captureFrame() {
    if (!m_initialized) {
        return nullptr;
    }
    if (m_frame == nullptr && !requestFrame()) {
        lose("the compositor closed the connection");
        return nullptr;
    }
    // copy_with_damage is answered only once something changed: a request outlives the wait.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kFrameWaitMs);
    while (m_copy != Copy::Ready && m_copy != Copy::Failed) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return nullptr;
        }
        if (!m_connection->dispatch(static_cast<int>(left.count()))) {
            lose("the compositor closed the connection");
            return nullptr;
        }
    }
    zwlr_screencopy_frame_v1_destroy(m_frame);
    m_frame = nullptr;
    if (m_copy == Copy::Failed) {
        // A copy fails when the output changes under it; the next one sees the new output.
        if (++m_failuresInARow > kMaxFailuresInARow) {
            lose("the compositor refused to copy the screen");
        }
        return nullptr;
    }
    m_failuresInARow = 0;
    std::unique_ptr<CapturedFrame> frame = takePicture();
    m_copy = Copy::None;
    return frame;
}

} // namespace nimbral
