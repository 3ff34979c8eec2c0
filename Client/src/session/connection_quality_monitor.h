#pragma once

#include <cstdint>
#include <mutex>

#include <QElapsedTimer>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QTimer>

namespace nimbral {

struct ConnectionStats {
    double fps = 0.0;           // frames recorded during the last tick
    double latencyMs = 0.0;     // the latest latency sample
    double bandwidthKbps = 0.0; // bytes both ways during the last tick, in kbit/s
    std::int64_t totalBytesSent = 0;
    std::int64_t totalBytesReceived = 0;
    std::int64_t droppedFrames = 0; // all session long
    std::int64_t droppedThisTick = 0;
    std::int64_t uptimeSeconds = 0;
};

enum class QualityLevel { Good = 0, Fair = 1, Poor = 2 };

// Turns the session's counters into a snapshot once a second and rates the connection by what
// the link does: its round trip and the video it lost. Not by the frame rate: a still screen
// sends no frames, and an idle session is not a poor one. The record operations may be called from
// any thread; the timer, the signals and the logging run on the thread that owns the monitor (the
// main thread).
class ConnectionQualityMonitor : public QObject {
    Q_OBJECT

public:
    static constexpr int kTickMs = 1000;

    explicit ConnectionQualityMonitor(QObject* parent = nullptr);

    void start();
    void stop();
    bool isRunning() const { return m_timer.isActive(); }

    void recordFrame();
    void recordBytesSent(std::int64_t bytes);
    void recordBytesReceived(std::int64_t bytes);
    void recordDroppedFrame();
    void setLatency(double milliseconds);

    ConnectionStats stats() const;
    QualityLevel qualityLevel() const;
    // "FPS: 24 | Latency: 12ms | BW: 1.5 Mbps | Uptime: 01:02:05"
    QString summaryText() const;

    static QualityLevel rate(double latencyMs, std::int64_t framesLost);
    // "FPS: 24 | Latency: 12ms | BW: 1.5 Mbps | Uptime: 01:02:05"; "FPS: idle" for none.
    static QString formatSummary(const ConnectionStats& stats);

signals:
    void statsUpdated(const nimbral::ConnectionStats& stats);
    void qualityChanged(nimbral::QualityLevel level);

public slots:
    void onUpdateTick();

private:
    void resetCounters();

    mutable std::mutex m_mutex;
    std::int64_t m_tickFrames = 0;
    std::int64_t m_tickBytesSent = 0;
    std::int64_t m_tickBytesReceived = 0;
    std::int64_t m_totalBytesSent = 0;
    std::int64_t m_totalBytesReceived = 0;
    std::int64_t m_droppedFrames = 0;
    std::int64_t m_tickDropped = 0;
    double m_latencyMs = 0.0;
    ConnectionStats m_snapshot;
    QualityLevel m_level = QualityLevel::Good;
    QTimer m_timer;
    QElapsedTimer m_clock;
};

} // namespace nimbral

Q_DECLARE_METATYPE(nimbral::ConnectionStats)
Q_DECLARE_METATYPE(nimbral::QualityLevel)
