#include "session/connection_quality_monitor.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace nimbral {
namespace {

void recordFrames(ConnectionQualityMonitor& monitor, int frames) {
    for (int i = 0; i < frames; ++i) {
        monitor.recordFrame();
    }
}

// The link is rated by its round trip and the video it lost, never by the frame rate: a still
// screen sends nothing and is not a poor link.
TEST(ConnectionQualityMonitor, RatesByRoundTripAndLossWithExclusiveBounds) {
    using Level = QualityLevel;
    EXPECT_EQ(ConnectionQualityMonitor::rate(0, 0), Level::Good);
    EXPECT_EQ(ConnectionQualityMonitor::rate(99.9, 0), Level::Good);
    EXPECT_EQ(ConnectionQualityMonitor::rate(100, 0), Level::Fair);
    EXPECT_EQ(ConnectionQualityMonitor::rate(12, 1), Level::Fair);
    EXPECT_EQ(ConnectionQualityMonitor::rate(12, 3), Level::Poor);
    EXPECT_EQ(ConnectionQualityMonitor::rate(299.9, 2), Level::Fair);
    EXPECT_EQ(ConnectionQualityMonitor::rate(300, 0), Level::Poor);
}

TEST(ConnectionQualityMonitor, ATickTurnsCountersIntoASnapshotAndSignalsChangesOnly) {
    ConnectionQualityMonitor monitor;
    QSignalSpy updated(&monitor, &ConnectionQualityMonitor::statsUpdated);
    QSignalSpy changed(&monitor, &ConnectionQualityMonitor::qualityChanged);
    monitor.start();
    EXPECT_TRUE(monitor.isRunning());
    recordFrames(monitor, 9);
    monitor.recordBytesSent(1000);
    monitor.recordBytesReceived(124000);
    monitor.recordDroppedFrame();
    monitor.setLatency(12.5);
    monitor.onUpdateTick();
    ConnectionStats stats = monitor.stats();
    EXPECT_EQ(stats.fps, 9.0);
    EXPECT_DOUBLE_EQ(stats.bandwidthKbps, 1000.0);
    EXPECT_EQ(stats.totalBytesSent, 1000);
    EXPECT_EQ(stats.totalBytesReceived, 124000);
    EXPECT_EQ(stats.droppedFrames, 1);
    EXPECT_EQ(stats.latencyMs, 12.5);
    EXPECT_EQ(updated.count(), 1);
    ASSERT_EQ(changed.count(), 1) << "a lost frame";
    EXPECT_EQ(changed.at(0).at(0).value<QualityLevel>(), QualityLevel::Fair);

    // The next tick starts from zero per tick; totals run on. No frames at all is idle, and
    // with nothing lost the link is good again.
    monitor.recordBytesReceived(1000);
    monitor.onUpdateTick();
    stats = monitor.stats();
    EXPECT_EQ(stats.fps, 0.0);
    EXPECT_EQ(stats.droppedFrames, 1);
    EXPECT_DOUBLE_EQ(stats.bandwidthKbps, 8.0);
    EXPECT_EQ(stats.totalBytesReceived, 125000);
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed.at(1).at(0).value<QualityLevel>(), QualityLevel::Good);
    EXPECT_TRUE(monitor.summaryText().startsWith("FPS: idle |"))
        << monitor.summaryText().toStdString();
    monitor.setLatency(150);
    recordFrames(monitor, 6);
    monitor.onUpdateTick();
    EXPECT_EQ(monitor.qualityLevel(), QualityLevel::Fair) << "a slow round trip";
    EXPECT_EQ(updated.count(), 3);

    // Stopping clears the figures, not the rating.
    monitor.stop();
    EXPECT_FALSE(monitor.isRunning());
    EXPECT_EQ(monitor.stats().totalBytesReceived, 0);
    EXPECT_EQ(monitor.qualityLevel(), QualityLevel::Fair);
}

TEST(ConnectionQualityMonitor, TheSummaryLineRoundsAndPadsAsShown) {
    ConnectionStats stats;
    stats.fps = 23.6;
    stats.latencyMs = 12.4;
    stats.bandwidthKbps = 1500;
    stats.uptimeSeconds = 3725;
    EXPECT_EQ(ConnectionQualityMonitor::formatSummary(stats),
              "FPS: 24 | Latency: 12ms | BW: 1.5 Mbps | Uptime: 01:02:05");
    stats.bandwidthKbps = 999.6;
    stats.uptimeSeconds = 100 * 3600;
    EXPECT_EQ(ConnectionQualityMonitor::formatSummary(stats),
              "FPS: 24 | Latency: 12ms | BW: 1000 kbps | Uptime: 100:00:00");
    ConnectionQualityMonitor monitor;
    EXPECT_EQ(monitor.summaryText(), "FPS: idle | Latency: 0ms | BW: 0 kbps | Uptime: 00:00:00");
}

} // namespace
} // namespace nimbral
