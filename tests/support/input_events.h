#pragma once

#include <cstdint>

#include "input/input_event.h"

namespace nimbral::test {

// A pointer event at a fraction of the shown monitor.
inline InputEvent mouse(InputEventType type, double x, double y,
                        std::uint8_t button = kMouseLeft) {
    InputEvent event;
    event.type = static_cast<std::uint8_t>(type);
    event.x = x;
    event.y = y;
    event.button = button;
    return event;
}

// A key by Windows virtual key and set-1 scan code (0xE0xx: extended).
inline InputEvent key(InputEventType type, std::uint32_t virtualKey, std::uint32_t scanCode) {
    InputEvent event;
    event.type = static_cast<std::uint8_t>(type);
    event.keyCode = virtualKey;
    event.scanCode = scanCode;
    event.extended = (scanCode & 0xE000) == 0xE000;
    return event;
}

} // namespace nimbral::test
