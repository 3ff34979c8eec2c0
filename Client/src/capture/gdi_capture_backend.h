#pragma once

#include <memory>
#include <string>
#include <vector>

#include "capture/captured_frame.h"

namespace nimbral {

// The fallback reader on Windows: a GDI copy of the whole monitor every call, into one DIB
// section made at initialize. Works inside remote desktop sessions, where desktop duplication
// does not; full frames only, never a key frame, no changed areas.
class GdiCaptureBackend final : public IScreenCaptureBackend {
public:
    GdiCaptureBackend();
    ~GdiCaptureBackend() override;
    GdiCaptureBackend(const GdiCaptureBackend&) = delete;
    GdiCaptureBackend& operator=(const GdiCaptureBackend&) = delete;

    bool initialize(std::int32_t monitorIndex) override;
    void shutdown() override;
    std::unique_ptr<CapturedFrame> captureFrame() override;
    std::vector<MonitorInfo> enumerateMonitors() override;
    MonitorInfo currentMonitor() override;
    bool isInitialized() const override { return m_initialized; }

private:
    struct GdiObjects; // the device contexts and the DIB section, kept out of this header
    std::unique_ptr<GdiObjects> m_gdi;
    MonitorInfo m_monitor;
    bool m_initialized = false;
    std::shared_ptr<FrameBufferPool> m_buffers = std::make_shared<FrameBufferPool>();
};

// Every monitor as EnumDisplayMonitors reports them, in its order; usable without a backend.
std::vector<MonitorInfo> enumerateGdiMonitors();

} // namespace nimbral
