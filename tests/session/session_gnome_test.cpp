// A whole session whose Target is a GNOME Wayland desktop: the platform's own choice of backends
// finds GNOME, records its screen through the screen cast, and drives a window on it through the
// remote-desktop session. The Master, through the real server, sees what the window paints.
#include "capture/capture_backend_chain.h"
#include "codec/frame_converter.h"
#include "headless_gnome.h"
#include "input/platform_input.h"
#include "session_pair.h"
#include "wayland_probe.h"

namespace nimbral {
namespace {

class SessionOnGnome : public test::SessionPairTest {
protected:
    void SetUp() override {
        if (!headlessGnomeRunning()) {
            GTEST_SKIP() << "no headless GNOME here (mutter, pipewire, wireplumber)";
        }
        test::SessionPairTest::SetUp();
        target->session.setCaptureBackends(makePrimaryCaptureBackend, makeFallbackCaptureBackend);
        target->session.setInputBackendFactory(makePlatformInputBackend);
    }
};

// The NV12 luma and chroma of an RGB colour, as the Target's converter makes them.
std::vector<std::uint8_t> nv12Of(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    std::vector<std::uint8_t> bgra;
    for (int i = 0; i < 4; ++i) {
        bgra.insert(bgra.end(), {b, g, r, 255});
    }
    std::vector<std::uint8_t> nv12(6);
    FrameConverter().convert(bgra.data(), 2, 2, 8, nv12.data(), nv12.size());
    return nv12;
}

bool looksLike(const DecodedFrame& picture, int x, int y, const std::vector<std::uint8_t>& nv12) {
    const int luma = picture.yPlane[static_cast<std::size_t>(y) * picture.yStride + x];
    const std::size_t at = static_cast<std::size_t>(y / 2) * picture.uvStride + (x & ~1);
    return std::abs(luma - nv12[0]) <= 8 && std::abs(picture.uvPlane[at] - nv12[4]) <= 8 &&
           std::abs(picture.uvPlane[at + 1] - nv12[5]) <= 8;
}

TEST_F(SessionOnGnome, TheMasterSeesTheWaylandWindowFollowItAndDrivesIt) {
    WaylandProbe probe;
    ASSERT_TRUE(probe.start("#ff0000"));
    std::shared_ptr<DecodedFrame> picture;
    QObject::connect(&master->session, &SessionManager::frameDecoded, &master->session,
                     [&picture](std::shared_ptr<DecodedFrame> frame) { picture = frame; });
    connectPair();
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
    // The first keys of a session on headless GNOME 43 may be dropped for a while (see the
    // backend's test): the key goes again until it arrives.
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
