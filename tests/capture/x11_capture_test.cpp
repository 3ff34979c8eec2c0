#include <QTest>

#include <gtest/gtest.h>

#include "capture/x11_display.h"
#include "capture/x11_getimage_capture_backend.h"
#include "capture/x11_shm_capture_backend.h"
#include "log_capture.h"
#include "xvfb_server.h"

// X headers last: their macros clash with Qt's.
#include <X11/Xlib.h>

namespace nimbral {
namespace {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

// Draws on the root window of the test's X server, as another program would.
class Painter {
public:
    Painter()
        : m_display(XOpenDisplay(nullptr)) {}
    ~Painter() {
        if (m_display != nullptr) {
            XCloseDisplay(m_display);
        }
    }
    bool ok() const { return m_display != nullptr; }
    void fill(int x, int y, int width, int height, unsigned long rgb) {
        const Window root = DefaultRootWindow(m_display);
        GC gc = XCreateGC(m_display, root, 0, nullptr);
        XSetForeground(m_display, gc, rgb);
        XSetSubwindowMode(m_display, gc, IncludeInferiors);
        XFillRectangle(m_display, root, gc, x, y, static_cast<unsigned>(width),
                       static_cast<unsigned>(height));
        XFreeGC(m_display, gc);
        XSync(m_display, False);
    }
    void movePointer(int x, int y) {
        XWarpPointer(m_display, None, DefaultRootWindow(m_display), 0, 0, 0, 0, x, y);
        XSync(m_display, False);
    }

private:
    Display* m_display;
};

struct Bgr {
    int b, g, r;
    bool operator==(const Bgr&) const = default;
};

Bgr pixelAt(const CapturedFrame& frame, int x, int y) {
    const std::uint8_t* p = frame.data.data() + static_cast<std::size_t>(y) * frame.stride + x * 4;
    return {p[0], p[1], p[2]};
}

class X11CaptureTest : public XvfbTest<kScreenWidth, kScreenHeight> {
protected:
    void SetUp() override {
        if (!hasDisplay()) {
            GTEST_SKIP() << "Xvfb is not available";
        }
        ASSERT_TRUE(painter.ok());
        painter.fill(0, 0, kScreenWidth, kScreenHeight, 0x000000);
        painter.movePointer(kScreenWidth - 1, kScreenHeight - 1);
    }

    Painter painter;
};

TEST_F(X11CaptureTest, MonitorsComeFromTheServer) {
    const auto monitors = enumerateMonitors();
    ASSERT_FALSE(monitors.empty());
    EXPECT_EQ(monitors[0].index, 0);
    EXPECT_EQ(monitors[0].width, kScreenWidth);
    EXPECT_EQ(monitors[0].height, kScreenHeight);
    EXPECT_EQ(monitors[0].x, 0);
    EXPECT_EQ(monitors[0].y, 0);

    test::LogCapture log;
    X11GetImageCaptureBackend backend;
    EXPECT_FALSE(backend.initialize(static_cast<int>(monitors.size())));
    EXPECT_TRUE(log.hasPrefix(spdlog::level::err, "X11GetImageCaptureBackend: monitor index"));
    EXPECT_FALSE(backend.isInitialized());
}

TEST_F(X11CaptureTest, GetImageReadsFullFramesWithoutChangeInformation) {
    X11GetImageCaptureBackend backend;
    ASSERT_TRUE(backend.initialize(0));
    painter.fill(100, 50, 40, 30, 0xFF0000); // red
    auto frame = backend.captureFrame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->width, kScreenWidth);
    EXPECT_EQ(frame->height, kScreenHeight);
    EXPECT_EQ(frame->stride, kScreenWidth * 4);
    EXPECT_FALSE(frame->isKeyframe);
    EXPECT_TRUE(frame->dirtyRects.empty());
    EXPECT_EQ(pixelAt(*frame, 100, 50), (Bgr{0, 0, 255}));
    EXPECT_EQ(pixelAt(*frame, 139, 79), (Bgr{0, 0, 255}));
    EXPECT_EQ(pixelAt(*frame, 140, 80), (Bgr{0, 0, 0}));
    EXPECT_EQ(pixelAt(*frame, 99, 49), (Bgr{0, 0, 0}));
    // Every call is a full frame, changed or not.
    EXPECT_TRUE(backend.captureFrame());
}

TEST_F(X11CaptureTest, SharedMemoryReportsDamageAndWaitsWhenNothingChanges) {
    X11ShmCaptureBackend backend;
    ASSERT_TRUE(backend.initialize(0));
    auto first = backend.captureFrame();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isKeyframe);
    EXPECT_TRUE(first->dirtyRects.empty());

