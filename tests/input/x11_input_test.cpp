#include <QTest>

#include <gtest/gtest.h>

#include "input/x11_input_backend.h"
#include "log_capture.h"
#include "xvfb_server.h"

// X headers last: their macros clash with Qt's.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>

namespace nimbral {
namespace {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

// A full-screen window of the test's own that takes focus and records what reaches it.
class Receiver {
public:
    Receiver()
        : m_display(XOpenDisplay(nullptr)) {
        if (m_display == nullptr) {
            return;
        }
        m_window = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 0, 0, kScreenWidth,
                                       kScreenHeight, 0, 0, 0);
        XSelectInput(m_display, m_window,
                     KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                         ExposureMask);
        XMapRaised(m_display, m_window);
        XSync(m_display, False);
        XSetInputFocus(m_display, m_window, RevertToParent, CurrentTime);
        XSync(m_display, False);
    }
    ~Receiver() {
        if (m_display != nullptr) {
            XDestroyWindow(m_display, m_window);
            XCloseDisplay(m_display);
        }
    }
    bool ok() const { return m_display != nullptr; }

    // The next key or button event, skipping others; type 0 when none came in time.
    XEvent next(int timeoutMs = 2000) {
        XEvent event{};
        [[maybe_unused]] const bool arrived = QTest::qWaitFor(
            [&] {
                while (XPending(m_display) > 0) {
                    XNextEvent(m_display, &event);
                    if (event.type == KeyPress || event.type == KeyRelease ||
                        event.type == ButtonPress || event.type == ButtonRelease) {
                        return true;
                    }
                }
                event.type = 0;
                return false;
            },
            timeoutMs);
        return event;
    }
    KeySym keysymOf(XEvent& event) { return XLookupKeysym(&event.xkey, 0); }
    std::pair<int, int> pointer() {
        Window root = 0;
        Window child = 0;
        int x = 0;
        int y = 0;
        int wx = 0;
        int wy = 0;
        unsigned mask = 0;
        XQueryPointer(m_display, DefaultRootWindow(m_display), &root, &child, &x, &y, &wx, &wy,
                      &mask);
        return {x, y};
    }

private:
    Display* m_display;
    Window m_window = 0;
};

InputEvent mouse(std::uint8_t type, double x, double y, std::uint8_t button = kMouseLeft,
                 std::int16_t wheel = 0) {
    InputEvent event;
    event.type = type;
    event.x = x;
    event.y = y;
    event.button = button;
    event.wheelDelta = wheel;
    return event;
}

InputEvent key(std::uint8_t type, std::uint32_t vk, std::uint32_t scan, bool extended = false) {
    InputEvent event;
    event.type = type;
    event.keyCode = vk;
    event.scanCode = scan;
    event.extended = extended;
    return event;
}

class X11InputTest : public XvfbTest<kScreenWidth, kScreenHeight> {
protected:
    void SetUp() override {
        if (!hasDisplay()) {
            GTEST_SKIP() << "Xvfb is not available";
        }
        receiver = std::make_unique<Receiver>();
        ASSERT_TRUE(receiver->ok());
        ASSERT_TRUE(backend.initialize());
    }

    std::unique_ptr<Receiver> receiver;
    X11InputBackend backend;
};

TEST_F(X11InputTest, PositionsSpanThePrimaryMonitor) {
    ASSERT_TRUE(backend.injectEvent(mouse(1, 0.5, 0.25)));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return receiver->pointer() == std::pair{320, 120};
        },
        2000))
        << receiver->pointer().first << "," << receiver->pointer().second;
    ASSERT_TRUE(backend.injectEvent(mouse(1, -0.2, 1.7)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return receiver->pointer() == std::pair{0, 479}; }, 2000));
}

// Two monitors side by side: positions span the one the Master is shown, as the capture lists
// them, and fall back to the primary one for a monitor that is not there.
TEST_F(X11InputTest, PositionsSpanTheMonitorTheMasterSees) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const Window root = DefaultRootWindow(display);
    const auto addMonitor = [&](const char* name, int x, bool primary) {
        XRRMonitorInfo monitor{};
        monitor.name = XInternAtom(display, name, False);
        monitor.primary = primary;
        monitor.x = x;
        monitor.width = kScreenWidth / 2;
        monitor.height = kScreenHeight;
        monitor.mwidth = 100;
        monitor.mheight = 100;
        XRRSetMonitor(display, root, &monitor);
    };
    addMonitor("LEFT", 0, true);
    addMonitor("RIGHT", kScreenWidth / 2, false);
    XSync(display, False);
    const auto removeMonitors = [&] {
        XRRDeleteMonitor(display, root, XInternAtom(display, "LEFT", False));
        XRRDeleteMonitor(display, root, XInternAtom(display, "RIGHT", False));
        XCloseDisplay(display);
    };
    // The server may list its own monitor beside ours: positions follow the list's order.
    int count = 0;
    int left = -1;
    int right = -1;
    XRRMonitorInfo* listed = XRRGetMonitors(display, root, True, &count);
    for (int i = 0; i < count; ++i) {
        left = listed[i].name == XInternAtom(display, "LEFT", False) ? i : left;
        right = listed[i].name == XInternAtom(display, "RIGHT", False) ? i : right;
    }
    XRRFreeMonitors(listed);
    if (left < 0 || right < 0) {
        removeMonitors();
        GTEST_SKIP() << "this X server does not list the monitors set";
    }
    const auto pointsAt = [&](std::pair<int, int> where) {
        return QTest::qWaitFor([&] { return receiver->pointer() == where; }, 2000);
    };
    backend.setMonitor(right);
    EXPECT_TRUE(backend.injectEvent(mouse(1, 0.5, 0.25)));
    EXPECT_TRUE(pointsAt({480, 120})) << receiver->pointer().first;
    backend.setMonitor(left);
    EXPECT_TRUE(backend.injectEvent(mouse(1, 0.5, 0.25)));
    EXPECT_TRUE(pointsAt({160, 120})) << receiver->pointer().first;
    backend.setMonitor(count + 2); // not there: the primary one, LEFT
    EXPECT_TRUE(backend.injectEvent(mouse(1, 1.0, 1.0)));
    EXPECT_TRUE(pointsAt({319, 479})) << receiver->pointer().first;
    removeMonitors();
}

