#include "input/win32_input_backend.h"

#include <algorithm>

#include <spdlog/spdlog.h>

namespace nimbral {

namespace {

constexpr DWORD kMoveAbsolute = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE; // 0x8001

struct ButtonFlags {
    DWORD press;
    DWORD release;
    DWORD data;
};

bool buttonFlags(std::uint8_t button, ButtonFlags& flags) {
    switch (button) {
    case kMouseLeft:
        flags = {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 0};
        return true;
    case kMouseRight:
        flags = {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, 0};
        return true;
    case kMouseMiddle:
        flags = {MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 0};
        return true;
    case kMouseBack:
        flags = {MOUSEEVENTF_XDOWN, MOUSEEVENTF_XUP, XBUTTON1};
        return true;
    case kMouseForward:
        flags = {MOUSEEVENTF_XDOWN, MOUSEEVENTF_XUP, XBUTTON2};
        return true;
    default:
        return false;
    }
}

// A fraction of a monitor's span as 0..65535 of the virtual desktop's span, which Windows maps
// back to pixels by multiplying with the desktop's size.
LONG desktopCoordinate(double fraction, LONG monitorStart, LONG monitorSize, LONG desktopStart,
                       LONG desktopSize) {
    const long long position = static_cast<long long>(monitorStart - desktopStart) * 65536 +
                               static_cast<long long>(absoluteCoordinate(fraction)) * monitorSize;
    return static_cast<LONG>(
        std::clamp<long long>(position / std::max<LONG>(desktopSize, 1), 0, 65535));
}

BOOL CALLBACK addMonitor(HMONITOR, HDC, LPRECT rect, LPARAM context) {
    reinterpret_cast<std::vector<RECT>*>(context)->push_back(*rect);
    return TRUE;
}

} // namespace

Win32InputBackend::Layout Win32InputBackend::systemLayout() {
    Layout layout;
    layout.desktop.left = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
    layout.desktop.top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    layout.desktop.right = layout.desktop.left + ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
    layout.desktop.bottom = layout.desktop.top + ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
    ::EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&layout.monitors));
    return layout;
}

Win32InputBackend::Win32InputBackend()
    : Win32InputBackend(
          [](UINT count, INPUT* inputs, int size) { return ::SendInput(count, inputs, size); }) {
}

Win32InputBackend::Win32InputBackend(Sender sender, LayoutSource layout)
    : m_sender(std::move(sender))
    , m_layout(std::move(layout)) {
}

void Win32InputBackend::setMonitor(int index) {
    const Layout layout = m_layout();
    if (index < 0 || index >= static_cast<int>(layout.monitors.size())) {
        spdlog::warn("Win32InputBackend: no monitor {} (of {}): input spans the primary one", index,
                     layout.monitors.size());
        m_monitor.reset();
        return;
    }
    m_monitor = layout.monitors[static_cast<std::size_t>(index)];
    m_desktop = layout.desktop;
}

INPUT Win32InputBackend::mouseInput(const InputEvent& event, DWORD flags, DWORD data) const {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.mouseData = data;
    if (!m_monitor) {
        input.mi.dx = absoluteCoordinate(event.x);
        input.mi.dy = absoluteCoordinate(event.y);
        return input;
    }
    const RECT& monitor = *m_monitor;
    input.mi.dwFlags |= MOUSEEVENTF_VIRTUALDESK;
    input.mi.dx = desktopCoordinate(event.x, monitor.left, monitor.right - monitor.left,
                                    m_desktop.left, m_desktop.right - m_desktop.left);
    input.mi.dy = desktopCoordinate(event.y, monitor.top, monitor.bottom - monitor.top,
                                    m_desktop.top, m_desktop.bottom - m_desktop.top);
    return input;
}

Win32InputBackend::~Win32InputBackend() {
    spdlog::info("Win32InputBackend: shut down");
}

bool Win32InputBackend::initialize() {
    m_initialized = true;
    spdlog::info("Win32InputBackend: initialized");
    return true;
}

void Win32InputBackend::shutdown() {
    m_initialized = false;
    spdlog::info("Win32InputBackend: shut down");
}

bool Win32InputBackend::send(INPUT& input, const char* what) {
    if (m_sender(1, &input, sizeof(INPUT)) == 1) {
        return true;
    }
    spdlog::warn("Win32InputBackend: SendInput ({}) failed, error {}", what, ::GetLastError());
    return false;
}

bool Win32InputBackend::injectEvent(const InputEvent& event) {
    if (!m_initialized) {
        spdlog::warn("Win32InputBackend: injectEvent called before initialization");
        return false;
    }
    switch (static_cast<InputEventType>(event.type)) {
    case InputEventType::MouseMove: {
        INPUT input = mouseInput(event, kMoveAbsolute, 0);
        return send(input, "mouse move");
    }
    case InputEventType::MouseButtonPress:
    case InputEventType::MouseButtonRelease: {
        ButtonFlags flags{};
        if (!buttonFlags(event.button, flags)) {
            spdlog::warn("Win32InputBackend: unknown mouse button {}", event.button);
            return false;
        }
        const bool press =
            event.type == static_cast<std::uint8_t>(InputEventType::MouseButtonPress);
        INPUT input =
            mouseInput(event, kMoveAbsolute | (press ? flags.press : flags.release), flags.data);
        return send(input, "mouse button");
    }
    case InputEventType::MouseWheel: {
        // Sign-extended: a turn towards the user travels as a negative 32-bit value.
        INPUT input = mouseInput(event, kMoveAbsolute | MOUSEEVENTF_WHEEL,
                                 static_cast<DWORD>(static_cast<std::int32_t>(event.wheelDelta)));
        return send(input, "mouse wheel");
    }
    case InputEventType::KeyPress:
    case InputEventType::KeyRelease: {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = static_cast<WORD>(event.keyCode & 0xFFFF);
        input.ki.wScan = static_cast<WORD>(event.scanCode & 0xFFFF);
        if (event.type == static_cast<std::uint8_t>(InputEventType::KeyRelease)) {
            input.ki.dwFlags |= KEYEVENTF_KEYUP;
        }
        if (event.extended) {
            input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
        }
        if (event.scanCode != 0) {
            input.ki.dwFlags |= KEYEVENTF_SCANCODE;
        }
        return send(input, "keyboard");
    }
    }
    spdlog::warn("Win32InputBackend: unknown event type {}", event.type);
    return false;
}

} // namespace nimbral
