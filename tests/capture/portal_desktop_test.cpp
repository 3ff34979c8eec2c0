#include <gtest/gtest.h>

#include "capture/mutter_capture_backend.h"
#include "capture/portal_capture_backend.h"
#include "desktop_processes.h"
#include "input/remote_desktop_input_backend.h"
#include "platform/linux_desktop.h"
#include "platform/portal_remote_desktop.h"
#include "portal_dialog.h"
#include "wayland_desktop_checks.h"

namespace nimbral {
namespace {

class PortalDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        if (!headlessDesktopRunning()) {
            GTEST_SKIP() << "no headless GNOME with xdg-desktop-portal-gnome here";
        }
    }
};

TEST_F(PortalDesktop, IsChosenListsTheOutputsAndRecordsTheMonitorTheUserShared) {
    QString why;
    ASSERT_EQ(platform::linuxDesktop(&why), platform::LinuxDesktop::Portal) << why.toStdString();
    PortalCaptureBackend backend;
    const std::vector<MonitorInfo> monitors = backend.enumerateMonitors();
    ASSERT_EQ(monitors.size(), 1u);
    EXPECT_EQ(monitors[0].width, 1280);
    EXPECT_EQ(monitors[0].height, 720);
    EXPECT_FALSE(backend.initialize(1)) << "the compositor has no second output";

    ASSERT_TRUE(backend.initialize(0));
    ASSERT_TRUE(test::PortalDialogUser().answer(false));
    WaylandProbe probe;
    ASSERT_TRUE(probe.start("#ff0000"));
    test::checkPicturesFollowTheScreen(backend, probe);
    EXPECT_EQ(backend.currentMonitor().name, monitors[0].name);
    const std::shared_ptr<platform::PortalRemoteDesktop> session =
        platform::PortalRemoteDesktop::current();
    ASSERT_TRUE(session);
    EXPECT_FALSE(session->acceptsInput()) << "the user did not allow remote interaction";
    RemoteDesktopInputBackend input("desktop portal",
                                    [] { return platform::PortalRemoteDesktop::current(); });
    ASSERT_TRUE(input.initialize());
    EXPECT_FALSE(input.injectEvent(test::mouse(InputEventType::MouseMove, 0.5, 0.5)));
}

TEST_F(PortalDesktop, WithRemoteInteractionAllowedInputReachesTheWindow) {
    RemoteDesktopInputBackend input("desktop portal",
                                    [] { return platform::PortalRemoteDesktop::current(); });
    ASSERT_TRUE(input.initialize());
    PortalCaptureBackend capture;
    ASSERT_TRUE(capture.initialize(0));
    ASSERT_TRUE(test::PortalDialogUser().answer(true));
    WaylandProbe probe;
    ASSERT_TRUE(probe.start("#00ff00"));
    ASSERT_TRUE(test::captureUntil(capture, [](const CapturedFrame& f) {
        return pixelAt(f, 640, 360) == 0x00ff00u;
    })) << "the probe never showed";
    test::checkInputReachesTheWindow(input, probe);
}

TEST_F(PortalDesktop, ADeclinedDialogEndsTheCapture) {
    PortalCaptureBackend capture;
    ASSERT_TRUE(capture.initialize(0));
    test::PortalDialogUser user;
    ASSERT_TRUE(user.waitForTheDialog());
    user.cancel();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            EXPECT_EQ(capture.captureFrame(), nullptr);
            return !capture.isInitialized();
        },
        10000));
    EXPECT_EQ(platform::PortalRemoteDesktop::current(), nullptr);
}

TEST_F(PortalDesktop, AQuestionLeftUnansweredIsWithdrawnWhenTheCaptureStops) {
    auto capture = std::make_unique<PortalCaptureBackend>();
    ASSERT_TRUE(capture->initialize(0));
    test::PortalDialogUser user;
    ASSERT_TRUE(user.waitForTheDialog());
    capture.reset(); // the Master left before anyone answered
    EXPECT_TRUE(user.waitForTheDialogToGo());
}

} // namespace
} // namespace nimbral
