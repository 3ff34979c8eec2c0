#include <algorithm>
#include <memory>
#include <optional>

#include <gtest/gtest.h>
#include <windows.h>

#include "capture/capture_backend_chain.h"
#include "capture/dxgi_capture_backend.h"
#include "capture/gdi_capture_backend.h"
#include "log_capture.h"
#include "windows_test_support.h"

namespace nimbral {
namespace {

using test::ColourWindow;
using test::LogCapture;

struct Bgra {
    std::uint8_t b, g, r, a;
};

Bgra pixelAt(const CapturedFrame& frame, int x, int y) {
    const std::uint8_t* p = frame.data.data() + static_cast<std::size_t>(y) * frame.stride +
                            static_cast<std::size_t>(x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

bool isColour(const Bgra& pixel, COLORREF colour) {
    return pixel.r == GetRValue(colour) && pixel.g == GetGValue(colour) &&
           pixel.b == GetBValue(colour);
}

// The smallest rectangle holding every pixel of `colour`, if any.
std::optional<RECT> boundsOf(const CapturedFrame& frame, COLORREF colour) {
    std::optional<RECT> bounds;
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            if (!isColour(pixelAt(frame, x, y), colour)) {
                continue;
            }
            if (!bounds) {
                bounds = RECT{x, y, x + 1, y + 1};
            } else {
                bounds->left = std::min<LONG>(bounds->left, x);
                bounds->top = std::min<LONG>(bounds->top, y);
                bounds->right = std::max<LONG>(bounds->right, x + 1);
                bounds->bottom = std::max<LONG>(bounds->bottom, y + 1);
            }
        }
    }
    return bounds;
}

constexpr COLORREF kTestColour = RGB(0xE0, 0x30, 0x90); // far from any desktop colour

class GdiCapture : public testing::Test {
protected:
    void SetUp() override {
        ::SetCursorPos(0, 0); // keep the drawn pointer away from the windows under test
    }
};

TEST_F(GdiCapture, EnumeratesTheScreenAsOnePrimaryMonitor) {
    const std::vector<MonitorInfo> monitors = enumerateGdiMonitors();
    ASSERT_EQ(monitors.size(), 1u);
    EXPECT_EQ(monitors[0].index, 0);
    EXPECT_EQ(monitors[0].x, 0);
    EXPECT_EQ(monitors[0].y, 0);
    EXPECT_EQ(monitors[0].width, ::GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(monitors[0].height, ::GetSystemMetrics(SM_CYSCREEN));
    EXPECT_TRUE(monitors[0].isPrimary);
    EXPECT_FALSE(monitors[0].name.empty());

    GdiCaptureBackend backend;
    EXPECT_EQ(backend.enumerateMonitors().size(), 1u); // without initialize as well
}

TEST_F(GdiCapture, ReadsAKnownColourWithFullFramesOnly) {
    ColourWindow window(120, 90, 200, 150, kTestColour);
    GdiCaptureBackend backend;
    ASSERT_TRUE(backend.initialize(0));
    EXPECT_EQ(backend.currentMonitor().width, ::GetSystemMetrics(SM_CXSCREEN));

    std::unique_ptr<CapturedFrame> frame = backend.captureFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->width, ::GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(frame->height, ::GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(frame->stride, frame->width * 4);
    EXPECT_EQ(frame->data.size(), static_cast<std::size_t>(frame->stride) * frame->height);
    EXPECT_FALSE(frame->isKeyframe);
    EXPECT_TRUE(frame->dirtyRects.empty());
    EXPECT_TRUE(isColour(pixelAt(*frame, 220, 165), kTestColour));
    const std::optional<RECT> bounds = boundsOf(*frame, kTestColour);
    ASSERT_TRUE(bounds.has_value());
    EXPECT_EQ(bounds->left, 120);
    EXPECT_EQ(bounds->top, 90);
    EXPECT_EQ(bounds->right, 320);
    EXPECT_EQ(bounds->bottom, 240);
}

TEST_F(GdiCapture, FollowsAMovingRectangle) {
    ColourWindow window(40, 40, 64, 48, kTestColour);
    GdiCaptureBackend backend;
    ASSERT_TRUE(backend.initialize(0));
    for (const POINT where : {POINT{40, 40}, POINT{300, 200}, POINT{500, 60}, POINT{90, 400}}) {
        window.moveTo(where.x, where.y);
        window.pump(150);
        std::unique_ptr<CapturedFrame> frame = backend.captureFrame();
        ASSERT_NE(frame, nullptr);
        const std::optional<RECT> bounds = boundsOf(*frame, kTestColour);
        ASSERT_TRUE(bounds.has_value()) << "at " << where.x << "," << where.y;
        EXPECT_EQ(bounds->left, where.x);
        EXPECT_EQ(bounds->top, where.y);
        EXPECT_EQ(bounds->right - bounds->left, 64);
        EXPECT_EQ(bounds->bottom - bounds->top, 48);
    }
}

TEST_F(GdiCapture, DrawsThePointerWithItsCornerAtThePointerPosition) {
    ColourWindow window(100, 100, 160, 160, kTestColour);
    GdiCaptureBackend backend;
    ASSERT_TRUE(backend.initialize(0));
    ::SetCursorPos(150, 140);
    window.pump(150);
    std::unique_ptr<CapturedFrame> frame = backend.captureFrame();
    ASSERT_NE(frame, nullptr);
    // Every pixel the pointer covers lies at or right of and below its position.
    bool drawn = false;
    for (int y = 100; y < 260; ++y) {
        for (int x = 100; x < 260; ++x) {
            if (!isColour(pixelAt(*frame, x, y), kTestColour)) {
                drawn = true;
                EXPECT_GE(x, 150);
                EXPECT_GE(y, 140);
            }
        }
    }
    EXPECT_TRUE(drawn) << "no pointer drawn into the frame";
}

TEST_F(GdiCapture, RefusesAMonitorThatDoesNotExist) {
    LogCapture log;
    GdiCaptureBackend backend;
    EXPECT_FALSE(backend.initialize(2));
    EXPECT_FALSE(backend.isInitialized());
    EXPECT_TRUE(log.has(spdlog::level::err,
                        "GdiCaptureBackend: monitor index 2 not found (have 1 monitors)"));
    EXPECT_FALSE(backend.initialize(-1));
    EXPECT_EQ(backend.captureFrame(), nullptr);
}

TEST_F(GdiCapture, ShutdownReleasesAndInitializeStartsAgain) {
    LogCapture log;
    GdiCaptureBackend backend;
    EXPECT_EQ(backend.captureFrame(), nullptr);
    ASSERT_TRUE(backend.initialize(0));
    EXPECT_TRUE(
        log.hasPrefix(spdlog::level::info, "GdiCaptureBackend: initialized on monitor 0 '"));
    backend.shutdown();
    backend.shutdown();
    EXPECT_FALSE(backend.isInitialized());
    EXPECT_EQ(backend.captureFrame(), nullptr);
    ASSERT_TRUE(backend.initialize(0));
    EXPECT_NE(backend.captureFrame(), nullptr);
}

TEST(DxgiCapture, UnderWineDuplicationFailsAndTheChainFallsBackToGdi) {
    LogCapture log;
    std::unique_ptr<IScreenCaptureBackend> backend =
        openCaptureBackend(makePrimaryCaptureBackend, makeFallbackCaptureBackend, 0);
    ASSERT_NE(backend, nullptr);
    if (!test::runningUnderWine()) {
        // Windows itself duplicates its desktop.
        EXPECT_NE(dynamic_cast<DxgiCaptureBackend*>(backend.get()), nullptr);
        EXPECT_TRUE(log.has(spdlog::level::info, "Using DXGI screen capture backend (monitor 0)"));
        return;
    }
    EXPECT_NE(dynamic_cast<GdiCaptureBackend*>(backend.get()), nullptr);
    // Wine makes the device and finds the output, but does not duplicate it (E_NOTIMPL).
    EXPECT_TRUE(
        log.has(spdlog::level::err, "DxgiCaptureBackend: DuplicateOutput failed (0x80004001)"));
    EXPECT_TRUE(log.has(spdlog::level::err,
                        "DxgiCaptureBackend: failed to create output duplication for monitor 0"));
    EXPECT_TRUE(log.has(spdlog::level::warn, "DXGI capture unavailable, falling back to GDI"));
    EXPECT_TRUE(log.has(spdlog::level::info, "Using GDI screen capture backend (RDP-compatible)"));
    EXPECT_NE(backend->captureFrame(), nullptr);
}

// A pointer move comes without changed rectangles; only the duplication's first picture is a
// key frame (a key frame per pointer move was a quarter of a megabyte each). Rows are read at
// the texture's pitch.
TEST(DxgiCapture, OnlyTheFirstPictureIsAKeyFrame) {
    FrameBufferPool pool;
    const std::size_t pitch = 3 * 4 + 8;
    std::vector<std::uint8_t> texture(pitch * 2, 0xAB);
    texture[pitch] = 0x11; // the second row's first byte
    const auto first = duplicatedFrame(texture.data(), pitch, 3, 2, {}, true, pool);
    EXPECT_TRUE(first->isKeyframe);
    const auto pointerMove = duplicatedFrame(texture.data(), pitch, 3, 2, {}, false, pool);
    EXPECT_FALSE(pointerMove->isKeyframe);
    EXPECT_TRUE(pointerMove->dirtyRects.empty());
    const auto changed =
        duplicatedFrame(texture.data(), pitch, 3, 2, {DirtyRect{0, 0, 1, 1}}, false, pool);
    EXPECT_FALSE(changed->isKeyframe);
    ASSERT_EQ(changed->dirtyRects.size(), 1u);
    ASSERT_EQ(changed->stride, 12);
    EXPECT_EQ(changed->data[12], 0x11) << "the second row starts at the pitch";
    EXPECT_EQ(changed->data[11], 0xAB);
}

TEST(DxgiCapture, EnumeratesTheSameMonitorAsGdi) {
    const std::vector<MonitorInfo> outputs = enumerateDxgiMonitors();
    const std::vector<MonitorInfo> monitors = enumerateGdiMonitors();
    ASSERT_EQ(outputs.size(), monitors.size());
    ASSERT_FALSE(outputs.empty());
    EXPECT_EQ(outputs[0].index, 0);
    EXPECT_EQ(outputs[0].name, monitors[0].name);
    EXPECT_EQ(outputs[0].width, monitors[0].width);
    EXPECT_EQ(outputs[0].height, monitors[0].height);
    EXPECT_TRUE(outputs[0].isPrimary); // at (0, 0)
    DxgiCaptureBackend backend;
    EXPECT_EQ(backend.enumerateMonitors().size(), outputs.size()); // without initialize
}

TEST(DxgiCapture, AnUninitializedBackendCapturesNothingAndNamesNoMonitor) {
    DxgiCaptureBackend backend;
    EXPECT_FALSE(backend.isInitialized());
    EXPECT_EQ(backend.captureFrame(), nullptr);
    const MonitorInfo monitor = backend.currentMonitor();
    EXPECT_EQ(monitor.width, 0);
    EXPECT_TRUE(monitor.name.empty());
}

TEST(DxgiCapture, AMonitorIndexBeyondEveryOutputIsNotFound) {
    LogCapture log;
    DxgiCaptureBackend backend;
    EXPECT_FALSE(backend.initialize(7));
    EXPECT_FALSE(backend.isInitialized());
    if (log.hasPrefix(spdlog::level::err, "DxgiCaptureBackend: D3D11CreateDevice failed (0x")) {
        GTEST_SKIP() << "no Direct3D 11 device here";
    }
    EXPECT_TRUE(log.has(spdlog::level::err, "DxgiCaptureBackend: monitor index 7 not found"));
    EXPECT_TRUE(log.has(spdlog::level::err,
                        "DxgiCaptureBackend: failed to create output duplication for monitor 7"));
}

} // namespace
} // namespace nimbral
