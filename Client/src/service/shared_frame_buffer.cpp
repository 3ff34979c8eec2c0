#include "service/shared_frame_buffer.h"

#include <atomic>
#include <cstring>

#include <spdlog/spdlog.h>

// The section's layout and its lock-free protocol; shared_frame_buffer_posix.cpp and
// shared_frame_buffer_windows.cpp make, open and release the section itself.

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

bool SharedFrameBuffer::writeFrame(std::uint32_t width, std::uint32_t height, std::uint32_t yStride,
                                   std::uint32_t uvStride, const std::uint8_t* data,
                                   std::size_t size) {
    if (m_view == nullptr || !m_writable) {
        spdlog::warn("SharedFrameBuffer::writeFrame: not open");
        return false;
    }
    if (size > m_size - kHeaderSize) { // m_size > kHeaderSize while open; no wrap-around
        spdlog::warn("SharedFrameBuffer::writeFrame: frame too large ({} > {})", size + kHeaderSize,
                     m_size);
        return false;
    }
    if (!backingHolds(kHeaderSize + size)) {
        spdlog::error("SharedFrameBuffer::writeFrame: the section was shrunk by its reader; not "
                      "writing");
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

SharedFrameBuffer::ReadStatus SharedFrameBuffer::readFrame(std::uint64_t newerThan,
                                                           Frame& frame) const {
    return read(newerThan, frame, false);
}

SharedFrameBuffer::ReadStatus SharedFrameBuffer::readPicture(std::uint64_t newerThan,
                                                             Frame& frame) const {
    return read(newerThan, frame, true);
}

SharedFrameBuffer::ReadStatus SharedFrameBuffer::read(std::uint64_t newerThan, Frame& frame,
                                                      bool picture) const {
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
    const bool layoutFits =
        picture ? yStride >= std::uint64_t(width) * 4 && uvStride == 0
                : yStride >= width && uvStride >= 2 * ((std::uint64_t(width) + 1) / 2);
    if (width == 0 || height == 0 || !layoutFits || lumaBytes + chromaBytes > dataSize ||
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
