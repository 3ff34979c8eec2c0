#pragma once

#include <chrono>
#include <memory>

#include "capture/captured_frame.h"

namespace nimbral {

namespace platform {
class PortalRemoteDesktop;
}
class PipeWireFrames;

// Reads a Wayland desktop through the desktop portal (KDE and others): the portal's session
// records the monitor the user (or a kept permission) chose, and its pictures arrive through
// PipeWire on the remote the portal opens for this session. Monitors are listed as the
// compositor's outputs; the one recorded is the portal's choice, named after the output it
// matches. The same session carries the Master's input when the portal granted it. Lost when the
// user declines, the portal closes the session, or the stream ends.
class PortalCaptureBackend final : public IScreenCaptureBackend {
public:
    static constexpr int kFrameWaitMs = 100;
    // How long the user has to answer the portal's question before the capture counts as lost.
    static constexpr std::chrono::seconds kAnswerTimeout{60};

    PortalCaptureBackend();
    ~PortalCaptureBackend() override;
    bool initialize(std::int32_t monitorIndex) override;
    void shutdown() override;
    std::unique_ptr<CapturedFrame> captureFrame() override;
    std::vector<MonitorInfo> enumerateMonitors() override;
    MonitorInfo currentMonitor() override { return m_monitor; }
    bool isInitialized() const override { return m_initialized; }

private:
    bool openStream();

    std::shared_ptr<platform::PortalRemoteDesktop> m_session;
    std::unique_ptr<PipeWireFrames> m_frames;
    MonitorInfo m_monitor;
    std::chrono::steady_clock::time_point m_startedAt;
    bool m_initialized = false;
};

} // namespace nimbral
