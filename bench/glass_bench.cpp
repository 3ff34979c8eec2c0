// Glass to glass on one machine: the time from a change on the Target's screen (a private
// 1920x1080 Xvfb, read by the X11 capture) to the picture that shows it, in both display modes,
// over P2P and over the relay of a real NimbralServer, for a small change (a 64x64 square) and a
// full-screen one. "Decoded" is the Master's decoded frame; "drawn" is the pixel read back from
// the Master's own Xvfb, where the session's view (the product's RemoteDesktopWidget) shows the
// picture. Each change is split into its stages: the wait for the capture, capture to the packet
// handed to the link (conversion, encoding, sealing), the link with opening and decoding, and the
// drawing. Also the frames per second that reach the Master while a page scrolls.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <spdlog/spdlog.h>

#include "bench_stats.h"
#include "capture/x11_getimage_capture_backend.h"
#include "capture/x11_shm_capture_backend.h"
#include "device_stack.h"
#include "ui/remote_desktop_widget.h"
#include "xvfb_server.h"

// Xlib's macros (None, Bool) would break the Qt headers above.
#include "x11_screen_watch.h"
#include "x11_target_screen.h"

namespace {

using namespace nimbral;
using Clock = std::chrono::steady_clock;
using nimbral::bench::percentile;
using nimbral::bench::PixelWatcher;
using nimbral::bench::PrivateXvfb;
using nimbral::bench::TargetScreen;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kChanges = 20;
constexpr int kProbeX = 132;
constexpr int kProbeY = 132;

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The capture backend the session uses, noting when each captured frame was read.
class TimedCapture final : public IScreenCaptureBackend {
public:
    TimedCapture(std::unique_ptr<IScreenCaptureBackend> inner, std::vector<Clock::time_point>& log,
                 std::mutex& mutex)
        : m_inner(std::move(inner))
        , m_log(log)
        , m_mutex(mutex) {}
    bool initialize(std::int32_t monitor) override { return m_inner->initialize(monitor); }
    void shutdown() override { m_inner->shutdown(); }
    std::unique_ptr<CapturedFrame> captureFrame() override {
        auto frame = m_inner->captureFrame();
        if (frame) {
            const std::lock_guard lock(m_mutex);
            m_log.push_back(Clock::now());
        }
        return frame;
    }
    std::vector<MonitorInfo> enumerateMonitors() override { return m_inner->enumerateMonitors(); }
    MonitorInfo currentMonitor() override { return m_inner->currentMonitor(); }
    bool isInitialized() const override { return m_inner->isInitialized(); }

private:
    std::unique_ptr<IScreenCaptureBackend> m_inner;
    std::vector<Clock::time_point>& m_log;
    std::mutex& m_mutex;
};

// The product's view, noting when each paint starts and ends (the window's contents are sent
// to the X server right after).
class TimedView final : public RemoteDesktopWidget {
public:
    std::vector<std::pair<Clock::time_point, Clock::time_point>> paints;

protected:
    void paintEvent(QPaintEvent* event) override {
        const Clock::time_point start = Clock::now();
        RemoteDesktopWidget::paintEvent(event);
        paints.emplace_back(start, Clock::now());
    }
};

struct Stages {
    std::vector<double> decoded;
    std::vector<double> drawn;
    std::vector<double> waitForCapture;
    std::vector<double> captureToLink;
    std::vector<double> linkAndDecode;
    std::vector<double> drawing;
    std::vector<double> toPaint;  // decoded -> the view's paint starts
    std::vector<double> painting; // the paint's own work
};

void printStages(const char* name, const char* change, const Stages& stages, bool drawing) {
    std::printf("  %s %-11s decoded p50 %5.1f p95 %5.1f ms", name, change,
                percentile(stages.decoded, 0.5), percentile(stages.decoded, 0.95));
    if (drawing) {
        std::printf(" | drawn p50 %5.1f p95 %5.1f ms", percentile(stages.drawn, 0.5),
                    percentile(stages.drawn, 0.95));
    }
    std::printf(" (%zu of %d)\n", stages.decoded.size(), kChanges);
    const auto stage = [](const char* label, const std::vector<double>& values) {
        std::printf(" %s %.1f/%.1f", label, percentile(values, 0.5), percentile(values, 0.95));
    };
    std::printf("      stages p50/p95 ms:");
    stage("wait for capture", stages.waitForCapture);
    stage(", capture to link", stages.captureToLink);
    stage(", link and decode", stages.linkAndDecode);
    if (drawing) {
        stage(", drawing", stages.drawing);
        stage(" (paint starts", stages.toPaint);
        stage(", paints for", stages.painting);
        std::printf(")");
    }
    std::printf("\n");
}

void measure(test::ServerProcess& server, TargetScreen& screen, TimedView* view,
             PixelWatcher* watcher, bool relay, bool quality) {
    test::DeviceStack master(server, QString(), relay ? 300 : 3000);
    test::DeviceStack target(server, QStringLiteral("Bench-Pass1"), relay ? 300 : 3000);
    master.blockP2P = relay;
    target.blockP2P = relay;
    std::mutex captureMutex;
    std::vector<Clock::time_point> captures;
    target.session.setCaptureBackends(
        [&] {
            return std::make_unique<TimedCapture>(std::make_unique<X11ShmCaptureBackend>(),
                                                  captures, captureMutex);
        },
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
    std::vector<Clock::time_point> sent;
    QObject::connect(&target.session, &SessionManager::videoFrameSent, &target.session,
                     [&] { sent.push_back(Clock::now()); });
    if (view != nullptr) {
        view->paints.clear();
    }
    int latest = -1;
    std::int64_t frames = 0;
    std::vector<std::pair<Clock::time_point, int>> decoded;
    QObject::connect(
        &master.session, &SessionManager::frameDecoded, &master.session,
        [&](std::shared_ptr<DecodedFrame> frame) {
            latest = frame->yPlane[static_cast<std::size_t>(kProbeY) * frame->yStride + kProbeX];
            decoded.emplace_back(Clock::now(), latest);
            ++frames;
            if (view != nullptr) {
                view->updateFrame(std::move(frame));
            }
        });
    screen.probe(false);
    master.session.initiateSession(target.clientId(), QStringLiteral("Bench-Pass1"));
    if (!test::waitUntil([&] { return latest >= 0 && latest < 64; }, 20000)) {
        std::printf("  %s: no picture\n", name);
        return;
    }
    const auto firstAfter = [](const std::vector<Clock::time_point>& times, Clock::time_point t) {
        const auto it = std::lower_bound(times.begin(), times.end(), t);
        return it == times.end() ? std::optional<Clock::time_point>() : *it;
    };
    for (const bool fullScreen : {false, true}) {
        Stages stages;
        bool white = false;
        for (int i = 0; i < kChanges; ++i) {
            test::waitUntil([] { return false; }, 150 + (i * 37) % 150); // let the screen settle
            white = !white;
            const Clock::time_point changed = Clock::now();
            fullScreen ? screen.fill(white) : screen.probe(white);
            const auto shows = [&](int luma) {
                return white ? luma > 192 : luma < 64;
            };
            if (!test::waitUntil([&] { return shows(latest); }, 3000)) {
                continue;
            }
            const auto decodedAt = std::find_if(decoded.begin(), decoded.end(), [&](auto& entry) {
                return entry.first >= changed && shows(entry.second);
            });
            if (decodedAt == decoded.end()) {
                continue;
            }
            std::optional<Clock::time_point> drawnAt;
            if (watcher != nullptr) {
                test::waitUntil([&] { return watcher->turned(white, changed).has_value(); }, 3000);
                drawnAt = watcher->turned(white, changed);
            }
            std::optional<Clock::time_point> capturedAt;
            {
                const std::lock_guard lock(captureMutex);
                capturedAt = firstAfter(captures, changed);
            }
            const auto sentAt =
                capturedAt ? firstAfter(sent, *capturedAt) : std::optional<Clock::time_point>();
            stages.decoded.push_back(msBetween(changed, decodedAt->first));
            if (capturedAt && sentAt && *sentAt <= decodedAt->first) {
                stages.waitForCapture.push_back(msBetween(changed, *capturedAt));
                stages.captureToLink.push_back(msBetween(*capturedAt, *sentAt));
                stages.linkAndDecode.push_back(msBetween(*sentAt, decodedAt->first));
            }
            if (drawnAt) {
                stages.drawn.push_back(msBetween(changed, *drawnAt));
                stages.drawing.push_back(msBetween(decodedAt->first, *drawnAt));
                for (const auto& [start, end] : view->paints) {
                    if (start >= decodedAt->first) {
                        stages.toPaint.push_back(msBetween(decodedAt->first, start));
                        stages.painting.push_back(msBetween(start, end));
                        break;
                    }
                }
            }
        }
        printStages(name, fullScreen ? "full screen" : "small", stages, watcher != nullptr);
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
    std::printf("  %s scrolling: %4.1f fps delivered (capture set to %d)\n", name, fps,
                quality ? 24 : 10);
    master.session.endSession(QStringLiteral("user_disconnect"));
    if (view != nullptr) {
        view->clearFrame();
    }
}

} // namespace

int main(int argc, char** argv) {
    spdlog::set_level(spdlog::level::off);
    // The Master's screen first: the application (and so the view) lives there.
    PrivateXvfb masterScreen;
    const bool drawing = masterScreen.start(kWidth, kHeight);
    if (!drawing) {
        std::printf("glass bench: the Master's Xvfb is not usable (%s): drawing is not measured\n",
                    masterScreen.problem().c_str());
    }
    const QByteArray masterDisplay = QByteArray::fromStdString(masterScreen.display());
    if (drawing) {
        qputenv("DISPLAY", masterDisplay);
    }
    qputenv("QT_QPA_PLATFORM", drawing ? "xcb" : "offscreen");
    QApplication app(argc, argv);
    // Then the Target's: the capture and the drawing below open the process's DISPLAY.
    XvfbServer targetScreen;
    if (!targetScreen.start(kWidth, kHeight)) {
        std::printf("glass bench: Xvfb did not start\n");
        return 1;
    }
    TargetScreen screen(kWidth, kHeight);
    test::ServerProcess server;
    if (!screen.ok() || !server.start()) {
        std::printf("glass bench: no screen or no server\n");
        return 1;
    }
    std::unique_ptr<TimedView> view;
    std::unique_ptr<PixelWatcher> watcher;
    if (drawing) {
        view = std::make_unique<TimedView>();
        view->move(0, 0);
        view->resize(kWidth, kHeight);
        view->show();
        watcher = std::make_unique<PixelWatcher>(masterScreen.display(), kProbeX, kProbeY);
        if (!QTest::qWaitForWindowExposed(view.get()) || !watcher->ok()) {
            std::printf("glass bench: the view did not come up; decoded frames only\n");
            watcher.reset();
            view.reset();
        }
    }
    std::printf("Glass to glass at %dx%d (X11 capture on Xvfb -> AV1 -> link -> decoded frame%s)\n",
                kWidth, kHeight, view ? " -> the view on the Master's Xvfb" : "");
    for (const bool quality : {false, true}) {
        for (const bool relay : {false, true}) {
            measure(server, screen, view.get(), watcher.get(), relay, quality);
        }
    }
    return 0;
}
