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

TEST_F(WlrootsDesktop, PointerButtonsWheelAndKeysReachTheWindowUnderThem) {
    WaylandProbe probe;
    ASSERT_TRUE(probe.start("#00ff00"));
    WlrootsInputBackend input;
    ASSERT_TRUE(input.initialize());
    test::checkInputReachesTheWindow(input, probe);
}

} // namespace
} // namespace nimbral
