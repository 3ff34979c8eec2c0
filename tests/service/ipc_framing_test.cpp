#include "service/ipc_framing.h"

#include <QByteArray>
#include <gtest/gtest.h>

namespace nimbral {
namespace {

using nlohmann::json;

TEST(IpcFraming, MessagesAreALittleEndianLengthAndCompactSortedJson) {
    const QByteArray frame = QByteArray::fromStdString(
        encodeIpcMessage({{"type", "CHAT_MSG"}, {"text", "Grüße"}, {"a", 1}}));
    const QByteArray text = R"({"a":1,"text":"Grüße","type":"CHAT_MSG"})";
    ASSERT_EQ(frame.size(), text.size() + 4);
    EXPECT_EQ(frame.left(4), QByteArray::fromHex("2a000000")) << "42 bytes: ü and ß raw, two each";
    EXPECT_EQ(frame.mid(4), text);

    // A length that needs every byte of the field.
    const std::string big(0x010203, 'x');
    const QByteArray large = QByteArray::fromStdString(encodeIpcMessage(json(big)));
    EXPECT_EQ(large.left(4), QByteArray::fromHex("05020100")) << "0x010205: the string's quotes";
}

TEST(IpcFraming, ReadsWholeMessagesHoweverTheBytesArrive) {
    const QByteArray one = QByteArray::fromStdString(encodeIpcMessage({{"type", "GET_STATE"}}));
    const QByteArray two =
        QByteArray::fromStdString(encodeIpcMessage({{"type", "CHAT_SEND"}, {"text", "hi"}}));

    IpcMessageReader reader(IpcMessageReader::kServiceLimit);
    const QByteArray both = one + two;
    auto result = reader.append(both.constData(), both.size());
    ASSERT_EQ(result.messages.size(), 2u) << "two messages in one read";
    EXPECT_EQ(result.messages[0]["type"], "GET_STATE");
    EXPECT_EQ(result.messages[1]["text"], "hi");
    EXPECT_EQ(reader.buffered(), 0u);

    // Byte by byte: nothing until the last byte, then exactly one.
    std::size_t seen = 0;
    for (qsizetype i = 0; i < two.size(); ++i) {
        result = reader.append(two.constData() + i, 1);
        seen += result.messages.size();
        if (i + 1 < two.size()) {
            EXPECT_EQ(seen, 0u) << "at byte " << i;
        }
    }
    EXPECT_EQ(seen, 1u);

    // A message and the first half of the next.
    const QByteArray partial = one + two.left(5);
    result = reader.append(partial.constData(), partial.size());
    EXPECT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(reader.buffered(), 5u);
    result = reader.append(two.constData() + 5, two.size() - 5);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0]["type"], "CHAT_SEND");
}

TEST(IpcFraming, BrokenJsonIsSkippedAndTheNextMessageStillCounts) {
    IpcMessageReader reader(IpcMessageReader::kServiceLimit);
    QByteArray broken("{\"type\":");
    QByteArray stream;
    const auto length = static_cast<char>(broken.size());
    stream.append(length).append('\0').append('\0').append('\0').append(broken);
    // A number no double holds: nlohmann reports it as out_of_range, not as a parse error, and
    // it must not take the service down either.
    const QByteArray huge("{\"type\":\"INPUT\",\"x\":1E99999}");
    stream.append(char(huge.size())).append('\0').append('\0').append('\0').append(huge);
    stream.append(QByteArray::fromStdString(encodeIpcMessage({{"type", "GET_STATE"}})));
    const auto result = reader.append(stream.constData(), stream.size());
    EXPECT_EQ(result.parseErrors.size(), 2u);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0]["type"], "GET_STATE");
    EXPECT_FALSE(result.tooLarge);
}

TEST(IpcFraming, TheLimitHoldsToTheByte) {
    // At the limit the reader waits for the body; one above it gives up on the peer at once,
    // before a byte of the body arrives.
    const auto header = [](std::uint32_t length) {
        QByteArray bytes;
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.append(static_cast<char>((length >> shift) & 0xFF));
        }
        return bytes;
    };
    IpcMessageReader service(IpcMessageReader::kServiceLimit);
    QByteArray atLimit = header(IpcMessageReader::kServiceLimit);
    auto result = service.append(atLimit.constData(), atLimit.size());
    EXPECT_FALSE(result.tooLarge);
    EXPECT_EQ(service.buffered(), 4u);
    service.reset();
    QByteArray above = header(IpcMessageReader::kServiceLimit + 1);
    result = service.append(above.constData(), above.size());
    EXPECT_TRUE(result.tooLarge);
    EXPECT_EQ(result.refusedLength, IpcMessageReader::kServiceLimit + 1);
    EXPECT_EQ(service.buffered(), 0u);

    // A whole message of exactly the limit is taken.
    std::string text(IpcMessageReader::kServiceLimit - 2, 'y');
    const QByteArray exact = QByteArray::fromStdString(encodeIpcMessage(json(text)));
    ASSERT_EQ(exact.size(), qsizetype(IpcMessageReader::kServiceLimit) + 4);
    result = service.append(exact.constData(), exact.size());
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0].get<std::string>().size(), text.size());

    // The agent's limit is the larger one.
    IpcMessageReader agent(IpcMessageReader::kAgentLimit);
    above = header(IpcMessageReader::kAgentLimit);
    EXPECT_FALSE(agent.append(above.constData(), above.size()).tooLarge);
    agent.reset();
    above = header(IpcMessageReader::kAgentLimit + 1);
    EXPECT_TRUE(agent.append(above.constData(), above.size()).tooLarge);
}

} // namespace
} // namespace nimbral
