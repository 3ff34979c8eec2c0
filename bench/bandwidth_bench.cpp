// What a session costs while the Target's screen is idle, while text is typed (ten characters a
// second), while a page scrolls (a new position every 16 ms) and while a 480x270 region plays
// video (25 pictures a second): the bytes per second the Master receives, the pictures it
// decodes, the CPU of the Target's capture threads (capture, conversion, encoding and sealing,
// with the encoder's worker threads, which carry the capture thread's name, and PipeWire's
// thread where it copies the pictures) and the display server's CPU, in both display modes, over
// P2P through a real NimbralServer. Two Targets with the same scenes: X11 on a private 1920x1080
// Xvfb, and GNOME on Wayland (a private headless Mutter of the same size, the scenes drawn by a
// Wayland window) when Mutter is installed.
//
//   bench_bandwidth [seconds per scenario, default 5]

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>

#include <spdlog/spdlog.h>

#include "capture/mutter_capture_backend.h"
#include "capture/screen_capture_manager.h"
#include "capture/wlroots_capture_backend.h"
#include "capture/x11_getimage_capture_backend.h"
#include "capture/x11_shm_capture_backend.h"
#include "device_stack.h"
#include "headless_gnome.h"
#include "headless_sway.h"
#include "wayland_probe.h"
#include "xvfb_server.h"

// Xlib's macros (None, Bool) would break the Qt headers above.
#include "x11_target_screen.h"

namespace {

using namespace nimbral;
using nimbral::bench::TargetScreen;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// CPU seconds so far of this process's threads with the given name.
double threadSeconds(const QString& name) {
    double seconds = 0;
    const long ticks = sysconf(_SC_CLK_TCK);
    for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs)) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != name.toUtf8()) {
            continue;
        }
        QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(task));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        // Fields after the name in parentheses: state is the 3rd, utime the 14th, stime the 15th.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 12) {
            seconds += static_cast<double>(fields[11].toLongLong() + fields[12].toLongLong()) /
                       static_cast<double>(ticks);
        }
    }
    return seconds;
}

// CPU seconds so far of another process (the display server).
double otherProcessSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() <= 12) {
        return 0;
    }
    return static_cast<double>(fields[11].toLongLong() + fields[12].toLongLong()) /
           static_cast<double>(sysconf(_SC_CLK_TCK));
}

double captureSeconds() {
    return threadSeconds(QString::fromLatin1(ScreenCaptureManager::kThreadName)) +
           threadSeconds(QStringLiteral("nimbral-pw"));
}

double processSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void pause(int ms) {
    test::waitUntil([] { return false; }, ms);
}

// A Target's screen and how the scenes are drawn on it.
struct Desk {
    const char* name;
    CaptureBackendFactory primary;
    CaptureBackendFactory fallback;
    std::function<void(const char* scene, int step)> draw;
    qint64 displayServer = 0; // its process, for its CPU
};

struct Scenario {
    const char* name;
    const char* scene; // nullptr: nothing is drawn
    int everyMs;
};

void measure(test::ServerProcess& server, const Desk& desk, bool quality, int seconds) {
    test::DeviceStack master(server, QString(), 3000);
    test::DeviceStack target(server, QStringLiteral("Bench-Pass1"), 3000);
    target.session.setCaptureBackends(desk.primary, desk.fallback);
    target.session.setCaptureFrameRate(quality ? 24 : 10);
    target.session.setEncoderQuality(quality ? 23 : 45, QStringLiteral("13"));
    if (!target.bringOnline() || !master.bringOnline()) {
        std::printf("  devices did not come online\n");
        return;
    }
    QObject::connect(&target.signaling, &SignalingClient::sessionAutoAccept, &target.session,
                     &SessionManager::acceptSession);
    qint64 received = 0;
    qint64 pictures = 0;
    QObject::connect(&master.session, &SessionManager::trafficCounted, &master.session,
                     [&](qint64, qint64 bytes) { received += bytes; });
    QObject::connect(&master.session, &SessionManager::frameDecoded, &master.session,
                     [&] { ++pictures; });
    desk.draw("type", 0); // a still page to start from
    master.session.initiateSession(target.clientId(), QStringLiteral("Bench-Pass1"));
    if (!test::waitUntil([&] { return pictures > 0; }, 20000)) {
        std::printf("  no picture\n");
        return;
    }
    const Scenario scenarios[] = {
        {"idle", nullptr, 0},
        {"typing, 10 characters/s", "type", 100},
        {"scrolling, 8 px every 16 ms", "scroll", 16},
        {"video region 480x270, 25 fps", "video", 40},
    };
    std::printf("  %s: %s mode (%d fps, CQ %d), P2P:\n", desk.name, quality ? "quality" : "speed",
                quality ? 24 : 10, quality ? 23 : 45);
    for (const Scenario& scenario : scenarios) {
        pause(1500); // what the last scenario left in flight arrives first
        const qint64 bytesBefore = received;
        const qint64 picturesBefore = pictures;
        const double captureBefore = captureSeconds();
        const double processBefore = processSeconds();
        const double displayBefore = otherProcessSeconds(desk.displayServer);
        QElapsedTimer clock;
        clock.start();
        int step = 0;
        while (clock.elapsed() < seconds * 1000) {
            if (scenario.scene != nullptr) {
                // Steps count from 1: the typing scene's step 0 clears the page.
                desk.draw(scenario.scene, ++step);
                pause(scenario.everyMs);
            } else {
                pause(100);
            }
        }
        const double elapsed = static_cast<double>(clock.elapsed()) / 1000.0;
        const double capture = captureSeconds() - captureBefore;
        const double process = processSeconds() - processBefore;
        const double display = otherProcessSeconds(desk.displayServer) - displayBefore;
        std::printf("    %-30s %8.1f kB/s  %5.1f pictures/s  Target capture+encode %5.1f%% of a "
                    "core (both ends together %5.1f%%, display server %5.1f%%)\n",
                    scenario.name, static_cast<double>(received - bytesBefore) / 1000.0 / elapsed,
                    static_cast<double>(pictures - picturesBefore) / elapsed,
                    100.0 * capture / elapsed, 100.0 * process / elapsed,
                    100.0 * display / elapsed);
    }
    master.session.endSession(QStringLiteral("user_disconnect"));
    pause(500);
}

} // namespace