TEST_F(X11InputTest, ButtonsArriveAsTheirXButtonsWhereTheMasterClicked) {
    const std::pair<std::uint8_t, unsigned> table[] = {
        {kMouseLeft, 1}, {kMouseRight, 3}, {kMouseMiddle, 2}, {kMouseBack, 8}, {kMouseForward, 9}};
    for (const auto& [code, xButton] : table) {
        ASSERT_TRUE(backend.injectEvent(mouse(2, 0.25, 0.5, code)));
        ASSERT_TRUE(backend.injectEvent(mouse(3, 0.25, 0.5, code)));
        XEvent press = receiver->next();
        XEvent release = receiver->next();
        ASSERT_EQ(press.type, ButtonPress) << int(code);
        EXPECT_EQ(press.xbutton.button, xButton);
        EXPECT_EQ(press.xbutton.x, 160);
        EXPECT_EQ(press.xbutton.y, 240);
        ASSERT_EQ(release.type, ButtonRelease);
        EXPECT_EQ(release.xbutton.button, xButton);
    }
    test::LogCapture log;
    EXPECT_FALSE(backend.injectEvent(mouse(2, 0.5, 0.5, 6)));
    EXPECT_TRUE(log.has(spdlog::level::warn, "X11InputBackend: unknown mouse button 6"));
    EXPECT_FALSE(backend.injectEvent(mouse(9, 0.5, 0.5)));
    EXPECT_TRUE(log.has(spdlog::level::warn, "X11InputBackend: unknown event type 9"));
}

TEST_F(X11InputTest, TheWheelTurnsWholeNotchesAndKeepsTheRest) {
    ASSERT_TRUE(backend.injectEvent(mouse(4, 0.5, 0.5, kMouseLeft, 60)));
    EXPECT_EQ(receiver->next(300).type, 0); // half a notch: nothing yet
    ASSERT_TRUE(backend.injectEvent(mouse(4, 0.5, 0.5, kMouseLeft, 60)));
    XEvent up = receiver->next();
    ASSERT_EQ(up.type, ButtonPress);
    EXPECT_EQ(up.xbutton.button, 4u);
    EXPECT_EQ(receiver->next().type, ButtonRelease);

    ASSERT_TRUE(backend.injectEvent(mouse(4, 0.5, 0.5, kMouseLeft, -240)));
    for (int notch = 0; notch < 2; ++notch) {
        XEvent down = receiver->next();
        ASSERT_EQ(down.type, ButtonPress) << notch;
        EXPECT_EQ(down.xbutton.button, 5u);
        EXPECT_EQ(receiver->next().type, ButtonRelease);
    }
}

TEST_F(X11InputTest, KeysFollowTheScanCodeElseTheVirtualKey) {
    struct Case {
        InputEvent event;
        KeySym expected;
    };
    const Case cases[] = {
        {key(5, 0x41, 0x1E), XK_a},
        {key(5, 0x35, 0x06), XK_5},
        {key(5, 0x26, 0xE048, true), XK_Up},
        {key(5, 0x26, 0x48, true), XK_Up},
        {key(5, 0x25, 0x4B, true), XK_Left},
        {key(5, 0xA0, 0x2A), XK_Shift_L},
        {key(5, 0xA3, 0x1D, true), XK_Control_R},
        {key(5, 0x42, 0), XK_b}, // no scan code: the virtual key decides
        {key(5, 0x0D, 0), XK_Return},
        {key(5, 0x41, 0x30), XK_b}, // the scan code wins over the virtual key
    };
    for (const Case& c : cases) {
        InputEvent release = c.event;
        release.type = 6;
        ASSERT_TRUE(backend.injectEvent(c.event));
        ASSERT_TRUE(backend.injectEvent(release));
        XEvent press = receiver->next();
        XEvent up = receiver->next();
        ASSERT_EQ(press.type, KeyPress) << std::hex << c.event.keyCode;
        EXPECT_EQ(receiver->keysymOf(press), c.expected) << std::hex << c.event.scanCode;
        ASSERT_EQ(up.type, KeyRelease);
    }
    test::LogCapture log;
    EXPECT_FALSE(backend.injectEvent(key(5, 0xFF, 0)));
    EXPECT_TRUE(log.hasPrefix(spdlog::level::warn, "X11InputBackend: no key for virtual key 255"));
}

TEST(X11InputBackendAlone, RefusesBeforeInitialization) {
    X11InputBackend backend;
    test::LogCapture log;
    EXPECT_FALSE(backend.injectEvent(mouse(1, 0.5, 0.5)));
    EXPECT_TRUE(
        log.has(spdlog::level::warn, "X11InputBackend: injectEvent called before initialization"));
}

} // namespace
} // namespace nimbral
