#include "capture/mutter_capture_backend.h"

#include <spdlog/spdlog.h>

#include <thread>

#include "capture/pipewire_frames.h"
#include "platform/mutter_remote_desktop.h"

namespace nimbral {

MutterCaptureBackend::MutterCaptureBackend() = default;

MutterCaptureBackend::~MutterCaptureBackend() {
    shutdown();
}

namespace {

std::vector<MonitorInfo> monitorInfos(const std::vector<platform::MutterMonitor>& monitors) {
    std::vector<MonitorInfo> infos;
    for (const platform::MutterMonitor& monitor : monitors) {
        MonitorInfo info;
        info.index = static_cast<std::int32_t>(infos.size());
        info.name = monitor.connector;
        info.x = monitor.x;
        info.y = monitor.y;
        info.width = monitor.width;
        info.height = monitor.height;
        info.isPrimary = monitor.primary;
        infos.push_back(std::move(info));
    }
    return infos;
}

} // namespace

std::vector<MonitorInfo> MutterCaptureBackend::enumerateMonitors() {
    return monitorInfos(platform::MutterRemoteDesktop::monitors());
}

bool MutterCaptureBackend::initialize(std::int32_t monitorIndex) {
    shutdown();
    m_monitor.index = monitorIndex;
    const std::vector<platform::MutterMonitor> monitors = platform::MutterRemoteDesktop::monitors();
    if (monitorIndex < 0 || monitorIndex >= static_cast<int>(monitors.size())) {
        spdlog::error("MutterCaptureBackend: no monitor {} (GNOME lists {})", monitorIndex,
                      monitors.size());
        return false;
    }
    const auto index = static_cast<std::size_t>(monitorIndex);
    m_monitor = monitorInfos(monitors)[index];
    QString error;
    m_session = platform::MutterRemoteDesktop::start(monitors[index], &error);
    if (!m_session) {
        spdlog::error("MutterCaptureBackend: GNOME refused to record monitor {}: {}",
                      m_monitor.name, error.toStdString());
        return false;
    }
    m_startedAt = std::chrono::steady_clock::now();
    m_initialized = true;
    spdlog::info("MutterCaptureBackend: initialized on monitor {} ({}, {}x{})", monitorIndex,
                 m_monitor.name, m_monitor.width, m_monitor.height);
    return true;
}

void MutterCaptureBackend::shutdown() {
    m_frames.reset();
    m_session.reset();
    m_initialized = false;
}

// The stream is announced a moment after the session starts; until then nothing is captured.
bool MutterCaptureBackend::openStream() {
    const std::optional<std::uint32_t> node = m_session->pipeWireNode();
    if (!node) {
        if (std::chrono::steady_clock::now() - m_startedAt > kStreamAnnounceTimeout) {
            spdlog::error("MutterCaptureBackend: GNOME never announced the screen stream");
            shutdown();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return false;
    }
    m_frames = std::make_unique<PipeWireFrames>();
    if (!m_frames->open(*node)) {
        shutdown();
        return false;
    }
    return true;
}

std::unique_ptr<CapturedFrame> MutterCaptureBackend::captureFrame() {
    if (!m_initialized) {
        return nullptr;
    }
    if (!m_session->isOpen()) {
        spdlog::warn("MutterCaptureBackend: GNOME ended the screen cast");
        shutdown();
        return nullptr;
    }
    if (!m_frames && !openStream()) {
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
