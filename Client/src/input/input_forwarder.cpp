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
    m_timer.stop();
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
        return;
    }
    // A click carries its own position, so it need not wait for a pending move.
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
