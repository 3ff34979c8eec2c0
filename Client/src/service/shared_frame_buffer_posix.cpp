#include "service/shared_frame_buffer.h"

#include <atomic>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <spdlog/spdlog.h>

namespace nimbral {

namespace {

// Header fields are shared with another process while it reads them: every access is atomic,
// so neither side ever sees half a field.
template <typename T> T load(const T& field, std::memory_order order = std::memory_order_relaxed) {
    return std::atomic_ref<T>(const_cast<T&>(field)).load(order);
}

template <typename T>
void store(T& field, T value, std::memory_order order = std::memory_order_relaxed) {
    std::atomic_ref<T>(field).store(value, order);
}

} // namespace

SharedFrameBuffer::SharedFrameBuffer() = default;

SharedFrameBuffer::~SharedFrameBuffer() {
    close();
}

void SharedFrameBuffer::close() {
    // The writer's section goes with it: the last remote picture is not left behind in memory
    // for the next one who finds the name.
    if (m_writable && !m_name.empty()) {
        shm_unlink(m_name.c_str());
    }
    if (m_view != nullptr) {
        munmap(m_view, m_size);
        m_view = nullptr;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_size = 0;
    m_writable = false;
}

bool SharedFrameBuffer::create(const std::string& name, std::size_t maxSize,
                               std::optional<uid_t> reader) {
    close();
    if (maxSize <= kHeaderSize) {
        spdlog::error("SharedFrameBuffer::create: maxSize {} is too small", maxSize);
        return false;
    }
    // Whatever already has the name may be someone else's, planted to be read by us or to read
    // our screen: it goes, and ours is made new.
    shm_unlink(name.c_str());
    m_fd = shm_open(name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        spdlog::error("SharedFrameBuffer::create: shm_open failed ({})", std::strerror(errno));
        return false;
    }
    m_name = name;
    if (reader && !setReader(*reader)) {
        close();
        shm_unlink(name.c_str());
        return false;
    }
    if (ftruncate(m_fd, static_cast<off_t>(maxSize)) != 0) {
        spdlog::error("SharedFrameBuffer::create: ftruncate failed ({})", std::strerror(errno));
        close();
        shm_unlink(name.c_str());
        return false;
    }
    m_view = mmap(nullptr, maxSize, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, 0);
    if (m_view == MAP_FAILED) {
        m_view = nullptr;
        spdlog::error("SharedFrameBuffer::create: mmap failed ({})", std::strerror(errno));
        close();
        shm_unlink(name.c_str());
        return false;
    }
    m_size = maxSize;
    m_writable = true;
    m_counter = 0;
    std::memset(m_view, 0, kHeaderSize);
    spdlog::info("SharedFrameBuffer created: name='{}', size={}", name, maxSize);
    return true;
}

bool SharedFrameBuffer::setReader(uid_t reader) {
    if (m_fd < 0) {
        return false;
    }
    struct stat info {};
    if (fstat(m_fd, &info) == 0 && info.st_uid == reader) {
        return true;
    }
    if (fchown(m_fd, reader, static_cast<gid_t>(-1)) != 0) {
        spdlog::error("SharedFrameBuffer: cannot hand the section to user {} ({})", reader,
                      std::strerror(errno));
        return false;
    }
    return true;
}

bool SharedFrameBuffer::writeFrame(std::uint32_t width, std::uint32_t height, std::uint32_t yStride,
                                   std::uint32_t uvStride, const std::uint8_t* data,
                                   std::size_t size) {
    if (m_view == nullptr || !m_writable) {
        spdlog::warn("SharedFrameBuffer::writeFrame: not open");
        return false;
    }
    if (size + kHeaderSize > m_size) {
        spdlog::warn("SharedFrameBuffer::writeFrame: frame too large ({} > {})", size + kHeaderSize,
                     m_size);
        return false;
    }
    auto* header = static_cast<SharedFrameHeader*>(m_view);
    // Readers that start now, or are still copying the last frame, see the marker (or a changed
    // ID afterwards) and drop what they read.
    store(header->frameId, kWritingFrameId, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_seq_cst);
    std::memcpy(static_cast<std::uint8_t*>(m_view) + kHeaderSize, data, size);
    std::atomic_thread_fence(std::memory_order_seq_cst);
    store(header->uvStride, uvStride);
    store(header->width, width);
    store(header->height, height);
    store(header->yStride, yStride);
    store(header->dataSize, static_cast<std::uint64_t>(size));
    ++m_counter;
    store(header->frameId, m_counter, std::memory_order_release);
    return true;
}

std::uint64_t SharedFrameBuffer::frameId() const {
    if (m_view == nullptr) {
        return 0;
    }
    return load(static_cast<const SharedFrameHeader*>(m_view)->frameId, std::memory_order_acquire);
}

bool SharedFrameBuffer::openForReading(const std::string& name) {
    close();
    m_fd = shm_open(name.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (m_fd < 0) {
        spdlog::warn("SharedFrameBuffer: cannot open '{}' ({})", name, std::strerror(errno));
        return false;
    }
    struct stat info {};
    if (fstat(m_fd, &info) != 0 || (info.st_uid != getuid() && info.st_uid != 0) ||
        (info.st_mode & (S_IWGRP | S_IWOTH)) != 0 ||
        info.st_size <= static_cast<off_t>(kHeaderSize)) {
        spdlog::error("SharedFrameBuffer: '{}' is not the service's frame buffer (owner {}, mode "
                      "{:o}, size {}); not reading it",
                      name, info.st_uid, info.st_mode & 07777, info.st_size);
        close();
        return false;
    }
    const auto size = static_cast<std::size_t>(info.st_size);
    m_view = mmap(nullptr, size, PROT_READ, MAP_SHARED, m_fd, 0);
    if (m_view == MAP_FAILED) {
        m_view = nullptr;
        spdlog::error("SharedFrameBuffer: mmap of '{}' failed ({})", name, std::strerror(errno));
        close();
        return false;
    }
    m_size = size;
    m_name = name;
    return true;
}

SharedFrameBuffer::ReadStatus SharedFrameBuffer::readFrame(std::uint64_t newerThan,
                                                           Frame& frame) const {
    if (m_view == nullptr) {
        return ReadStatus::NotOpen;
    }
    const auto* header = static_cast<const SharedFrameHeader*>(m_view);
    const std::uint64_t before = load(header->frameId, std::memory_order_acquire);
    if (before == kWritingFrameId) {
        return ReadStatus::Torn;
    }
    if (before == 0 || before <= newerThan) {
        return ReadStatus::NoNewFrame;
    }
    const std::uint32_t width = load(header->width);
    const std::uint32_t height = load(header->height);
    const std::uint32_t yStride = load(header->yStride);
    const std::uint32_t uvStride = load(header->uvStride);
    const std::uint64_t dataSize = load(header->dataSize);
    const auto changed = [&] {
        std::atomic_thread_fence(std::memory_order_acquire);
        return load(header->frameId, std::memory_order_relaxed) != before;
    };
    // Sizes in 64 bits: a hostile or half-written header must not wrap into a small copy.
    const std::uint64_t lumaBytes = std::uint64_t(yStride) * height;
    const std::uint64_t chromaBytes = std::uint64_t(uvStride) * ((std::uint64_t(height) + 1) / 2);
    if (width == 0 || height == 0 || yStride < width ||
        uvStride < 2 * ((std::uint64_t(width) + 1) / 2) || lumaBytes + chromaBytes > dataSize ||
        dataSize > m_size - kHeaderSize) {
        return changed() ? ReadStatus::Torn : ReadStatus::Malformed;
    }
    const auto* pixels = static_cast<const std::uint8_t*>(m_view) + kHeaderSize;
    frame.yPlane.assign(pixels, pixels + lumaBytes);
    frame.uvPlane.assign(pixels + lumaBytes, pixels + lumaBytes + chromaBytes);
    if (changed()) {
        return ReadStatus::Torn;
    }
    frame.width = width;
    frame.height = height;
    frame.yStride = yStride;
    frame.uvStride = uvStride;
    frame.frameId = before;
    return ReadStatus::Ok;
}

} // namespace nimbral
