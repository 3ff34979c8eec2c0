#include "input/input_event.h"

#include <algorithm>
#include <cmath>

#include "common/wire.h"

namespace nimbral {

std::vector<std::uint8_t> InputEvent::serialize(std::string* error) const {
    std::vector<std::uint8_t> out;
    if (isMouse()) {
        out.reserve(kMouseSize);
        wire::put(out, type);
        wire::put(out, timestamp);
        wire::put(out, x);
        wire::put(out, y);
        wire::put(out, button);
        wire::put(out, wheelDelta);
    } else if (isKey()) {
        out.reserve(kKeySize);
        wire::put(out, type);
        wire::put(out, timestamp);
        wire::put(out, keyCode);
        wire::put(out, scanCode);
        wire::put(out, static_cast<std::uint8_t>(extended ? 1 : 0));
    } else if (error != nullptr) {
        *error = "InputEvent::serialize: unknown event type " + std::to_string(type);
    }
    return out;
}

std::optional<InputEvent> InputEvent::deserialize(const std::uint8_t* data, std::size_t size,
                                                  std::string* error) {
    const auto fail = [error](std::string why) -> std::optional<InputEvent> {
        if (error != nullptr) {
            *error = "InputEvent::deserialize: " + std::move(why);
        }
        return std::nullopt;
    };
    wire::Reader reader(data, size);
    InputEvent event;
    if (!reader.read(event.type) || !reader.read(event.timestamp)) {
        return fail("buffer too small for header");
    }
    const auto tooSmall = [size](const char* what, std::size_t needed) {
        return "buffer too small for " + std::string(what) + " (" + std::to_string(size) + " < " +
               std::to_string(needed) + ")";
    };
    if (event.isMouse()) {
        if (!reader.read(event.x) || !reader.read(event.y) || !reader.read(event.button) ||
            !reader.read(event.wheelDelta)) {
            return fail(tooSmall("mouse event", kMouseSize));
        }
    } else if (event.isKey()) {
        std::uint8_t extended = 0;
        if (!reader.read(event.keyCode) || !reader.read(event.scanCode) || !reader.read(extended)) {
            return fail(tooSmall("key event", kKeySize));
        }
        event.extended = extended != 0;
    } else {
        return fail("unknown event type " + std::to_string(event.type));
    }
    return event;
}

InputEvent InputEvent::buttonRelease(std::uint8_t button, double x, double y,
                                     std::uint64_t timestamp) {
    InputEvent release;
    release.type = static_cast<std::uint8_t>(InputEventType::MouseButtonRelease);
    release.timestamp = timestamp;
    release.x = x;
    release.y = y;
    release.button = button;
    return release;
}

InputEvent InputEvent::keyRelease(InputEvent press, std::uint64_t timestamp) {
    press.type = static_cast<std::uint8_t>(InputEventType::KeyRelease);
    press.timestamp = timestamp;
    return press;
}

int absoluteCoordinate(double fraction) {
    // NaN from a broken peer lands on 0 rather than in undefined conversion.
    const double clamped = std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0);
    return static_cast<int>(std::lround(clamped * 65535.0));
}

int evdevButton(std::uint8_t button) {
    switch (button) {
    case kMouseLeft:
        return 0x110; // BTN_LEFT
    case kMouseRight:
        return 0x111;
    case kMouseMiddle:
        return 0x112;
    case kMouseBack:
        return 0x113; // BTN_SIDE
    case kMouseForward:
        return 0x114; // BTN_EXTRA
    default:
        return 0;
    }
}

} // namespace nimbral
