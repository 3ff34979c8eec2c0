#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdint>

#include "capture/captured_frame.h"

// Drives the probe window (wayland_probe.cpp) on the test's Wayland desktop: tells it what to
// paint and waits for the lines it writes about what reached it.
class WaylandProbe {
public:
    ~WaylandProbe() {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    // Fills the screen with `colour` (#rrggbb); true once the window is shown.
    bool start(const QString& colour) {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Under the sanitizers the probe is built with them too; what Qt's Wayland plugin keeps
        // until exit is not ours to report.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        m_process.setProcessEnvironment(environment);
        m_process.start(QStringLiteral(WAYLAND_PROBE_PATH), {colour});
        return waitFor("shown ");
    }

    void tell(const QString& line) {
        m_process.write((line + '\n').toUtf8());
        m_process.waitForBytesWritten(1000);
    }

    // Waits for a line that starts with a match of `pattern` (a regular expression), dropping
    // the lines before it; false, with what did come, when none does in time.
    enum Report { Loud, Quiet };
    bool waitFor(const QString& pattern, int timeoutMs = 10000, Report report = Loud) {
        const QRegularExpression prefix(QStringLiteral("^(?:%1)").arg(pattern));
        const bool found = QTest::qWaitFor(
            [&] {
                while (m_process.canReadLine()) {
                    const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
                    m_seen << line;
                    if (prefix.match(line).hasMatch()) {
                        return true;
                    }
                }
                return m_process.state() == QProcess::NotRunning;
            },
            timeoutMs);
        const bool matched = found && !m_seen.isEmpty() && prefix.match(m_seen.last()).hasMatch();
        if (!matched && report == Loud) {
            ADD_FAILURE() << "the probe never said \"" << pattern.toStdString()
                          << "\"; it said: " << m_seen.join(" | ").toStdString();
        }
        m_seen.clear();
        return matched;
    }

private:
    QProcess m_process;
    QStringList m_seen;
};

// The 0xRRGGBB colour of a BGRA frame's pixel.
inline std::uint32_t pixelAt(const nimbral::CapturedFrame& frame, int x, int y) {
    const std::uint8_t* pixel =
        frame.data.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.stride) +
        static_cast<std::size_t>(x) * 4;
    return (std::uint32_t{pixel[2]} << 16) | (std::uint32_t{pixel[1]} << 8) | pixel[0];
}
