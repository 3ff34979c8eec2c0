#include "input/mutter_input_backend.h"

#include <spdlog/spdlog.h>

#include "input/windows_keys.h"
#include "platform/mutter_remote_desktop.h"

namespace nimbral {

namespace {

constexpr auto kMove = static_cast<std::uint8_t>(InputEventType::MouseMove);
constexpr auto kPress = static_cast<std::uint8_t>(InputEventType::MouseButtonPress);
constexpr auto kRelease = static_cast<std::uint8_t>(InputEventType::MouseButtonRelease);
constexpr auto kWheel = static_cast<std::uint8_t>(InputEventType::MouseWheel);
constexpr auto kKeyDown = static_cast<std::uint8_t>(InputEventType::KeyPress);
constexpr auto kKeyUp = static_cast<std::uint8_t>(InputEventType::KeyRelease);

} // namespace

int evdevButton(std::uint8_t button) {
    switch (button) {
    case kMouseLeft:
        return 0x110; // BTN_LEFT
    case kMouseRight:
        return 0x111;
    case kMouseMiddle:
        return 0x112;
    case kMouseBack:
        return 0x113; // BTN_SIDE
    case kMouseForward:
        return 0x114; // BTN_EXTRA
    default:
        return 0;
    }
}

bool MutterInputBackend::initialize() {
    const QString why = platform::MutterRemoteDesktop::unavailableReason();
    if (!why.isEmpty()) {
        spdlog::error("MutterInputBackend: {}", why.toStdString());
        return false;
    }
    m_wheelRemainder = 0;
    m_initialized = true;
    spdlog::info("MutterInputBackend: initialized");
    return true;
}

void MutterInputBackend::shutdown() {
    m_initialized = false;
    spdlog::info("MutterInputBackend: shut down");
}

bool MutterInputBackend::injectEvent(const InputEvent& event) {
    if (!m_initialized) {
        spdlog::warn("MutterInputBackend: injectEvent called before initialization");
        return false;
    }
    const std::shared_ptr<platform::MutterRemoteDesktop> session =
        platform::MutterRemoteDesktop::current();
    if (!session) {
        if (!m_saidNoSession) {
            spdlog::warn("MutterInputBackend: no screen is being recorded; input dropped");
            m_saidNoSession = true;
        }
        return false;
    }
    m_saidNoSession = false;
    if (event.isMouse()) {
        // 0..65535 spans the recorded monitor, as on X11.
        session->movePointer(
            absoluteCoordinate(event.x) * static_cast<double>(session->width()) / 65536.0,
            absoluteCoordinate(event.y) * static_cast<double>(session->height()) / 65536.0);
    }
    switch (event.type) {
    case kMove:
        return true;
    case kPress:
    case kRelease: {
        const int button = evdevButton(event.button);
        if (button == 0) {
            spdlog::warn("MutterInputBackend: unknown mouse button {}", event.button);
            return false;
        }
        session->pressButton(button, event.type == kPress);
        return true;
    }
    case kWheel: {
        const int total = m_wheelRemainder + event.wheelDelta;
        m_wheelRemainder = total % 120;
        // Away from the user scrolls up, which GNOME counts as negative steps.
        session->scrollSteps(-(total / 120), 0);
        return true;
    }
    case kKeyDown:
    case kKeyUp: {
        const bool press = event.type == kKeyDown;
        if (const auto evdev = evdevFromScanCode(event.scanCode, event.extended)) {
            session->pressKeycode(*evdev, press);
        } else if (const auto keysym = keysymFromVirtualKey(event.keyCode)) {
            session->pressKeysym(*keysym, press);
        } else {
            spdlog::warn("MutterInputBackend: no key for virtual key {} / scan code {}",
                         event.keyCode, event.scanCode);
            return false;
        }
        return true;
    }
    default:
        spdlog::warn("MutterInputBackend: unknown event type {}", event.type);
        return false;
    }
}

} // namespace nimbral
