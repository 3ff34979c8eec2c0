#pragma once

#include <functional>

#include <windows.h>

#include "input/input_event.h"

namespace nimbral {

// Injects the Master's events into this desktop with SendInput: absolute positions over the
// primary display (0..65535), each click or wheel turn together with its position in one input,
// keys by virtual key or, when the Master knew it, by scan code.
class Win32InputBackend final : public IInputBackend {
public:
    // SendInput's shape; tests put a recorder in its place.
    using Sender = std::function<UINT(UINT count, INPUT* inputs, int size)>;

    Win32InputBackend();
    explicit Win32InputBackend(Sender sender);
    ~Win32InputBackend() override;
    Win32InputBackend(const Win32InputBackend&) = delete;
    Win32InputBackend& operator=(const Win32InputBackend&) = delete;

    bool initialize() override;
    void shutdown() override;
    bool injectEvent(const InputEvent& event) override;

private:
    bool send(INPUT& input, const char* what);

    Sender m_sender;
    bool m_initialized = false;
};

} // namespace nimbral
