#include "input/x11_input_backend.h"

#include <spdlog/spdlog.h>

#include "input/windows_keys.h"

namespace {

// Named before the X headers, whose KeyPress and KeyRelease macros would take these names.
constexpr std::uint8_t kMoveEvent = static_cast<std::uint8_t>(nimbral::InputEventType::MouseMove);
constexpr std::uint8_t kPressEvent =
    static_cast<std::uint8_t>(nimbral::InputEventType::MouseButtonPress);
constexpr std::uint8_t kReleaseEvent =
    static_cast<std::uint8_t>(nimbral::InputEventType::MouseButtonRelease);
constexpr std::uint8_t kWheelEvent = static_cast<std::uint8_t>(nimbral::InputEventType::MouseWheel);
constexpr std::uint8_t kKeyDownEvent = static_cast<std::uint8_t>(nimbral::InputEventType::KeyPress);
constexpr std::uint8_t kKeyUpEvent = static_cast<std::uint8_t>(nimbral::InputEventType::KeyRelease);

} // namespace

// X headers last: their macros clash with Qt's and with our names.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>

namespace nimbral {

namespace {

struct MonitorArea {
    int x = 0;
    int y = 0;
    int width = 1;
    int height = 1;
};

// The monitor at `index` in RandR's list of active monitors (the capture's order); the primary
// one (or the first, or the whole screen) when there is no such monitor.
MonitorArea monitorArea(Display* display, int index) {
    MonitorArea area;
    area.width = DisplayWidth(display, DefaultScreen(display));
    area.height = DisplayHeight(display, DefaultScreen(display));
    int eventBase = 0;
    int errorBase = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase)) {
        return area;
    }
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
    int chosen = index >= 0 && index < count ? index : -1;
    for (int i = 0; i < count && chosen < 0; ++i) {
        if (monitors[i].primary) {
            chosen = i;
        }
    }
    if (chosen < 0 && count > 0) {
        chosen = 0;
    }
    if (chosen >= 0) {
        area = {monitors[chosen].x, monitors[chosen].y, monitors[chosen].width,
                monitors[chosen].height};
    }
    if (index >= count && count > 0) {
        spdlog::warn("X11InputBackend: no monitor {} (of {}): input spans the primary one", index,
                     count);
    }
    if (monitors != nullptr) {
        XRRFreeMonitors(monitors);
    }
    return area;
}

// Wire button codes to X buttons.
int xButton(std::uint8_t button) {
    switch (button) {
    case kMouseLeft:
        return 1;
    case kMouseMiddle:
        return 2;
    case kMouseRight:
        return 3;
    case kMouseBack:
        return 8;
    case kMouseForward:
        return 9;
    default:
        return 0;
    }
}

} // namespace

struct X11InputBackend::State {
    Display* display = nullptr;
    MonitorArea area;
    int monitor = -1;
    int wheelRemainder = 0;
};

X11InputBackend::X11InputBackend()
    : m_state(std::make_unique<State>()) {
}

X11InputBackend::~X11InputBackend() {
    if (m_state->display != nullptr) {
        shutdown();
    }
}

bool X11InputBackend::initialize() {
    if (m_state->display != nullptr) {
        return true;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        spdlog::error("X11InputBackend: cannot open the X display");
        return false;
    }
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        spdlog::error("X11InputBackend: XTEST not available");
        XCloseDisplay(display);
        return false;
    }
    m_state->display = display;
    m_state->area = monitorArea(display, m_state->monitor);
    m_state->wheelRemainder = 0;
    spdlog::info("X11InputBackend: initialized");
    return true;
}

void X11InputBackend::shutdown() {
    if (m_state->display != nullptr) {
        XCloseDisplay(m_state->display);
        m_state->display = nullptr;
    }
    spdlog::info("X11InputBackend: shut down");
}

void X11InputBackend::setMonitor(int index) {
    m_state->monitor = index;
    if (m_state->display != nullptr) {
        m_state->area = monitorArea(m_state->display, index);
    }
}

