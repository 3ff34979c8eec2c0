#include <QSettings>

#include <gtest/gtest.h>

#include "capture/portal_capture_backend.h"
#include "desktop_processes.h"
#include "input/remote_desktop_input_backend.h"
#include "platform/portal_remote_desktop.h"
#include "portal_dialog.h"
#include "wayland_desktop_checks.h"

namespace nimbral {
namespace {

class ScreenCastPortal : public ::testing::Test {
protected:
    void SetUp() override {
        if (!headlessDesktopRunning()) {
            GTEST_SKIP() << "no headless GNOME with xdg-desktop-portal-gnome here";
        }
    }
};

QString keptRestoreToken() {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                             QStringLiteral("Nimbral"), QStringLiteral("NimbralClient"));
    return settings.value(QStringLiteral("Portal/RestoreToken")).toString();
}

// Records until the probe's colour shows in the middle of the picture.
bool probeShows(PortalCaptureBackend& capture, std::uint32_t colour) {
    return test::captureUntil(capture, [colour](const CapturedFrame& f) {
               return pixelAt(f, 640, 360) == colour;
           }) != nullptr;
}

TEST_F(ScreenCastPortal, TheUserIsAskedOnceAndTheTargetIsViewOnly) {
    ASSERT_TRUE(keptRestoreToken().isEmpty());
    {
        PortalCaptureBackend capture;
        ASSERT_TRUE(capture.initialize(0));
        ASSERT_TRUE(test::PortalDialogUser().answerTheScreenCast());
        WaylandProbe probe;
        ASSERT_TRUE(probe.start("#ff0000"));
        ASSERT_TRUE(probeShows(capture, 0xff0000u));
        const std::shared_ptr<platform::PortalRemoteDesktop> session =
            platform::PortalRemoteDesktop::current();
        ASSERT_TRUE(session);
        EXPECT_FALSE(session->acceptsInput()) << "a screen cast carries no input";
        RemoteDesktopInputBackend input("desktop portal",
                                        [] { return platform::PortalRemoteDesktop::current(); });
        ASSERT_TRUE(input.initialize());
        EXPECT_FALSE(input.injectEvent(test::mouse(InputEventType::MouseMove, 0.5, 0.5)));
    }
    ASSERT_FALSE(keptRestoreToken().isEmpty()) << "the portal's restore token was not kept";

    // Nobody answers now: the kept permission starts the capture.
    PortalCaptureBackend again;
    ASSERT_TRUE(again.initialize(0));
    WaylandProbe probe;
    ASSERT_TRUE(probe.start("#0000ff"));
    ASSERT_TRUE(probeShows(again, 0x0000ffu)) << "the portal asked again";
    EXPECT_FALSE(keptRestoreToken().isEmpty());
}

} // namespace
} // namespace nimbral
