#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nimbral {

enum class InputEventType : std::uint8_t {
    MouseMove = 1,
    MouseButtonPress = 2,
    MouseButtonRelease = 3,
    MouseWheel = 4,
    KeyPress = 5,
    KeyRelease = 6,
};

// Mouse button codes on the wire: 1 left, 2 right, 3 middle, 4 back, 5 forward.
enum MouseButtonCode : std::uint8_t {
    kMouseLeft = 1,
    kMouseRight = 2,
    kMouseMiddle = 3,
    kMouseBack = 4,
    kMouseForward = 5,
};

// One mouse or keyboard event of the Master, positions as fractions of the remote frame.
// Wire form (little-endian): type(1) timestamp(8), then for mouse x(8) y(8) button(1)
// wheelDelta(2) = 28 bytes, for keys keyCode(4) scanCode(4) extended(1) = 18 bytes.
struct InputEvent {
    std::uint8_t type = 0;
    std::uint64_t timestamp = 0;
    double x = 0.0;
    double y = 0.0;
    std::uint8_t button = kMouseLeft;
    std::int16_t wheelDelta = 0; // eighths of a degree, 120 per notch, positive away from the user
    std::uint32_t keyCode = 0;   // Windows virtual-key code
    std::uint32_t scanCode = 0;  // PC set-1 scan code (0xE0xx for extended keys), 0 when unknown
    bool extended = false;

    static constexpr std::size_t kMouseSize = 28;
    static constexpr std::size_t kKeySize = 18;

    bool isMouse() const { return type >= 1 && type <= 4; }
    bool isKey() const { return type == 5 || type == 6; }

    // What lets go of a held button at a position; of a held key: its press, turned into a
    // release.
    static InputEvent buttonRelease(std::uint8_t button, double x, double y,
                                    std::uint64_t timestamp = 0);
    static InputEvent keyRelease(InputEvent press, std::uint64_t timestamp = 0);

    // Empty, with the reason in error, for a type that has no wire form.
    std::vector<std::uint8_t> serialize(std::string* error = nullptr) const;
    // nullopt, with the reason in error, for a short record or an unknown type; bytes after the
    // record are ignored.
    static std::optional<InputEvent> deserialize(const std::uint8_t* data, std::size_t size,
                                                 std::string* error = nullptr);
};

// Applies events to the local desktop. Used from the GUI thread.
class IInputBackend {
public:
    virtual ~IInputBackend() = default;
    virtual bool initialize() = 0;
    virtual void shutdown() = 0;
    virtual bool injectEvent(const InputEvent& event) = 0;
    // The monitor the Master is shown (in the capture's order): absolute positions span it. The
    // primary one until told; an index with no monitor falls back to it.
    virtual void setMonitor(int index) = 0;
};

// The absolute position 0..65535 of a fraction of the frame, as the wire's x and y become on
// the Target: clamped to 0..1, scaled, rounded half away from zero (0.5 -> 32768).
int absoluteCoordinate(double fraction);

// The Linux input code (BTN_LEFT ...) of a wire button, 0 for none.
int evdevButton(std::uint8_t button);

} // namespace nimbral
