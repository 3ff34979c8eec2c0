#include "input/input_forwarder.h"

#include <algorithm>

#include <spdlog/spdlog.h>

namespace nimbral {

InputForwarder::InputForwarder(std::unique_ptr<IInputBackend> backend, QObject* parent)
    : QObject(parent)
    , m_backend(std::move(backend)) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &InputForwarder::flushPendingMouseMove);
}

InputForwarder::~InputForwarder() {
    flushPendingMouseMove();
    releaseHeldInput();
    m_timer.stop();
}

void InputForwarder::setMonitor(int index) {
    if (m_backend) {
        m_backend->setMonitor(index);
    }
}

void InputForwarder::noteHeld(const InputEvent& event) {
    switch (static_cast<InputEventType>(event.type)) {
    case InputEventType::MouseButtonPress:
        m_heldButtons.insert(event.button);
        break;
    case InputEventType::MouseButtonRelease:
        m_heldButtons.erase(event.button);
        break;
    case InputEventType::KeyPress:
        m_heldKeys[{event.scanCode, event.keyCode, event.extended}] = event;
        break;
    case InputEventType::KeyRelease:
        m_heldKeys.erase({event.scanCode, event.keyCode, event.extended});
        break;
    default:
        break;
    }
    if (event.isMouse()) {
        m_lastX = event.x;
        m_lastY = event.y;
    }
}

void InputForwarder::releaseHeldInput() {
    if (!m_backend) {
        return;
    }
    for (const std::uint8_t button : std::exchange(m_heldButtons, {})) {
        m_backend->injectEvent(InputEvent::buttonRelease(button, m_lastX, m_lastY));
    }
    for (const auto& [key, press] : std::exchange(m_heldKeys, {})) {
        m_backend->injectEvent(InputEvent::keyRelease(press));
    }
}

void InputForwarder::processEvent(const InputEvent& event) {
    if (!m_backend) {
        spdlog::warn("InputForwarder: no backend available");
        return;
    }
    if (event.type == static_cast<std::uint8_t>(InputEventType::MouseMove)) {
        m_pendingMove = event;
        m_movePending = true;
        if (!m_timer.isActive()) {
            m_backend->injectEvent(event);
            m_movePending = false;
            m_timer.start(std::max(1000 / m_maxMouseMoveRate, 1));
        }
        noteHeld(event);
        return;
    }
    // The move that waits happened first: after it, a click lands where the Master clicked, and
    // a drag does not jump back to an older position.
    flushPendingMouseMove();
    noteHeld(event);
    if (!m_backend->injectEvent(event)) {
        spdlog::warn("InputForwarder: failed to inject event type {}", event.type);
    }
}

void InputForwarder::flushPendingMouseMove() {
    if (m_movePending && m_backend) {
        m_backend->injectEvent(m_pendingMove);
        m_movePending = false;
    }
}

} // namespace nimbral
