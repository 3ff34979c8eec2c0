#pragma once

#include <memory>
#include <optional>
#include <set>

#include "input/input_event.h"

struct xkb_context;
struct xkb_keymap;
struct zwlr_virtual_pointer_v1;
struct zwp_virtual_keyboard_v1;

namespace nimbral {

namespace platform {
class WlrootsConnection;
}

// Injects the Master's events into a wlroots Wayland desktop (sway and others) through a
// virtual pointer tied to the shown monitor and a virtual keyboard. The keyboard carries the
// XKB keymap of this user's settings (XKB_DEFAULT_LAYOUT ...; "us" without them); keys go as
// evdev codes from the set-1 scan code, else as the key the keymap has for the virtual key's
// keysym. Keys and buttons still held when the backend shuts down are released.
class WlrootsInputBackend final : public IInputBackend {
public:
    WlrootsInputBackend();
    ~WlrootsInputBackend() override;
    bool initialize() override;
    void shutdown() override;
    bool injectEvent(const InputEvent& event) override;
    void setMonitor(int index) override;

private:
    bool createPointer();
    bool createKeyboard();
    bool injectKey(const InputEvent& event);
    std::optional<std::uint32_t> evdevForKeysym(std::uint32_t keysym) const;
    bool pressKey(std::uint32_t evdev, bool press);
    bool pressButton(std::uint32_t button, bool press);
    bool sent();

    struct KeymapDeleter {
        void operator()(xkb_keymap* keymap) const;
        void operator()(xkb_context* context) const;
    };

    std::unique_ptr<platform::WlrootsConnection> m_connection;
    std::unique_ptr<xkb_context, KeymapDeleter> m_xkb;
    std::unique_ptr<xkb_keymap, KeymapDeleter> m_keymap;
    zwlr_virtual_pointer_v1* m_pointer = nullptr;
    zwp_virtual_keyboard_v1* m_keyboard = nullptr;
    std::size_t m_monitor = 0;
    std::set<std::uint32_t> m_heldKeys;
    std::set<std::uint32_t> m_heldButtons;
    int m_wheelRemainder = 0;
    bool m_initialized = false;
};

} // namespace nimbral
