#include "input/windows_keys.h"

#include <gtest/gtest.h>

namespace nimbral {
namespace {

TEST(WindowsKeys, ScanCodesBecomeEvdevCodes) {
    EXPECT_EQ(evdevFromScanCode(0x1E, false), 30u); // A
    EXPECT_EQ(evdevFromScanCode(0x01, false), 1u);  // Escape
    EXPECT_EQ(evdevFromScanCode(0x58, false), 88u); // F12
    EXPECT_EQ(evdevFromScanCode(0x48, false), 72u); // keypad 8
    EXPECT_EQ(evdevFromScanCode(0x48, true), 103u); // Up
    EXPECT_EQ(evdevFromScanCode(0xE048, false), 103u);
    EXPECT_EQ(evdevFromScanCode(0xE01D, false), 97u); // right Ctrl
    EXPECT_EQ(evdevFromScanCode(0x1D, false), 29u);   // left Ctrl
    EXPECT_EQ(evdevFromScanCode(0, false), std::nullopt);
    EXPECT_EQ(evdevFromScanCode(0x54, false), std::nullopt);
    EXPECT_EQ(evdevFromScanCode(0xE010, false), std::nullopt);
}

TEST(WindowsKeys, VirtualKeysBecomeKeysyms) {
    EXPECT_EQ(keysymFromVirtualKey(0x41), 0x61u); // A -> a
    EXPECT_EQ(keysymFromVirtualKey(0x35), 0x35u); // 5
    EXPECT_EQ(keysymFromVirtualKey(0x0D), 0xff0du);
    EXPECT_EQ(keysymFromVirtualKey(0x26), 0xff52u); // Up
    EXPECT_EQ(keysymFromVirtualKey(0x70), 0xffbeu); // F1
    EXPECT_EQ(keysymFromVirtualKey(0x7B), 0xffc9u); // F12
    EXPECT_EQ(keysymFromVirtualKey(0x63), 0xffb3u); // numpad 3
    EXPECT_EQ(keysymFromVirtualKey(0xA1), 0xffe2u); // right Shift
    EXPECT_EQ(keysymFromVirtualKey(0xDE), 0x27u);   // quote
    EXPECT_EQ(keysymFromVirtualKey(0xFF), std::nullopt);
}

TEST(WindowsKeys, AnX11KeyEventBecomesTheWireKey) {
    // Keycodes of the evdev keymap: evdev + 8.
    EXPECT_EQ(windowsKeyFromX11(38, 0x61), (WindowsKey{0x41, 0x1E, false}));     // a
    EXPECT_EQ(windowsKeyFromX11(38, 0x41), (WindowsKey{0x41, 0x1E, false}));     // Shift+a
    EXPECT_EQ(windowsKeyFromX11(14, 0x35), (WindowsKey{0x35, 0x06, false}));     // 5
    EXPECT_EQ(windowsKeyFromX11(111, 0xff52), (WindowsKey{0x26, 0xE048, true})); // Up
    EXPECT_EQ(windowsKeyFromX11(113, 0xff51), (WindowsKey{0x25, 0xE04B, true})); // Left
    EXPECT_EQ(windowsKeyFromX11(50, 0xffe1), (WindowsKey{0xA0, 0x2A, false}));   // left Shift
    EXPECT_EQ(windowsKeyFromX11(105, 0xffe4), (WindowsKey{0xA3, 0xE01D, true})); // right Ctrl
    EXPECT_EQ(windowsKeyFromX11(67, 0xffbe), (WindowsKey{0x70, 0x3B, false}));   // F1
    EXPECT_EQ(windowsKeyFromX11(36, 0xff0d), (WindowsKey{0x0D, 0x1C, false}));   // Return
    EXPECT_EQ(windowsKeyFromX11(104, 0xff8d).scanCode, 0xE01Cu);                 // keypad Enter

    // Every key the view sends maps back to the same X keycode on a Target.
    for (const std::uint32_t keycode : {38u, 14u, 111u, 113u, 50u, 105u, 67u, 36u}) {
        const WindowsKey key = windowsKeyFromX11(keycode, 0);
        const auto evdev = evdevFromScanCode(key.scanCode, key.extended);
        ASSERT_TRUE(evdev.has_value()) << keycode;
        EXPECT_EQ(*evdev + 8, keycode);
    }
}

} // namespace
} // namespace nimbral
