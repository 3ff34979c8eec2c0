// A whole session whose Target shows and is driven through a real X display: the X11 screen
// readers capture a private Xvfb where a test window is drawn, and the Master's pointer and
// keys come back to that window through XTest.
#include "capture/x11_getimage_capture_backend.h"
#include "capture/x11_shm_capture_backend.h"
#include "codec/frame_converter.h"
#include "input/x11_input_backend.h"
#include "log_capture.h"
#include "session_pair.h"
#include "xvfb_server.h"

// Named before Xlib defines KeyPress and KeyRelease as macros.
constexpr auto kKeyDownEvent = static_cast<std::uint8_t>(nimbral::InputEventType::KeyPress);
constexpr auto kKeyUpEvent = static_cast<std::uint8_t>(nimbral::InputEventType::KeyRelease);

// Last: Xlib's macros would break the Qt headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace nimbral {
namespace {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;
const QRect kWindow(100, 120, 200, 150);

// A red window on the Target's screen that takes the focus and records key and button events.
class TestWindow {
public:
    TestWindow()
        : m_display(XOpenDisplay(nullptr)) {
        if (m_display == nullptr) {
            return;
        }
        const int screen = DefaultScreen(m_display);
        m_window =
            XCreateSimpleWindow(m_display, RootWindow(m_display, screen), kWindow.x(), kWindow.y(),
                                kWindow.width(), kWindow.height(), 0, 0, 0xFF0000);
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True; // exactly where asked, no window manager anyway
        XChangeWindowAttributes(m_display, m_window, CWOverrideRedirect, &attributes);
        XSelectInput(m_display, m_window, KeyPressMask | ButtonPressMask);
        XMapRaised(m_display, m_window);
        XSync(m_display, False);
        XSetInputFocus(m_display, m_window, RevertToParent, CurrentTime);
        XSync(m_display, False);
    }
    ~TestWindow() {
        if (m_display != nullptr) {
            XDestroyWindow(m_display, m_window);
            XCloseDisplay(m_display);
        }
    }
    bool ok() const { return m_display != nullptr; }

