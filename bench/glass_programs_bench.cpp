// Glass to glass through the programs a user runs, beside TigerVNC on the same pair of screens:
// a NimbralClient Target on one private 1920x1080 Xvfb, a NimbralClient Master connected to it
// through a real NimbralServer on another, then TigerVNC's scraping server on the Target's screen
// and its viewer on the Master's. For each pair: the time from a change on the Target's screen
// (a 64x64 square, then the whole screen) to the pixel that shows it on the Master's screen, the
// CPU of the viewer and of the sharing side while a page scrolls, and both programs' peak
// resident memory. The picture is found on the Master's screen by where the square shows, so
// the viewer may place and scale its window as it likes.

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include "bench_stats.h"
#include "process_sample.h"
#include "server_harness.h"

// Xlib's macros (None, Bool) would break the Qt headers above.
#include "x11_screen_watch.h"
#include "x11_target_screen.h"

namespace {

using namespace nimbral::bench;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kChanges = 20;
constexpr char kPassword[] = "Bench-Pass1";

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The green channel of every pixel of a screen, row by row; empty when it cannot be read.
std::vector<std::uint8_t> screenGreens(const std::string& displayName) {
    std::vector<std::uint8_t> greens;
    Display* display = XOpenDisplay(displayName.c_str());
    if (display == nullptr) {
        return greens;
    }
    XImage* image =
        XGetImage(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    if (image != nullptr) {
        greens.reserve(static_cast<std::size_t>(kWidth) * kHeight);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                greens.push_back(static_cast<std::uint8_t>((XGetPixel(image, x, y) >> 8) & 0xFF));
            }
        }
        XDestroyImage(image);
    }
    XCloseDisplay(display);
    return greens;
}

struct Point {
    int x;
    int y;
};

// Where the Target's square shows on the Master's screen: the middle of the pixels that turn
// from black to white when only the square does. Tried until the picture shows.
std::optional<Point> locateSquare(const std::string& masterDisplay, TargetScreen& screen,
                                  int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        screen.raise();
        screen.fill(false);
        QTest::qWait(700);
        const auto black = screenGreens(masterDisplay);
        screen.probe(true);
        QTest::qWait(700);
        const auto white = screenGreens(masterDisplay);
        if (black.empty() || white.size() != black.size()) {
            return std::nullopt;
        }
        int left = kWidth;
        int top = kHeight;
        int right = -1;
        int bottom = -1;
        for (std::size_t i = 0; i < white.size(); ++i) {
            if (black[i] < 64 && white[i] > 192) {
                const int x = static_cast<int>(i % kWidth);
                const int y = static_cast<int>(i / kWidth);
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
        // Only the square, shown at most a little larger or smaller: not a window that was
        // still coming up.
        const int width = right - left + 1;
        const int height = bottom - top + 1;
        if (right >= 0 && width >= 16 && height >= 16 && width <= 128 && height <= 128) {
            screen.probe(false);
            return Point{(left + right) / 2, (top + bottom) / 2};
        }
    }
    return std::nullopt;
}

// A program of a pair, started on one of the screens, stopped with the pair.
class Program {
public:
    Program(const QString& program, const QStringList& arguments, const std::string& display) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(display));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.start(program, arguments);
        m_process.waitForStarted(5000);
    }
    ~Program() {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    bool running() const { return m_process.state() == QProcess::Running; }
    qint64 pid() const { return m_process.processId(); }

private:
    QProcess m_process;
};

// A sharing side and a viewer; `problem` says why they are not both up.
struct Pair {
    std::string name;
    std::unique_ptr<Program> sharing;
    std::unique_ptr<Program> viewer;
    std::string problem;
    std::unique_ptr<QTemporaryDir> folder;
    QString masterLog; // where the Master tells the link it took
};

bool waitForLine(const QString& path, const QString& text, int timeoutMs) {
    return QTest::qWaitFor(
        [&] {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) && file.readAll().contains(text.toUtf8());
        },
        timeoutMs);
}

