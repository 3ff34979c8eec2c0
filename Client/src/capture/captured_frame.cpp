#include "capture/captured_frame.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace nimbral {

namespace {
constexpr int kTile = 64; // the side of the squares changedTiles compares
}

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

std::vector<DirtyRect> changedTiles(const std::uint8_t* previous, const std::uint8_t* current,
                                    int width, int height, std::size_t maxRects) {
    std::vector<DirtyRect> rects;
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    for (int top = 0; top < height; top += kTile) {
        const int rows = std::min(kTile, height - top);
        int runStart = -1; // the first changed tile of the current run in this row of tiles
        // One step past the last tile closes a run that reaches the right edge.
        for (int left = 0; left < width + kTile; left += kTile) {
            bool changed = false;
            if (left < width) {
                const std::size_t bytes =
                    static_cast<std::size_t>(std::min(kTile, width - left)) * 4;
                for (int y = top; y < top + rows && !changed; ++y) {
                    const std::size_t at =
                        static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(left) * 4;
                    changed = std::memcmp(previous + at, current + at, bytes) != 0;
                }
            }
            if (changed && runStart < 0) {
                runStart = left;
            } else if (!changed && runStart >= 0) {
                if (rects.size() == maxRects) {
                    return {{0, 0, width, height}};
                }
                rects.push_back({runStart, top, std::min(left, width) - runStart, rows});
                runStart = -1;
            }
        }
    }
    return rects;
}

} // namespace nimbral
