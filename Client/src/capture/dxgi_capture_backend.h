#pragma once

#include <memory>
#include <string>
#include <vector>

#include "capture/captured_frame.h"

namespace nimbral {

// The primary reader on Windows: Direct3D 11 desktop duplication of one monitor. Waits up to
// 100 ms for a change, copies the image through a CPU-readable staging texture, reports the moved
// and dirty areas, draws the pointer, and repairs a lost duplication itself up to five times in a
// row before it gives up and leaves the capture manager to start it again.
class DxgiCaptureBackend final : public IScreenCaptureBackend {
public:
    static constexpr std::int32_t kMaxReinitAttempts = 5;
    static constexpr unsigned kAcquireTimeoutMs = 100;

    DxgiCaptureBackend();
    ~DxgiCaptureBackend() override;
    DxgiCaptureBackend(const DxgiCaptureBackend&) = delete;
    DxgiCaptureBackend& operator=(const DxgiCaptureBackend&) = delete;

    bool initialize(std::int32_t monitorIndex) override;
    void shutdown() override;
    std::unique_ptr<CapturedFrame> captureFrame() override;
    std::vector<MonitorInfo> enumerateMonitors() override;
    MonitorInfo currentMonitor() override;
    bool isInitialized() const override { return m_initialized; }

private:
    struct Direct3D; // the COM objects, kept out of this header
    bool createDuplication();
    bool reinitialize();
    void releaseDuplication();

    std::unique_ptr<Direct3D> m_d3d;
    std::int32_t m_monitorIndex = 0;
    bool m_initialized = false;
    std::int32_t m_reinitAttempts = 0;
    bool m_firstFrame = true;
    std::shared_ptr<FrameBufferPool> m_buffers = std::make_shared<FrameBufferPool>();
};

// The frame a duplicated picture becomes: `height` rows of `width` BGRA pixels, `rowPitch` bytes
// apart in the mapped texture, with the rectangles the duplication reported. Only the first
// picture of a duplication must stand alone: a frame without rectangles (a pointer move) is a
// small change to what the encoder holds, not a key frame.
std::unique_ptr<CapturedFrame> duplicatedFrame(const std::uint8_t* rows, std::size_t rowPitch,
                                               std::int32_t width, std::int32_t height,
                                               std::vector<DirtyRect> changed, bool first,
                                               FrameBufferPool& pool);

// Every output of every adapter, in the factory's order; usable without a backend.
std::vector<MonitorInfo> enumerateDxgiMonitors();

} // namespace nimbral
