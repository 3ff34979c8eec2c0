#include "input/input_event.h"

#include <string>

#include <gtest/gtest.h>

namespace nimbral {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string hex(const Bytes& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const auto b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string deserializeError(const Bytes& bytes) {
    std::string error = "no error";
    EXPECT_FALSE(InputEvent::deserialize(bytes.data(), bytes.size(), &error).has_value());
    return error;
}

InputEvent parsed(const Bytes& bytes) {
    const std::optional<InputEvent> event = InputEvent::deserialize(bytes.data(), bytes.size());
    EXPECT_TRUE(event.has_value());
    return event.value_or(InputEvent{});
}

TEST(InputEvent, MouseRecordIsTwentyEightBytesLittleEndian) {
    InputEvent move;
    move.type = 1;
    move.timestamp = 0x0102030405060708ull;
    move.x = 0.5;
    move.y = 0.25;
    const Bytes wire = move.serialize();
    ASSERT_EQ(wire.size(), 28u);
    EXPECT_EQ(hex(wire), "01"
                         "0807060504030201"
                         "000000000000e03f"
                         "000000000000d03f"
                         "01"
                         "0000");
    InputEvent wheel;
    wheel.type = 4;
    wheel.wheelDelta = -120;
    EXPECT_EQ(hex(wheel.serialize()).substr(52), "88ff");
}

TEST(InputEvent, KeyRecordIsEighteenBytes) {
    InputEvent key;
    key.type = 5;
    key.keyCode = 0x41;
    key.scanCode = 0x1E;
    const Bytes wire = key.serialize();
    ASSERT_EQ(wire.size(), 18u);
    EXPECT_EQ(hex(wire), "050000000000000000"
                         "41000000"
                         "1e000000"
                         "00");
    key.extended = true;
    key.type = 6;
    EXPECT_EQ(key.serialize().back(), 1);
    EXPECT_EQ(key.serialize().front(), 6);
}

TEST(InputEvent, RoundTripKeepsEveryFieldAndDefaultsTheRest) {
    InputEvent press;
    press.type = 2;
    press.timestamp = 123456789;
    press.x = 0.123456789;
    press.y = 0.987654321;
    press.button = kMouseForward;
    press.wheelDelta = 360;
    const Bytes mouseWire = press.serialize();
    const InputEvent back = parsed(mouseWire);
    EXPECT_EQ(back.type, 2);
    EXPECT_EQ(back.timestamp, 123456789u);
    EXPECT_EQ(back.x, press.x);
    EXPECT_EQ(back.y, press.y);
    EXPECT_EQ(back.button, kMouseForward);
    EXPECT_EQ(back.wheelDelta, 360);
    EXPECT_EQ(back.keyCode, 0u);
    EXPECT_FALSE(back.extended);

    InputEvent key;
    key.type = 6;
    key.keyCode = 0x26;
    key.scanCode = 0xE048;
    key.extended = true;
    Bytes keyWire = key.serialize();
    keyWire.push_back(0xAA); // trailing bytes are ignored
    const InputEvent keyBack = parsed(keyWire);
    EXPECT_EQ(keyBack.keyCode, 0x26u);
    EXPECT_EQ(keyBack.scanCode, 0xE048u);
    EXPECT_TRUE(keyBack.extended);
    EXPECT_EQ(keyBack.x, 0.0);
    EXPECT_EQ(keyBack.button, kMouseLeft);
}

TEST(InputEvent, BadRecordsAreRefusedWithTheirReason) {
    EXPECT_EQ(deserializeError(Bytes(8, 1)),
              "InputEvent::deserialize: buffer too small for header");
    EXPECT_EQ(deserializeError({}), "InputEvent::deserialize: buffer too small for header");
    Bytes mouse(27, 0);
    mouse[0] = 1;
    EXPECT_EQ(deserializeError(mouse),
              "InputEvent::deserialize: buffer too small for mouse event (27 < 28)");
    Bytes key(17, 0);
    key[0] = 5;
    EXPECT_EQ(deserializeError(key),
              "InputEvent::deserialize: buffer too small for key event (17 < 18)");
    Bytes unknown(30, 0);
    unknown[0] = 7;
    EXPECT_EQ(deserializeError(unknown), "InputEvent::deserialize: unknown event type 7");
    unknown[0] = 0;
    EXPECT_EQ(deserializeError(unknown), "InputEvent::deserialize: unknown event type 0");

    InputEvent none;
    std::string error;
    EXPECT_TRUE(none.serialize(&error).empty());
    EXPECT_EQ(error, "InputEvent::serialize: unknown event type 0");
}

TEST(InputEvent, PositionsClampScaleAndRoundAwayFromZero) {
    EXPECT_EQ(absoluteCoordinate(-0.2), 0);
    EXPECT_EQ(absoluteCoordinate(1.7), 65535);
    EXPECT_EQ(absoluteCoordinate(0.5), 32768);
    EXPECT_EQ(absoluteCoordinate(0.0), 0);
    EXPECT_EQ(absoluteCoordinate(1.0), 65535);
    EXPECT_EQ(absoluteCoordinate(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(absoluteCoordinate(std::numeric_limits<double>::infinity()), 65535);
}

} // namespace
} // namespace nimbral
