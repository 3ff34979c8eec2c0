#pragma once

#include <memory>

#include "input/input_event.h"

namespace nimbral {

// Injects the Master's events into the local X display through XTest: absolute positions over
// the monitor the Master is shown (RandR's order, as the capture lists them), buttons
// left/right/middle/back/forward, the wheel in 120-unit notches (remainders kept for the next
// event), keys from the set-1 scan code when there is one, else from the Windows virtual-key code.
class X11InputBackend final : public IInputBackend {
public:
    X11InputBackend();
    ~X11InputBackend() override;

    bool initialize() override;
    void shutdown() override;
    bool injectEvent(const InputEvent& event) override;
    void setMonitor(int index) override;

private:
    struct State;
    bool movePointer(const InputEvent& event);
    bool injectWheel(const InputEvent& event);
    bool injectKey(const InputEvent& event);

    std::unique_ptr<State> m_state;
};

} // namespace nimbral