Pair startNimbral(const nimbral::test::ServerProcess& server, const std::string& targetDisplay,
                  const std::string& masterDisplay, bool quality) {
    Pair pair;
    pair.name = quality ? "Nimbral, quality mode" : "Nimbral, speed mode";
    pair.folder = std::make_unique<QTemporaryDir>();
    const QString folder = pair.folder->path();
    const QString passwordFile = folder + "/session.pw";
    QFile password(passwordFile);
    if (!password.open(QIODevice::WriteOnly) || password.write(kPassword) < 0) {
        pair.problem = "the password file could not be written";
        return pair;
    }
    password.close();
    // Speed or quality is the Target's choice.
    QDir().mkpath(folder + "/target");
    QFile settings(folder + "/target/settings.ini");
    if (settings.open(QIODevice::WriteOnly)) {
        settings.write(quality ? "[display]\nmode=0\n" : "[display]\nmode=1\n");
        settings.close(); // on disk before the Target reads it
    }
    const QStringList common{"--server", server.baseUrl(), "--log-level", "info"};
    pair.sharing =
        std::make_unique<Program>(NIMBRAL_CLIENT_PROGRAM,
                                  common + QStringList{"--profile", folder + "/target",
                                                       "--session-password-file", passwordFile},
                                  targetDisplay);
    const QString targetLog = folder + "/target/NimbralClient.log";
    if (!waitForLine(targetLog, "Signaling auth confirmed", 20000)) {
        pair.problem = "the Target did not come online";
        return pair;
    }
    QFile log(targetLog);
    log.open(QIODevice::ReadOnly);
    const auto id =
        QRegularExpression("Client ID: ([0-9]+)").match(QString::fromUtf8(log.readAll()));
    if (!id.hasMatch()) {
        pair.problem = "the Target's log names no client ID";
        return pair;
    }
    pair.masterLog = folder + "/master/NimbralClient.log";
    pair.viewer = std::make_unique<Program>(NIMBRAL_CLIENT_PROGRAM,
                                            common + QStringList{"--profile", folder + "/master",
                                                                 "--connect", id.captured(1),
                                                                 "--password-file", passwordFile},
                                            masterDisplay);
    return pair;
}

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

Pair startTigerVnc(const std::string& targetDisplay, const std::string& masterDisplay) {
    Pair pair;
    pair.name = "TigerVNC (scraping server + viewer)";
    const quint16 port = freePort();
    pair.sharing = std::make_unique<Program>(
        QStringLiteral("X0tigervnc"),
        QStringList{"-display", QString::fromStdString(targetDisplay), "-rfbport",
                    QString::number(port), "-localhost=1", "-SecurityTypes", "None"},
        targetDisplay);
    const bool listening = QTest::qWaitFor(
        [port] {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port);
            return socket.waitForConnected(200);
        },
        10000);
    if (!pair.sharing->running() || !listening) {
        pair.problem = "X0tigervnc did not start (tigervnc-scraping-server)";
        return pair;
    }
    pair.viewer = std::make_unique<Program>(
        QStringLiteral("xtigervncviewer"),
        QStringList{"-SecurityTypes", "None", QStringLiteral("127.0.0.1::%1").arg(port)},
        masterDisplay);
    if (!pair.viewer->running()) {
        pair.problem = "xtigervncviewer did not start (tigervnc-viewer)";
    }
    return pair;
}

// Flips the square or the whole screen kChanges times and notes when the Master's screen shows
// each flip.
std::vector<double> measureChanges(TargetScreen& screen, PixelWatcher& watcher, bool fullScreen) {
    std::vector<double> drawn;
    bool white = false;
    for (int i = 0; i < kChanges; ++i) {
        QTest::qWait(150 + (i * 37) % 150); // let the screen settle
        white = !white;
        const Clock::time_point changed = Clock::now();
        fullScreen ? screen.fill(white) : screen.probe(white);
        const auto shownAt = [&] {
            return watcher.turned(white, changed);
        };
        if (QTest::qWaitFor([&] { return shownAt().has_value(); }, 3000)) {
            drawn.push_back(msBetween(changed, *shownAt()));
        }
    }
    if (white) {
        fullScreen ? screen.fill(false) : screen.probe(false);
    }
    return drawn;
}

