#pragma once

#include <memory>

#include <QObject>
#include <QTimer>

#include "input/input_event.h"

namespace nimbral {

// Applies the Master's events on the Target through an input backend (owned, already
// initialized). Mouse moves are throttled to maxMouseMoveRate per second: the first of a burst
// goes at once, the latest waits for the window's end, the ones between are dropped, so the last
// position is never lost. Every other event goes at once. GUI thread only.
class InputForwarder : public QObject {
    Q_OBJECT

public:
    static constexpr int kMaxMouseMoveRate = 60;

    explicit InputForwarder(std::unique_ptr<IInputBackend> backend, QObject* parent = nullptr);
    ~InputForwarder() override;

public slots:
    void processEvent(const nimbral::InputEvent& event);
    void flushPendingMouseMove();

private:
    std::unique_ptr<IInputBackend> m_backend;
    QTimer m_timer;
    InputEvent m_pendingMove;
    bool m_movePending = false;
    int m_maxMouseMoveRate = kMaxMouseMoveRate;
};

} // namespace nimbral
