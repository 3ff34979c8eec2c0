#pragma once

#include <map>
#include <memory>
#include <set>
#include <tuple>

#include <QObject>
#include <QTimer>

#include "input/input_event.h"

namespace nimbral {

// Applies the Master's events on the Target through an input backend (owned, already
// initialized). Mouse moves are throttled to maxMouseMoveRate per second: the first of a burst
// goes at once, the latest waits for the window's end, the ones between are dropped, so the last
// position is never lost. Every other event goes at once, after the move that waits (events keep
// their order: a click never lands before an earlier move). Buttons and keys still held when the
// forwarder goes (the session ended, or the link was lost) are released. GUI thread only.
class InputForwarder : public QObject {
    Q_OBJECT

public:
    static constexpr int kMaxMouseMoveRate = 60;

    explicit InputForwarder(std::unique_ptr<IInputBackend> backend, QObject* parent = nullptr);
    ~InputForwarder() override;

public slots:
    void processEvent(const nimbral::InputEvent& event);
    void flushPendingMouseMove();
    // The monitor the Master is shown: positions span it.
    void setMonitor(int index);
    // Lets go of every button and key the Master holds down.
    void releaseHeldInput();

private:
    void noteHeld(const InputEvent& event);

    std::unique_ptr<IInputBackend> m_backend;
    QTimer m_timer;
    InputEvent m_pendingMove;
    bool m_movePending = false;
    // What the Master holds down: buttons by code, keys by scan code, virtual key and extension,
    // with the event that pressed each.
    std::set<std::uint8_t> m_heldButtons;
    std::map<std::tuple<std::uint32_t, std::uint32_t, bool>, InputEvent> m_heldKeys;
    double m_lastX = 0.5;
    double m_lastY = 0.5;
    int m_maxMouseMoveRate = kMaxMouseMoveRate;
};

} // namespace nimbral
