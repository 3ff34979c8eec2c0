#include "capture/portal_capture_backend.h"

#include <spdlog/spdlog.h>

#include <thread>

#include "capture/pipewire_frames.h"
#include "capture/wlroots_capture_backend.h"
#include "platform/portal_remote_desktop.h"
#include "platform/wlroots_connection.h"

namespace nimbral {

PortalCaptureBackend::PortalCaptureBackend() = default;

PortalCaptureBackend::~PortalCaptureBackend() {
    shutdown();
}

std::vector<MonitorInfo> PortalCaptureBackend::enumerateMonitors() {
    return waylandMonitors(platform::WlrootsConnection::listOutputs());
}

bool PortalCaptureBackend::initialize(std::int32_t monitorIndex) {
    shutdown();
    std::string why;
    const std::vector<MonitorInfo> monitors =
        waylandMonitors(platform::WlrootsConnection::listOutputs(&why));
    if (monitorIndex < 0 || monitorIndex >= static_cast<int>(monitors.size())) {
        spdlog::error("PortalCaptureBackend: no monitor {} (the compositor lists {}) {}",
                      monitorIndex, monitors.size(), why);
        return false;
    }
    m_monitor = monitors[static_cast<std::size_t>(monitorIndex)];
    m_session = platform::PortalRemoteDesktop::start();
    m_startedAt = std::chrono::steady_clock::now();
    m_initialized = true;
    spdlog::info("PortalCaptureBackend: asked the desktop portal for a monitor");
    return true;
}

void PortalCaptureBackend::shutdown() {
    m_frames.reset();
    m_session.reset();
    m_initialized = false;
}

// The portal answers once the user did (or a kept permission did for them); until then nothing
// is captured. The monitor shown is the one the portal chose.
bool PortalCaptureBackend::openStream() {
    const auto state = m_session->state();
    if (state == platform::PortalRemoteDesktop::State::Starting) {
        if (std::chrono::steady_clock::now() - m_startedAt > kAnswerTimeout) {
            spdlog::error("PortalCaptureBackend: the desktop portal did not answer in time");
            shutdown();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return false;
    }
    const std::optional<platform::PortalStream> stream = m_session->stream();
    if (state == platform::PortalRemoteDesktop::State::Failed || !stream) {
        spdlog::error("PortalCaptureBackend: {}", m_session->failure().toStdString());
        shutdown();
        return false;
    }
    for (const MonitorInfo& monitor : enumerateMonitors()) {
        if (monitor.x == stream->x && monitor.y == stream->y &&
            (stream->width == 0 || monitor.width == stream->width)) {
            m_monitor = monitor;
        }
    }
    m_frames = std::make_unique<PipeWireFrames>();
    const int remote = m_session->openPipeWireRemote();
    if (remote < 0 || !m_frames->open(stream->node, remote)) {
        shutdown();
        return false;
    }
    spdlog::info("PortalCaptureBackend: recording {} through the desktop portal", m_monitor.name);
    return true;
}

std::unique_ptr<CapturedFrame> PortalCaptureBackend::captureFrame() {
    if (!m_initialized) {
        return nullptr;
    }
    if (!m_frames && !openStream()) {
        return nullptr;
    }
    if (m_session->state() == platform::PortalRemoteDesktop::State::Failed) {
        spdlog::warn("PortalCaptureBackend: {}", m_session->failure().toStdString());
        shutdown();
        return nullptr;
    }
    bool lost = false;
    std::unique_ptr<CapturedFrame> frame =
        takeSessionFrame(*m_frames, *m_session, m_monitor, kFrameWaitMs, lost);
    if (lost) {
        shutdown();
    }
    return frame;
}

} // namespace nimbral
