#include "input/windows_keys.h"

#include <array>
#include <utility>

namespace nimbral {

namespace {

// E0-prefixed set-1 codes and their evdev codes.
constexpr std::array<std::pair<std::uint8_t, std::uint16_t>, 18> kExtended = {{
    {0x1C, 96},  // keypad Enter
    {0x1D, 97},  // right Ctrl
    {0x35, 98},  // keypad /
    {0x37, 99},  // Print Screen
    {0x38, 100}, // right Alt
    {0x47, 102}, // Home
    {0x48, 103}, // Up
    {0x49, 104}, // Page Up
    {0x4B, 105}, // Left
    {0x4D, 106}, // Right
    {0x4F, 107}, // End
    {0x50, 108}, // Down
    {0x51, 109}, // Page Down
    {0x52, 110}, // Insert
    {0x53, 111}, // Delete
    {0x5B, 125}, // left Windows
    {0x5C, 126}, // right Windows
    {0x5D, 127}, // Menu
}};

constexpr std::array<std::pair<std::uint16_t, std::uint32_t>, 50> kVirtualKeys = {{
    {0x08, 0xff08}, {0x09, 0xff09}, {0x0D, 0xff0d}, {0x10, 0xffe1}, {0x11, 0xffe3}, {0x12, 0xffe9},
    {0x13, 0xff13}, {0x14, 0xffe5}, {0x1B, 0xff1b}, {0x20, 0x0020}, {0x21, 0xff55}, {0x22, 0xff56},
    {0x23, 0xff57}, {0x24, 0xff50}, {0x25, 0xff51}, {0x26, 0xff52}, {0x27, 0xff53}, {0x28, 0xff54},
    {0x2C, 0xff61}, {0x2D, 0xff63}, {0x2E, 0xffff}, {0x5B, 0xffeb}, {0x5C, 0xffec}, {0x5D, 0xff67},
    {0x6A, 0xffaa}, {0x6B, 0xffab}, {0x6D, 0xffad}, {0x6E, 0xffae}, {0x6F, 0xffaf}, {0x90, 0xff7f},
    {0x91, 0xff14}, {0xA0, 0xffe1}, {0xA1, 0xffe2}, {0xA2, 0xffe3}, {0xA3, 0xffe4}, {0xA4, 0xffe9},
    {0xA5, 0xffea}, {0xBA, 0x003b}, {0xBB, 0x003d}, {0xBC, 0x002c}, {0xBD, 0x002d}, {0xBE, 0x002e},
    {0xBF, 0x002f}, {0xC0, 0x0060}, {0xDB, 0x005b}, {0xDC, 0x005c}, {0xDD, 0x005d}, {0xDE, 0x0027},
    {0x0C, 0xff0b}, {0x03, 0xff6b},
}};

} // namespace

std::optional<std::uint32_t> evdevFromScanCode(std::uint32_t scanCode, bool extended) {
    const bool e0 = extended || (scanCode & 0xFF00) == 0xE000;
    const auto code = static_cast<std::uint8_t>(scanCode & 0xFF);
    if (code == 0) {
        return std::nullopt;
    }
    if (e0) {
        for (const auto& [set1, evdev] : kExtended) {
            if (set1 == code) {
                return evdev;
            }
        }
        return std::nullopt;
    }
    // Linux numbers the basic set-1 keys exactly as their scan codes.
    if (code <= 0x58 && code != 0x54 && code != 0x55) {
        return code;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> keysymFromVirtualKey(std::uint32_t virtualKey) {
    if (virtualKey >= 0x30 && virtualKey <= 0x39) {
        return virtualKey; // digits
    }
    if (virtualKey >= 0x41 && virtualKey <= 0x5A) {
        return virtualKey + 0x20; // letters, lower case
    }
    if (virtualKey >= 0x60 && virtualKey <= 0x69) {
        return 0xffb0 + (virtualKey - 0x60); // keypad digits
    }
    if (virtualKey >= 0x70 && virtualKey <= 0x87) {
        return 0xffbe + (virtualKey - 0x70); // F1..F24
    }
    for (const auto& [vk, keysym] : kVirtualKeys) {
        if (vk == virtualKey) {
            return keysym;
        }
    }
    return std::nullopt;
}

WindowsKey windowsKeyFromX11(std::uint32_t xKeycode, std::uint32_t keysym) {
    WindowsKey key;
    if (xKeycode >= 8) {
        const std::uint32_t evdev = xKeycode - 8;
        for (const auto& [set1, code] : kExtended) {
            if (code == evdev) {
                key.scanCode = 0xE000 | set1;
                key.extended = true;
            }
        }
        if (!key.extended && evdev >= 1 && evdev <= 0x58 && evdev != 0x54 && evdev != 0x55) {
            key.scanCode = evdev;
        }
    }
    std::uint32_t sym = keysym;
    if (sym >= 0x41 && sym <= 0x5A) {
        sym += 0x20; // Shift+letter names the same key
    }
    if (sym >= 0x30 && sym <= 0x39) {
        key.virtualKey = sym;
    } else if (sym >= 0x61 && sym <= 0x7A) {
        key.virtualKey = sym - 0x20;
    } else if (sym >= 0xffb0 && sym <= 0xffb9) {
        key.virtualKey = 0x60 + (sym - 0xffb0);
    } else if (sym >= 0xffbe && sym <= 0xffd5) {
        key.virtualKey = 0x70 + (sym - 0xffbe);
    } else {
        // The side-specific modifier codes win over the generic ones listed first.
        for (const auto& [vk, mapped] : kVirtualKeys) {
            if (mapped == sym) {
                key.virtualKey = vk;
            }
        }
    }
    return key;
}

} // namespace nimbral
