#include <gtest/gtest.h>

#include "capture/mutter_capture_backend.h"
#include "desktop_processes.h"
#include "input/remote_desktop_input_backend.h"
#include "platform/linux_desktop.h"
#include "platform/mutter_remote_desktop.h"
#include "wayland_desktop_checks.h"

namespace nimbral {
namespace {

class GnomeDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        if (!headlessDesktopRunning()) {
            GTEST_SKIP() << "no headless GNOME here (mutter, pipewire, wireplumber)";
        }
    }
};

TEST_F(GnomeDesktop, IsChosenAndListsItsMonitorByConnectorAndSize) {
    EXPECT_EQ(platform::linuxDesktop(), platform::LinuxDesktop::Gnome);
    MutterCaptureBackend backend;
    const std::vector<MonitorInfo> monitors = backend.enumerateMonitors();
    ASSERT_EQ(monitors.size(), 1u);
    EXPECT_EQ(monitors[0].name, "Meta-0");
    EXPECT_EQ(monitors[0].width, 1280);
    EXPECT_EQ(monitors[0].height, 720);
    EXPECT_TRUE(monitors[0].isPrimary);
    EXPECT_FALSE(backend.initialize(1)) << "GNOME has no second monitor here";
    EXPECT_FALSE(backend.isInitialized());
}

TEST_F(GnomeDesktop, PicturesFollowTheScreenAndSayWhatChanged) {
    WaylandProbe probe;
    ASSERT_TRUE(probe.start("#ff0000"));
    MutterCaptureBackend backend;
    ASSERT_TRUE(backend.initialize(0));
    test::checkPicturesFollowTheScreen(backend, probe);
}

TEST_F(GnomeDesktop, PointerButtonsWheelAndKeysReachTheWindowUnderThem) {
    WaylandProbe probe;
    ASSERT_TRUE(probe.start("#00ff00"));
    RemoteDesktopInputBackend input("GNOME",
                                    [] { return platform::MutterRemoteDesktop::current(); });
    ASSERT_TRUE(input.initialize());
    EXPECT_FALSE(input.injectEvent(test::mouse(InputEventType::MouseMove, 0.5, 0.5)))
        << "nothing is recorded yet, so nothing to aim at";

    MutterCaptureBackend capture;
    ASSERT_TRUE(capture.initialize(0));
    ASSERT_TRUE(test::captureUntil(capture, [](const CapturedFrame& f) {
        return pixelAt(f, 640, 360) == 0x00ff00u;
    })) << "the probe never showed";
    test::checkInputReachesTheWindow(input, probe);
}

} // namespace
} // namespace nimbral
