#include <QProcess>

#include <gtest/gtest.h>

#include "capture/wlroots_capture_backend.h"
#include "desktop_processes.h"
#include "input/wlroots_input_backend.h"
#include "platform/linux_desktop.h"
#include "wayland_desktop_checks.h"

namespace nimbral {
namespace {

class WlrootsDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        if (!headlessDesktopRunning()) {
            GTEST_SKIP() << "no headless sway here";
        }
    }
};

TEST_F(WlrootsDesktop, IsChosenAndListsItsOutputByNameAndSize) {
    EXPECT_EQ(platform::linuxDesktop(), platform::LinuxDesktop::Wlroots);
    WlrootsCaptureBackend backend;
    const std::vector<MonitorInfo> monitors = backend.enumerateMonitors();
    ASSERT_EQ(monitors.size(), 1u);
    EXPECT_EQ(monitors[0].name, "HEADLESS-1");
    EXPECT_EQ(monitors[0].width, 1280);
    EXPECT_EQ(monitors[0].height, 720);
    EXPECT_TRUE(monitors[0].isPrimary);
    EXPECT_FALSE(backend.initialize(1)) << "sway has no second output here";
    EXPECT_FALSE(backend.isInitialized());
}

TEST_F(WlrootsDesktop, PicturesFollowTheScreenAndSayWhatChanged) {
    WaylandProbe probe;
    ASSERT_TRUE(probe.start("#ff0000"));
    WlrootsCaptureBackend backend;
    ASSERT_TRUE(backend.initialize(0));
    test::checkPicturesFollowTheScreen(backend, probe);
}

// Tells the test's sway (SWAYSOCK, set by its harness) to do something.
bool swaymsg(const QStringList& command) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start("swaymsg", command);
    return process.waitForFinished(5000) && process.exitCode() == 0;
}

TEST_F(WlrootsDesktop, PicturesFollowTheOutputWhenItsSizeChanges) {
    WaylandProbe probe;
    ASSERT_TRUE(probe.start("#ff0000"));
    WlrootsCaptureBackend backend;
    ASSERT_TRUE(backend.initialize(0));
    ASSERT_TRUE(test::captureUntil(backend, [](const CapturedFrame& f) {
        return f.width == 1280 && pixelAt(f, 640, 360) == 0xff0000u;
    }));

    ASSERT_TRUE(swaymsg({"output", "HEADLESS-1", "resolution", "1024x768"}));
    std::unique_ptr<CapturedFrame> frame = test::captureUntil(backend, [](const CapturedFrame& f) {
        return f.width == 1024 && f.height == 768 && pixelAt(f, 1000, 700) == 0xff0000u;
    });
    ASSERT_TRUE(frame) << "no 1024x768 picture of the probe came";
    EXPECT_EQ(frame->stride, 1024 * 4);
    EXPECT_EQ(backend.currentMonitor().width, 1024);
    EXPECT_EQ(backend.currentMonitor().height, 768);
    EXPECT_TRUE(backend.isInitialized());

    // Back to the size the other tests expect.
    ASSERT_TRUE(swaymsg({"output", "HEADLESS-1", "resolution", "1280x720"}));
    EXPECT_TRUE(test::captureUntil(backend, [](const CapturedFrame& f) {
        return f.width == 1280 && f.height == 720 && f.isKeyframe;
    }));
}

TEST_F(WlrootsDesktop, PointerButtonsWheelAndKeysReachTheWindowUnderThem) {
    WaylandProbe probe;
    ASSERT_TRUE(probe.start("#00ff00"));
    WlrootsInputBackend input;
    ASSERT_TRUE(input.initialize());
    test::checkInputReachesTheWindow(input, probe);
}

} // namespace
} // namespace nimbral
