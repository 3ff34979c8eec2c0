#pragma once

#include <chrono>
#include <memory>

#include "capture/captured_frame.h"

namespace nimbral {

namespace platform {
class MutterRemoteDesktop;
}
class PipeWireFrames;

// Reads a GNOME (Mutter) Wayland desktop: a remote-desktop session records the monitor, and its
// pictures arrive through PipeWire, only when something changed, with the changed areas as dirty
// rectangles and the pointer drawn in. The same session carries the Master's input (see
// MutterInputBackend). Lost when GNOME closes the session or the stream ends.
class MutterCaptureBackend final : public IScreenCaptureBackend {
public:
    static constexpr int kFrameWaitMs = 100;
    // How long GNOME may take to announce the stream before the capture counts as lost.
    static constexpr std::chrono::seconds kStreamAnnounceTimeout{5};

    MutterCaptureBackend();
    ~MutterCaptureBackend() override;
    bool initialize(std::int32_t monitorIndex) override;
    void shutdown() override;
    std::unique_ptr<CapturedFrame> captureFrame() override;
    std::vector<MonitorInfo> enumerateMonitors() override;
    MonitorInfo currentMonitor() override { return m_monitor; }
    bool isInitialized() const override { return m_initialized; }

private:
    bool openStream();

    std::shared_ptr<platform::MutterRemoteDesktop> m_session;
    std::unique_ptr<PipeWireFrames> m_frames;
    MonitorInfo m_monitor;
    std::chrono::steady_clock::time_point m_startedAt;
    bool m_initialized = false;
};

} // namespace nimbral