void printChanges(const char* change, const std::vector<double>& drawn) {
    std::printf("    %-11s drawn p50 %5.1f p95 %5.1f ms (%zu of %d)\n", change,
                percentile(drawn, 0.5), percentile(drawn, 0.95), drawn.size(), kChanges);
}

void measurePair(Pair& pair, TargetScreen& screen, const std::string& masterDisplay) {
    std::printf("  %s\n", pair.name.c_str());
    if (!pair.problem.empty()) {
        std::printf("    not measured: %s\n", pair.problem.c_str());
        return;
    }
    const auto square = locateSquare(masterDisplay, screen, 30000);
    if (!square) {
        std::printf("    not measured: the Target's picture never showed on the Master's screen\n");
        return;
    }
    std::printf("    the square shows at %d,%d on the Master's screen", square->x, square->y);
    if (!pair.masterLog.isEmpty()) {
        const bool p2p = waitForLine(pair.masterLog, "P2P connection established", 0);
        std::printf("; link: %s", p2p ? "P2P" : "relay");
    }
    std::printf("\n");
    PixelWatcher watcher(masterDisplay, square->x, square->y);
    screen.fill(false);
    printChanges("small", measureChanges(screen, watcher, false));
    printChanges("full screen", measureChanges(screen, watcher, true));
    // Scrolling: a new position every 16 ms for three seconds.
    const double viewerBefore = sample(pair.viewer->pid()).cpuSeconds;
    const double sharingBefore = sample(pair.sharing->pid()).cpuSeconds;
    QElapsedTimer clock;
    clock.start();
    for (int offset = 8; clock.elapsed() < 3000; offset += 8) {
        screen.scroll(offset);
        QTest::qWait(16);
    }
    const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    std::printf("    scrolling   CPU: viewer %4.1f%%, sharing side %4.1f%% (of one core)\n",
                100.0 * (sample(pair.viewer->pid()).cpuSeconds - viewerBefore) / seconds,
                100.0 * (sample(pair.sharing->pid()).cpuSeconds - sharingBefore) / seconds);
    std::printf("    peak resident memory: viewer %5.1f MiB, sharing side %5.1f MiB\n",
                static_cast<double>(sample(pair.viewer->pid()).peakKiB) / 1024.0,
                static_cast<double>(sample(pair.sharing->pid()).peakKiB) / 1024.0);
}

} // namespace

int main(int argc, char** argv) {
    PrivateXvfb targetScreen;
    PrivateXvfb masterScreen;
    if (!targetScreen.start(kWidth, kHeight) || !masterScreen.start(kWidth, kHeight)) {
        std::printf("glass programs bench: Xvfb did not start (%s%s)\n",
                    targetScreen.problem().c_str(), masterScreen.problem().c_str());
        return 1;
    }
    // The drawing on the Target's screen opens the process's DISPLAY.
    setenv("DISPLAY", targetScreen.display().c_str(), 1);
    QCoreApplication app(argc, argv);
    TargetScreen screen(kWidth, kHeight);
    nimbral::test::ServerProcess server;
    if (!screen.ok() || !server.start()) {
        std::printf("glass programs bench: no screen or no server\n");
        return 1;
    }
    std::printf("Glass to glass through the programs at %dx%d: a change on the Target's Xvfb to "
                "the pixel on the Master's Xvfb\n",
                kWidth, kHeight);
    {
        Pair vnc = startTigerVnc(targetScreen.display(), masterScreen.display());
        measurePair(vnc, screen, masterScreen.display());
    }
    for (const bool quality : {false, true}) {
        Pair nimbral =
            startNimbral(server, targetScreen.display(), masterScreen.display(), quality);
        measurePair(nimbral, screen, masterScreen.display());
    }
    return 0;
}