    painter.fill(200, 100, 20, 10, 0x0000FF); // blue
    std::unique_ptr<CapturedFrame> changed;
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return (changed = backend.captureFrame()) != nullptr; }, 3000));
    EXPECT_FALSE(changed->isKeyframe);
    ASSERT_FALSE(changed->dirtyRects.empty());
    bool covered = false;
    for (const DirtyRect& rect : changed->dirtyRects) {
        covered |= rect.x <= 200 && rect.y <= 100 && rect.x + rect.width >= 220 &&
                   rect.y + rect.height >= 110;
    }
    EXPECT_TRUE(covered);
    EXPECT_EQ(pixelAt(*changed, 205, 105), (Bgr{255, 0, 0}));

    // A frame done with lends its pixels to a later one, which still shows the screen as it
    // is: no stale byte of the buffer's earlier picture survives.
    const std::uint8_t* released[] = {changed->data.data(), first->data.data()};
    changed.reset();
    first.reset();
    painter.fill(200, 100, 20, 10, 0x00FF00); // green
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return (changed = backend.captureFrame()) != nullptr; }, 3000));
    EXPECT_TRUE(changed->data.data() == released[0] || changed->data.data() == released[1]);
    EXPECT_FALSE(changed->pool.expired()) << "the frame goes back to the backend's pool";
    EXPECT_EQ(pixelAt(*changed, 205, 105), (Bgr{0, 255, 0}));
    EXPECT_EQ(changed->data[3], 0xFF);

    // A still screen: empty answers after the damage wait, and the backend stays initialized.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(backend.captureFrame());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));
    EXPECT_TRUE(backend.isInitialized());
}

TEST_F(X11CaptureTest, ThePointerIsDrawnWithItsCornerAtThePointerPosition) {
    X11GetImageCaptureBackend backend;
    ASSERT_TRUE(backend.initialize(0));
    painter.movePointer(300, 200);
    auto with = backend.captureFrame();
    painter.movePointer(600, 20);
    auto without = backend.captureFrame();
    ASSERT_TRUE(with && without);
    int changedInside = 0;
    for (int y = 200; y < 216; ++y) {
        for (int x = 300; x < 316; ++x) {
            changedInside += pixelAt(*with, x, y) == pixelAt(*without, x, y) ? 0 : 1;
        }
    }
    EXPECT_GT(changedInside, 0) << "no pointer drawn at its position";
    for (int x = 280; x < 300; ++x) {
        EXPECT_EQ(pixelAt(*with, x, 195), pixelAt(*without, x, 195)) << "drawn above-left at " << x;
    }
    // And with the shared-memory backend, a pointer move alone is a frame of its own.
    X11ShmCaptureBackend shm;
    ASSERT_TRUE(shm.initialize(0));
    ASSERT_TRUE(shm.captureFrame());
    painter.movePointer(320, 240);
    auto moved = shm.captureFrame();
    ASSERT_TRUE(moved);
    EXPECT_TRUE(moved->dirtyRects.empty());
    EXPECT_FALSE(moved->isKeyframe) << "a pointer move is no reason for a key frame";
}

} // namespace
} // namespace nimbral
