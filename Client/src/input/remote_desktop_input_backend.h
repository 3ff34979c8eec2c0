#pragma once

#include <functional>
#include <memory>
#include <string>

#include "input/input_event.h"

namespace nimbral::platform {
class RemoteDesktopSession;
}

namespace nimbral {

// Injects the Master's events into a Wayland desktop through the remote-desktop session the
// capture opened (GNOME's own, or the desktop portal's): absolute positions over the recorded
// monitor's stream, buttons as Linux button codes, the wheel in discrete steps (remainders kept
// for the next event), keys as evdev codes from the set-1 scan code, else as keysyms from the
// Windows virtual-key code. Without a recording session there is nothing to aim at, and events
// are refused; so are they when the desktop granted the session no input.
class RemoteDesktopInputBackend final : public IInputBackend {
public:
    using CurrentSession = std::function<std::shared_ptr<platform::RemoteDesktopSession>()>;
    // `name` for the log ("GNOME", "desktop portal"); `current` gives the session opened last.
    RemoteDesktopInputBackend(std::string name, CurrentSession current);

    bool initialize() override;
    void shutdown() override;
    bool injectEvent(const InputEvent& event) override;
    // The monitor is the one the capture records: the session's stream spans it.
    void setMonitor(int) override {}

private:
    std::string m_name;
    CurrentSession m_current;
    int m_wheelRemainder = 0;
    bool m_saidNoInput = false;
    bool m_saidNoSession = false;
    bool m_initialized = false;
};

} // namespace nimbral
