#pragma once

#include <memory>

#include "input/input_event.h"

namespace nimbral {

// Injects the Master's events into a GNOME (Mutter) Wayland desktop through the remote-desktop
// session the capture opened (MutterCaptureBackend): absolute positions over the recorded
// monitor's stream, buttons as Linux button codes, the wheel in discrete steps (remainders kept
// for the next event), keys as evdev codes from the set-1 scan code, else as keysyms from the
// Windows virtual-key code. Without a recording session there is nothing to aim at, and events
// are refused.
class MutterInputBackend final : public IInputBackend {
public:
    bool initialize() override;
    void shutdown() override;
    bool injectEvent(const InputEvent& event) override;
    // The monitor is the one the capture records: the session's stream spans it.
    void setMonitor(int) override {}

private:
    int m_wheelRemainder = 0;
    bool m_saidNoSession = false;
    bool m_initialized = false;
};

} // namespace nimbral
