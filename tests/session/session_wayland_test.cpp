// A whole session whose Target is a Wayland desktop (built for headless GNOME, headless sway, and
// GNOME behind the desktop portal): the platform's own choice of backends finds the desktop,
// records its screen and drives a window on it. The Master, through the real server, sees what the
// window paints. Behind the portal, the desktop's user allows it in the portal's dialog.
#include "capture/capture_backend_chain.h"
#include "desktop_processes.h"
#include "input/platform_input.h"
#include "picture_colours.h"
#include "platform/linux_desktop.h"
#include "portal_dialog.h"
#include "session_pair.h"
#include "wayland_probe.h"

namespace nimbral {
namespace {

class SessionOnWayland : public test::SessionPairTest {
protected:
    void SetUp() override {
        if (!headlessDesktopRunning()) {
            GTEST_SKIP() << "no headless desktop here (mutter, pipewire, wireplumber; sway)";
        }
        test::SessionPairTest::SetUp();
        target->session.setCaptureBackends(makePrimaryCaptureBackend, makeFallbackCaptureBackend);
        target->session.setInputBackendFactory(makePlatformInputBackend);
    }
};

using test::looksLike;
using test::nv12Of;

TEST_F(SessionOnWayland, TheMasterSeesTheWaylandWindowFollowItAndDrivesIt) {
    WaylandProbe probe;
    ASSERT_TRUE(probe.start("#ff0000"));
    std::shared_ptr<DecodedFrame> picture;
    QObject::connect(&master->session, &SessionManager::frameDecoded, &master->session,
                     [&picture](std::shared_ptr<DecodedFrame> frame) { picture = frame; });
    connectPair();
    if (platform::linuxDesktop() == platform::LinuxDesktop::Portal) {
        ASSERT_TRUE(test::PortalDialogUser().answer(true));
    }
    const std::vector<std::uint8_t> red = nv12Of(255, 0, 0);
    ASSERT_WAIT(picture && looksLike(*picture, 640, 360, red), 20000);
    EXPECT_EQ(picture->width, 1280);
    EXPECT_EQ(picture->height, 720);

    // A change on that screen reaches the Master; the rest stays as it was.
    probe.tell("square 400 200 160 120 #0000ff");
    const std::vector<std::uint8_t> blue = nv12Of(0, 0, 255);
    ASSERT_WAIT(looksLike(*picture, 480, 260, blue), 10000);
    EXPECT_TRUE(looksLike(*picture, 300, 500, red));

    // The pointer onto the square, a click there and a key, as the view would send them.
    InputEvent move;
    move.type = static_cast<std::uint8_t>(InputEventType::MouseMove);
    move.x = 480.5 / 1280;
    move.y = 260.5 / 720;
    master->session.sendInputEvent(move);
    EXPECT_TRUE(probe.waitFor("(enter|move) 480 260"));
    InputEvent press = move;
    press.type = static_cast<std::uint8_t>(InputEventType::MouseButtonPress);
    InputEvent release = press;
    release.type = static_cast<std::uint8_t>(InputEventType::MouseButtonRelease);
    master->session.sendInputEvent(press);
    master->session.sendInputEvent(release);
    EXPECT_TRUE(probe.waitFor("press 480 260 1"));
    EXPECT_TRUE(probe.waitFor("release 480 260 1"));
    InputEvent key;
    key.type = static_cast<std::uint8_t>(InputEventType::KeyPress);
    key.keyCode = 0x41; // 'A'
    key.scanCode = 0x1E;
    InputEvent keyUp = key;
    keyUp.type = static_cast<std::uint8_t>(InputEventType::KeyRelease);
    // The first keys of a session on headless GNOME 43 may be dropped for a while (see
    // wayland_desktop_checks.h): the key goes again until it arrives.
    bool typed = false;
    for (int attempt = 0; attempt < 30 && !typed; ++attempt) {
        master->session.sendInputEvent(key);
        master->session.sendInputEvent(keyUp);
        typed = probe.waitFor("key 38 a", 1000, WaylandProbe::Quiet);
    }
    EXPECT_TRUE(typed);
}

} // namespace
} // namespace nimbral
