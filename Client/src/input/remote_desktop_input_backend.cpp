#include "input/remote_desktop_input_backend.h"

#include <spdlog/spdlog.h>

#include <utility>

#include "input/windows_keys.h"
#include "platform/remote_desktop_session.h"

namespace nimbral {

RemoteDesktopInputBackend::RemoteDesktopInputBackend(std::string name, CurrentSession current)
    : m_name(std::move(name))
    , m_current(std::move(current)) {
}

bool RemoteDesktopInputBackend::initialize() {
    m_wheelRemainder = 0;
    m_initialized = true;
    spdlog::info("RemoteDesktopInputBackend: initialized ({})", m_name);
    return true;
}

void RemoteDesktopInputBackend::shutdown() {
    m_initialized = false;
    spdlog::info("RemoteDesktopInputBackend: shut down");
}

bool RemoteDesktopInputBackend::injectEvent(const InputEvent& event) {
    if (!m_initialized) {
        spdlog::warn("RemoteDesktopInputBackend: injectEvent called before initialization");
        return false;
    }
    const std::shared_ptr<platform::RemoteDesktopSession> session = m_current();
    if (!session) {
        if (!m_saidNoSession) {
            spdlog::warn("RemoteDesktopInputBackend: no screen is being recorded; input dropped");
            m_saidNoSession = true;
        }
        return false;
    }
    m_saidNoSession = false;
    if (!session->acceptsInput()) {
        if (!m_saidNoInput) {
            spdlog::warn("RemoteDesktopInputBackend: the {} granted no pointer and keyboard; "
                         "input dropped",
                         m_name);
            m_saidNoInput = true;
        }
        return false;
    }
    if (event.isMouse()) {
        // 0..65535 spans the recorded monitor, as on X11.
        session->movePointer(
            absoluteCoordinate(event.x) * static_cast<double>(session->width()) / 65536.0,
            absoluteCoordinate(event.y) * static_cast<double>(session->height()) / 65536.0);
    }
    switch (static_cast<InputEventType>(event.type)) {
    case InputEventType::MouseMove:
        return true;
    case InputEventType::MouseButtonPress:
    case InputEventType::MouseButtonRelease: {
        const int button = evdevButton(event.button);
        if (button == 0) {
            spdlog::warn("RemoteDesktopInputBackend: unknown mouse button {}", event.button);
            return false;
        }
        session->pressButton(
            button, event.type == static_cast<std::uint8_t>(InputEventType::MouseButtonPress));
        return true;
    }
    case InputEventType::MouseWheel: {
        const int total = m_wheelRemainder + event.wheelDelta;
        m_wheelRemainder = total % 120;
        // Away from the user scrolls up, which counts as negative steps.
        session->scrollSteps(-(total / 120), 0);
        return true;
    }
    case InputEventType::KeyPress:
    case InputEventType::KeyRelease: {
        const bool press = event.type == static_cast<std::uint8_t>(InputEventType::KeyPress);
        if (const auto evdev = evdevFromScanCode(event.scanCode, event.extended)) {
            session->pressKeycode(*evdev, press);
        } else if (const auto keysym = keysymFromVirtualKey(event.keyCode)) {
            session->pressKeysym(*keysym, press);
        } else {
            spdlog::warn("RemoteDesktopInputBackend: no key for virtual key {} / scan code {}",
                         event.keyCode, event.scanCode);
            return false;
        }
        return true;
    }
    default:
        spdlog::warn("RemoteDesktopInputBackend: unknown event type {}", event.type);
        return false;
    }
}

} // namespace nimbral
