#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

// A private Xvfb for one test suite, on a free display number, made the process's DISPLAY so
// the code under test connects to it and never to the developer's own screen.
class XvfbServer {
public:
    bool start(int width, int height) {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty()) {
            return false;
        }
        // Xvfb picks a free display itself and tells its number on stdout: no race with
        // other test processes starting their own servers at the same moment.
        m_process.start("Xvfb", {"-displayfd", "1", "-screen", "0",
                                 QStringLiteral("%1x%2x24").arg(width).arg(height), "-br",
                                 "-nolisten", "tcp", "+extension", "RANDR"});
        QByteArray output;
        const bool told = QTest::qWaitFor(
            [&] {
                output += m_process.readAllStandardOutput();
                return output.contains('\n') || m_process.state() == QProcess::NotRunning;
            },
            10000);
        bool ok = false;
        const int number = output.trimmed().toInt(&ok);
        if (told && ok && m_process.state() == QProcess::Running) {
            m_previousDisplay = qgetenv("DISPLAY");
            qputenv("DISPLAY", QStringLiteral(":%1").arg(number).toLatin1());
            return true;
        }
        m_process.kill();
        m_process.waitForFinished();
        return false;
    }

    ~XvfbServer() {
        if (m_process.state() == QProcess::Running) {
            m_process.terminate();
            m_process.waitForFinished(5000);
            qputenv("DISPLAY", m_previousDisplay);
        }
    }

    qint64 processId() const { return m_process.processId(); }

private:
    QProcess m_process;
    QByteArray m_previousDisplay;
};

// A test suite sharing one private Xvfb of the given size; its tests skip where there is none.
template <int Width, int Height> class XvfbTest : public ::testing::Test {
protected:
    static constexpr int kWidth = Width;
    static constexpr int kHeight = Height;

    static void SetUpTestSuite() {
        s_server = new XvfbServer;
        if (!s_server->start(Width, Height)) {
            delete s_server;
            s_server = nullptr;
        }
    }
    static void TearDownTestSuite() {
        delete s_server;
        s_server = nullptr;
    }
    static bool hasDisplay() { return s_server != nullptr; }

private:
    static inline XvfbServer* s_server = nullptr;
};
