#pragma once

#include <cstdint>
#include <optional>

namespace nimbral {

// Keys travel as Windows virtual-key codes with PC set-1 scan codes, so a Windows and a Linux
// peer understand each other. These tables translate to and from what X11 (with the evdev
// keymap) uses: keycode = evdev code + 8, and keysyms.

struct WindowsKey {
    std::uint32_t virtualKey = 0;
    std::uint32_t scanCode = 0; // 0xE0xx for extended keys, 0 when unknown
    bool extended = false;
    bool operator==(const WindowsKey&) const = default;
};

// Set-1 scan code (plain, or with extended set / 0xE0 in the high byte) -> Linux evdev code.
std::optional<std::uint32_t> evdevFromScanCode(std::uint32_t scanCode, bool extended);
// Windows virtual-key code -> X keysym (letters lower case), for events without a scan code.
std::optional<std::uint32_t> keysymFromVirtualKey(std::uint32_t virtualKey);
// The Master's side: an X key event (keycode, keysym) -> what goes on the wire.
WindowsKey windowsKeyFromX11(std::uint32_t xKeycode, std::uint32_t keysym);

} // namespace nimbral