bool X11InputBackend::movePointer(const InputEvent& event) {
    const MonitorArea& area = m_state->area;
    // 0..65535 spans the monitor the Master sees.
    const int x = area.x + static_cast<int>(static_cast<long long>(absoluteCoordinate(event.x)) *
                                            area.width / 65536);
    const int y = area.y + static_cast<int>(static_cast<long long>(absoluteCoordinate(event.y)) *
                                            area.height / 65536);
    return XTestFakeMotionEvent(m_state->display, -1, x, y, CurrentTime) != 0;
}

bool X11InputBackend::injectWheel(const InputEvent& event) {
    Display* display = m_state->display;
    bool ok = movePointer(event);
    int total = m_state->wheelRemainder + event.wheelDelta;
    const int notches = total / 120;
    m_state->wheelRemainder = total % 120;
    // Button 4 scrolls up (away from the user), 5 down.
    const unsigned button = notches > 0 ? 4 : 5;
    for (int i = 0; i < (notches > 0 ? notches : -notches) && ok; ++i) {
        ok = XTestFakeButtonEvent(display, button, True, CurrentTime) != 0 &&
             XTestFakeButtonEvent(display, button, False, CurrentTime) != 0;
    }
    if (!ok) {
        spdlog::warn("X11InputBackend: XTest (mouse wheel) failed");
    }
    return ok;
}

bool X11InputBackend::injectKey(const InputEvent& event) {
    Display* display = m_state->display;
    KeyCode keycode = 0;
    if (const auto evdev = evdevFromScanCode(event.scanCode, event.extended)) {
        keycode = static_cast<KeyCode>(*evdev + 8);
        if (XkbKeycodeToKeysym(display, keycode, 0, 0) == NoSymbol) {
            keycode = 0; // this server's keymap is not evdev's
        }
    }
    if (keycode == 0) {
        if (const auto keysym = keysymFromVirtualKey(event.keyCode)) {
            keycode = XKeysymToKeycode(display, *keysym);
        }
    }
    if (keycode == 0) {
        spdlog::warn("X11InputBackend: no key for virtual key {} / scan code {}", event.keyCode,
                     event.scanCode);
        return false;
    }
    const bool press = event.type == kKeyDownEvent;
    const bool ok = XTestFakeKeyEvent(display, keycode, press ? True : False, CurrentTime) != 0;
    if (!ok) {
        spdlog::warn("X11InputBackend: XTest (keyboard) failed");
    }
    return ok;
}

bool X11InputBackend::injectEvent(const InputEvent& event) {
    Display* display = m_state->display;
    if (display == nullptr) {
        spdlog::warn("X11InputBackend: injectEvent called before initialization");
        return false;
    }
    if (event.type == 0 || event.type > 6) {
        spdlog::warn("X11InputBackend: unknown event type {}", event.type);
        return false;
    }
    bool ok = true;
    switch (event.type) {
    case kMoveEvent:
        ok = movePointer(event);
        if (!ok) {
            spdlog::warn("X11InputBackend: XTest (mouse move) failed");
        }
        break;
    case kPressEvent:
    case kReleaseEvent: {
        const int button = xButton(event.button);
        if (button == 0) {
            spdlog::warn("X11InputBackend: unknown mouse button {}", event.button);
            return false;
        }
        const bool press = event.type == kPressEvent;
        ok = movePointer(event) && XTestFakeButtonEvent(display, static_cast<unsigned>(button),
                                                        press ? True : False, CurrentTime) != 0;
        if (!ok) {
            spdlog::warn("X11InputBackend: XTest (mouse button) failed");
        }
        break;
    }
    case kWheelEvent:
        ok = injectWheel(event);
        break;
    case kKeyDownEvent:
    case kKeyUpEvent:
        ok = injectKey(event);
        break;
    default:
        break;
    }
    XFlush(display);
    return ok;
}

} // namespace nimbral
