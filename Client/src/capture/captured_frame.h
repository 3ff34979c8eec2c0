#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace nimbral {

struct DirtyRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const DirtyRect&) const = default;
};

class FrameBufferPool;

// One captured screen image: BGRA rows top to bottom, tightly packed (stride = width * 4).
struct CapturedFrame {
    CapturedFrame() = default;
    CapturedFrame(const CapturedFrame&) = default;
    CapturedFrame(CapturedFrame&&) = default;
    CapturedFrame& operator=(const CapturedFrame&) = default;
    CapturedFrame& operator=(CapturedFrame&&) = default;
    ~CapturedFrame(); // hands the pixels back to their pool, if it still exists

    std::vector<std::uint8_t> data;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t stride = 0;
    std::int64_t timestamp = 0; // monotonic clock, ms
    bool isKeyframe = false;
    std::vector<DirtyRect> dirtyRects;   // changed areas; empty when unknown
    std::weak_ptr<FrameBufferPool> pool; // where `data` goes when the frame is done with
};

// Pixel buffers of frames that are done with, kept for the next captures. A fresh buffer per
// frame (8 MB at 1080p) costs page faults and zeroing each time, which on a busy machine took
// 20-30 ms of a capture that otherwise takes 5. Thread-safe: frames die on any thread.
class FrameBufferPool : public std::enable_shared_from_this<FrameBufferPool> {
public:
    static constexpr std::size_t kKept = 3;

    // `size` bytes of stale content when a buffer of that size is at hand, else zeroed.
    std::vector<std::uint8_t> take(std::size_t size);
    // Gives the frame a buffer of `size` bytes from this pool and makes it come back here.
    void lend(CapturedFrame& frame, std::size_t size);
    void give(std::vector<std::uint8_t> buffer);
    std::size_t kept() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::vector<std::uint8_t>> m_free;
};

struct MonitorInfo {
    std::int32_t index = 0;
    std::string name; // UTF-8
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool isPrimary = false;
};

// One way of reading the screen. Used from one thread (the capture worker) after initialize.
class IScreenCaptureBackend {
public:
    virtual ~IScreenCaptureBackend() = default;
    virtual bool initialize(std::int32_t monitorIndex) = 0;
    virtual void shutdown() = 0;
    // Empty means "nothing changed" while still initialized, and "backend lost" when not.
    virtual std::unique_ptr<CapturedFrame> captureFrame() = 0;
    virtual std::vector<MonitorInfo> enumerateMonitors() = 0;
    virtual MonitorInfo currentMonitor() = 0;
    virtual bool isInitialized() const = 0;
};

// The most dirty rectangles a frame lists: a change needing more counts as the whole picture.
inline constexpr std::size_t kMaxDirtyRects = 64;
// The longest side of a picture any reader takes.
inline constexpr std::int32_t kMaxPictureSide = 16384;

// The tiles of `current` that differ from `previous` (two packed pictures of one size), merged
// along each row of tiles: empty when none does, the whole picture when more than `maxRects`
// would be needed. For compositors that say too little about what changed.
std::vector<DirtyRect> changedTiles(const std::uint8_t* previous, const std::uint8_t* current,
                                    int width, int height, std::size_t maxRects);

// Milliseconds of the monotonic clock, the time base of every captured frame.
std::int64_t monotonicMilliseconds();

} // namespace nimbral
