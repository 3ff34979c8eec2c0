#include "session/chat_service.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include "log_capture.h"

namespace nimbral {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes payloadOf(std::uint64_t millis, std::uint16_t length, const std::string& text) {
    Bytes payload;
    for (int i = 0; i < 8; ++i) {
        payload.push_back(static_cast<std::uint8_t>(millis >> (8 * i)));
    }
    payload.push_back(static_cast<std::uint8_t>(length));
    payload.push_back(static_cast<std::uint8_t>(length >> 8));
    payload.insert(payload.end(), text.begin(), text.end());
    return payload;
}

TEST(ChatService, SendsTimeLengthAndUtf8Text) {
    std::vector<Bytes> sent;
    ChatService chat([&](const Bytes& payload) { sent.push_back(payload); });
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    chat.sendMessage(QString::fromUtf8("Grüße"));
    const qint64 after = QDateTime::currentMSecsSinceEpoch();
    ASSERT_EQ(sent.size(), 1u);
    const Bytes& payload = sent[0];
    ASSERT_EQ(payload.size(), 10u + 7u); // "Grüße" is 7 bytes of UTF-8
    std::uint64_t millis = 0;
    for (int i = 7; i >= 0; --i) {
        millis = (millis << 8) | payload[static_cast<std::size_t>(i)];
    }
    EXPECT_GE(static_cast<qint64>(millis), before);
    EXPECT_LE(static_cast<qint64>(millis), after);
    EXPECT_EQ(payload[8], 7);
    EXPECT_EQ(payload[9], 0);
    EXPECT_EQ(std::string(payload.begin() + 10, payload.end()), "Gr\xc3\xbc\xc3\x9f"
                                                                "e");

    chat.sendMessage(QString());
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].size(), 10u);
}

TEST(ChatService, OverlongTextIsCutToTheLimit) {
    std::vector<Bytes> sent;
    ChatService chat([&](const Bytes& payload) { sent.push_back(payload); });
    test::LogCapture log;
    chat.sendMessage(QString(70000, QLatin1Char('x')));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].size(), 10u + 65535u);
    EXPECT_EQ(sent[0][8], 0xFF);
    EXPECT_EQ(sent[0][9], 0xFF);
    EXPECT_TRUE(
        log.has(spdlog::level::warn, "ChatService: message too long, truncating to 65535 bytes"));
}

TEST(ChatService, ReceivesTheSendersClockAndOnlyTheStatedText) {
    ChatService chat(nullptr);
    QSignalSpy received(&chat, &ChatService::messageReceived);
    chat.handleMessage(payloadOf(1700000000123ull, 5, "helloEXTRA"));
    ASSERT_EQ(received.count(), 1);
    EXPECT_EQ(received.at(0).at(0).toString(), "hello");
    EXPECT_EQ(received.at(0).at(1).toDateTime().toMSecsSinceEpoch(), 1700000000123ll);

    chat.handleMessage(payloadOf(1, 0, ""));
    ASSERT_EQ(received.count(), 2);
    EXPECT_EQ(received.at(1).at(0).toString(), "");

    // Two ends of the same chat: what one sends, the other shows.
    ChatService receiver(nullptr);
    QSignalSpy shown(&receiver, &ChatService::messageReceived);
    ChatService sender([&](const Bytes& payload) { receiver.handleMessage(payload); });
    sender.sendMessage(QString::fromUtf8("ahoj světe"));
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(shown.at(0).at(0).toString(), QString::fromUtf8("ahoj světe"));
}

TEST(ChatService, ShortAndTruncatedPayloadsAreDropped) {
    ChatService chat(nullptr);
    QSignalSpy received(&chat, &ChatService::messageReceived);
    test::LogCapture log;
    chat.handleMessage(Bytes(9, 0));
    EXPECT_TRUE(log.has(spdlog::level::warn, "ChatService: message too short (9 bytes)"));
    chat.handleMessage(payloadOf(1, 20, std::string(15, 'a')));
    EXPECT_TRUE(
        log.has(spdlog::level::warn, "ChatService: message truncated (expected 10 + 20 bytes)"));
    EXPECT_EQ(received.count(), 0);
}

} // namespace
} // namespace nimbral
