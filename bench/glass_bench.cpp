// Glass to glass on one machine: the time from a change on the Target's screen (a private
// 1920x1080 Xvfb, read by the X11 capture) to the Master's decoded frame that shows it, in both
// display modes, over P2P and over the relay of a real NimbralServer; and the frames per second
// that reach the Master while a window scrolls. Rendering on the Master's screen is not part of
// the figure (the view uploads the newest frame at its next repaint).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimer>

#include <spdlog/spdlog.h>

#include "bench_stats.h"
#include "capture/x11_getimage_capture_backend.h"
#include "capture/x11_shm_capture_backend.h"
#include "device_stack.h"
#include "xvfb_server.h"

#include <X11/Xlib.h>

namespace {

using namespace nimbral;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kChanges = 20;

using nimbral::bench::percentile;

// Draws on the Target's screen: a probe square that flips between black and white, and a
// "document" of stripes that scrolls.
class TargetScreen {
public:
    TargetScreen()
        : m_display(XOpenDisplay(nullptr)) {
        if (m_display == nullptr) {
            return;
        }
        m_window = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 0, 0, kWidth,
                                       kHeight, 0, 0, 0x202020);
        XMapRaised(m_display, m_window);
        m_gc = XCreateGC(m_display, m_window, 0, nullptr);
        XSync(m_display, False);
    }
    ~TargetScreen() {
        if (m_display != nullptr) {
            XFreeGC(m_display, m_gc);
            XCloseDisplay(m_display);
        }
    }
    bool ok() const { return m_display != nullptr; }
    void probe(bool white) {
        XSetForeground(m_display, m_gc, white ? 0xFFFFFF : 0x000000);
        XFillRectangle(m_display, m_window, m_gc, 100, 100, 64, 64);
        XFlush(m_display);
    }
    void scroll(int offset) {
        for (int y = 0; y < kHeight; y += 24) {
            const int row = (y + offset) / 24;
            XSetForeground(m_display, m_gc, row % 2 == 0 ? 0xE0E0E0 : 0x3050A0);
            XFillRectangle(m_display, m_window, m_gc, 300, y - offset % 24, 1200, 24);
        }
        XFlush(m_display);
    }

private:
    Display* m_display;
    Window m_window = 0;
    GC m_gc{};
};

int probeLuma(const DecodedFrame& frame) {
    return frame.yPlane[static_cast<std::size_t>(132) * frame.yStride + 132];
}

void measure(test::ServerProcess& server, TargetScreen& screen, bool relay, bool quality) {
    test::DeviceStack master(server, QString(), relay ? 300 : 3000);
    test::DeviceStack target(server, QStringLiteral("Bench-Pass1"), relay ? 300 : 3000);
    master.blockP2P = relay;
    target.blockP2P = relay;
    target.session.setCaptureBackends([] { return std::make_unique<X11ShmCaptureBackend>(); },
                                      [] { return std::make_unique<X11GetImageCaptureBackend>(); });
    target.session.setCaptureFrameRate(quality ? 24 : 10);
    target.session.setEncoderQuality(quality ? 23 : 45, QStringLiteral("13"));
    const char* name = quality ? (relay ? "quality relay" : "quality p2p  ")
                               : (relay ? "speed relay  " : "speed p2p    ");
    if (!target.bringOnline() || !master.bringOnline()) {
        std::printf("  %s: devices did not come online\n", name);
        return;
    }
    QObject::connect(&target.signaling, &SignalingClient::sessionAutoAccept, &target.session,
                     &SessionManager::acceptSession);
    int latest = -1;
    std::int64_t frames = 0;
    QObject::connect(&master.session, &SessionManager::frameDecoded, &master.session,
                     [&](std::shared_ptr<DecodedFrame> frame) {
                         latest = probeLuma(*frame);
                         ++frames;
                     });
    screen.probe(false);
    master.session.initiateSession(target.clientId(), QStringLiteral("Bench-Pass1"));
    if (!test::waitUntil([&] { return latest >= 0 && latest < 64; }, 20000)) {
        std::printf("  %s: no picture\n", name);
        return;
    }
    std::vector<double> latencies;
    bool white = false;
    for (int i = 0; i < kChanges; ++i) {
        test::waitUntil([] { return false; }, 150 + (i * 37) % 150); // let the screen settle
        white = !white;
        QElapsedTimer clock;
        clock.start();
        screen.probe(white);
        const bool seen = test::waitUntil([&] { return white ? latest > 192 : latest < 64; }, 3000);
        if (seen) {
            latencies.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        }
    }
    // Scrolling: a new position every 16 ms for three seconds.
    const std::int64_t before = frames;
    QElapsedTimer scrollClock;
    scrollClock.start();
    int offset = 0;
    while (scrollClock.elapsed() < 3000) {
        screen.scroll(offset += 8);
        test::waitUntil([] { return false; }, 16);
    }
    const double fps = static_cast<double>(frames - before) * 1000.0 / scrollClock.elapsed();
    std::printf("  %s  change to decoded frame: p50 %6.1f ms  p95 %6.1f ms (%zu of %d)  "
                "scrolling: %4.1f fps delivered (capture set to %d)\n",
                name, percentile(latencies, 0.5), percentile(latencies, 0.95), latencies.size(),
                kChanges, fps, quality ? 24 : 10);
    master.session.endSession(QStringLiteral("user_disconnect"));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    spdlog::set_level(spdlog::level::off);
    XvfbServer xvfb;
    if (!xvfb.start(kWidth, kHeight)) {
        std::printf("glass bench: Xvfb did not start\n");
        return 1;
    }
    TargetScreen screen;
    test::ServerProcess server;
    if (!screen.ok() || !server.start()) {
        std::printf("glass bench: no screen or no server\n");
        return 1;
    }
    std::printf("Glass to glass at %dx%d (X11 capture on Xvfb -> AV1 -> link -> decoded frame)\n",
                kWidth, kHeight);
    for (const bool quality : {false, true}) {
        for (const bool relay : {false, true}) {
            measure(server, screen, relay, quality);
        }
    }
    return 0;
}
