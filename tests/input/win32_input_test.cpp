#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "input/win32_input_backend.h"
#include "log_capture.h"
#include "windows_test_support.h"

namespace nimbral {
namespace {

using test::ColourWindow;
using test::LogCapture;

// Keeps what would have gone to SendInput; answers `inserted`.
struct SentInputs {
    std::vector<INPUT> inputs;
    UINT inserted = 1;
    int lastSize = 0;

    Win32InputBackend::Sender sender() {
        return [this](UINT count, INPUT* given, int size) {
            lastSize = size;
            inputs.insert(inputs.end(), given, given + count);
            return inserted;
        };
    }
};

InputEvent mouse(InputEventType type, double x, double y, std::uint8_t button = kMouseLeft) {
    InputEvent event;
    event.type = static_cast<std::uint8_t>(type);
    event.x = x;
    event.y = y;
    event.button = button;
    return event;
}

InputEvent key(InputEventType type, std::uint32_t keyCode, std::uint32_t scanCode, bool extended) {
    InputEvent event;
    event.type = static_cast<std::uint8_t>(type);
    event.keyCode = keyCode;
    event.scanCode = scanCode;
    event.extended = extended;
    return event;
}

TEST(Win32InputRecords, MovesAreAbsoluteOverThePrimaryDisplayAndClamped) {
    SentInputs sent;
    Win32InputBackend backend(sent.sender());
    ASSERT_TRUE(backend.initialize());
    EXPECT_TRUE(backend.injectEvent(mouse(InputEventType::MouseMove, -0.2, 1.7)));
    EXPECT_TRUE(backend.injectEvent(mouse(InputEventType::MouseMove, 0.5, 0.25)));
    ASSERT_EQ(sent.inputs.size(), 2u);
    EXPECT_EQ(sent.lastSize, static_cast<int>(sizeof(INPUT)));
    EXPECT_EQ(sent.inputs[0].type, static_cast<DWORD>(INPUT_MOUSE));
    EXPECT_EQ(sent.inputs[0].mi.dwFlags, 0x8001u);
    EXPECT_EQ(sent.inputs[0].mi.dx, 0);
    EXPECT_EQ(sent.inputs[0].mi.dy, 65535);
    EXPECT_EQ(sent.inputs[1].mi.dx, 32768); // 32767.5 rounds away from zero
    EXPECT_EQ(sent.inputs[1].mi.dy, 16384);
    EXPECT_EQ(sent.inputs[1].mi.mouseData, 0u);
}

// Two monitors, the second right of the first and taller: once the Master is shown the second,
// positions are placed on the virtual desktop over that monitor alone.
TEST(Win32InputRecords, PositionsSpanTheMonitorTheMasterSees) {
    SentInputs sent;
    const auto layout = [] {
        Win32InputBackend::Layout layout;
        layout.desktop = RECT{0, -200, 3200, 1080};
        layout.monitors = {RECT{0, 0, 1920, 1080}, RECT{1920, -200, 3200, 824}};
        return layout;
    };
    Win32InputBackend backend(sent.sender(), layout);
    ASSERT_TRUE(backend.initialize());
    backend.setMonitor(1);
    EXPECT_TRUE(backend.injectEvent(mouse(InputEventType::MouseMove, 0.5, 0.5)));
    EXPECT_TRUE(backend.injectEvent(mouse(InputEventType::MouseButtonPress, 0.0, 1.0)));
    backend.setMonitor(7); // not there: the primary display, as before
    EXPECT_TRUE(backend.injectEvent(mouse(InputEventType::MouseMove, 0.5, 0.25)));
    ASSERT_EQ(sent.inputs.size(), 3u);
    EXPECT_EQ(sent.inputs[0].mi.dwFlags, 0xC001u) << "absolute over the virtual desktop";
    // x: (1920 + 640) of 3200 pixels; y: (0 + 512) of 1280.
    EXPECT_EQ(sent.inputs[0].mi.dx, 52428);
    EXPECT_EQ(sent.inputs[0].mi.dy, 26214);
    EXPECT_EQ(sent.inputs[1].mi.dwFlags, 0xC003u);
    EXPECT_EQ(sent.inputs[1].mi.dx, 39321);
    EXPECT_EQ(sent.inputs[1].mi.dy, 52428);
    EXPECT_EQ(sent.inputs[2].mi.dwFlags, 0x8001u);
    EXPECT_EQ(sent.inputs[2].mi.dx, 32768);
    EXPECT_EQ(sent.inputs[2].mi.dy, 16384);
}

TEST(Win32InputRecords, EachButtonMovesAndChangesInOneInput) {
    struct Case {
        std::uint8_t button;
        DWORD press;
        DWORD release;
        DWORD data;
    };
    for (const Case c :
         {Case{1, 0x0002, 0x0004, 0}, Case{2, 0x0008, 0x0010, 0}, Case{3, 0x0020, 0x0040, 0},
          Case{4, 0x0080, 0x0100, 1}, Case{5, 0x0080, 0x0100, 2}}) {
        SentInputs sent;
        Win32InputBackend backend(sent.sender());
        backend.initialize();
        EXPECT_TRUE(
            backend.injectEvent(mouse(InputEventType::MouseButtonPress, 0.1, 0.2, c.button)));
        EXPECT_TRUE(
            backend.injectEvent(mouse(InputEventType::MouseButtonRelease, 0.1, 0.2, c.button)));
        ASSERT_EQ(sent.inputs.size(), 2u);
        EXPECT_EQ(sent.inputs[0].mi.dwFlags, 0x8001u | c.press) << "button " << int(c.button);
        EXPECT_EQ(sent.inputs[1].mi.dwFlags, 0x8001u | c.release) << "button " << int(c.button);
        EXPECT_EQ(sent.inputs[0].mi.mouseData, c.data);
        EXPECT_EQ(sent.inputs[0].mi.dx, 6554);
        EXPECT_EQ(sent.inputs[0].mi.dy, 13107);
    }
}

TEST(Win32InputRecords, AWheelTurnTowardsTheUserTravelsSignExtended) {
    SentInputs sent;
    Win32InputBackend backend(sent.sender());
    backend.initialize();
    InputEvent wheel = mouse(InputEventType::MouseWheel, 0.5, 0.5);
    wheel.wheelDelta = -120;
    EXPECT_TRUE(backend.injectEvent(wheel));
    ASSERT_EQ(sent.inputs.size(), 1u);
    EXPECT_EQ(sent.inputs[0].mi.dwFlags, 0x8801u);
    EXPECT_EQ(static_cast<std::int32_t>(sent.inputs[0].mi.mouseData), -120);
}

TEST(Win32InputRecords, KeysCarryTheirVirtualKeyAndUseTheScanCodeWhenKnown) {
    SentInputs sent;
    Win32InputBackend backend(sent.sender());
    backend.initialize();
    EXPECT_TRUE(backend.injectEvent(key(InputEventType::KeyPress, 0x41, 0, false)));
    EXPECT_TRUE(backend.injectEvent(key(InputEventType::KeyRelease, 0x41, 0x1E, false)));
    EXPECT_TRUE(backend.injectEvent(key(InputEventType::KeyPress, 0x1002D, 0xE052, true)));
    ASSERT_EQ(sent.inputs.size(), 3u);
    EXPECT_EQ(sent.inputs[0].type, static_cast<DWORD>(INPUT_KEYBOARD));
    EXPECT_EQ(sent.inputs[0].ki.wVk, 0x41);
    EXPECT_EQ(sent.inputs[0].ki.wScan, 0);
    EXPECT_EQ(sent.inputs[0].ki.dwFlags, 0u);
    EXPECT_EQ(sent.inputs[1].ki.wScan, 0x1E);
    EXPECT_EQ(sent.inputs[1].ki.dwFlags, static_cast<DWORD>(KEYEVENTF_KEYUP | KEYEVENTF_SCANCODE));
    EXPECT_EQ(sent.inputs[2].ki.wVk, 0x2D); // low 16 bits only
    EXPECT_EQ(sent.inputs[2].ki.wScan, 0xE052);
    EXPECT_EQ(sent.inputs[2].ki.dwFlags,
              static_cast<DWORD>(KEYEVENTF_EXTENDEDKEY | KEYEVENTF_SCANCODE));
}

TEST(Win32InputRecords, RefusalsAreWarningsAndInjectNothing) {
    LogCapture log;
    SentInputs sent;
    Win32InputBackend backend(sent.sender());
    EXPECT_FALSE(backend.injectEvent(mouse(InputEventType::MouseMove, 0.5, 0.5)));
    EXPECT_TRUE(log.has(spdlog::level::warn,
                        "Win32InputBackend: injectEvent called before initialization"));
    backend.initialize();
    EXPECT_TRUE(log.has(spdlog::level::info, "Win32InputBackend: initialized"));
    EXPECT_FALSE(backend.injectEvent(mouse(InputEventType::MouseButtonPress, 0.5, 0.5, 6)));
    EXPECT_TRUE(log.has(spdlog::level::warn, "Win32InputBackend: unknown mouse button 6"));
    InputEvent unknown;
    unknown.type = 7;
    EXPECT_FALSE(backend.injectEvent(unknown));
    EXPECT_TRUE(log.has(spdlog::level::warn, "Win32InputBackend: unknown event type 7"));
    unknown.type = 0;
    EXPECT_FALSE(backend.injectEvent(unknown));
    EXPECT_TRUE(log.has(spdlog::level::warn, "Win32InputBackend: unknown event type 0"));
    EXPECT_TRUE(sent.inputs.empty());

    backend.shutdown();
    EXPECT_TRUE(log.has(spdlog::level::info, "Win32InputBackend: shut down"));
    EXPECT_FALSE(backend.injectEvent(mouse(InputEventType::MouseMove, 0.5, 0.5)));
    EXPECT_TRUE(sent.inputs.empty());
}

TEST(Win32InputRecords, ASendInputThatInsertsNothingIsAWarningWithTheSystemError) {
    LogCapture log;
    SentInputs sent;
    sent.inserted = 0;
    Win32InputBackend backend(sent.sender());
    backend.initialize();
    ::SetLastError(5);
    EXPECT_FALSE(backend.injectEvent(mouse(InputEventType::MouseMove, 0.5, 0.5)));
    EXPECT_TRUE(
        log.has(spdlog::level::warn, "Win32InputBackend: SendInput (mouse move) failed, error 5"));
    ::SetLastError(87);
    EXPECT_FALSE(backend.injectEvent(key(InputEventType::KeyPress, 0x41, 0, false)));
    EXPECT_TRUE(
        log.has(spdlog::level::warn, "Win32InputBackend: SendInput (keyboard) failed, error 87"));
    InputEvent wheel = mouse(InputEventType::MouseWheel, 0.5, 0.5);
    EXPECT_FALSE(backend.injectEvent(wheel));
    EXPECT_TRUE(log.hasPrefix(spdlog::level::warn,
                              "Win32InputBackend: SendInput (mouse wheel) failed, error "));
    EXPECT_FALSE(backend.injectEvent(mouse(InputEventType::MouseButtonPress, 0.5, 0.5)));
    EXPECT_TRUE(log.hasPrefix(spdlog::level::warn,
                              "Win32InputBackend: SendInput (mouse button) failed, error "));
}

// The real SendInput, on the desktop these tests run on.
TEST(Win32InputDesktop, AnAbsoluteMoveLandsWhereTheFractionPoints) {
    Win32InputBackend backend;
    ASSERT_TRUE(backend.initialize());
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    for (const auto& [fx, fy] : {std::pair{0.25, 0.5}, std::pair{0.75, 0.1}, std::pair{0.0, 0.0}}) {
        ASSERT_TRUE(backend.injectEvent(mouse(InputEventType::MouseMove, fx, fy)));
        POINT where{};
        ASSERT_TRUE(::GetCursorPos(&where));
        EXPECT_NEAR(where.x, fx * width, 1.0) << fx;
        EXPECT_NEAR(where.y, fy * height, 1.0) << fy;
    }
}

TEST(Win32InputDesktop, AClickAndAKeyReachTheWindowUnderThePointer) {
    ColourWindow window(200, 150, 240, 180, RGB(40, 160, 60));
    Win32InputBackend backend;
    ASSERT_TRUE(backend.initialize());
    const double x = 320.0 / ::GetSystemMetrics(SM_CXSCREEN);
    const double y = 240.0 / ::GetSystemMetrics(SM_CYSCREEN);
    ASSERT_TRUE(backend.injectEvent(mouse(InputEventType::MouseButtonPress, x, y)));
    ASSERT_TRUE(backend.injectEvent(mouse(InputEventType::MouseButtonRelease, x, y)));
    ASSERT_TRUE(window.pumpUntil([&] { return window.hasReceived(WM_LBUTTONUP); }, 3000));
    for (const ColourWindow::Message& message : window.received()) {
        if (message.id == WM_LBUTTONDOWN) {
            // Client coordinates: the window starts at (200, 150).
            EXPECT_NEAR(static_cast<short>(LOWORD(message.lParam)), 120, 1);
            EXPECT_NEAR(static_cast<short>(HIWORD(message.lParam)), 90, 1);
        }
    }
    EXPECT_TRUE(window.hasReceived(WM_LBUTTONDOWN));

    // The click gave the window the focus; a key by virtual-key code reaches it.
    ASSERT_TRUE(backend.injectEvent(key(InputEventType::KeyPress, 'K', 0, false)));
    ASSERT_TRUE(backend.injectEvent(key(InputEventType::KeyRelease, 'K', 0, false)));
    ASSERT_TRUE(window.pumpUntil([&] { return window.hasReceived(WM_KEYUP); }, 3000));
    bool sawK = false;
    for (const ColourWindow::Message& message : window.received()) {
        sawK = sawK || (message.id == WM_KEYDOWN && message.wParam == 'K');
    }
    EXPECT_TRUE(sawK);
}

} // namespace
} // namespace nimbral
