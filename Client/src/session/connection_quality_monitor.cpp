#include "session/connection_quality_monitor.h"

#include <cmath>
#include <utility>

#include <spdlog/spdlog.h>

namespace nimbral {

ConnectionQualityMonitor::ConnectionQualityMonitor(QObject* parent)
    : QObject(parent) {
    qRegisterMetaType<ConnectionStats>("nimbral::ConnectionStats");
    qRegisterMetaType<QualityLevel>("nimbral::QualityLevel");
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &ConnectionQualityMonitor::onUpdateTick);
}

void ConnectionQualityMonitor::resetCounters() {
    const std::lock_guard lock(m_mutex);
    m_tickFrames = 0;
    m_tickBytesSent = 0;
    m_tickBytesReceived = 0;
    m_totalBytesSent = 0;
    m_totalBytesReceived = 0;
    m_droppedFrames = 0;
    m_tickDropped = 0;
    m_latencyMs = 0.0;
    m_snapshot = ConnectionStats{};
}

void ConnectionQualityMonitor::start() {
    spdlog::info("Connection quality monitor started");
    resetCounters();
    m_clock.start();
    m_timer.start();
}

void ConnectionQualityMonitor::stop() {
    m_timer.stop();
    resetCounters();
    m_clock.invalidate(); // no uptime between sessions; the next one counts from zero
    spdlog::info("Connection quality monitor stopped");
}

void ConnectionQualityMonitor::recordFrame() {
    const std::lock_guard lock(m_mutex);
    ++m_tickFrames;
}

void ConnectionQualityMonitor::recordBytesSent(std::int64_t bytes) {
    const std::lock_guard lock(m_mutex);
    m_tickBytesSent += bytes;
    m_totalBytesSent += bytes;
}

void ConnectionQualityMonitor::recordBytesReceived(std::int64_t bytes) {
    const std::lock_guard lock(m_mutex);
    m_tickBytesReceived += bytes;
    m_totalBytesReceived += bytes;
}

void ConnectionQualityMonitor::recordDroppedFrame() {
    const std::lock_guard lock(m_mutex);
    ++m_droppedFrames;
    ++m_tickDropped;
}

void ConnectionQualityMonitor::setLatency(double milliseconds) {
    const std::lock_guard lock(m_mutex);
    m_latencyMs = milliseconds;
}

ConnectionStats ConnectionQualityMonitor::stats() const {
    const std::lock_guard lock(m_mutex);
    return m_snapshot;
}

QualityLevel ConnectionQualityMonitor::qualityLevel() const {
    const std::lock_guard lock(m_mutex);
    return m_level;
}

QualityLevel ConnectionQualityMonitor::rate(double latencyMs, std::int64_t framesLost) {
    if (latencyMs >= 300 || framesLost >= 3) {
        return QualityLevel::Poor;
    }
    if (latencyMs >= 100 || framesLost > 0) {
        return QualityLevel::Fair;
    }
    return QualityLevel::Good;
}

void ConnectionQualityMonitor::onUpdateTick() {
    ConnectionStats snapshot;
    {
        const std::lock_guard lock(m_mutex);
        snapshot.fps = static_cast<double>(m_tickFrames);
        snapshot.bandwidthKbps =
            static_cast<double>(m_tickBytesSent + m_tickBytesReceived) * 8.0 / 1000.0;
        m_tickFrames = 0;
        m_tickBytesSent = 0;
        m_tickBytesReceived = 0;
        snapshot.latencyMs = m_latencyMs;
        snapshot.totalBytesSent = m_totalBytesSent;
        snapshot.totalBytesReceived = m_totalBytesReceived;
        snapshot.droppedFrames = m_droppedFrames;
        snapshot.droppedThisTick = std::exchange(m_tickDropped, 0);
        snapshot.uptimeSeconds = m_clock.isValid() ? m_clock.elapsed() / 1000 : 0;
        m_snapshot = snapshot;
    }
    spdlog::trace("Connection stats: FPS={:.0f}, latency={:.1f}ms, bw={:.1f}kbps", snapshot.fps,
                  snapshot.latencyMs, snapshot.bandwidthKbps);
    const QualityLevel level = rate(snapshot.latencyMs, snapshot.droppedThisTick);
    bool changed = false;
    {
        const std::lock_guard lock(m_mutex);
        changed = level != m_level;
        m_level = level;
    }
    if (changed) {
        emit qualityChanged(level);
    }
    emit statsUpdated(snapshot);
}

QString ConnectionQualityMonitor::formatSummary(const ConnectionStats& stats) {
    const QString bandwidth =
        stats.bandwidthKbps >= 1000
            ? QStringLiteral("%1 Mbps").arg(stats.bandwidthKbps / 1000.0, 0, 'f', 1)
            : QStringLiteral("%1 kbps").arg(stats.bandwidthKbps, 0, 'f', 0);
    const std::int64_t uptime = stats.uptimeSeconds;
    const QString clock = QStringLiteral("%1:%2:%3")
                              .arg(uptime / 3600, 2, 10, QLatin1Char('0'))
                              .arg((uptime / 60) % 60, 2, 10, QLatin1Char('0'))
                              .arg(uptime % 60, 2, 10, QLatin1Char('0'));
    const QString fps =
        stats.fps > 0 ? QString::number(std::llround(stats.fps)) : QStringLiteral("idle");
    return QStringLiteral("FPS: %1 | Latency: %2ms | BW: %3 | Uptime: %4")
        .arg(fps)
        .arg(std::llround(stats.latencyMs))
        .arg(bandwidth, clock);
}

QString ConnectionQualityMonitor::summaryText() const {
    return formatSummary(stats());
}

} // namespace nimbral
