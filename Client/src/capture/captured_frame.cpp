#include "capture/captured_frame.h"

#include <algorithm>
#include <chrono>

namespace nimbral {

std::int64_t monotonicMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

CapturedFrame::~CapturedFrame() {
    if (const std::shared_ptr<FrameBufferPool> home = pool.lock()) {
        home->give(std::move(data));
    }
}

std::vector<std::uint8_t> FrameBufferPool::take(std::size_t size) {
    {
        const std::lock_guard lock(m_mutex);
        const auto found = std::find_if(m_free.begin(), m_free.end(), [size](const auto& buffer) {
            return buffer.size() == size;
        });
        if (found != m_free.end()) {
            std::vector<std::uint8_t> buffer = std::move(*found);
            m_free.erase(found);
            return buffer;
        }
    }
    return std::vector<std::uint8_t>(size);
}

void FrameBufferPool::lend(CapturedFrame& frame, std::size_t size) {
    frame.data = take(size);
    frame.pool = weak_from_this();
}

void FrameBufferPool::give(std::vector<std::uint8_t> buffer) {
    if (buffer.empty()) {
        return;
    }
    const std::lock_guard lock(m_mutex);
    if (m_free.size() < kKept) {
        m_free.push_back(std::move(buffer));
    }
}

std::size_t FrameBufferPool::kept() const {
    const std::lock_guard lock(m_mutex);
    return m_free.size();
}

} // namespace nimbral
