#include "input/input_event.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

namespace nimbral {

namespace {

template <typename T> void append(std::vector<std::uint8_t>& out, T value) {
    std::uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    // The wire is little-endian; so is every machine we build for, which the check keeps true.
    static_assert(std::endian::native == std::endian::little);
    out.insert(out.end(), bytes, bytes + sizeof(T));
}

template <typename T> T read(const std::uint8_t* data) {
    T value;
    std::memcpy(&value, data, sizeof(T));
    return value;
}

} // namespace

std::vector<std::uint8_t> InputEvent::serialize() const {
    std::vector<std::uint8_t> out;
    if (isMouse()) {
        out.reserve(kMouseSize);
        append(out, type);
        append(out, timestamp);
        append(out, x);
        append(out, y);
        append(out, button);
        append(out, wheelDelta);
    } else if (type == 5 || type == 6) {
        out.reserve(kKeySize);
        append(out, type);
        append(out, timestamp);
        append(out, keyCode);
        append(out, scanCode);
        append(out, static_cast<std::uint8_t>(extended ? 1 : 0));
    } else {
        throw std::runtime_error("InputEvent::serialize: unknown event type " +
                                 std::to_string(type));
    }
    return out;
}

InputEvent InputEvent::deserialize(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size < 9) {
        throw std::runtime_error("InputEvent::deserialize: buffer too small for header");
    }
    InputEvent event;
    event.type = data[0];
    event.timestamp = read<std::uint64_t>(data + 1);
    if (event.isMouse()) {
        if (size < kMouseSize) {
            throw std::runtime_error("InputEvent::deserialize: buffer too small for mouse event (" +
                                     std::to_string(size) + " < " + std::to_string(kMouseSize) +
                                     ")");
        }
        event.x = read<double>(data + 9);
        event.y = read<double>(data + 17);
        event.button = data[25];
        event.wheelDelta = read<std::int16_t>(data + 26);
    } else if (event.type == 5 || event.type == 6) {
        if (size < kKeySize) {
            throw std::runtime_error("InputEvent::deserialize: buffer too small for key event (" +
                                     std::to_string(size) + " < " + std::to_string(kKeySize) + ")");
        }
        event.keyCode = read<std::uint32_t>(data + 9);
        event.scanCode = read<std::uint32_t>(data + 13);
        event.extended = data[17] != 0;
    } else {
        throw std::runtime_error("InputEvent::deserialize: unknown event type " +
                                 std::to_string(event.type));
    }
    return event;
}

int absoluteCoordinate(double fraction) {
    // NaN from a broken peer lands on 0 rather than in undefined conversion.
    const double clamped = std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0);
    return static_cast<int>(std::lround(clamped * 65535.0));
}

} // namespace nimbral
