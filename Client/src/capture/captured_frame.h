#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QMetaType>

namespace nimbral {

struct DirtyRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const DirtyRect&) const = default;
};

// One captured screen image: BGRA rows top to bottom, tightly packed (stride = width * 4).
struct CapturedFrame {
    std::vector<std::uint8_t> data;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t stride = 0;
    std::int64_t timestamp = 0; // monotonic clock, ms
    bool isKeyframe = false;
    std::vector<DirtyRect> dirtyRects; // changed areas; empty when unknown
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

// Milliseconds of the monotonic clock, the time base of every captured frame.
std::int64_t monotonicMilliseconds();

} // namespace nimbral

Q_DECLARE_METATYPE(std::shared_ptr<nimbral::CapturedFrame>)
