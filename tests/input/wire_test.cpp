// The session's one reader and writer of wire fields, below every message parser.
#include "common/wire.h"

#include <string>
#include <vector>

#include <QByteArray>

#include <gtest/gtest.h>

namespace nimbral {
namespace {

TEST(Wire, FieldsAreWrittenLittleEndianIntoAnyByteContainer) {
    std::vector<std::uint8_t> bytes;
    wire::put(bytes, std::uint8_t{0x01});
    wire::put(bytes, std::uint16_t{0x0203});
    wire::put(bytes, std::uint32_t{0x04050607});
    wire::put(bytes, std::int16_t{-2});
    wire::put(bytes, 1.0);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x01, 0x03, 0x02, 0x07, 0x06, 0x05, 0x04, 0xfe,
                                                0xff, 0, 0, 0, 0, 0, 0, 0xf0, 0x3f}));

    QByteArray qt;
    wire::put(qt, quint64{0x0102030405060708});
    wire::putBytes(qt, "ab", 2);
    EXPECT_EQ(qt.toHex(), "0807060504030201"
                          "6162");
}

TEST(Wire, AReadPastTheEndFailsAndMovesNothing) {
    const std::vector<std::uint8_t> bytes{0x0a, 0x00, 0x00, 0x00, 'h', 'i', 0x7f};
    wire::Reader reader(bytes.data(), bytes.size());
    std::uint64_t tooWide = 0;
    EXPECT_FALSE(reader.u64(tooWide));
    EXPECT_EQ(reader.remaining(), bytes.size());

    // A length that promises more than there is: refused, and the length is read again next.
    std::span<const std::uint8_t> text;
    EXPECT_FALSE(reader.lengthPrefixed(text));
    EXPECT_EQ(reader.remaining(), bytes.size());

    std::uint16_t low = 0;
    ASSERT_TRUE(reader.u16(low));
    EXPECT_EQ(low, 10);
    ASSERT_TRUE(reader.bytes(2, text));
    ASSERT_TRUE(reader.bytes(2, text));
    EXPECT_EQ(std::string(text.begin(), text.end()), "hi");
    std::uint8_t last = 0;
    EXPECT_TRUE(reader.u8(last));
    EXPECT_EQ(last, 0x7f);
    EXPECT_FALSE(reader.u8(last));
    EXPECT_FALSE(reader.bytes(1, text));
    EXPECT_EQ(reader.remaining(), 0u);

    wire::Reader none(nullptr, 12);
    EXPECT_EQ(none.remaining(), 0u) << "no data is no bytes, whatever the size says";
}

} // namespace
} // namespace nimbral