// The scenes drawn by the probe window on a Wayland desktop.
std::function<void(const char*, int)> drawnBy(WaylandProbe& probe) {
    return [&probe](const char* scene, int step) {
        const int value = std::string(scene) == "scroll" ? step * 8 : step;
        probe.tell(QStringLiteral("%1 %2").arg(QLatin1String(scene)).arg(value));
    };
}

// The same scenes on sway, whose Wayland display the process turns to now.
void measureSway(test::ServerProcess& server, const HeadlessSway& sway, bool haveSway,
                 int seconds) {
    if (!haveSway) {
        std::printf("  wlroots on Wayland: not measured (no headless sway here)\n");
        return;
    }
    qputenv("WAYLAND_DISPLAY", sway.waylandDisplay().c_str());
    WaylandProbe probe;
    if (!probe.start(QStringLiteral("#202020"))) {
        std::printf("  wlroots on Wayland: the drawing window did not show\n");
        return;
    }
    const Desk desk{"wlroots on Wayland (screencopy with damage, headless sway)",
                    [] { return std::make_unique<WlrootsCaptureBackend>(); }, nullptr,
                    drawnBy(probe), sway.compositorPid()};
    for (const bool quality : {false, true}) {
        measure(server, desk, quality, seconds);
    }
}

int main(int argc, char** argv) {
    // The desktops first: their environment must be set before Qt starts. Sway before GNOME,
    // whose session bus and Wayland display then stand until sway's turn.
    HeadlessSway sway;
    const bool haveSway = sway.start(kWidth, kHeight);
    HeadlessGnome gnome;
    const bool haveGnome = gnome.start(kWidth, kHeight);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    spdlog::set_level(spdlog::level::off);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    XvfbServer xvfb;
    if (!xvfb.start(kWidth, kHeight)) {
        std::printf("bandwidth bench: Xvfb did not start\n");
        return 1;
    }
    TargetScreen screen(kWidth, kHeight);
    test::ServerProcess server;
    if (!screen.ok() || !server.start()) {
        std::printf("bandwidth bench: no screen or no server\n");
        return 1;
    }
    std::printf("Bandwidth and CPU at %dx%d, %d s per scenario (capture -> AV1 -> P2P -> decoded "
                "frame)\n",
                kWidth, kHeight, seconds);
    const Desk x11{"X11 (MIT-SHM + DAMAGE on Xvfb)",
                   [] { return std::make_unique<X11ShmCaptureBackend>(); },
                   [] { return std::make_unique<X11GetImageCaptureBackend>(); },
                   [&screen](const char* scene, int step) {
                       const std::string name = scene;
                       if (name == "type") {
                           screen.type(step);
                       } else if (name == "scroll") {
                           screen.scroll(step * 8);
                       } else {
                           screen.video(step);
                       }
                   },
                   xvfb.processId()};
    for (const bool quality : {false, true}) {
        measure(server, x11, quality, seconds);
    }
    if (!haveGnome) {
        std::printf("  GNOME on Wayland: not measured (no headless Mutter here)\n");
    } else {
        WaylandProbe probe;
        if (!probe.start(QStringLiteral("#202020"))) {
            std::printf("  GNOME on Wayland: the drawing window did not show\n");
            return 1;
        }
        const Desk wayland{"GNOME on Wayland (screen cast through PipeWire, headless Mutter)",
                           [] { return std::make_unique<MutterCaptureBackend>(); }, nullptr,
                           drawnBy(probe), gnome.compositorPid()};
        for (const bool quality : {false, true}) {
            measure(server, wayland, quality, seconds);
        }
    }
    measureSway(server, sway, haveSway, seconds);
    return 0;
}
