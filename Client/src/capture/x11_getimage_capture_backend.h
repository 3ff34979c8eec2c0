#pragma once

#include "capture/captured_frame.h"
#include "capture/x11_display.h"

namespace nimbral {

// The fallback reader: a plain XGetImage of the monitor's area every call. Full frames only:
// never a key frame, no changed areas; works wherever an X server does.
class X11GetImageCaptureBackend final : public IScreenCaptureBackend {
public:
    ~X11GetImageCaptureBackend() override;
    bool initialize(std::int32_t monitorIndex) override;
    void shutdown() override;
    std::unique_ptr<CapturedFrame> captureFrame() override;
    std::vector<MonitorInfo> enumerateMonitors() override;
    MonitorInfo currentMonitor() override { return m_monitor; }
    bool isInitialized() const override { return m_initialized; }

private:
    x11::DisplayPtr m_display;
    MonitorInfo m_monitor;
    bool m_initialized = false;
    std::shared_ptr<FrameBufferPool> m_buffers = std::make_shared<FrameBufferPool>();
};

} // namespace nimbral
