#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <windows.h>

#include "input/input_event.h"

namespace nimbral {

// Injects the Master's events into this desktop with SendInput: absolute positions over the
// primary display (0..65535), or, once told which monitor the Master sees, over that one (placed
// on the virtual desktop), each click or wheel turn together with its position in one input,
// keys by virtual key or, when the Master knew it, by scan code.
class Win32InputBackend final : public IInputBackend {
public:
    // SendInput's shape; tests put a recorder in its place.
    using Sender = std::function<UINT(UINT count, INPUT* inputs, int size)>;
    // The virtual desktop and its monitors in EnumDisplayMonitors' order (the capture's).
    struct Layout {
        RECT desktop{};
        std::vector<RECT> monitors;
    };
    using LayoutSource = std::function<Layout()>;
    static Layout systemLayout();

    Win32InputBackend();
    explicit Win32InputBackend(Sender sender, LayoutSource layout = systemLayout);
    ~Win32InputBackend() override;
    Win32InputBackend(const Win32InputBackend&) = delete;
    Win32InputBackend& operator=(const Win32InputBackend&) = delete;

    bool initialize() override;
    void shutdown() override;
    bool injectEvent(const InputEvent& event) override;
    void setMonitor(int index) override;

private:
    bool send(INPUT& input, const char* what);
    INPUT mouseInput(const InputEvent& event, DWORD flags, DWORD data) const;

    Sender m_sender;
    LayoutSource m_layout;
    // Where positions land: the monitor the Master sees, on the virtual desktop; none until
    // told (the primary display then).
    std::optional<RECT> m_monitor;
    RECT m_desktop{};
    bool m_initialized = false;
};

} // namespace nimbral