    // The key and button events that arrived so far.
    std::vector<XEvent> events() {
        while (XPending(m_display) > 0) {
            XEvent event{};
            XNextEvent(m_display, &event);
            if (event.type == KeyPress || event.type == ButtonPress) {
                m_events.push_back(event);
            }
        }
        return m_events;
    }

private:
    Display* m_display;
    Window m_window = 0;
    std::vector<XEvent> m_events;
};

class SessionOnX11 : public test::SessionPairTest {
protected:
    static void SetUpTestSuite() {
        s_xvfb = new XvfbServer;
        if (!s_xvfb->start(kScreenWidth, kScreenHeight)) {
            delete s_xvfb;
            s_xvfb = nullptr;
        }
        test::SessionPairTest::SetUpTestSuite();
    }
    static void TearDownTestSuite() {
        test::SessionPairTest::TearDownTestSuite();
        delete s_xvfb;
        s_xvfb = nullptr;
    }
    void SetUp() override {
        if (s_xvfb == nullptr) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        test::SessionPairTest::SetUp();
        target->session.setCaptureBackends(
            [] { return std::make_unique<X11ShmCaptureBackend>(); },
            [] { return std::make_unique<X11GetImageCaptureBackend>(); });
        target->session.setInputBackendFactory([] { return std::make_unique<X11InputBackend>(); });
    }
    static inline XvfbServer* s_xvfb = nullptr;
};

TEST_F(SessionOnX11, TheMasterSeesTheTargetsWindowAndDrivesIt) {
    TestWindow window;
    ASSERT_TRUE(window.ok());
    std::shared_ptr<DecodedFrame> picture;
    QObject::connect(&master->session, &SessionManager::frameDecoded, &master->session,
                     [&picture](std::shared_ptr<DecodedFrame> frame) { picture = frame; });
    connectPair();
    ASSERT_WAIT(picture != nullptr, 10000);
    ASSERT_EQ(picture->width, kScreenWidth);
    ASSERT_EQ(picture->height, kScreenHeight);

    // Red where the window is, the black root elsewhere.
    std::vector<std::uint8_t> red{0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255};
    std::vector<std::uint8_t> nv12(6);
    FrameConverter().convert(red.data(), 2, 2, 8, nv12.data(), nv12.size());
    const QPoint inside = kWindow.center();
    auto luma = [&](QPoint at) {
        return static_cast<int>(
            picture->yPlane[static_cast<std::size_t>(at.y()) * picture->yStride + at.x()]);
    };
    auto chroma = [&](QPoint at, int which) {
        return static_cast<int>(
            picture->uvPlane[static_cast<std::size_t>(at.y() / 2) * picture->uvStride +
                             (at.x() & ~1) + which]);
    };
    EXPECT_NEAR(luma(inside), nv12[0], 6);
    EXPECT_NEAR(chroma(inside, 0), nv12[4], 6);
    EXPECT_NEAR(chroma(inside, 1), nv12[5], 6);
    EXPECT_LT(luma(QPoint(500, 400)), 24);
    // The window's edge lies where it was drawn.
    EXPECT_LT(luma(QPoint(kWindow.x() - 3, inside.y())), 24);
    EXPECT_NEAR(luma(QPoint(kWindow.x() + 3, inside.y())), nv12[0], 8);

    // A click on the window's middle and a key, as the view would send them.
    InputEvent press;
    press.type = static_cast<std::uint8_t>(InputEventType::MouseButtonPress);
    press.x = (inside.x() + 0.5) / kScreenWidth;
    press.y = (inside.y() + 0.5) / kScreenHeight;
    InputEvent release = press;
    release.type = static_cast<std::uint8_t>(InputEventType::MouseButtonRelease);
    InputEvent key;
    key.type = kKeyDownEvent;
    key.keyCode = 0x41; // 'A'
    key.scanCode = 0x1E;
    InputEvent keyUp = key;
    keyUp.type = kKeyUpEvent;
    for (const InputEvent& event : {press, release, key, keyUp}) {
        master->session.sendInputEvent(event);
    }
    ASSERT_WAIT(window.events().size() >= 2, 5000);
    const std::vector<XEvent> events = window.events();
    ASSERT_EQ(events[0].type, ButtonPress);
    EXPECT_EQ(events[0].xbutton.button, 1u);
    EXPECT_NEAR(events[0].xbutton.x, inside.x() - kWindow.x(), 1);
    EXPECT_NEAR(events[0].xbutton.y, inside.y() - kWindow.y(), 1);
    ASSERT_EQ(events[1].type, KeyPress);
    XKeyEvent keyEvent = events[1].xkey;
    EXPECT_EQ(XLookupKeysym(&keyEvent, 0), static_cast<KeySym>(XK_a));
}

// The pointer moved by the Master changes only a few pixels on the Target's screen: those
// frames go as small deltas, not as pictures that stand alone.
TEST_F(SessionOnX11, APointerMoveIsSentAsADeltaNotAKeyFrame) {
    int pictures = 0;
    int sent = 0;
    QObject::connect(&master->session, &SessionManager::frameDecoded, &master->session,
                     [&pictures] { ++pictures; });
    QObject::connect(&target->session, &SessionManager::videoFrameSent, &target->session,
                     [&sent] { ++sent; });
    connectPair();
    ASSERT_WAIT(pictures > 0, 10000);
    // Settled: the first picture, and the still screen's repetition after it. A first capture
    // that came before the link was up is owed as a key frame, which is paid by then.
    ASSERT_WAIT(sent >= 2, 10000);
    test::LogCapture log;
    const int before = pictures;
    for (int step = 0; step < 4; ++step) {
        InputEvent move;
        move.type = static_cast<std::uint8_t>(InputEventType::MouseMove);
        move.x = 0.2 + 0.1 * step;
        move.y = 0.7;
        master->session.sendInputEvent(move);
        QTest::qWait(150);
    }
    ASSERT_WAIT(pictures >= before + 3, 5000);
    int keyFrames = 0;
    int deltas = 0;
    for (const auto& line : log.lines()) {
        if (line.text.rfind("AV1Encoder: encoded frame ", 0) == 0) {
            keyFrames += line.text.find(", keyframe)") != std::string::npos ? 1 : 0;
            deltas += line.text.find(", delta)") != std::string::npos ? 1 : 0;
        }
    }
    EXPECT_GE(deltas, 3);
    EXPECT_EQ(keyFrames, 0);
}

} // namespace
} // namespace nimbral
